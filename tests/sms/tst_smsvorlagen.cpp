#include "TestEnv.h"
#include "app/HauptForm.h"
#include "app/StartUp.h"
#include "foundation/DatenModul.h"
#include "sms/SmsForm.h"
#include "sms/SmsVorlagenEditForm.h"
#include "sms/SmsVorlagenForm.h"
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>
#include <memory>

namespace {
const char* const kAbhaengig = "Zeichenanzahl abhängig von den automatischen Feldern";

QString u8(const char* text) { return QString::fromUtf8(text); }
QLineEdit* bezeichnung(QWidget* w) { return FindChild<QLineEdit>(w, "Bezeichnung"); }
QPlainTextEdit* sendetext(QWidget* w) { return FindChild<QPlainTextEdit>(w, "SmsTyp_Text_Sendetext"); }
QPushButton* button(QWidget* w, const char* name) { return FindChild<QPushButton>(w, QLatin1String(name)); }

// The template window and its editor with a database and scripted message boxes.
struct Vorlagen {
    TestDatabase db;
    ScriptedMessages messages;
    TSmsVorlagenEditForm edit;
    TSmsVorlagenForm form{&edit};

    // Rows added by the tests take low ids; new ones come from the procedure.
    Vorlagen() { db.Exec("ALTER SEQUENCE GEN_SMSVORLAGEN_ID RESTART WITH 100"); }
    ~Vorlagen() { form.hide(); }
    void Add(int id, const QString& name, const QString& content, int typ = 0)
    {
        QSqlQuery q = DatenModul->Run("INSERT INTO smsvorlagen (id,typ,content,name) VALUES (:id,:typ,:content,:name)",
                                      {{"id", id}, {"typ", typ}, {"content", content}, {"name", name}});
        DatenModul->Commit();
    }
    void Show()
    {
        form.show();
        QCoreApplication::processEvents();
    }
    QListWidget* List() { return FindChild<QListWidget>(&form, "ListBox_SmsVorlagen"); }
    QStringList Names()
    {
        QStringList out;
        for (int i = 0; i < List()->count(); ++i)
            out.append(List()->item(i)->text());
        return out;
    }
    QList<int> Selected()
    {
        QList<int> rows;
        for (QListWidgetItem* item : List()->selectedItems())
            rows.append(List()->row(item));
        return rows;
    }
    void Select(int row) { List()->setCurrentRow(row, QItemSelectionModel::ClearAndSelect); }
    QString Label(const char* name) { return FindChild<QLabel>(&form, QLatin1String(name))->text(); }
    QString Shown() { return FindChild<QPlainTextEdit>(&form, "SmsTypText_Sendetext")->toPlainText(); }
    QToolButton* Tool(const char* name) { return FindChild<QToolButton>(&form, QLatin1String(name)); }
    QAction* Action(const char* name) { return form.findChild<QAction*>(QLatin1String(name)); }
    // The content area in the state of no selection.
    void VerifyEmptyState()
    {
        QVERIFY(Selected().isEmpty());
        QCOMPARE(Label("SmsTyp"), QString("-"));
        QCOMPARE(Label("VorlagenName"), QString("-"));
        QCOMPARE(Shown(), QString());
        QCOMPARE(Label("SmsTypText_Sendetext_AnzahlZeichen"), QString("-"));
    }
};
}

class TestSmsVorlagen : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetModalTimeout(); }
    void cleanup() { QVERIFY(!ModalTimedOut()); }
    void emptyWindow();
    void countTexts_data();
    void countTexts();
    void newTemplate();
    void rename_data();
    void rename();
    void deleteAsks_data();
    void deleteAsks();
    void withoutSelectionNothingHappens();
    void editorRefusals_data();
    void editorRefusals();
    void vanishedRowIsCreatedAnew();
    void failedWriteIsRolledBack();
    void menuAndComposerPickUpChanges();
};

void TestSmsVorlagen::emptyWindow()
{
    Vorlagen v;
    v.Show();
    QCOMPARE(v.form.windowTitle(), QString("SMS-Vorlagen"));
    QCOMPARE(v.List()->count(), 0);
    v.VerifyEmptyState();
    QCOMPARE(FindChild<QStatusBar>(&v.form, "StatusBar")->currentMessage(), QString());
    QVERIFY(!QApplication::overrideCursor());
}

void TestSmsVorlagen::countTexts_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("editor");
    QTest::newRow("text") << "Hallo" << "5 Zeichen, dies entspricht 1 SMS" << "5 Zeichen, dies entspricht 1 SMS";
    QTest::newRow("line break counts two") << "a\r\nb" << "4 Zeichen, dies entspricht 1 SMS"
                                           << "4 Zeichen, dies entspricht 1 SMS";
    QTest::newRow("two SMS") << QString(161, QLatin1Char('x')) << "161 Zeichen, dies entspricht 2 SMS"
                             << "161 Zeichen, dies entspricht 2 SMS";
    QTest::newRow("marker") << "Hallo <$*VORNAME*$>" << u8(kAbhaengig) << u8(kAbhaengig);
    QTest::newRow("empty") << "" << "-" << "0 Zeichen, dies entspricht 1 SMS";
}

void TestSmsVorlagen::countTexts()
{
    QFETCH(QString, content);
    QFETCH(QString, window);
    QFETCH(QString, editor);
    Vorlagen v;
    v.Add(7, "Vorlage", content);
    v.Show();
    v.Select(0);
    QCOMPARE(v.Label("SmsTyp"), QString("Text-Nachricht"));
    QCOMPARE(v.Label("VorlagenName"), QString("Vorlage"));
    QCOMPARE(v.Label("SmsTypText_Sendetext_AnzahlZeichen"), window);
    QString shown;
    OnNextModal([&](QWidget* w) {
        shown = FindChild<QLabel>(w, "SmsTyp_Text_Sendetext_AnzahlZeichen")->text();
        button(w, "Btn_Abbrechen")->click();
    });
    v.Action("Bearbeiten1")->trigger();
    QCOMPARE(shown, editor);
}

void TestSmsVorlagen::newTemplate()
{
    Vorlagen v;
    v.Add(1, "Zulu", "z");
    v.Show();
    v.Select(0);
    QString caption, name;
    bool focused = false;
    OnNextModal([&](QWidget* w) {
        caption = w->windowTitle();
        name = bezeichnung(w)->text();
        focused = QApplication::focusWidget() == bezeichnung(w);
        QTest::keyClicks(bezeichnung(w), "Geburtstag");
        QTest::keyClicks(sendetext(w), "Alles Gute!");
        QTest::keyClick(sendetext(w), Qt::Key_Return);   // no line break
        // "Liebe/r <VORNAME>" at the start, before the selected word.
        QTextCursor c = sendetext(w)->textCursor();
        c.setPosition(0);
        c.setPosition(5, QTextCursor::KeepAnchor);
        sendetext(w)->setTextCursor(c);
        FindChild<QComboBox>(w, "SmsTyp_Text_AutomatischeFelder")->setCurrentIndex(4);
        button(w, "Button_SmsTyp_Text_AutomatischesFeld_Insert")->click();
        QCOMPARE(sendetext(w)->textCursor().position(), 11);
        QCOMPARE(FindChild<QLabel>(w, "SmsTyp_Text_Sendetext_AnzahlZeichen")->text(), u8(kAbhaengig));
        button(w, "Btn_OK")->click();
        if (w->isVisible())
            w->close();
    });
    v.Tool("ToolButton_Vorlage_Neu")->click();
    QCOMPARE(caption, QString("Neue SMS-Vorlage erstellen"));
    QCOMPARE(name, QString());
    QVERIFY(focused);
    QCOMPARE(v.messages.Count(), 0);
    QCOMPARE(v.Names(), QStringList({"Geburtstag", "Zulu"}));
    v.VerifyEmptyState();
    const int id = v.edit.GetVorlagenId();
    QVERIFY(id > 0);
    QCOMPARE(v.db.Scalar(QString("SELECT name FROM smsvorlagen WHERE id=%1").arg(id)), QString("Geburtstag"));
    QCOMPARE(v.db.Scalar(QString("SELECT content FROM smsvorlagen WHERE id=%1").arg(id)),
             QString("<$*LIEBE*$>Alles Gute!"));
    QCOMPARE(v.db.Scalar(QString("SELECT typ FROM smsvorlagen WHERE id=%1").arg(id)), QString("0"));
}

void TestSmsVorlagen::rename_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("shown");
    // The position edited is selected again, whichever template the name order put there.
    QTest::newRow("moves to the end") << "double click" << 0 << "Delta" << QStringList{"Bravo", "Charlie", "Delta"}
                                      << "Bravo";
    QTest::newRow("moves to the front") << "menu" << 2 << "Aaron" << QStringList{"Aaron", "Alpha", "Bravo"}
                                        << "Bravo";
    QTest::newRow("stays") << "menu" << 1 << "Bravissimo" << QStringList{"Alpha", "Bravissimo", "Charlie"}
                           << "Bravissimo";
}

void TestSmsVorlagen::rename()
{
    QFETCH(QString, how);
    QFETCH(int, row);
    QFETCH(QString, newName);
    QFETCH(QStringList, names);
    QFETCH(QString, shown);
    Vorlagen v;
    v.Add(1, "Alpha", "Text A");
    v.Add(2, "Bravo", "Text B");
    v.Add(3, "Charlie", "Text C");
    v.Show();
    QCOMPARE(v.Names(), QStringList({"Alpha", "Bravo", "Charlie"}));
    v.Select(row);
    const QString before = v.Names().at(row);
    QCOMPARE(v.Label("VorlagenName"), before);
    QString caption, name;
    OnNextModal([&](QWidget* w) {
        caption = w->windowTitle();
        name = bezeichnung(w)->text();
        bezeichnung(w)->setText(newName);
        button(w, "Btn_OK")->click();
        if (w->isVisible())
            w->close();
    });
    if (how == "menu") {
        v.Action("Bearbeiten1")->trigger();
    } else {
        QListWidget* list = v.List();
        const QPoint at = list->visualItemRect(list->item(row)).center();
        // The view opens an entry on the double click that follows a press on it.
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    QCOMPARE(caption, QString("Vorhandene SMS-Vorlage editieren"));
    QCOMPARE(name, before);
    QCOMPARE(v.Names(), names);
    QCOMPARE(v.Selected(), QList<int>{row});
    QCOMPARE(v.Label("VorlagenName"), shown);
    QCOMPARE(v.db.Scalar("SELECT COUNT(*) FROM smsvorlagen"), QString("3"));
}

void TestSmsVorlagen::deleteAsks_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("No keeps it") << false << "button" << QStringList{"Alpha", "Bravo"};
    QTest::newRow("Yes deletes") << true << "button" << QStringList{"Alpha"};
    QTest::newRow("Yes from the menu") << true << "menu" << QStringList{"Alpha"};
}

void TestSmsVorlagen::deleteAsks()
{
    QFETCH(bool, yes);
    QFETCH(QString, how);
    QFETCH(QStringList, names);
    Vorlagen v;
    v.Add(1, "Alpha", "Text A");
    v.Add(2, "Bravo", "Text B");
    v.Show();
    v.Select(1);
    v.messages.AnswerNext(yes);
    if (how == "menu")
        v.Action("Lschen1")->trigger();
    else
        v.Tool("ToolButton_Vorlage_Loeschen")->click();
    QCOMPARE(v.messages.Count(), 1);
    QCOMPARE(v.messages.Messages().first().kind, Msg::Kind::WarningQuestion);
    QCOMPARE(v.messages.Texts().first(), u8("Sind Sie sicher, dass Sie die gewählte SMS-Vorlage löschen möchten?"));
    QCOMPARE(v.Names(), names);
    QCOMPARE(v.db.Scalar("SELECT COUNT(*) FROM smsvorlagen WHERE id=2"), QString(yes ? "0" : "1"));
    if (yes) {
        v.VerifyEmptyState();
    } else {
        QCOMPARE(v.Selected(), QList<int>{1});
        QCOMPARE(v.Label("VorlagenName"), QString("Bravo"));
    }
}

void TestSmsVorlagen::withoutSelectionNothingHappens()
{
    Vorlagen v;
    v.Add(1, "Alpha", "Text A");
    v.Show();
    // The current entry of a focused list is no selection.
    v.List()->setFocus();
    v.List()->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    int dialogs = 0;
    OnNextModal([&](QWidget* w) {
        ++dialogs;
        w->close();
    }, 500, false);
    v.Action("Bearbeiten1")->trigger();
    v.Tool("ToolButton_Vorlage_Loeschen")->click();
    QTest::qWait(700);
    ResetModalTimeout();
    QCOMPARE(dialogs, 0);
    QCOMPARE(v.messages.Count(), 0);
    v.VerifyEmptyState();
}

void TestSmsVorlagen::editorRefusals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("no name") << "" << "Text" << u8("Bitte geben Sie einen Namen für diese SMS-Vorlage ein.")
                             << "Bezeichnung";
    QTest::newRow("no name comes first") << "" << "" << u8("Bitte geben Sie einen Namen für diese SMS-Vorlage ein.")
                                         << "Bezeichnung";
    QTest::newRow("no text") << "Name" << "" << u8("Bitte geben Sie einen Sendetext für diese SMS-Vorlage ein.")
                             << "SmsTyp_Text_Sendetext";
}

void TestSmsVorlagen::editorRefusals()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    Vorlagen v;
    v.edit.SetVorlagenId(-1);
    bool stayedOpen = false;
    QString focused;
    OnNextModal([&](QWidget* w) {
        bezeichnung(w)->setText(name);
        sendetext(w)->setPlainText(text);
        button(w, "Btn_OK")->click();
        stayedOpen = w->isVisible();
        focused = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        button(w, "Btn_Abbrechen")->click();
    });
    QCOMPARE(v.edit.exec(), int(QDialog::Rejected));
    QVERIFY(stayedOpen);
    QCOMPARE(v.messages.Texts(), QStringList{message});
    QCOMPARE(v.messages.Messages().first().kind, Msg::Kind::Information);
    QCOMPARE(focused, focus);
    QCOMPARE(v.db.Scalar("SELECT COUNT(*) FROM smsvorlagen"), QString("0"));
}

void TestSmsVorlagen::vanishedRowIsCreatedAnew()
{
    Vorlagen v;
    v.Add(5, "Weg", "bald fort");
    v.edit.SetVorlagenId(5);
    v.db.Exec("DELETE FROM smsvorlagen WHERE id=5");
    QString caption, name, text;
    OnNextModal([&](QWidget* w) {
        caption = w->windowTitle();
        name = bezeichnung(w)->text();
        text = sendetext(w)->toPlainText();
        bezeichnung(w)->setText("Neu");
        sendetext(w)->setPlainText("neuer Text");
        button(w, "Btn_OK")->click();
        if (w->isVisible())
            w->close();
    });
    QCOMPARE(v.edit.exec(), int(QDialog::Accepted));
    QCOMPARE(caption, QString("Neue SMS-Vorlage erstellen"));
    QCOMPARE(name, QString());
    QCOMPARE(text, QString());
    const int id = v.edit.GetVorlagenId();
    QVERIFY(id > 0 && id != 5);
    QCOMPARE(v.db.Scalar("SELECT COUNT(*) FROM smsvorlagen"), QString("1"));
    QCOMPARE(v.db.Scalar(QString("SELECT content FROM smsvorlagen WHERE id=%1").arg(id)), QString("neuer Text"));
}

void TestSmsVorlagen::failedWriteIsRolledBack()
{
    Vorlagen v;
    v.db.Exec("CREATE EXCEPTION e_refused 'refused'");
    v.db.Exec("CREATE TRIGGER t_refuse FOR smsvorlagen BEFORE UPDATE AS BEGIN "
              "IF (NEW.name = 'FAIL') THEN EXCEPTION e_refused; END");
    v.edit.SetVorlagenId(-1);
    bool stayedOpen = false;
    int idAfterFailure = 0;
    OnNextModal([&](QWidget* w) {
        bezeichnung(w)->setText("FAIL");
        sendetext(w)->setPlainText("Text");
        button(w, "Btn_OK")->click();
        stayedOpen = w->isVisible();
        idAfterFailure = v.edit.GetVorlagenId();
        bezeichnung(w)->setText("Gut");
        button(w, "Btn_OK")->click();
        if (w->isVisible())
            w->close();
    });
    QCOMPARE(v.edit.exec(), int(QDialog::Accepted));
    QVERIFY(stayedOpen);
    QCOMPARE(idAfterFailure, -1);
    QCOMPARE(v.messages.Count(), 1);
    QCOMPARE(v.messages.Messages().first().kind, Msg::Kind::Error);
    QVERIFY(v.messages.Texts().first().contains("refused"));
    // The insert of the refused write is gone; the second OK made exactly one template.
    QCOMPARE(v.db.Scalar("SELECT COUNT(*) FROM smsvorlagen"), QString("1"));
    QCOMPARE(v.db.Scalar("SELECT name FROM smsvorlagen"), QString("Gut"));
}

void TestSmsVorlagen::menuAndComposerPickUpChanges()
{
    TestDatabase db;
    ScriptedMessages messages;
    std::unique_ptr<THauptForm> frame{CreateHauptForm()};
    auto* composer = frame->findChild<TSmsForm*>("SmsForm");
    QVERIFY(composer);
    auto* vorlagen = FindChild<QComboBox>(composer, "TextSMS_Vorlagen");
    composer->show();
    QCOMPARE(vorlagen->itemText(0), QString("[keine Vorlagen vorhanden]"));
    QVERIFY(!vorlagen->isEnabled());
    composer->hide();

    QStringList listed;
    OnNextModal([&](QWidget* window) {
        QCOMPARE(window->objectName(), QString("SmsVorlagenForm"));
        OnNextModal([&](QWidget* w) {
            bezeichnung(w)->setText("Termin");
            sendetext(w)->setPlainText("Ihr Termin ist morgen.");
            button(w, "Btn_OK")->click();
        });
        FindChild<QToolButton>(window, "ToolButton_Vorlage_Neu")->click();
        auto* list = FindChild<QListWidget>(window, "ListBox_SmsVorlagen");
        for (int i = 0; i < list->count(); ++i)
            listed.append(list->item(i)->text());
        window->close();
    });
    frame->findChild<QAction*>("SMSVorlagen1")->trigger();
    QCOMPARE(listed, QStringList{"Termin"});

    composer->show();
    QCOMPARE(vorlagen->count(), 1);
    QCOMPARE(vorlagen->itemText(0), QString("Termin"));
    QVERIFY(vorlagen->isEnabled());
    button(composer, "Button_TextSMS_Vorlage_Insert")->click();
    QCOMPARE(FindChild<QPlainTextEdit>(composer, "TextSMS_Sendetext")->toPlainText(),
             QString("Ihr Termin ist morgen."));
    composer->hide();
}

QTEST_MAIN(TestSmsVorlagen)
#include "tst_smsvorlagen.moc"
