#include "FakeGateway.h"
#include "TestSession.h"
#include "TestEnv.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "foundation/WaitCursor.h"
#include "gateway/LoginForm.h"
#include "sms/EmpfaengerAuswaehlenForm.h"
#include "sms/SmsForm.h"
#include "sms/SmsVersandZeitgesteuertForm.h"
#include "sms/SmsVersand.h"
#include "sms/SmsVersandStatusForm.h"
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

Q_DECLARE_METATYPE(FakeReply)

namespace {
const QString kPath = QStringLiteral("/sms/http2sms.jsp");
const QDateTime kNow(QDate(2026, 6, 10), QTime(15, 0, 0));

QString successReply(int recipients = 1)
{
    QString r = "<smsreport><result>SUCCESS</result><date>10.06.2026 15:00:00</date>"
                "<deliverDate>10.06.2026 15:00:00</deliverDate><msgParts>1</msgParts><recipients>";
    for (int i = 0; i < recipients; ++i)
        r += "<recipient>x</recipient>";
    return r + "</recipients></smsreport>";
}
FakeReply rejection(const QString& error)
{
    return FakeReply::Xml("<smsreport><result>ERROR</result><Error>" + error + "</Error></smsreport>");
}
QString fehlerMeldung(const QString& detail)
{
    return QString::fromUtf8("Beim Versand der Nachricht(en) sind Fehler aufgetreten.\n\r") + detail
        + QString::fromUtf8("\n\rBitte betrachten Sie die Gateway-Rückgabe für weitere Details.");
}
QString number(int i) { return QString("0049171%1").arg(i, 7, 10, QChar('0')); }
}

// Everything a sending run needs: database, gateway, host settings, the two dialogs.
struct Fixture {
    TestDatabase db;
    FakeGateway gw;
    TestSession host;   // after the gateway: its client closes first, so the server stops at once
    std::unique_ptr<ScopedEnv> env;
    ScriptedMessages messages;
    TSmsVersandStatusForm status;
    TEmpfaengerAuswaehlenForm auswahl;
    TSmsVersandZeitgesteuertForm zeit;
    TSmsForm form{host.session, &status, auswahl, zeit};
    QTemporaryDir dir;

    Fixture()
    {
        if (!gw.Start())
            qFatal("fake gateway does not start");
        env = std::make_unique<ScopedEnv>("VORNIX2_GATEWAY_HOST", gw.HostPort().toLatin1());
        host.Edit([&](TIniFileDaten& r) { r.Login_Speichern = true; });
        host.Edit([&](TIniFileDaten& r) { r.Login_Username = "max"; });
        host.Edit([&](TIniFileDaten& r) { r.Login_Passwort = "geheim"; });
        host.settings.SetFileName(dir.filePath("Vornix2.ini"));
        gw.SetDefault(kPath, FakeReply::Xml(successReply()));
        Clock::Set(kNow);
        StatusText::ClearHistory();
    }
    ~Fixture() { Clock::Set(QDateTime()); }

    // Contacts 1..n with first names in id order.
    void addKontakte(int n, const QString& extraColumns = QString(), const QString& extraValues = QString())
    {
        db.Modul()->Unit([&] {
            QSqlQuery q = db.Modul()->Query();
            TDatenModul::Prepare(q, "INSERT INTO kontakte (id, geschlecht, vorname, nachname, mobil" + extraColumns
                                        + ") VALUES (:id, :g, :v, :n, :m" + extraValues + ")");
            for (int i = 1; i <= n; ++i) {
                q.bindValue(":id", i);
                q.bindValue(":g", i % 2 ? 2 : 3);
                q.bindValue(":v", QString("V%1").arg(i, 6, 10, QChar('0')));
                q.bindValue(":n", QString("N%1").arg(i));
                q.bindValue(":m", number(i));
                TDatenModul::Exec(q);
            }
        });
    }
    void setText(const QString& text)
    {
        FindChild<QPlainTextEdit>(&form, "TextSMS_Sendetext")->setPlainText(text);
    }
    void setAbsender(const QString& text) { FindChild<QLineEdit>(&form, "Absender")->setText(text); }
    // On screen, as the SMS page shows it (the settings and an empty text come with it).
    void show()
    {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCoreApplication::processEvents();
    }
    // The percentages of the progress texts; a text that is not exactly the progress text
    // comes back whole, so that the comparison shows it.
    QStringList progress() const
    {
        static const QRegularExpression exact(QString::fromUtf8(
            "^Bitte warten\\.\\.\\. die Nachricht\\(en\\) werden zum Server übertragen \\((\\d+)% abgeschlossen\\)\\.$"));
        QStringList out;
        for (const QString& t : StatusText::History()) {
            if (!t.startsWith("Bitte warten... die Nachricht(en)"))
                continue;
            const QRegularExpressionMatch m = exact.match(t);
            out.append(m.hasMatch() ? m.captured(1) : t);
        }
        return out;
    }
    int stamped(const QDateTime& at = kNow)
    {
        QSqlQuery q = db.Modul()->Run("SELECT COUNT(*) FROM kontakte WHERE mobil_lastsend=:t", {{"t", at}});
        return q.next() ? q.value(0).toInt() : -1;
    }
};

class TestVersand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void batchesOfFiveThousand();
    void perRecipientWithFields();
    void scheduledSendsTheTime();
    void senderFromTheSettings_data();
    void senderFromTheSettings();
    void textAsCountedAndSent_data();
    void textAsCountedAndSent();
    void failures_data();
    void failures();
    void elevenRejectionsLeaveOutTheDetail();
    void sendTime_data();
    void sendTime();
    void birthdaysSkipRecipientsWithoutDate();
    void cancelledLoginSendsNothing();
    void typedLoginIsStoredAfterSuccess();
    void secondRunCannotStart();
};

void TestVersand::batchesOfFiveThousand()
{
    Fixture f;
    f.addKontakte(12000);
    QCOMPARE(f.form.AddEmpfaengerByKategorie(0), 12000);
    f.setText("Hallo zusammen");
    f.form.SendSms(false, true, kNow);

    const auto requests = f.gw.Requests(kPath);
    QCOMPARE(int(requests.size()), 3);
    const int sizes[3] = {5000, 5000, 2000};
    int next = 1;
    for (int i = 0; i < 3; ++i) {
        const QStringList to = requests[i].Field("to").split(',');
        QCOMPARE(to.size(), sizes[i]);
        QStringList expected;
        for (int k = next; k < next + sizes[i]; ++k)
            expected.append(number(k));
        QVERIFY2(to == expected, qPrintable(QString("batch %1 is not in list order").arg(i + 1)));
        next += sizes[i];
        QVERIFY(!requests[i].HasField("time"));
        QCOMPARE(requests[i].Field("content"), QString("Hallo zusammen"));
        QCOMPARE(requests[i].Field("type"), QString("text"));
        QCOMPARE(requests[i].Field("username"), QString("max"));
    }
    QCOMPARE(f.progress(), (QStringList{"0", "33", "67", "100"}));
    const QStringList& history = StatusText::History();
    QCOMPARE(history.at(history.size() - 2), QString("Aktualisiere die Datenbanken..."));
    QCOMPARE(history.last(), QString(""));
    QCOMPARE(f.stamped(), 12000);
    QCOMPARE(f.form.result(), int(QDialog::Accepted));
    QCOMPARE(f.messages.Count(), 0);
    QCOMPARE(f.status.GetRueckgabe(), successReply() + "\n\r" + successReply() + "\n\r" + successReply());
    QVERIFY(!QApplication::overrideCursor());
}

void TestVersand::perRecipientWithFields()
{
    Fixture f;
    f.addKontakte(8);
    f.db.Exec("UPDATE kontakte SET mobil='0049,1234' WHERE id=3");
    f.form.AddEmpfaengerByKategorie(0);
    f.setText("Hallo <$*VORNAME*$>\nbis bald");
    FindChild<QComboBox>(&f.form, "SmsTyp")->setCurrentIndex(1);
    f.form.SendSms(false, true, kNow);

    const auto requests = f.gw.Requests(kPath);
    QCOMPARE(int(requests.size()), 8);
    QCOMPARE(requests[0].Field("content"), QString("Hallo V000001\r\nbis bald"));
    QVERIFY(requests[0].Body().contains("content=Hallo+V000001%0D%0Abis+bald&version=2105&"));
    QCOMPARE(requests[2].Field("to"), QString("0049,1234"));   // as stored, comma kept
    QCOMPARE(requests[7].Field("type"), QString("flash"));
    QCOMPARE(f.progress(), (QStringList{"0", "12", "25", "38", "50", "62", "75", "88", "100"}));
    QCOMPARE(f.stamped(), 8);
    QCOMPARE(f.form.result(), int(QDialog::Accepted));
}

void TestVersand::scheduledSendsTheTime()
{
    Fixture f;
    f.addKontakte(2);
    f.db.Exec("UPDATE kontakte SET mobil='0049,1' WHERE id=1");
    f.form.AddEmpfaengerByKategorie(0);
    f.setText("Termin");
    f.form.SendSms(false, false, QDateTime(QDate(2024, 3, 5), QTime(14, 30, 59)));
    const auto requests = f.gw.Requests(kPath);
    QCOMPARE(int(requests.size()), 1);
    QCOMPARE(requests[0].Field("to"), QString("00491,") + number(2));   // commas leave a batch's numbers
    QCOMPARE(requests[0].Field("time"), QString("20240305143000"));
    const QList<QPair<QString, QString>> form = requests[0].Form();
    QStringList names;
    for (const auto& p : form)
        names.append(p.first);
    QCOMPARE(names, (QStringList{"username", "password", "type", "to", "from", "time", "content", "version"}));
    QCOMPARE(f.stamped(), 2);   // the time of the transfer, not the scheduled one
}

void TestVersand::senderFromTheSettings_data()
{
    QTest::addColumn<QString>("absender");
    QTest::addColumn<bool>("answer");   // to every question
    QTest::addColumn<QByteArray>("from");   // as encoded in the body; empty: nothing is sent
    QTest::newRow("16 digits") << "1234567890123456" << true << QByteArray("&from=1234567890123456&");
    QTest::newRow("17 digits stored") << "12345678901234567" << true << QByteArray();
    QTest::newRow("a blank, yes") << "Mein Shop1" << true << QByteArray("&from=Mein+Shop1&");
    QTest::newRow("a blank, no") << "Mein Shop1" << false << QByteArray();
    QTest::newRow("empty, yes") << "" << true << QByteArray("&from=&content=x&");
    QTest::newRow("empty, no") << "" << false << QByteArray();
}

// The stored sender through the checks and the confirmation onto the wire.
void TestVersand::senderFromTheSettings()
{
    QFETCH(QString, absender);
    QFETCH(bool, answer);
    QFETCH(QByteArray, from);
    Fixture f;
    f.addKontakte(1);
    f.form.AddEmpfaengerById(1);
    f.host.Edit([&](TIniFileDaten& r) { r.StandardAbsender = absender; });
    f.show();
    f.setText("x");
    f.messages.SetDefaultAnswer(answer);
    FindChild<QToolButton>(&f.form, "ToolButton_Senden_Jetzt")->click();
    const bool sent = !from.isEmpty();
    QCOMPARE(f.gw.Count(), sent ? 1 : 0);
    if (sent)
        QVERIFY2(f.gw.Last().Body().contains(from), f.gw.Last().Body().constData());
    QCOMPARE(f.form.result() == QDialog::Accepted, sent);
    QCOMPARE(f.form.isVisible(), !sent);
}

void TestVersand::textAsCountedAndSent_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QByteArray>("content");   // as encoded in the body
    QTest::newRow("no-break space") << QString::fromUtf8("a\u00A0b") << "3 Zeichen, dies entspricht 1 SMS"
                                    << QByteArray("a%A0b");
    QTest::newRow("letter outside the code page")
        << QString::fromUtf8("\u0142\u20AC") << "3 Zeichen, dies entspricht 1 SMS" << QByteArray("%3F%80");
    QTest::newRow("character outside the BMP")
        << QString::fromUtf8("x\U0001F600") << "2 Zeichen, dies entspricht 1 SMS" << QByteArray("x%3F");
}

void TestVersand::textAsCountedAndSent()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, content);
    Fixture f;
    f.addKontakte(1);
    f.form.AddEmpfaengerById(1);
    f.setText(typed);
    QTEST(FindChild<QLabel>(&f.form, "Sendetext_AnzahlZeichen")->text(), "count");
    f.form.SendSms(false, true, kNow);
    QVERIFY(f.gw.Last().Body().contains("&content=" + content + "&version=2105&"));
}

void TestVersand::failures_data()
{
    QTest::addColumn<QList<FakeReply>>("replies");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<int>("errorBoxes");
    QTest::newRow("second of three rejected")
        << QList<FakeReply>{FakeReply::Xml(successReply()), rejection("030: wrong recipient"),
                            FakeReply::Xml(successReply())}
        << QString("030: wrong recipient\n\r") << 0;
    QTest::newRow("two rejected")
        << QList<FakeReply>{rejection("030: a"), FakeReply::Xml(successReply()), rejection("031: b")}
        << QString("030: a\n\r031: b\n\r") << 0;
    // Rejections without an error text are failures too.
    QTest::newRow("an HTML page")
        << QList<FakeReply>{FakeReply::Xml(successReply()), FakeReply::Html("<html>Wartung</html>"),
                            FakeReply::Xml(successReply())}
        << QString("\n\r") << 0;
    QTest::newRow("a report without Error")
        << QList<FakeReply>{FakeReply::Xml("<smsreport><result>ERROR</result></smsreport>"),
                            FakeReply::Xml(successReply()), FakeReply::Xml(successReply())}
        << QString("\n\r") << 0;
    QTest::newRow("no connection")
        << QList<FakeReply>{FakeReply::Xml(successReply()), FakeReply::Status(500), FakeReply::Xml(successReply())}
        << QString("000: no connection\n\r") << 1;
}

void TestVersand::failures()
{
    QFETCH(QList<FakeReply>, replies);
    QFETCH(QString, detail);
    QFETCH(int, errorBoxes);
    Fixture f;
    f.addKontakte(3);
    f.form.AddEmpfaengerByKategorie(0);
    f.show();
    f.setText("Hallo <$*NACHNAME*$>");
    for (const FakeReply& r : replies)
        f.gw.Script(kPath, r);
    f.form.SendSms(false, true, kNow);

    QCOMPARE(f.gw.Count(kPath), 3);
    QCOMPARE(f.messages.Count(), errorBoxes + 1);
    QCOMPARE(f.messages.Messages().last().kind, Msg::Kind::Information);
    QCOMPARE(f.messages.Messages().last().text, fehlerMeldung(detail));
    for (int i = 0; i < errorBoxes; ++i)
        QCOMPARE(f.messages.Messages().at(i).kind, Msg::Kind::Error);
    QVERIFY(f.form.result() != QDialog::Accepted);
    QVERIFY(f.form.isVisible());   // the composer stays open
    QCOMPARE(f.status.GetRueckgabe(), QString());
    QCOMPARE(f.stamped(), 3);
    QCOMPARE(f.form.GetEmpfaenger().Count(), 3);
    QVERIFY(!QApplication::overrideCursor());
}

void TestVersand::elevenRejectionsLeaveOutTheDetail()
{
    Fixture f;
    f.addKontakte(11);
    f.form.AddEmpfaengerByKategorie(0);
    f.setText("<$*FIRMA*$>x");
    f.gw.SetDefault(kPath, rejection("030: nein"));
    f.form.SendSms(false, true, kNow);
    QCOMPARE(f.gw.Count(kPath), 11);
    QCOMPARE(f.messages.Texts(), QStringList{fehlerMeldung("")});
}

void TestVersand::sendTime_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("geburtsdatum");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("passed this year") << QDate(2026, 6, 10) << QDate(1970, 5, 3) << QDate(2027, 5, 3);
    QTest::newRow("today, time passed") << QDate(2026, 6, 10) << QDate(1970, 6, 10) << QDate(2026, 6, 10);
    QTest::newRow("later this year") << QDate(2026, 6, 10) << QDate(1970, 8, 20) << QDate(2026, 8, 20);
    QTest::newRow("29 Feb, non-leap, before") << QDate(2026, 2, 10) << QDate(1980, 2, 29) << QDate(2026, 3, 1);
    QTest::newRow("29 Feb, non-leap, on 1 Mar") << QDate(2026, 3, 1) << QDate(1980, 2, 29) << QDate(2026, 3, 1);
    QTest::newRow("29 Feb, non-leap, after, next leap") << QDate(2027, 3, 2) << QDate(1980, 2, 29)
                                                        << QDate(2028, 2, 29);
    QTest::newRow("29 Feb, non-leap, after, next non-leap") << QDate(2025, 3, 2) << QDate(1980, 2, 29)
                                                            << QDate(2026, 3, 1);
    QTest::newRow("29 Feb, leap, before") << QDate(2028, 2, 1) << QDate(1980, 2, 29) << QDate(2028, 2, 29);
    QTest::newRow("29 Feb, leap, after") << QDate(2028, 3, 1) << QDate(1980, 2, 29) << QDate(2029, 3, 1);
}

void TestVersand::sendTime()
{
    QFETCH(QDate, today);
    QFETCH(QDate, geburtsdatum);
    QFETCH(QDate, expected);
    Clock::Set(QDateTime(today, QTime(15, 0)));
    const QDateTime chosen(QDate(2000, 1, 1), QTime(9, 0));
    QCOMPARE(TSmsVersand::GetVersandzeitpunkt(true, false, QDateTime(geburtsdatum, QTime(0, 0)), chosen),
             QDateTime(expected, QTime(9, 0)));
    QCOMPARE(TSmsVersand::GetVersandzeitpunkt(false, false, QDateTime(), chosen), chosen);
    QCOMPARE(TSmsVersand::GetVersandzeitpunkt(false, true, QDateTime(), chosen), Clock::Now());
    Clock::Set(QDateTime());
}

void TestVersand::birthdaysSkipRecipientsWithoutDate()
{
    Fixture f;
    f.addKontakte(3);
    f.db.Exec("UPDATE kontakte SET geburtsdatum='1970-05-03' WHERE id=1");
    f.db.Exec("UPDATE kontakte SET geburtsdatum='1970-08-20' WHERE id=3");
    f.form.AddEmpfaengerByKategorie(0);
    f.setText("Alles Gute");   // no fields: still one request per recipient
    f.gw.Script(kPath, FakeReply::Xml(successReply(1)));
    f.gw.Script(kPath, FakeReply::Xml(successReply(2)));
    f.form.SendSms(true, false, QDateTime(QDate(2026, 6, 10), QTime(9, 0)));
    const auto requests = f.gw.Requests(kPath);
    QCOMPARE(int(requests.size()), 2);
    QCOMPARE(requests[0].Field("to"), number(1));
    QCOMPARE(requests[0].Field("time"), QString("20270503090000"));
    QCOMPARE(requests[1].Field("to"), number(3));
    QCOMPARE(requests[1].Field("time"), QString("20260820090000"));
    QCOMPARE(f.status.GetRueckgabe(), successReply(1) + "\n\r\n\r" + successReply(2));
    QCOMPARE(f.stamped(), 3);
}

void TestVersand::cancelledLoginSendsNothing()
{
    Fixture f;
    f.host.Edit([&](TIniFileDaten& r) { r.Login_Speichern = false; });
    f.addKontakte(2);
    f.form.AddEmpfaengerByKategorie(0);
    f.setText("x");
    OnNextModal([](QWidget* w) { FindChild<QPushButton>(w, "Btn_Abbrechen")->click(); });
    f.form.SendSms(false, true, kNow);
    QVERIFY(!ModalTimedOut());
    QCOMPARE(f.gw.Count(), 0);
    QCOMPARE(f.stamped(), 0);
    QCOMPARE(f.messages.Count(), 0);
    QVERIFY(f.form.result() != QDialog::Accepted);
    QCOMPARE(StatusText::History().last(), QString(""));
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(FindChild<QToolButton>(&f.form, "ToolButton_Senden_Jetzt")->isEnabled());
}

void TestVersand::typedLoginIsStoredAfterSuccess()
{
    Fixture f;
    f.host.Edit([&](TIniFileDaten& r) { r.Login_Speichern = false; });
    f.addKontakte(1);
    f.form.AddEmpfaengerById(1);
    f.setText("x");
    OnNextModal([](QWidget* w) {
        FindChild<QLineEdit>(w, "Username")->setText("anna");
        FindChild<QLineEdit>(w, "Passwort")->setText("pw z");
        FindChild<QCheckBox>(w, "CheckBox_Speichern")->setChecked(true);
        FindChild<QPushButton>(w, "Btn_OK")->click();
    });
    f.form.SendSms(false, true, kNow);
    QVERIFY(!ModalTimedOut());
    QCOMPARE(f.gw.Last().Field("username"), QString("anna"));
    QCOMPARE(f.form.result(), int(QDialog::Accepted));
    const TIniFileDaten stored = LoadIniFileDaten(f.host.settings.FileName());
    QVERIFY(stored.Login_Speichern);
    QCOMPARE(stored.Login_Username, QString("anna"));
    QCOMPARE(stored.Login_Passwort, QString("pw z"));
    QCOMPARE(f.host.Reloads, 1);
}

void TestVersand::secondRunCannotStart()
{
    Fixture f;
    f.addKontakte(3);
    f.form.AddEmpfaengerByKategorie(0);
    f.setText("<$*VORNAME*$>");
    f.setAbsender("Shop");
    f.gw.SetDefault(kPath, FakeReply::Xml(successReply()).After(50));
    bool sendEnabledDuringRun = true;
    // Delivered at the first progress step, inside the run.
    QTimer::singleShot(0, &f.form, [&] {
        sendEnabledDuringRun = FindChild<QToolButton>(&f.form, "ToolButton_Senden_Jetzt")->isEnabled();
        QVERIFY(f.form.IsSending());
        f.form.ToolButton_Senden_JetztClick();
        f.form.SendSms(false, true, kNow);
    });
    f.form.SendSms(false, true, kNow);
    QVERIFY(!sendEnabledDuringRun);
    QCOMPARE(f.gw.Count(kPath), 3);
    QCOMPARE(f.messages.Count(), 0);
    QCOMPARE(f.form.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestVersand)
#include "tst_versand.moc"
