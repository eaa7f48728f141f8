#include "TestEnv.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "contacts/KontaktForm.h"
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

namespace {
const QString kMobilFrage = QString::fromUtf8("Die von Ihnen eingegebene Mobilfunknummer scheint nicht gültig zu sein.\n\r"
                                              "Möchten Sie Ihre Eingabe korrigieren?");
const QString kEmailFrage = QString::fromUtf8("Die von Ihnen eingegebene Email-Adresse scheint nicht gültig zu sein.\n\r"
                                              "Möchten Sie Ihre Eingabe korrigieren?");
const QString kKeineMobil = QString::fromUtf8("Sie haben für den Kontakt keine Mobilfunknummer hinterlegt.\n\r"
                                              "Sind Sie sicher, dass Sie fortfahren möchten?");

QLineEdit* edit(QWidget* w, const char* name) { return FindChild<QLineEdit>(w, QLatin1String(name)); }
QPushButton* button(QWidget* w, const char* name) { return FindChild<QPushButton>(w, QLatin1String(name)); }
QListWidget* list(QWidget* w, const char* name) { return FindChild<QListWidget>(w, QLatin1String(name)); }
QStringList items(QListWidget* l)
{
    QStringList out;
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->text();
    return out;
}

// Shows the form modally for `id`, runs `act` inside it and returns the dialog's result.
int runForm(TKontaktForm& form, int id, std::function<void(QWidget*)> act)
{
    form.SetKontaktId(id);
    OnNextModal([act](QWidget* w) {
        QVERIFY(QTest::qWaitForWindowActive(w));
        act(w);
        if (w->isVisible())   // a test that left it open: close without writing
            QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
    });
    return form.exec();
}

QString row(TestDatabase& db, const QString& columns, int id)
{
    return db.Scalar(QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM kontakte WHERE id=") + QString::number(id));
}
}

class TestKontaktForm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetModalTimeout(); }
    void cleanup() { QVERIFY(!ModalTimedOut()); Clock::Set(QDateTime()); }
    void minimalNewContact();
    void mobileNumbersAtOk_data();
    void mobileNumbersAtOk();
    void oneQuestionPerLeavingEvenWhenFocusMovesOn();
    void oneQuestionWhenTheBoxTakesTheFocus_data();
    void oneQuestionWhenTheBoxTakesTheFocus();
    void leavingNormalisesAcceptedNumber();
    void emailIsNeverChanged();
    void refusalShowsTabAndField_data();
    void refusalShowsTabAndField();
    void birthDates_data();
    void birthDates();
    void pickedDateFillsTheField();
    void existingContactRoundTrip();
    void storedTextsAreNeverCut();
    void typingStopsAtTheColumnWidth_data();
    void typingStopsAtTheColumnWidth();
    void sendFlags_data();
    void sendFlags();
    void groupListsCollapseDuplicatesAndDeletedGroups();
    void moves();
    void readOnlyWritesNothing();
    void laterShowingsStartAfresh();
    void missingSalutationIsRefused();
    void vanishedContactBecomesNew();
    void failedUpdateLeavesNoRowAndStaysNew();
    void failedRewriteKeepsGroups();
};

void TestKontaktForm::minimalNewContact()
{
    TestDatabase db;
    ScriptedMessages messages;
    Clock::Set(QDateTime(QDate(2026, 3, 4), QTime(10, 0)));
    TKontaktForm form;
    QString caption, salutation, lastSend;
    const int rc = runForm(form, -1, [&](QWidget* w) {
        caption = w->windowTitle();
        salutation = FindChild<QComboBox>(w, "Geschlecht")->currentText();
        lastSend = FindChild<QLabel>(w, "LastSend")->text();
        QVERIFY(QApplication::focusWidget() == FindChild<QComboBox>(w, "Geschlecht"));
        QVERIFY(edit(w, "Geburtsdatum")->text().isEmpty());
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(rc, int(QDialog::Accepted));
    QCOMPARE(caption, QString("Neuen Kontakt anlegen (Unbenannt)"));
    QCOMPARE(salutation, QString("keine Angabe"));
    QCOMPARE(lastSend, QString("An diesen Kontakt wurde noch nie eine SMS versendet."));
    QCOMPARE(messages.Texts(), QStringList{kKeineMobil});
    const int id = form.GetKontaktId();
    QVERIFY(id > 0);
    QCOMPARE(row(db, "geschlecht||'|'||vorname||nachname||firma||kdnr||mobil||email||p_land||f_ort||'|'||"
                     "mobil_send||email_send", id), QString("1||11"));
    QCOMPARE(row(db, "COALESCE(CAST(geburtsdatum AS VARCHAR(20)),'NULL')", id), QString("NULL"));
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kontakte"), QString("1"));
}

void TestKontaktForm::mobileNumbersAtOk_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("questions");
    QTest::newRow("national") << "0171 1234567" << true << "00491711234567" << QStringList();
    QTest::newRow("plus form") << "+43 664 1234567" << true << "00436641234567" << QStringList();
    QTest::newRow("refused, kept") << "12" << false << "12" << QStringList{kMobilFrage};
    QTest::newRow("letters, kept") << "keine Nummer" << false << "keine Nummer" << QStringList{kMobilFrage};
    QTest::newRow("empty confirmed") << "" << true << "" << QStringList{kKeineMobil};
    // The normal form is longer than the national one; the column holds 30 characters.
    const QString fits = "0171" + QString(23, '5'), tooLong = "0171" + QString(26, '5');
    QTest::newRow("normal form of 30 fits") << fits << true << "0049171" + QString(23, '5') << QStringList();
    QTest::newRow("normal form beyond 30 refused, kept") << tooLong << false << tooLong << QStringList{kMobilFrage};
}

void TestKontaktForm::mobileNumbersAtOk()
{
    QFETCH(QString, typed);
    QFETCH(bool, answer);
    QFETCH(QString, stored);
    QFETCH(QStringList, questions);
    TestDatabase db;
    ScriptedMessages messages;
    messages.AnswerNext(answer);
    TKontaktForm form;
    const int rc = runForm(form, -1, [&](QWidget* w) {
        edit(w, "Nachname")->setText("Muster");
        edit(w, "Mobil")->setText(typed);
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(rc, int(QDialog::Accepted));
    QCOMPARE(messages.Texts(), questions);
    // The empty number is an information with Yes and No; a doubtful one a question.
    for (const auto& m : messages.Messages())
        QCOMPARE(m.kind, m.text == kKeineMobil ? Msg::Kind::InformationQuestion : Msg::Kind::Question);
    QCOMPARE(row(db, "mobil", form.GetKontaktId()), stored);
}

void TestKontaktForm::oneQuestionPerLeavingEvenWhenFocusMovesOn()
{
    TestDatabase db;
    ScriptedMessages messages;
    TKontaktForm form;
    QWidget* focusAfter = nullptr;
    QStringList asked;
    const int rc = runForm(form, -1, [&](QWidget* w) {
        edit(w, "Email")->setText("kein@");
        edit(w, "Mobil")->setFocus();
        QTest::keyClicks(edit(w, "Mobil"), "12");
        // Leaving for the (also doubtful) e-mail field: Yes puts the focus back without
        // the e-mail field asking on its way out.
        messages.AnswerNext(true);
        QTest::mouseClick(edit(w, "Email"), Qt::LeftButton);
        QTRY_VERIFY(QApplication::focusWidget() == edit(w, "Mobil"));   // given back after the click
        focusAfter = QApplication::focusWidget();
        asked = messages.Texts();
        messages.Clear();
        // Leaving with Tab, answer No: the text stays, one question.
        messages.AnswerNext(false);
        QTest::keyClick(edit(w, "Mobil"), Qt::Key_Tab);
        QCOMPARE(messages.Texts(), QStringList{kMobilFrage});
        QCOMPARE(edit(w, "Mobil")->text(), QString("12"));
        messages.Clear();
        // OK asks again for the number and for the address; No keeps both.
        messages.AnswerNext(false);
        messages.AnswerNext(false);
        QTest::mouseClick(button(w, "Btn_OK"), Qt::LeftButton);
    });
    QCOMPARE(asked, QStringList{kMobilFrage});
    QVERIFY(focusAfter == edit(&form, "Mobil"));
    QCOMPARE(rc, int(QDialog::Accepted));
    QCOMPARE(messages.Texts(), (QStringList{kMobilFrage, kEmailFrage}));
    QCOMPARE(row(db, "mobil||'|'||email", form.GetKontaktId()), QString("12|kein@"));
}

void TestKontaktForm::oneQuestionWhenTheBoxTakesTheFocus_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<bool>("open");
    const QStringList mobil{kMobilFrage}, email{kEmailFrage};
    QTest::newRow("Enter in Mobil, correct") << "Mobil" << "enter" << true << mobil << true;
    QTest::newRow("Enter in Mobil, keep") << "Mobil" << "enter" << false << mobil << false;
    QTest::newRow("Alt+O in Mobil, keep") << "Mobil" << "alt+o" << false << mobil << false;
    QTest::newRow("Alt+O in Email, correct") << "Email" << "alt+o" << true << email << true;
    QTest::newRow("Tab out of Mobil, correct") << "Mobil" << "tab" << true << mobil << true;
    QTest::newRow("Tab out of Email, keep") << "Email" << "tab" << false << email << true;
    QTest::newRow("mouse on OK from Email, correct") << "Email" << "mouse" << true << email << true;
    QTest::newRow("mouse on OK from Mobil, correct") << "Mobil" << "mouse" << true << mobil << true;
    QTest::newRow("other tab from Mobil, correct") << "Mobil" << "page" << true << mobil << true;
    QTest::newRow("other tab from Email, keep") << "Email" << "page" << false << email << true;
}

// Each box takes the focus as a real one does, and gives it back when it closes.
void TestKontaktForm::oneQuestionWhenTheBoxTakesTheFocus()
{
    QFETCH(QString, field);
    QFETCH(QString, action);
    QFETCH(bool, yes);
    QFETCH(QStringList, questions);
    QFETCH(bool, open);
    TestDatabase db;
    ScriptedMessages messages;
    messages.SetDefaultAnswer(yes);
    TKontaktForm form;
    messages.OnMessage([&](const ScriptedMessages::Entry&) {
        QWidget box;
        box.setWindowTitle("box");
        box.show();
        box.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        box.hide();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    });
    QWidget* focusAfter = nullptr;
    bool stayedOpen = false;
    runForm(form, -1, [&](QWidget* w) {
        // Both doubtful: only the field left (or OK's first refusal) may ask.
        edit(w, "Mobil")->setText(field == "Mobil" ? "12" : "01711234567");
        edit(w, "Email")->setText(field == "Email" ? "kein@" : "a@b.de");
        QLineEdit* e = edit(w, qPrintable(field));
        e->setFocus();
        QTRY_VERIFY(e->hasFocus());
        if (action == "enter")
            QTest::keyClick(e, Qt::Key_Return);
        else if (action == "alt+o")
            QTest::keyClick(e, Qt::Key_O, Qt::AltModifier);
        else if (action == "tab")
            QTest::keyClick(e, Qt::Key_Tab);
        else if (action == "page")
            FindChild<QTabWidget>(w, "PageControl")->setCurrentIndex(1);
        else
            QTest::mouseClick(button(w, "Btn_OK"), Qt::LeftButton);
        // A shortcut clicks its button a moment later: wait until the click is over, and for
        // the field that the user chose to correct to get the focus back.
        QTRY_VERIFY(!button(w, "Btn_OK")->isDown());
        if (open && yes)
            QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(e));
        stayedOpen = w->isVisible();
        focusAfter = QApplication::focusWidget();
    });
    QCOMPARE(messages.Texts(), questions);
    QCOMPARE(stayedOpen, open);
    if (open && yes) {
        QCOMPARE(focusAfter, static_cast<QWidget*>(edit(&form, qPrintable(field))));
        QCOMPARE(FindChild<QTabWidget>(&form, "PageControl")->currentIndex(), 0);
    }
}

void TestKontaktForm::leavingNormalisesAcceptedNumber()
{
    TestDatabase db;
    ScriptedMessages messages;
    TKontaktForm form;
    QString shown, caption;
    runForm(form, -1, [&](QWidget* w) {
        edit(w, "Vorname")->setFocus();
        QTest::keyClicks(edit(w, "Vorname"), "Anna");
        QTest::keyClick(edit(w, "Vorname"), Qt::Key_Tab);
        caption = w->windowTitle();
        edit(w, "Mobil")->setFocus();
        QTest::keyClicks(edit(w, "Mobil"), "0171/1234567");
        QTest::keyClick(edit(w, "Mobil"), Qt::Key_Tab);
        shown = edit(w, "Mobil")->text();
        // A number whose normal form the field cannot hold is asked about, never cut.
        messages.AnswerNext(false);
        edit(w, "Mobil")->setFocus();
        edit(w, "Mobil")->setText("0171" + QString(26, '5'));
        QTest::keyClick(edit(w, "Mobil"), Qt::Key_Tab);
        QCOMPARE(edit(w, "Mobil")->text(), "0171" + QString(26, '5'));
    });
    QCOMPARE(caption, QString("Neuen Kontakt anlegen (Anna)"));
    QCOMPARE(shown, QString("00491711234567"));
    QCOMPARE(messages.Texts(), QStringList{kMobilFrage});
}

void TestKontaktForm::emailIsNeverChanged()
{
    TestDatabase db;
    ScriptedMessages messages;
    messages.AnswerNext(false);
    TKontaktForm form;
    runForm(form, -1, [&](QWidget* w) {
        edit(w, "Mobil")->setText("01711234567");
        edit(w, "Email")->setText(" Anna@Example.org ");
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(messages.Texts(), QStringList{kEmailFrage});
    QCOMPARE(row(db, "email", form.GetKontaktId()), QString(" Anna@Example.org "));
}

void TestKontaktForm::refusalShowsTabAndField_data()
{
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("tabWhenAsked");   // the salutation, empty number and date switch first
    QTest::newRow("salutation") << "salutation" << "Geschlecht" << 0;
    QTest::newRow("empty number, No") << "empty" << "Mobil" << 0;
    QTest::newRow("doubtful number, correct") << "mobil" << "Mobil" << 3;
    QTest::newRow("doubtful address, correct") << "email" << "Email" << 3;
    QTest::newRow("birth date") << "date" << "Geburtsdatum" << 0;
}

void TestKontaktForm::refusalShowsTabAndField()
{
    QFETCH(QString, check);
    QFETCH(QString, field);
    QFETCH(int, tabWhenAsked);
    TestDatabase db;
    db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'A')");
    db.Exec(QString("INSERT INTO kontakte (id, geschlecht, mobil, email, geburtsdatum) VALUES (1, %1, '%2', '%3', NULL)")
                .arg(check == "salutation" ? "NULL" : "1")
                .arg(check == "empty" ? "" : check == "mobil" ? "12" : "00491711234567")
                .arg(check == "email" ? "kein@" : ""));
    ScriptedMessages messages;
    messages.SetDefaultAnswer(check != "empty");   // No keeps the empty number from being stored
    int tabAsked = -1;
    TKontaktForm form;
    int tab = -1;
    QWidget* focus = nullptr;
    bool stayedOpen = false, selected = false;
    runForm(form, 1, [&](QWidget* w) {
        auto* tabs = FindChild<QTabWidget>(w, "PageControl");
        messages.OnMessage([&](const ScriptedMessages::Entry&) { tabAsked = tabs->currentIndex(); });
        if (check == "date")
            edit(w, "Geburtsdatum")->setText("31.02.2003");
        tabs->setCurrentIndex(3);
        list(w, "ListBox_KategorienVerfuegbare")->setFocus();
        QTest::keyClick(list(w, "ListBox_KategorienVerfuegbare"), Qt::Key_Return);   // the default button
        stayedOpen = w->isVisible();
        tab = tabs->currentIndex();
        focus = QApplication::focusWidget();
        selected = edit(w, "Geburtsdatum")->selectedText() == "31.02.2003";
    });
    QCOMPARE(messages.Count(), 1);
    QVERIFY(stayedOpen);
    QCOMPARE(tabAsked, tabWhenAsked);
    QCOMPARE(tab, 0);
    QCOMPARE(focus ? focus->objectName() : QString(), field);
    QCOMPARE(selected, check == "date");
}

void TestKontaktForm::birthDates_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");   // "" = refused
    QTest::newRow("six digits") << "010203" << "1903-02-01";
    QTest::newRow("eight digits") << "01022003" << "2003-02-01";
    QTest::newRow("commas") << "1,2,2003" << "2003-02-01";
    QTest::newRow("short dots") << "1.2.03" << "2003-02-01";
    QTest::newRow("no such day") << "31.02.2003" << "";
    QTest::newRow("hyphens") << "1-2-2003" << "";
}

void TestKontaktForm::birthDates()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    TestDatabase db;
    ScriptedMessages messages;
    TKontaktForm form;
    bool stayedOpen = false, selected = false;
    const int rc = runForm(form, -1, [&](QWidget* w) {
        edit(w, "Mobil")->setText("01711234567");
        edit(w, "Geburtsdatum")->setText(typed);
        button(w, "Btn_OK")->click();
        stayedOpen = w->isVisible();
        selected = edit(w, "Geburtsdatum")->selectedText() == typed;
    });
    if (stored.isEmpty()) {
        QCOMPARE(rc, int(QDialog::Rejected));
        QVERIFY(stayedOpen);
        QVERIFY(selected);
        QCOMPARE(messages.Texts(), QStringList{QString::fromUtf8(
            "Bitte geben Sie ein gültiges Geburtsdatum ein oder lassen Sie dieses Feld frei.")});
        QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kontakte"), QString("0"));
        return;
    }
    QCOMPARE(rc, int(QDialog::Accepted));
    QCOMPARE(row(db, "CAST(geburtsdatum AS VARCHAR(20))", form.GetKontaktId()), stored);
    QString shown;
    runForm(form, form.GetKontaktId(), [&](QWidget* w) { shown = edit(w, "Geburtsdatum")->text(); });
    QCOMPARE(shown, QDate::fromString(stored, Qt::ISODate).toString("dd.MM.yyyy"));
}

void TestKontaktForm::pickedDateFillsTheField()
{
    TestDatabase db;
    ScriptedMessages messages;
    TKontaktForm form;
    runForm(form, -1, [&](QWidget* w) {
        edit(w, "Mobil")->setText("01711234567");
        FindChild<QToolButton>(w, "DateTimePicker_Geburtsdatum")->click();
        auto* calendar = FindChild<QCalendarWidget>(w, "Calendar_Geburtsdatum");
        QVERIFY(calendar->isVisible());
        emit calendar->clicked(QDate(1980, 5, 17));
        QCOMPARE(edit(w, "Geburtsdatum")->text(), QString("17.05.1980"));
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(row(db, "CAST(geburtsdatum AS VARCHAR(20))", form.GetKontaktId()), QString("1980-05-17"));
}

void TestKontaktForm::existingContactRoundTrip()
{
    TestDatabase db;
    db.Exec("INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, kdnr, mobil, email, p_land, f_land, "
            "p_ort, f_webseite, mobil_lastsend) VALUES (3, 3, 'Eva', 'Muster', 'ACME', 'K-1', '00491711234567', "
            "'eva@example.org', 'deutschland', 'Atlantis', 'Köln', 'www.acme.example', '2025-12-24 18:30:05')");
    ScriptedMessages messages;
    TKontaktForm form;
    QString caption, salutation, pLand, fLand, lastSend;
    const int rc = runForm(form, 3, [&](QWidget* w) {
        caption = w->windowTitle();
        salutation = FindChild<QComboBox>(w, "Geschlecht")->currentText();
        pLand = FindChild<QComboBox>(w, "P_Land")->currentText();
        fLand = FindChild<QComboBox>(w, "F_Land")->currentText();
        lastSend = FindChild<QLabel>(w, "LastSend")->text();
        QCOMPARE(FindChild<QComboBox>(w, "P_Land")->count(), 239);
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(rc, int(QDialog::Accepted));
    QCOMPARE(caption, QString("Kontakt editieren (Eva Muster)"));
    QCOMPARE(salutation, QString("Frau"));
    QCOMPARE(pLand, QString("Deutschland"));
    QCOMPARE(fLand, QString("Atlantis"));
    QCOMPARE(lastSend, QString("An diesen Kontakt wurde zuletzt am 24.12.2025 um 18:30:05 eine SMS-Nachricht versendet."));
    QCOMPARE(messages.Count(), 0);
    QCOMPARE(form.GetKontaktId(), 3);
    QCOMPARE(row(db, "geschlecht||vorname||nachname||firma||kdnr||mobil||email||p_land||f_land||p_ort||f_webseite", 3),
             QString::fromUtf8("3EvaMusterACMEK-100491711234567eva@example.orgDeutschlandAtlantisKölnwww.acme.example"));
    QCOMPARE(row(db, "CAST(mobil_lastsend AS VARCHAR(30))", 3).left(19), QString("2025-12-24 18:30:05"));
}

void TestKontaktForm::storedTextsAreNeverCut()
{
    // The columns count characters; a character beyond the first plane is two UTF-16 units.
    const QString face = QString::fromUtf8("\U0001F600");
    const QString name = face.repeated(60), land = face.repeated(59) + "x", mobil = QString(30, '7');
    TestDatabase db;
    {
        QSqlQuery q = db.Modul()->Query();
        q.prepare("INSERT INTO kontakte (id, vorname, p_land, mobil) VALUES (1, ?, ?, ?)");
        q.addBindValue(name);
        q.addBindValue(land);
        q.addBindValue(mobil);
        QVERIFY(q.exec());
        db.Modul()->Commit();
    }
    ScriptedMessages messages;
    messages.SetDefaultAnswer(false);   // the number stays as it is
    TKontaktForm form;
    QString shownName, shownLand, afterTyping, typedNachname;
    const int rc = runForm(form, 1, [&](QWidget* w) {
        shownName = edit(w, "Vorname")->text();
        shownLand = FindChild<QComboBox>(w, "P_Land")->currentText();
        QTest::keyClicks(edit(w, "Vorname"), "a");   // full: nothing more goes in
        afterTyping = edit(w, "Vorname")->text();
        edit(w, "Nachname")->setFocus();
        for (int i = 0; i < 3; ++i) {   // QTest types ASCII only
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, face);
            QApplication::sendEvent(edit(w, "Nachname"), &press);
        }
        QTest::keyClicks(edit(w, "Nachname"), QString(70, 'n'));
        typedNachname = edit(w, "Nachname")->text();
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(rc, int(QDialog::Accepted));
    QCOMPARE(shownName, name);
    QCOMPARE(shownLand, land);
    QCOMPARE(afterTyping, name);
    QCOMPARE(typedNachname, face.repeated(3) + QString(57, 'n'));
    QSqlQuery q = db.Modul()->Run("SELECT vorname, p_land, mobil, nachname FROM kontakte WHERE id=1");
    QVERIFY(q.next());
    QCOMPARE(TDatenModul::TextValue(q.value(0)), name);
    QCOMPARE(TDatenModul::TextValue(q.value(1)), land);
    QCOMPARE(TDatenModul::TextValue(q.value(2)), mobil);
    QCOMPARE(TDatenModul::TextValue(q.value(3)), typedNachname);
}

void TestKontaktForm::typingStopsAtTheColumnWidth_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QChar>("key");
    const char* const general[][2] = {{"Vorname", "vorname"}, {"Nachname", "nachname"}, {"Firma", "firma"},
                                      {"KdNr", "kdnr"}, {"Email", "email"}};
    for (const auto& [field, column] : general)
        QTest::newRow(field) << QString(field) << QString(column) << QChar('x');
    QTest::newRow("Mobil") << "Mobil" << "mobil" << QChar('7');
    for (const char* prefix : {"P_", "F_"}) {
        const char* const address[][2] = {{"Strasse", "strasse"}, {"PLZ", "plz"}, {"Ort", "ort"}, {"Land", "land"},
                                          {"Telefon", "telefon"}, {"Telefax", "telefax"}, {"Webseite", "webseite"}};
        for (const auto& [field, column] : address) {
            const QString name = QString(prefix) + field;
            QTest::newRow(qPrintable(name)) << name << QString(prefix).toLower() + column << QChar('1');
        }
    }
}

void TestKontaktForm::typingStopsAtTheColumnWidth()
{
    QFETCH(QString, field);
    QFETCH(QString, column);
    QFETCH(QChar, key);
    TestDatabase db;
    // The width as the table declares it, not as the program believes it to be.
    const int width = db.Scalar("SELECT f.RDB$CHARACTER_LENGTH FROM RDB$RELATION_FIELDS rf JOIN RDB$FIELDS f "
                                "ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE WHERE rf.RDB$RELATION_NAME = 'KONTAKTE' "
                                "AND rf.RDB$FIELD_NAME = '" + column.toUpper() + "'").toInt();
    QVERIFY(width > 0);
    ScriptedMessages messages;
    messages.SetDefaultAnswer(false);   // a doubtful number or address stays as it is
    TKontaktForm form;
    QString typed;
    const int rc = runForm(form, -1, [&](QWidget* w) {
        if (field != "Mobil")
            edit(w, "Mobil")->setText("0171 1234567");
        auto* box = w->findChild<QComboBox*>(field);
        QLineEdit* e = box ? box->lineEdit() : edit(w, qPrintable(field));
        QVERIFY(e);
        auto* tabs = FindChild<QTabWidget>(w, "PageControl");
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->widget(i)->isAncestorOf(e))
                tabs->setCurrentIndex(i);
        e->setFocus();
        QTest::keyClicks(e, QString(width + 3, key));
        typed = e->text();
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(typed, QString(width, key));
    QCOMPARE(rc, int(QDialog::Accepted));
    QCOMPARE(row(db, column, form.GetKontaktId()), typed);
}

void TestKontaktForm::sendFlags_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("toggle");
    QTest::addColumn<QString>("written");
    QTest::newRow("0 checked") << "0" << true << false << "0";
    QTest::newRow("NULL checked") << "NULL" << true << false << "0";
    QTest::newRow("2 unchecked, written 1") << "2" << false << false << "1";
    QTest::newRow("1 unchecked, checking writes 0") << "1" << false << true << "0";
    QTest::newRow("0, unchecking writes 1") << "0" << true << true << "1";
}

void TestKontaktForm::sendFlags()
{
    QFETCH(QString, stored);
    QFETCH(bool, checked);
    QFETCH(bool, toggle);
    QFETCH(QString, written);
    TestDatabase db;
    db.Exec(QString("INSERT INTO kontakte (id, mobil, mobil_send, email_send) VALUES (1, '00491711234567', %1, %1)").arg(stored));
    ScriptedMessages messages;
    TKontaktForm form;
    bool sms = !checked, mail = !checked;
    runForm(form, 1, [&](QWidget* w) {
        auto* a = FindChild<QCheckBox>(w, "NieAnschreibenSMS");
        auto* b = FindChild<QCheckBox>(w, "NieAnschreibenEmail");
        sms = a->isChecked();
        mail = b->isChecked();
        if (toggle) {
            a->click();
            b->click();
        }
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(sms, checked);
    QCOMPARE(mail, checked);
    QCOMPARE(row(db, "mobil_send||'|'||email_send", 1), written + "|" + written);
}

void TestKontaktForm::groupListsCollapseDuplicatesAndDeletedGroups()
{
    TestDatabase db;
    db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'Beta')");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (2, 'Alpha')");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (3, 'Gamma')");
    db.Exec("INSERT INTO kontakte (id, mobil) VALUES (1, '00491711234567')");
    for (int k : {1, 1, 99})
        db.Exec(QString("INSERT INTO katzuord (kontakt, kategorie) VALUES (1, %1)").arg(k));
    ScriptedMessages messages;
    TKontaktForm form;
    QStringList mine, available;
    runForm(form, 1, [&](QWidget* w) {
        mine = items(list(w, "ListBox_KategorienKontakt"));
        available = items(list(w, "ListBox_KategorienVerfuegbare"));
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(mine, QStringList{"Beta"});
    QCOMPARE(available, (QStringList{"Alpha", "Gamma"}));
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM katzuord WHERE kontakt=1"), QString("1"));
    QCOMPARE(db.Scalar("SELECT kategorie FROM katzuord WHERE kontakt=1"), QString("1"));
}

void TestKontaktForm::moves()
{
    TestDatabase db;
    db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'A')");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (2, 'B')");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (3, 'C')");
    ScriptedMessages messages;
    TKontaktForm form;
    runForm(form, -1, [&](QWidget* w) {
        auto* mine = list(w, "ListBox_KategorienKontakt");
        auto* avail = list(w, "ListBox_KategorienVerfuegbare");
        button(w, "Btn_KategorienVerfuegbare")->click();        // ">" with nothing selected
        button(w, "Btn_KategorienVerfuegbareAll")->click();     // ">>" on an empty list
        QCOMPARE(items(avail), (QStringList{"A", "B", "C"}));
        avail->setCurrentRow(2);
        button(w, "Btn_KategorienKontakt")->click();            // "<" moves C
        button(w, "Btn_KategorienKontaktAll")->click();         // "<<" appends A, B in order
        QCOMPARE(items(mine), (QStringList{"C", "A", "B"}));
        QVERIFY(items(avail).isEmpty());
        button(w, "Btn_KategorienKontaktAll")->click();         // nothing left
        mine->setCurrentRow(0);
        button(w, "Btn_KategorienVerfuegbare")->click();        // ">" moves C back, at the end
        QCOMPARE(items(avail), QStringList{"C"});
        avail->setCurrentRow(0);
        emit avail->itemDoubleClicked(avail->item(0));          // double click = "<"
        QCOMPARE(items(mine), (QStringList{"A", "B", "C"}));
        mine->setCurrentRow(1);
        emit mine->itemDoubleClicked(mine->item(1));            // double click = ">" of the selected
        edit(w, "Mobil")->setText("01711234567");
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(db.Scalar(QString("SELECT LIST(kategorie) FROM (SELECT kategorie FROM katzuord WHERE kontakt=%1 "
                               "ORDER BY id)").arg(form.GetKontaktId())), QString("1,3"));
}

void TestKontaktForm::readOnlyWritesNothing()
{
    TestDatabase db;
    db.Exec("INSERT INTO kontakte (id, vorname, mobil) VALUES (1, 'Eva', '12')");
    ScriptedMessages messages;
    TKontaktForm form;
    form.SetReadOnly(true);
    QStringList enabled;
    QWidget* focus = nullptr;
    const int rc = runForm(form, 1, [&](QWidget* w) {
        for (QWidget* c : w->findChildren<QWidget*>())
            if (!c->objectName().isEmpty() && c->isEnabled() && (qobject_cast<QLineEdit*>(c) || qobject_cast<QComboBox*>(c)
                || qobject_cast<QCheckBox*>(c) || qobject_cast<QListWidget*>(c) || qobject_cast<QPushButton*>(c)
                || qobject_cast<QToolButton*>(c)))
                enabled << c->objectName();
        focus = QApplication::focusWidget();
        FindChild<QTabWidget>(w, "PageControl")->setCurrentIndex(3);   // tabs stay usable
        QTest::mouseClick(button(w, "Btn_Abbrechen"), Qt::LeftButton);
    });
    form.SetReadOnly(false);
    QCOMPARE(rc, int(QDialog::Rejected));
    enabled.removeIf([](const QString& name) { return name.startsWith("qt_") || name.startsWith("Scroll"); });
    QCOMPARE(enabled, QStringList{"Btn_Abbrechen"});
    QVERIFY(focus != FindChild<QComboBox>(&form, "Geschlecht"));
    QCOMPARE(messages.Count(), 0);   // no leaving checks on a read-only number either
    QCOMPARE(row(db, "vorname||mobil", 1), QString("Eva12"));
}

void TestKontaktForm::laterShowingsStartAfresh()
{
    TestDatabase db;
    db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'A')");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (2, 'B')");
    db.Exec("INSERT INTO kontakte (id, geschlecht, vorname, mobil, p_land, geburtsdatum) "
            "VALUES (1, 3, 'Eva', '12', 'Atlantis', '1980-05-17')");
    db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (1, 2)");
    ScriptedMessages messages;
    messages.SetDefaultAnswer(false);
    TKontaktForm form;
    // First showing: the user changes things everywhere, a check fails, then Abbrechen.
    runForm(form, 1, [&](QWidget* w) {
        FindChild<QComboBox>(w, "F_Land")->setEditText("Nirgendwo");
        edit(w, "Geburtsdatum")->setText("kein Datum");
        button(w, "Btn_OK")->click();   // refused: birth date (number kept with No)
        QVERIFY(w->isVisible());
        list(w, "ListBox_KategorienVerfuegbare")->setCurrentRow(0);
        FindChild<QTabWidget>(w, "PageControl")->setCurrentIndex(3);
        button(w, "Btn_Abbrechen")->click();
    });
    messages.Clear();
    // Second showing, a new contact: nothing of the first remains.
    QString caption, pLand, fLand, geburtsdatum, mobil, vorname;
    QStringList mine, available;
    int tab = -1;
    QWidget* focus = nullptr;
    runForm(form, -1, [&](QWidget* w) {
        caption = w->windowTitle();
        pLand = FindChild<QComboBox>(w, "P_Land")->currentText();
        fLand = FindChild<QComboBox>(w, "F_Land")->currentText();
        geburtsdatum = edit(w, "Geburtsdatum")->text();
        mobil = edit(w, "Mobil")->text();
        vorname = edit(w, "Vorname")->text();
        mine = items(list(w, "ListBox_KategorienKontakt"));
        available = items(list(w, "ListBox_KategorienVerfuegbare"));
        tab = FindChild<QTabWidget>(w, "PageControl")->currentIndex();
        focus = QApplication::focusWidget();
    });
    QCOMPARE(caption, QString("Neuen Kontakt anlegen (Unbenannt)"));
    QCOMPARE(pLand, QString());
    QCOMPARE(fLand, QString());
    QCOMPARE(geburtsdatum, QString());
    QCOMPARE(mobil, QString());
    QCOMPARE(vorname, QString());
    QVERIFY(mine.isEmpty());
    QCOMPARE(available, (QStringList{"A", "B"}));
    QCOMPARE(tab, 0);
    QCOMPARE(focus, static_cast<QWidget*>(FindChild<QComboBox>(&form, "Geschlecht")));
    // Third showing of the same contact: as stored, nothing of the first showing's edits.
    runForm(form, 1, [&](QWidget* w) {
        fLand = FindChild<QComboBox>(w, "F_Land")->currentText();
        geburtsdatum = edit(w, "Geburtsdatum")->text();
        mine = items(list(w, "ListBox_KategorienKontakt"));
    });
    QCOMPARE(fLand, QString());
    QCOMPARE(geburtsdatum, QString("17.05.1980"));
    QCOMPARE(mine, QStringList{"B"});
    QCOMPARE(messages.Count(), 0);
    QCOMPARE(row(db, "vorname||mobil||p_land", 1), QString("Eva12Atlantis"));
}

void TestKontaktForm::missingSalutationIsRefused()
{
    TestDatabase db;
    db.Exec("INSERT INTO kontakte (id, geschlecht, mobil) VALUES (1, NULL, '00491711234567')");
    ScriptedMessages messages;
    TKontaktForm form;
    int index = 0;
    bool stayedOpen = false;
    const int rc = runForm(form, 1, [&](QWidget* w) {
        auto* g = FindChild<QComboBox>(w, "Geschlecht");
        index = g->currentIndex();
        button(w, "Btn_OK")->click();
        stayedOpen = w->isVisible();
        g->setCurrentIndex(0);   // "Herr"
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(index, -1);
    QVERIFY(stayedOpen);
    QCOMPARE(rc, int(QDialog::Accepted));
    QCOMPARE(messages.Count(), 1);
    QVERIFY(messages.Texts().first().startsWith(QString::fromUtf8("Bitte wählen Sie ein Geschlecht")));
    QCOMPARE(row(db, "geschlecht", 1), QString("2"));
}

void TestKontaktForm::vanishedContactBecomesNew()
{
    TestDatabase db;
    db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'A')");
    db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (77, 1)");   // left behind
    ScriptedMessages messages;
    messages.SetDefaultAnswer(true);
    TKontaktForm form;
    QString caption;
    QStringList mine, available;
    const int rc = runForm(form, 77, [&](QWidget* w) {
        caption = w->windowTitle();
        mine = items(list(w, "ListBox_KategorienKontakt"));
        available = items(list(w, "ListBox_KategorienVerfuegbare"));
        button(w, "Btn_OK")->click();
    });
    QVERIFY(mine.isEmpty());
    QCOMPARE(available, QStringList{"A"});
    QCOMPARE(rc, int(QDialog::Accepted));
    QCOMPARE(caption, QString("Neuen Kontakt anlegen (Unbenannt)"));
    QCOMPARE(messages.Texts().first(), QString::fromUtf8(
        "Dieser Eintrag wurde zwischenzeitlich von einem anderen Benutzer verschoben oder gelöscht."));
    QVERIFY(form.GetKontaktId() > 0 && form.GetKontaktId() != 77);
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kontakte"), QString("1"));
}

void TestKontaktForm::failedUpdateLeavesNoRowAndStaysNew()
{
    TestDatabase db;
    db.Exec("CREATE EXCEPTION e_refused 'refused'");
    db.Exec("CREATE TRIGGER t_refuse FOR kontakte BEFORE UPDATE AS BEGIN "
            "IF (NEW.vorname = 'FAIL') THEN EXCEPTION e_refused; END");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'A')");
    ScriptedMessages messages;
    TKontaktForm form;
    int idAfterFailure = 0;
    bool stayedOpen = false;
    const int rc = runForm(form, -1, [&](QWidget* w) {
        edit(w, "Vorname")->setText("FAIL");
        edit(w, "Mobil")->setText("01711234567");
        button(w, "Btn_KategorienKontaktAll")->click();
        button(w, "Btn_OK")->click();
        stayedOpen = w->isVisible();
        idAfterFailure = form.GetKontaktId();
        QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kontakte"), QString("0"));
        edit(w, "Vorname")->setText("Gut");
        button(w, "Btn_OK")->click();
    });
    QVERIFY(stayedOpen);
    QCOMPARE(idAfterFailure, -1);
    QCOMPARE(rc, int(QDialog::Accepted));
    QCOMPARE(messages.Count(), 1);
    QCOMPARE(messages.Messages().first().kind, Msg::Kind::Error);
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kontakte"), QString("1"));
    QCOMPARE(db.Scalar("SELECT vorname FROM kontakte"), QString("Gut"));
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM katzuord"), QString("1"));
}

void TestKontaktForm::failedRewriteKeepsGroups()
{
    TestDatabase db;
    db.Exec("CREATE EXCEPTION e_refused 'refused'");
    db.Exec("CREATE TRIGGER t_refuse FOR katzuord BEFORE INSERT AS BEGIN "
            "IF (NEW.kategorie = 2) THEN EXCEPTION e_refused; END");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (1, 'A')");
    db.Exec("INSERT INTO kategorien (id, name) VALUES (2, 'B')");
    db.Exec("INSERT INTO kontakte (id, vorname, mobil) VALUES (1, 'Eva', '00491711234567')");
    db.Exec("INSERT INTO katzuord (kontakt, kategorie) VALUES (1, 1)");
    ScriptedMessages messages;
    TKontaktForm form;
    const int rc = runForm(form, 1, [&](QWidget* w) {
        edit(w, "Vorname")->setText("Evi");
        button(w, "Btn_KategorienKontaktAll")->click();
        button(w, "Btn_OK")->click();
        QVERIFY(w->isVisible());
    });
    QCOMPARE(rc, int(QDialog::Rejected));
    QCOMPARE(messages.Count(), 1);
    // A later commit of another operation must not make the half-done write permanent.
    db.Exec("INSERT INTO kategorien (id, name) VALUES (3, 'C')");
    QCOMPARE(row(db, "vorname", 1), QString("Eva"));
    QCOMPARE(db.Scalar("SELECT LIST(kategorie) FROM katzuord WHERE kontakt=1"), QString("1"));
    QCOMPARE(form.GetKontaktId(), 1);
}

QTEST_MAIN(TestKontaktForm)
#include "tst_kontaktform.moc"
