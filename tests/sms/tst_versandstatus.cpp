#include "TestEnv.h"
#include "foundation/Clock.h"
#include "platform/AtomicFile.h"
#include "platform/FileDialogs.h"
#include "sms/SmsVersandStatusForm.h"
#include <QDir>
#include <QLineEdit>
#include <cerrno>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestVersandStatus : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void isSuccessIsCaseSensitive();
    void dialogShowsTheFields();
    void saveWritesLinesInCp1252();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void cleanup();
};

namespace {
QString report(const QString& result, const QString& deliver, const QStringList& recipients,
               const QStringList& warnings, const QString& date = "09.12.2026 10:00:00",
               const QString& parts = "1")
{
    QString r = "<smsreport><result>" + result + "</result><date>" + date + "</date><deliverDate>"
        + deliver + "</deliverDate><msgParts>" + parts + "</msgParts><recipients>";
    for (const QString& x : recipients)
        r += "<recipient>" + x + "</recipient>";
    r += "</recipients><warnings>";
    for (const QString& w : warnings)
        r += "<warning>" + w + "</warning>";
    return r + "</warnings></smsreport>";
}
const QString kDay1 = "09.12.2026 10:00:00";
const QString kDay1Later = "09.12.2026 18:30:00";
const QString kDay2 = "10.12.2026 10:00:00";
}

void TestVersandStatus::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("empfaenger");
    QTest::addColumn<QString>("deliver");
    QTest::addColumn<bool>("variabel");
    QTest::addColumn<QStringList>("warnings");
    QTest::addColumn<QString>("parts");

    QTest::newRow("one report") << report("SUCCESS", kDay1, {"a", "b", "c"}, {"W1"}) << "3" << kDay1
                                << false << QStringList{"W1"} << "1";
    QTest::newRow("same day, later time")
        << report("SUCCESS", kDay1, {"a"}, {}) + "\n\r" + report("SUCCESS", kDay1Later, {"b"}, {}, kDay1, "2")
        << "2" << kDay1Later << false << QStringList{} << "2";
    QTest::newRow("two days")
        << report("SUCCESS", kDay1, {"a"}, {"W"}) + "\n\r" + report("SUCCESS", kDay2, {"b"}, {"w", "W"})
        << "2" << kDay2 << true << QStringList{"W", "w"} << "1";
    QTest::newRow("one failed") << report("SUCCESS", kDay1, {"a", "b"}, {}) + "\n\r"
                                       + report("ERROR", kDay1, {}, {})
                                << "2 (1 fehlerhafter Request)" << kDay1 << false << QStringList{} << "1";
    QTest::newRow("two failed") << report("SUCCESS", kDay1, {"a"}, {}) + report("Success", kDay1, {}, {})
                                       + "\n\r" + report("ERROR", kDay1, {}, {})
                                << "1 (2 fehlerhafte Requests)" << kDay1 << false << QStringList{} << "1";
    QTest::newRow("a single failed report") << report("ERROR", kDay1, {}, {}) << "0" << kDay1 << false
                                            << QStringList{} << "1";
    QTest::newRow("an empty item ends the list") << report("SUCCESS", kDay1, {"a", "", "c"}, {}) << "1"
                                                 << kDay1 << false << QStringList{} << "1";
    QTest::newRow("no report") << QString("<html>Wartung</html>") << "0" << QString("") << false
                               << QStringList{} << QString("");
}

void TestVersandStatus::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, variabel);
    const TSmsVersandStatus s = ParseSmsVersandStatus(text);
    QTEST(s.AnzahlEmpfaengerText(), "empfaenger");
    QTEST(s.DeliverDate, "deliver");
    QCOMPARE(s.Variabel, variabel);
    QTEST(s.Warnings, "warnings");
    QTEST(s.MsgParts, "parts");
}

void TestVersandStatus::isSuccessIsCaseSensitive()
{
    TSmsVersandStatusForm form;
    form.SetRueckgabe("<smsreport><Result>SUCCESS</Result></smsreport>");
    QVERIFY(!form.IsSuccess());
    form.SetRueckgabe("<smsreport><result>ERROR</result></smsreport>\n\r<smsreport><result>SUCCESS</result></smsreport>");
    QVERIFY(form.IsSuccess());
}

void TestVersandStatus::dialogShowsTheFields()
{
    TSmsVersandStatusForm form;
    const QString text = report("SUCCESS", kDay1, {"a"}, {"W1", "W2"}, "09.12.2026 09:59:58", "3")
        + "\n\r" + report("SUCCESS", kDay2, {"b", "c"}, {"W2"});
    form.SetRueckgabe(text);
    QMap<QString, QString> seen;
    QString memo;
    bool readOnly = true;
    bool okFocused = false;
    // Records only and always closes: a check that stops early would leave the dialog open.
    OnNextModal([&](QWidget* w) {
        for (const char* name : {"Annahme", "Versandzeitpunkt", "Nachrichtenteile", "AnzahlEmpfaenger"}) {
            auto* e = FindChild<QLineEdit>(w, name);
            seen[name] = e ? e->text() : "<missing>";
            readOnly = readOnly && e && e->isReadOnly();
        }
        seen["Warnmeldungen"] = FindChild<QPlainTextEdit>(w, "Warnmeldungen")->toPlainText();
        memo = FindChild<QPlainTextEdit>(w, "Rueckgabe")->toPlainText();
        auto* ok = FindChild<QPushButton>(w, "Btn_OK");
        // The focus arrives once the window is active.
        okFocused = QTest::qWaitFor([ok] { return ok->hasFocus(); });
        ok->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QVERIFY(readOnly);
    QVERIFY(okFocused);
    QCOMPARE(seen["Annahme"], QString(kDay1));
    QCOMPARE(seen["Versandzeitpunkt"], QString("<variabel>"));
    QCOMPARE(seen["Nachrichtenteile"], QString("1"));
    QCOMPARE(seen["AnzahlEmpfaenger"], QString("3"));
    QCOMPARE(seen["Warnmeldungen"], QString("W1\nW2"));
    // "\n\r" between replies is two line breaks: an empty line.
    QCOMPARE(memo.split('\n').size(), 3);
    QCOMPARE(memo.split('\n').at(1), QString(""));
}

void TestVersandStatus::saveWritesLinesInCp1252()
{
    QTemporaryDir dir;
    Clock::Set(QDateTime(QDate(2026, 12, 9), QTime(15, 0)));
    ScriptedMessages messages;
    FileDialogs::Request asked;
    const QString target = dir.filePath("rueckgabe");
    FileDialogs::SetResponder([&](const FileDialogs::Request& r) {
        asked = r;
        return target;
    });
    TSmsVersandStatusForm form;
    form.SetRueckgabe(QString::fromUtf8("<smsreport>Grüße €</smsreport>\n\r<smsreport>b</smsreport>\r\nc\rd"));
    form.Button_RueckgabeSpeichernClick();
    QCOMPARE(asked.mode, FileDialogs::Request::Mode::Save);
    QCOMPARE(asked.caption, QString::fromUtf8("Gateway-Rückgabe als Text-Datei speichern"));
    QCOMPARE(asked.directory, QString("vornix2_20261209.txt"));
    QCOMPARE(asked.filter, QString("Textdatei (*.txt)"));
    QVERIFY(asked.options.testFlag(QFileDialog::DontConfirmOverwrite));
    QFile f(target + ".txt");
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("<smsreport>Gr\xFC\xDF" "e \x80</smsreport>\r\n\r\n<smsreport>b</smsreport>\r\nc\r\nd\r\n"));
    QCOMPARE(messages.Texts(), QStringList{QString::fromUtf8(kMsgRueckgabeGespeichert)});
}

void TestVersandStatus::overwriteQuestion_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("no keeps the file") << false;
    QTest::newRow("yes replaces it") << true;
}

void TestVersandStatus::overwriteQuestion()
{
    QFETCH(bool, answer);
    QTemporaryDir dir;
    const QString target = dir.filePath("alt.txt");
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("alter Inhalt");
    }
    ScriptedMessages messages;
    messages.AnswerNext(answer);
    FileDialogs::SetResponder([&](const FileDialogs::Request&) { return target; });
    TSmsVersandStatusForm form;
    form.SetRueckgabe("neu");
    form.Button_RueckgabeSpeichernClick();
    QCOMPARE(messages.Messages().first().kind, Msg::Kind::Question);
    QCOMPARE(messages.Messages().first().text,
             QString::fromUtf8("Die Datei 'alt.txt' existiert bereits.\n\rSind Sie sicher, dass Sie diese "
                               "Datei überschreiben möchten?"));
    QFile f(target);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), answer ? QByteArray("neu\r\n") : QByteArray("alter Inhalt"));
    QCOMPARE(messages.Count(), answer ? 2 : 1);
}

void TestVersandStatus::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<int>("step");
    QTest::newRow("disk full while writing") << int(AtomicWriteStep::Write);
    QTest::newRow("flush fails") << int(AtomicWriteStep::Sync);
    QTest::newRow("close fails") << int(AtomicWriteStep::Close);
}

void TestVersandStatus::failedWriteKeepsTheOldFile()
{
    QFETCH(int, step);
    QTemporaryDir dir;
    const QString target = dir.filePath("alt.txt");
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("alter Inhalt");
    }
    SetAtomicWriteFault([step](AtomicWriteStep s) { return int(s) == step ? ENOSPC : 0; });
    ScriptedMessages messages;
    FileDialogs::SetResponder([&](const FileDialogs::Request&) { return target; });
    TSmsVersandStatusForm form;
    form.SetRueckgabe("neu");
    form.Button_RueckgabeSpeichernClick();
    SetAtomicWriteFault({});
    QCOMPARE(messages.Count(), 2);   // the overwrite question, then the failure
    QCOMPARE(messages.Messages().last().kind, Msg::Kind::Error);
    QVERIFY(!messages.Texts().contains(QString::fromUtf8(kMsgRueckgabeGespeichert)));
    QFile f(target);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("alter Inhalt"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"alt.txt"});
}

void TestVersandStatus::cleanup()
{
    SetAtomicWriteFault({});
    FileDialogs::SetResponder({});
    Clock::Set(QDateTime());
}

QTEST_MAIN(TestVersandStatus)
#include "tst_versandstatus.moc"
