#include "FakeGateway.h"
#include "TestEnv.h"
#include "TestProgram.h"
#include "TestSession.h"
#include "app/HauptForm.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "sms/EmpfaengerAuswaehlenForm.h"
#include "sms/SmsForm.h"
#include "sms/SmsVersandStatusForm.h"
#include "sms/SmsVersandZeitgesteuertForm.h"
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {
const QString kPath = QStringLiteral("/sms/http2sms.jsp");
// With seconds: the prefilled time of day (without them) lies before it.
const QDateTime kNow(QDate(2026, 12, 10), QTime(14, 30, 25));

QString u8(const char* text) { return QString::fromUtf8(text); }
const char* const kVergangenheit =
    "Der von Ihnen angegebene Zeitpunkt befindet sich in der Vergangenheit.\n\rMöchten Sie dennoch fortfahren?";
const char* const kKeinGeburtsdatum =
    "Sie haben angegeben, dass die Nachricht zum Geburtstag der jeweiligen Kontakte versendet werden soll.\n\r"
    "Jedoch ist für keinen der gewählten Empfänger ein Geburtsdatum hinterlegt. Die Nachricht kann daher "
    "nicht versendet werden.";
QString teilweise(int n, int m)
{
    return u8("Sie haben angegeben, dass die Nachricht zum Geburtstag der jeweiligen Kontakte versendet werden "
              "soll.\n\rFür ")
        + QString::number(n) + u8(" der gewählten ") + QString::number(m)
        + u8(" Empfänger ist jedoch kein Geburtsdatum hinterlegt. An Kontakte ohne Geburtsdatum wird keine "
             "Nachricht versendet.\n\rMöchten Sie dennoch fortfahren?");
}
QString successReply()
{
    return "<smsreport><result>SUCCESS</result><date>10.12.2026 14:30:25</date><msgParts>1</msgParts>"
           "<recipients><recipient>x</recipient></recipients></smsreport>";
}

QLineEdit* edit(QWidget* w, const char* name) { return FindChild<QLineEdit>(w, QLatin1String(name)); }
QPushButton* button(QWidget* w, const char* name) { return FindChild<QPushButton>(w, QLatin1String(name)); }
QString focusName(QWidget* w) { return w->focusWidget() ? w->focusWidget()->objectName() : QString(); }
// The dialog as the user meets it: active, so that focus moves send their events.
void activate(QWidget* w)
{
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}
}

// The composer with its scheduling dialog over a database and the fake gateway.
struct Fixture {
    TestDatabase db;
    FakeGateway gw;
    TestSession host;   // after the gateway: its client closes first
    std::unique_ptr<ScopedEnv> env;
    ScriptedMessages messages;
    TSmsVersandStatusForm status;
    TSmsVersandZeitgesteuertForm zeit;
    TEmpfaengerAuswaehlenForm auswahl;
    TSmsForm form{host.session, &status, auswahl, zeit};
    QTemporaryDir dir;

    Fixture()
    {
        if (!gw.Start())
            qFatal("fake gateway does not start");
        env = std::make_unique<ScopedEnv>("VORNIX2_GATEWAY_HOST", gw.HostPort().toLatin1());
        host.Edit([](TIniFileDaten& r) {
            r.Login_Speichern = true;
            r.Login_Username = "max";
            r.Login_Passwort = "geheim";
        });
        host.settings.SetFileName(dir.filePath("Vornix2.ini"));
        gw.SetDefault(kPath, FakeReply::Xml(successReply()));
        Clock::Set(kNow);
    }
    ~Fixture() { Clock::Set(QDateTime()); }

    // Contacts 1..n, with the birth dates given (empty: none).
    void addKontakte(const QStringList& geburtsdaten)
    {
        db.Modul()->Unit([&] {
            for (int i = 0; i < geburtsdaten.size(); ++i) {
                const QString g = geburtsdaten.at(i);
                db.Modul()->Run(g.isEmpty() ? "INSERT INTO kontakte (id, geschlecht, vorname, nachname, mobil) "
                                              "VALUES (:id, 2, :v, '', :m)"
                                            : "INSERT INTO kontakte (id, geschlecht, vorname, nachname, mobil, "
                                              "geburtsdatum) VALUES (:id, 2, :v, '', :m, '" + g + "')",
                                {{"id", i + 1},
                                 {"v", QString("V%1").arg(i + 1)},
                                 {"m", QString("004917100000%1").arg(i + 1)}});
            }
        });
        form.AddEmpfaengerByKategorie(0);
        FindChild<QPlainTextEdit>(&form, "TextSMS_Sendetext")->setPlainText("Alles Gute");
        FindChild<QLineEdit>(&form, "Absender")->setText("Vornix");
    }
    // The composer's command; `inDialog` acts on the dialog it opens.
    void sendZeitgesteuert(const std::function<void(QWidget*)>& inDialog)
    {
        OnNextModal([&](QWidget* w) {
            activate(w);
            inDialog(w);
        });
        FindChild<QToolButton>(&form, "ToolButton_Senden_Zeitgesteuert")->click();
    }
    QStringList sentTimes() const
    {
        QStringList out;
        for (const FakeRequest& r : gw.Requests(kPath))
            out.append(r.Field("to") + "@" + r.Field("time"));
        return out;
    }
};

class TestZeitgesteuert : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetModalTimeout(); }
    void cleanup()
    {
        QVERIFY(!ModalTimedOut());
        Clock::Set(QDateTime());
    }
    void everyShowStartsAnew();
    void okAtOnceAsksAboutThePast_data();
    void okAtOnceAsksAboutThePast();
    void normalisedOnLeaving_data();
    void normalisedOnLeaving();
    void checks_data();
    void checks();
    void birthdayRecipients_data();
    void birthdayRecipients();
    void pickerWritesOnCloseUp();
    void scheduledTimeReachesTheGateway();
    void cancelSendsNothing();
    void programWiresTheDialog();
};

void TestZeitgesteuert::everyShowStartsAnew()
{
    ScriptedMessages messages;
    Clock::Set(kNow);
    TSmsVersandZeitgesteuertForm dlg;
    for (int round = 0; round < 2; ++round) {
        OnNextModal([&](QWidget* w) {
            activate(w);
            QCOMPARE(w->windowTitle(), u8("SMS zeitgesteuert versenden"));
            auto* geburtstag = FindChild<QCheckBox>(w, "Geburtstag");
            QVERIFY(!geburtstag->isChecked());
            QCOMPARE(edit(w, "Datum")->text(), QString("10.12.2026"));
            QCOMPARE(edit(w, "Uhrzeit")->text(), QString("14:30"));
            QVERIFY(edit(w, "Datum")->isEnabled());
            QCOMPARE(focusName(w), QString("Datum"));
            // What this showing leaves behind must not reach the next one.
            geburtstag->click();
            QVERIFY(!edit(w, "Datum")->isEnabled());
            QVERIFY(!FindChild<QLabel>(w, "Label_Datum")->isEnabled());
            QVERIFY(!FindChild<QToolButton>(w, "DatumPicker")->isEnabled());
            edit(w, "Uhrzeit")->setText("7");
            edit(w, "Datum")->setText("x");
            button(w, "Btn_Abbrechen")->click();
        });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
    }
    QCOMPARE(messages.Count(), 0);
}

void TestZeitgesteuert::okAtOnceAsksAboutThePast_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Ja") << true;
    QTest::newRow("Nein") << false;
}

void TestZeitgesteuert::okAtOnceAsksAboutThePast()
{
    QFETCH(bool, yes);
    ScriptedMessages messages;
    messages.SetDefaultAnswer(yes);
    Clock::Set(kNow);
    TSmsVersandZeitgesteuertForm dlg;
    OnNextModal([&](QWidget* w) {
        activate(w);
        edit(w, "Uhrzeit")->setFocus();
        button(w, "Btn_OK")->click();
        if (!yes) {
            QVERIFY(w->isVisible());
            QCOMPARE(focusName(w), QString("Datum"));
            button(w, "Btn_Abbrechen")->click();
        }
    });
    QCOMPARE(dlg.exec(), int(yes ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(messages.Texts(), QStringList{u8(kVergangenheit)});
    QCOMPARE(messages.Messages().at(0).kind, Msg::Kind::Question);
    if (yes) {
        QCOMPARE(dlg.GetVersandzeitpunkt(), QDateTime(QDate(2026, 12, 10), QTime(14, 30)));
        QVERIFY(!dlg.IsGeburtstag());
    }
}

void TestZeitgesteuert::normalisedOnLeaving_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("leave");
    QTest::addColumn<QString>("expected");
    QTest::newRow("day and month") << "Datum" << "0503" << "tab" << "05.03.2026";
    QTest::newRow("commas") << "Datum" << "5,3" << "tab" << "05.03.2026";
    QTest::newRow("two-digit year") << "Datum" << "1.2.27" << "tab" << "01.02.2027";
    QTest::newRow("no date stays") << "Datum" << "31.02." << "tab" << "31.02.";
    QTest::newRow("three digits") << "Uhrzeit" << "930" << "tab" << "09:30";
    QTest::newRow("dots") << "Uhrzeit" << "9.5" << "tab" << "09:05";
    QTest::newRow("no time stays") << "Uhrzeit" << "2460" << "tab" << "2460";
    QTest::newRow("back-tab") << "Uhrzeit" << "1815" << "backtab" << "18:15";
    QTest::newRow("a click elsewhere") << "Uhrzeit" << "1815" << "click" << "18:15";
    QTest::newRow("message box") << "Datum" << "0503" << "window" << "0503";
    QTest::newRow("popup") << "Uhrzeit" << "930" << "popup" << "930";
}

void TestZeitgesteuert::normalisedOnLeaving()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, leave);
    QFETCH(QString, expected);
    ScriptedMessages messages;
    Clock::Set(kNow);
    TSmsVersandZeitgesteuertForm dlg;
    OnNextModal([&](QWidget* w) {
        activate(w);
        QLineEdit* e = edit(w, qPrintable(field));
        e->setFocus();
        e->clear();
        QTest::keyClicks(e, typed);
        if (leave == "tab" || leave == "backtab") {
            QTest::keyClick(e, leave == "tab" ? Qt::Key_Tab : Qt::Key_Backtab);
            QVERIFY(w->focusWidget() != e);
        } else if (leave == "click") {
            QTest::mouseClick(FindChild<QCheckBox>(w, "Geburtstag"), Qt::LeftButton);
            QCOMPARE(focusName(w), QString("Geburtstag"));
        } else {
            QFocusEvent out(QEvent::FocusOut, leave == "window" ? Qt::ActiveWindowFocusReason : Qt::PopupFocusReason);
            QApplication::sendEvent(e, &out);
        }
        QCOMPARE(e->text(), expected);
        button(w, "Btn_Abbrechen")->click();
    });
    dlg.exec();
    QCOMPARE(messages.Count(), 0);
}

void TestZeitgesteuert::checks_data()
{
    QTest::addColumn<bool>("geburtstag");
    QTest::addColumn<QString>("datum");
    QTest::addColumn<QString>("uhrzeit");
    QTest::addColumn<bool>("enter");      // OK by Return in `Uhrzeit` (the field is not left)
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");   // after a refusal
    QTest::addColumn<QDateTime>("result");   // after OK

    const QString keinDatum = u8("Bitte geben Sie ein Datum für den Versandzeitpunkt ein.");
    const QString datumUngueltig = u8("Bitte geben Sie ein gültiges Datum in der Form tt.mm.jjjj ein.");
    const QString keineUhrzeit = u8("Bitte geben Sie eine Uhrzeit für den Versandzeitpunkt ein.");
    const QString uhrzeitUngueltig = u8("Bitte geben Sie eine gültige Uhrzeit in der Form ss:mm ein.");
    const QDateTime none;
    QTest::newRow("no date") << false << "" << "09:00" << false << keinDatum << "Datum" << none;
    QTest::newRow("no such day") << false << "31.02.2027" << "09:00" << false << datumUngueltig << "Datum" << none;
    QTest::newRow("date before time") << false << "x" << "" << false << datumUngueltig << "Datum" << none;
    QTest::newRow("no time") << false << "24.12.2026" << "" << false << keineUhrzeit << "Uhrzeit" << none;
    QTest::newRow("no such time") << false << "24.12.2026" << "24:00" << false << uhrzeitUngueltig << "Uhrzeit"
                                  << none;
    QTest::newRow("digits by Return") << false << "24.12.2026" << "1430" << true << uhrzeitUngueltig << "Uhrzeit"
                                      << none;
    QTest::newRow("future") << false << "24.12.2026" << "18:15" << false << "" << ""
                            << QDateTime(QDate(2026, 12, 24), QTime(18, 15));
    QTest::newRow("future by Return") << false << "24.12.2026" << "18:15" << true << "" << ""
                                      << QDateTime(QDate(2026, 12, 24), QTime(18, 15));
    QTest::newRow("no year, blanks") << false << " 24.12 " << " 8:05 " << false << "" << ""
                                     << QDateTime(QDate(2026, 12, 24), QTime(8, 5));
    QTest::newRow("seconds") << false << "24.12.2026" << "18:15:30" << false << "" << ""
                             << QDateTime(QDate(2026, 12, 24), QTime(18, 15, 30));
    QTest::newRow("now exactly") << false << "10.12.2026" << "14:30:25" << false << "" << "" << kNow;
    QTest::newRow("birthday ignores the date") << true << "x" << "09:00" << false << "" << ""
                                               << QDateTime(QDate(2026, 12, 10), QTime(9, 0));
    QTest::newRow("birthday needs the time") << true << "" << "" << false << keineUhrzeit << "Uhrzeit" << none;
}

void TestZeitgesteuert::checks()
{
    QFETCH(bool, geburtstag);
    QFETCH(QString, datum);
    QFETCH(QString, uhrzeit);
    QFETCH(bool, enter);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QFETCH(QDateTime, result);
    ScriptedMessages messages;
    Clock::Set(kNow);
    TSmsVersandZeitgesteuertForm dlg;
    OnNextModal([&](QWidget* w) {
        activate(w);
        if (geburtstag)
            FindChild<QCheckBox>(w, "Geburtstag")->click();
        // Set, not typed: nothing normalises them before OK.
        edit(w, "Datum")->setText(datum);
        edit(w, "Uhrzeit")->setText(uhrzeit);
        edit(w, "Uhrzeit")->setFocus();
        if (enter)
            QTest::keyClick(edit(w, "Uhrzeit"), Qt::Key_Return);
        else
            button(w, "Btn_OK")->click();
        if (!message.isEmpty()) {
            QVERIFY(w->isVisible());
            QCOMPARE(focusName(w), focus);
            QCOMPARE(edit(w, "Uhrzeit")->text(), uhrzeit);   // kept as typed
            button(w, "Btn_Abbrechen")->click();
        }
    });
    const int rc = dlg.exec();
    QCOMPARE(messages.Texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty()) {
        QCOMPARE(messages.Messages().at(0).kind, Msg::Kind::Information);
        QCOMPARE(rc, int(QDialog::Rejected));
        return;
    }
    QCOMPARE(rc, int(QDialog::Accepted));
    QCOMPARE(dlg.GetVersandzeitpunkt(), result);
    QCOMPARE(dlg.IsGeburtstag(), geburtstag);
}

void TestZeitgesteuert::birthdayRecipients_data()
{
    QTest::addColumn<QStringList>("geburtsdaten");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("sent");   // to@time of each request
    const QString n1 = "0049171000001", n2 = "0049171000002", n3 = "0049171000003";
    QTest::newRow("all have one") << QStringList{"1970-05-03", "1980-12-10", "1990-12-11"} << true << QStringList()
                                  << QStringList{n1 + "@20270503090000", n2 + "@20261210090000",
                                                 n3 + "@20261211090000"};
    QTest::newRow("some lack one, Ja") << QStringList{"1970-05-03", "", "1990-12-11"} << true
                                       << QStringList{teilweise(1, 3)}
                                       << QStringList{n1 + "@20270503090000", n3 + "@20261211090000"};
    QTest::newRow("some lack one, Nein") << QStringList{"", "", "1990-12-11"} << false
                                         << QStringList{teilweise(2, 3)} << QStringList();
    QTest::newRow("all lack one") << QStringList{"", "", ""} << true << QStringList{u8(kKeinGeburtsdatum)}
                                  << QStringList();
}

void TestZeitgesteuert::birthdayRecipients()
{
    QFETCH(QStringList, geburtsdaten);
    QFETCH(bool, yes);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, sent);
    Fixture f;
    f.addKontakte(geburtsdaten);
    f.messages.SetDefaultAnswer(yes);
    f.sendZeitgesteuert([&](QWidget* w) {
        FindChild<QCheckBox>(w, "Geburtstag")->click();
        QLineEdit* uhrzeit = edit(w, "Uhrzeit");
        uhrzeit->setFocus();
        uhrzeit->clear();
        QTest::keyClicks(uhrzeit, "900");
        QTest::keyClick(uhrzeit, Qt::Key_Tab);
        QCOMPARE(uhrzeit->text(), QString("09:00"));
        uhrzeit->setFocus();
        button(w, "Btn_OK")->click();
        if (sent.isEmpty()) {
            QVERIFY(w->isVisible());
            QCOMPARE(focusName(w), QString("Uhrzeit"));   // the refusals move no focus
            button(w, "Btn_Abbrechen")->click();
        }
    });
    QCOMPARE(f.messages.Texts(), messages);
    if (!messages.isEmpty())
        QCOMPARE(f.messages.Messages().at(0).kind,
                 sent.isEmpty() && yes ? Msg::Kind::Information : Msg::Kind::Question);
    QCOMPARE(f.sentTimes(), sent);
    QCOMPARE(f.form.result(), int(sent.isEmpty() ? QDialog::Rejected : QDialog::Accepted));
}

void TestZeitgesteuert::pickerWritesOnCloseUp()
{
    ScriptedMessages messages;
    Clock::Set(kNow);
    TSmsVersandZeitgesteuertForm dlg;
    OnNextModal([&](QWidget* w) {
        activate(w);
        QLineEdit* datum = edit(w, "Datum");
        auto* picker = FindChild<QToolButton>(w, "DatumPicker");
        auto* kalender = FindChild<QCalendarWidget>(w, "DatumPicker_Kalender");
        // A date typed and left moves the picker to it.
        datum->clear();
        QTest::keyClicks(datum, "0102");
        QTest::keyClick(datum, Qt::Key_Tab);
        QCOMPARE(datum->text(), QString("01.02.2026"));
        picker->click();
        QVERIFY(kalender->isVisible());
        QCOMPARE(kalender->selectedDate(), QDate(2026, 2, 1));
        // Moving through the calendar writes nothing; the choice is written when it closes.
        kalender->setSelectedDate(QDate(2026, 12, 24));
        QCOMPARE(datum->text(), QString("01.02.2026"));
        QTest::keyClick(kalender->findChild<QTableView*>(), Qt::Key_Return);
        QVERIFY(!kalender->isVisible());
        QCOMPARE(datum->text(), QString("24.12.2026"));
        // Closed without a choice: the picker's date is written back over what was typed.
        datum->setText("quatsch");
        picker->click();
        QCOMPARE(kalender->selectedDate(), QDate(2026, 12, 24));
        kalender->window()->hide();
        QCOMPARE(datum->text(), QString("24.12.2026"));
        edit(w, "Uhrzeit")->setText("18:00");
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(dlg.exec(), int(QDialog::Accepted));
    QCOMPARE(dlg.GetVersandzeitpunkt(), QDateTime(QDate(2026, 12, 24), QTime(18, 0)));
    QCOMPARE(messages.Count(), 0);
}

void TestZeitgesteuert::scheduledTimeReachesTheGateway()
{
    Fixture f;
    f.addKontakte({"", "1970-05-03"});
    f.sendZeitgesteuert([&](QWidget* w) {
        QLineEdit* datum = edit(w, "Datum");
        datum->clear();
        QTest::keyClicks(datum, "2412");
        QTest::keyClick(datum, Qt::Key_Tab);
        QLineEdit* uhrzeit = edit(w, "Uhrzeit");
        uhrzeit->setFocus();
        uhrzeit->clear();
        QTest::keyClicks(uhrzeit, "1815");
        QTest::mouseClick(button(w, "Btn_OK"), Qt::LeftButton);
    });
    QCOMPARE(f.messages.Count(), 0);
    // Not on birthdays: one batch, the chosen time for everybody.
    QCOMPARE(f.sentTimes(), QStringList{"0049171000001,0049171000002@20261224181500"});
    QCOMPARE(f.form.result(), int(QDialog::Accepted));
}

void TestZeitgesteuert::cancelSendsNothing()
{
    Fixture f;
    f.addKontakte({"1970-05-03"});
    f.sendZeitgesteuert([&](QWidget* w) {
        edit(w, "Datum")->setText("24.12.2026");
        w->close();
    });
    QCOMPARE(f.gw.Count(kPath), 0);
    QCOMPARE(f.messages.Count(), 0);
    QVERIFY(f.db.Scalar("SELECT mobil_lastsend FROM kontakte WHERE id=1").isEmpty());
    // The composer's own checks come first: without text the dialog does not open.
    FindChild<QPlainTextEdit>(&f.form, "TextSMS_Sendetext")->clear();
    int opened = 0;
    // (A dialog shown would hold the click until this watcher closed it.)
    OnNextModal([&](QWidget* w) { ++opened; w->close(); }, 1000, false);
    FindChild<QToolButton>(&f.form, "ToolButton_Senden_Zeitgesteuert")->click();
    QCOMPARE(opened, 0);
    QCOMPARE(f.messages.Texts(), QStringList{u8("Bitte geben Sie einen Inhalt für die Nachricht ein.")});
}

void TestZeitgesteuert::programWiresTheDialog()
{
    TestProgram program;
    auto* composer = program.Frame()->findChild<TSmsForm*>("SmsForm");
    QVERIFY(composer);
    auto* command = FindChild<QToolButton>(composer, "ToolButton_Senden_Zeitgesteuert");
    QVERIFY(command->isEnabled());
    TRecipient nummer;
    nummer.Mobil = "00491715550123";
    QVERIFY(composer->AddEmpfaenger(nummer));
    FindChild<QPlainTextEdit>(composer, "TextSMS_Sendetext")->setPlainText("Hallo");
    FindChild<QLineEdit>(composer, "Absender")->setText("Vornix");
    QString title;
    QObject* parent = nullptr;
    OnNextModal([&](QWidget* w) {
        title = w->windowTitle();
        parent = w->parent();
        button(w, "Btn_Abbrechen")->click();
    });
    command->click();
    QCOMPARE(title, u8("SMS zeitgesteuert versenden"));
    QCOMPARE(parent, program.Frame());
    QCOMPARE(program.gw.Count(kPath), 0);
}

QTEST_MAIN(TestZeitgesteuert)
#include "tst_zeitgesteuert.moc"
