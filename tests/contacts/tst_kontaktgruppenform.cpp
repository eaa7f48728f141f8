#include "TestEnv.h"
#include "foundation/DatenModul.h"
#include "contacts/KontaktgruppenForm.h"
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
QLineEdit* bezeichnung(QWidget* w) { return FindChild<QLineEdit>(w, "Bezeichnung"); }
QPushButton* button(QWidget* w, const char* name) { return FindChild<QPushButton>(w, QLatin1String(name)); }
}

class TestKontaktgruppenForm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetModalTimeout(); }
    void cleanup() { QVERIFY(!ModalTimedOut()); }
    void newGroupIsStoredAsTyped_data();
    void newGroupIsStoredAsTyped();
    void emptyNameIsRefused();
    void renameKeepsIdAndAllowsDuplicates();
    void vanishedGroupBecomesNew();
    void readOnlyWritesNothing();
    void failedWriteLeavesNoRowAndStaysNew();
    void laterShowingsStartAfresh();
};

void TestKontaktgruppenForm::newGroupIsStoredAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("id");
    QTest::newRow("name") << "Kunden" << "Kunden" << -1;
    QTest::newRow("blanks pass") << "   " << "   " << -1;
    QTest::newRow("markup and percent") << "<b>%1 'x'</b>" << "<b>%1 'x'</b>" << -1;
    QTest::newRow("cut at 100 typed") << QString(120, QLatin1Char('x')) << QString(100, QLatin1Char('x')) << -1;
    QTest::newRow("any id below 0 is new") << "Neu" << "Neu" << -2;
}

void TestKontaktgruppenForm::newGroupIsStoredAsTyped()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(int, id);
    TestDatabase db;
    ScriptedMessages messages;
    TKontaktgruppenForm form;
    form.SetKategorieId(id);
    QString caption;
    bool focused = false;
    OnNextModal([&](QWidget* w) {
        caption = w->windowTitle();
        focused = QApplication::focusWidget() == bezeichnung(w);
        QVERIFY(bezeichnung(w)->text().isEmpty());
        QTest::keyClicks(bezeichnung(w), typed);
        QTest::keyClick(bezeichnung(w), Qt::Key_Return);   // the default button
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QCOMPARE(caption, QString("Neue Kontaktgruppe anlegen"));
    QVERIFY(focused);
    QCOMPARE(messages.Count(), 0);
    QVERIFY(form.GetKategorieId() > 0);
    QCOMPARE(db.Scalar(QString("SELECT name FROM kategorien WHERE id=%1").arg(form.GetKategorieId())), stored);
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kategorien"), QString("1"));
}

void TestKontaktgruppenForm::emptyNameIsRefused()
{
    TestDatabase db;
    ScriptedMessages messages;
    TKontaktgruppenForm form;
    form.SetKategorieId(-1);
    bool stayedOpen = false;
    OnNextModal([&](QWidget* w) {
        button(w, "Btn_OK")->click();
        stayedOpen = w->isVisible();
        bezeichnung(w)->setText("A");
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QVERIFY(stayedOpen);
    QCOMPARE(messages.Texts(), QStringList{QString::fromUtf8("Bitte geben Sie eine Bezeichnung für die Kontaktgruppe ein.")});
    QCOMPARE(messages.Messages().first().kind, Msg::Kind::Information);
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kategorien"), QString("1"));
}

void TestKontaktgruppenForm::renameKeepsIdAndAllowsDuplicates()
{
    TestDatabase db;
    db.Exec("INSERT INTO kategorien (id, name) VALUES (5, 'Alt')");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (6, 'Neu')");
    ScriptedMessages messages;
    TKontaktgruppenForm form;
    form.SetKategorieId(5);
    QString caption, shown;
    OnNextModal([&](QWidget* w) {
        caption = w->windowTitle();
        shown = bezeichnung(w)->text();
        bezeichnung(w)->setText("Neu");
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QCOMPARE(caption, QString("Kontaktgruppe editieren"));
    QCOMPARE(shown, QString("Alt"));
    QCOMPARE(form.GetKategorieId(), 5);
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kategorien WHERE name='Neu'"), QString("2"));
}

void TestKontaktgruppenForm::vanishedGroupBecomesNew()
{
    TestDatabase db;
    ScriptedMessages messages;
    TKontaktgruppenForm form;
    form.SetKategorieId(42);
    QString caption;
    OnNextModal([&](QWidget* w) {
        caption = w->windowTitle();
        QVERIFY(bezeichnung(w)->text().isEmpty());
        bezeichnung(w)->setText("Ersatz");
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QCOMPARE(caption, QString("Kontaktgruppe editieren"));
    QCOMPARE(messages.Texts(), QStringList{QString::fromUtf8(
        "Dieser Eintrag wurde zwischenzeitlich von einem anderen Benutzer verschoben oder gelöscht.")});
    QVERIFY(form.GetKategorieId() != 42 && form.GetKategorieId() > 0);
    QCOMPARE(db.Scalar(QString("SELECT name FROM kategorien WHERE id=%1").arg(form.GetKategorieId())), QString("Ersatz"));
}

void TestKontaktgruppenForm::readOnlyWritesNothing()
{
    TestDatabase db;
    db.Exec("INSERT INTO kategorien (id, name) VALUES (5, 'Alt')");
    ScriptedMessages messages;
    TKontaktgruppenForm form;
    form.SetKategorieId(5);
    form.SetReadOnly(true);
    bool editable = true, okEnabled = true, focused = true;
    OnNextModal([&](QWidget* w) {
        editable = bezeichnung(w)->isEnabled();
        okEnabled = button(w, "Btn_OK")->isEnabled();
        focused = QApplication::focusWidget() == bezeichnung(w);
        button(w, "Btn_Abbrechen")->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Rejected));
    QVERIFY(!editable);
    QVERIFY(!okEnabled);
    QVERIFY(!focused);
    form.SetReadOnly(false);
    QVERIFY(bezeichnung(&form)->isEnabled());
    QCOMPARE(db.Scalar("SELECT name FROM kategorien WHERE id=5"), QString("Alt"));
}

void TestKontaktgruppenForm::failedWriteLeavesNoRowAndStaysNew()
{
    TestDatabase db;
    db.Exec("CREATE EXCEPTION e_refused 'refused'");
    db.Exec("CREATE TRIGGER t_refuse FOR kategorien BEFORE UPDATE AS BEGIN "
            "IF (NEW.name = 'FAIL') THEN EXCEPTION e_refused; END");
    ScriptedMessages messages;
    TKontaktgruppenForm form;
    form.SetKategorieId(-1);
    bool stayedOpen = false;
    int idAfterFailure = 0;
    OnNextModal([&](QWidget* w) {
        bezeichnung(w)->setText("FAIL");
        button(w, "Btn_OK")->click();
        stayedOpen = w->isVisible();
        idAfterFailure = form.GetKategorieId();
        bezeichnung(w)->setText("Gut");
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QVERIFY(stayedOpen);
    QCOMPARE(idAfterFailure, -1);
    QCOMPARE(messages.Count(), 1);
    QCOMPARE(messages.Messages().first().kind, Msg::Kind::Error);
    QVERIFY(messages.Texts().first().contains("refused"));
    // The refused insert is gone; the second OK made exactly one group.
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kategorien"), QString("1"));
    QCOMPARE(db.Scalar("SELECT name FROM kategorien"), QString("Gut"));
}

void TestKontaktgruppenForm::laterShowingsStartAfresh()
{
    TestDatabase db;
    db.Exec("INSERT INTO kategorien (id, name) VALUES (5, 'Alt')");
    ScriptedMessages messages;
    TKontaktgruppenForm form;
    // An edit left with Abbrechen, then a read-only view, then a new group.
    form.SetKategorieId(5);
    OnNextModal([&](QWidget* w) {
        bezeichnung(w)->setText("verworfen");
        button(w, "Btn_Abbrechen")->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Rejected));
    form.SetKategorieId(5);
    form.SetReadOnly(true);
    QString shown;
    OnNextModal([&](QWidget* w) {
        shown = bezeichnung(w)->text();
        button(w, "Btn_Abbrechen")->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Rejected));
    QCOMPARE(shown, QString("Alt"));
    form.SetReadOnly(false);
    form.SetKategorieId(-1);
    QString caption;
    bool focused = false;
    OnNextModal([&](QWidget* w) {
        caption = w->windowTitle();
        shown = bezeichnung(w)->text();
        focused = QApplication::focusWidget() == bezeichnung(w);
        button(w, "Btn_Abbrechen")->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Rejected));
    QCOMPARE(caption, QString("Neue Kontaktgruppe anlegen"));
    QVERIFY(shown.isEmpty());
    QVERIFY(focused);
    QCOMPARE(db.Scalar("SELECT LIST(name) FROM kategorien"), QString("Alt"));
    QCOMPARE(messages.Count(), 0);
}

QTEST_MAIN(TestKontaktgruppenForm)
#include "tst_kontaktgruppenform.moc"
