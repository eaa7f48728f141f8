#include "FullFileSystem.h"
#include "TestEnv.h"
#include "app/HauptForm.h"
#include "app/StartUp.h"
#include "exchange/SmsExportCsvForm.h"
#include "platform/FileDialogs.h"
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>
#include "exchange/CsvDatei.h"
#include <functional>
#include <memory>
#include <unistd.h>

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct SaveAnswers {
    QStringList names;
    QList<FileDialogs::Request> requests;
    SaveAnswers()
    {
        FileDialogs::SetResponder([this](const FileDialogs::Request& r) {
            requests.append(r);
            return names.isEmpty() ? QString() : names.takeFirst();
        });
    }
    ~SaveAnswers() { FileDialogs::SetResponder({}); }
};

QPushButton* button(QWidget* w, const char* name) { return FindChild<QPushButton>(w, QLatin1String(name)); }
QComboBox* combo(QWidget* w, const char* name) { return FindChild<QComboBox>(w, QLatin1String(name)); }

// Five entries, the newest first: a text SMS full of awkward characters, a flash SMS, a
// lower-case "tx", a multimedia one and one of no type.
void fillLog(TestDatabase& db)
{
    db.Exec(QString::fromUtf8(
        "INSERT INTO protokoll (messageid,istzeitpunkt,dnr,content,absender,typ,msgparts,ip,version,"
        "opnet,opcountry,userrequestid,statusid) VALUES ('m1','2026-03-04 05:06:09','0049170111',"
        "'Grüße; \"Hallo\"'||ASCII_CHAR(10)||'Zeile2 €','Vornix','TxNormal',2,'1.2.3.4',3,'D1','DE','r1',0)"));
    db.Exec("INSERT INTO protokoll (istzeitpunkt,dnr,content,typ,statusid) VALUES "
            "('2026-03-04 05:06:05','0049170555','leer','',0)");
    db.Exec("INSERT INTO protokoll (istzeitpunkt,dnr,content,typ,statusid) VALUES "
            "('2026-03-04 05:06:07','0049170333','klein','tx',2)");
    db.Exec("INSERT INTO protokoll (istzeitpunkt,dnr,content,typ,statusid) VALUES "
            "('2026-03-04 05:06:08','0049170222','Blitz, schnell','FsFlash',1)");
    db.Exec("INSERT INTO protokoll (istzeitpunkt,dnr,content,typ,statusid) VALUES "
            "('2026-03-04 05:06:06','0049170444','bild','MMS',7)");
}

QByteArray withSeparator(QByteArray bytes, char sep)
{
    bytes.replace(';', sep);
    return bytes;
}

int runExport(TSmsExportCsvForm& form, const QString& file, int separator)
{
    SaveAnswers answers;
    answers.names = {file};
    OnNextModal([&](QWidget* w) {
        button(w, "Btn_Dateiname")->click();
        combo(w, "Trennzeichen")->setCurrentIndex(separator);
        button(w, "Btn_OK")->click();
        if (w->isVisible())
            button(w, "Btn_Abbrechen")->click();
    });
    return form.exec();
}
}

class TestSmsExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetModalTimeout(); }
    void cleanup() { QVERIFY(!ModalTimedOut()); }
    void writesExactBytes_data();
    void writesExactBytes();
    void emptyLogWritesHeaderOnly();
    void textsBeyondWindows1252GiveUtf8();
    void fullDiskKeepsTheOldFile();
    void showStartsAfresh();
    void checksBeforeTheRun();
    void refusedOverwriteThenAnotherFile();
    void menuItemOpensTheDialog();
};

void TestSmsExport::writesExactBytes_data()
{
    QTest::addColumn<int>("separator");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray header("Versandzeitpunkt;Zielrufnummer;Absender;SMS-Typ;Message-ID;Request-ID;Sender-IP;"
                            "Nachrichtenteile;opCountry;opNet;Status;Nachrichtentext\r\n");
    const QByteArray tail("04.03.2026 05:06:07;0049170333;;tx;;;;0;;;Nicht zugestellt;(Multimedia-SMS)\r\n"
                          "04.03.2026 05:06:06;0049170444;;MMS;;;;0;;;Unbekannt;(Multimedia-SMS)\r\n"
                          "04.03.2026 05:06:05;0049170555;;;;;;0;;;Zugestellt;\r\n");
    QTest::newRow("Semikolon") << 0 << header + QByteArray(
        "04.03.2026 05:06:09;0049170111;Vornix;TxNormal;m1;r1;1.2.3.4;2;DE;D1;Zugestellt;"
        "\"Gr\xFC\xDF" "e; \"\"Hallo\"\"\nZeile2 \x80\"\r\n"
        "04.03.2026 05:06:08;0049170222;;FsFlash;;;;0;;;Weitere Zustellversuche;Blitz, schnell\r\n") + tail;
    QTest::newRow("Komma") << 1 << withSeparator(header, ',') + QByteArray(
        "04.03.2026 05:06:09,0049170111,Vornix,TxNormal,m1,r1,1.2.3.4,2,DE,D1,Zugestellt,"
        "\"Gr\xFC\xDF" "e; \"\"Hallo\"\"\nZeile2 \x80\"\r\n"
        "04.03.2026 05:06:08,0049170222,,FsFlash,,,,0,,,Weitere Zustellversuche,\"Blitz, schnell\"\r\n")
        + withSeparator(tail, ',');
    QTest::newRow("Tabulator") << 2 << withSeparator(header, '\t') + QByteArray(
        "04.03.2026 05:06:09\t0049170111\tVornix\tTxNormal\tm1\tr1\t1.2.3.4\t2\tDE\tD1\tZugestellt\t"
        "\"Gr\xFC\xDF" "e; \"\"Hallo\"\"\nZeile2 \x80\"\r\n"
        "04.03.2026 05:06:08\t0049170222\t\tFsFlash\t\t\t\t0\t\t\tWeitere Zustellversuche\tBlitz, schnell\r\n")
        + withSeparator(tail, '\t');
}

void TestSmsExport::writesExactBytes()
{
    QFETCH(int, separator);
    QFETCH(QByteArray, expected);
    TestDatabase db;
    fillLog(db);
    ScriptedMessages msgs;
    TSmsExportCsvForm form;
    const QString file = db.Path() + "/protokoll.csv";
    QCOMPARE(runExport(form, file, separator), int(QDialog::Accepted));
    QCOMPARE(readAll(file), expected);
    QCOMPARE(msgs.Texts(), QStringList{QString("Das SMS-Protokoll wurde erfolgreich nach '%1' exportiert.").arg(file)});
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::Information);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(FindChild<QStatusBar>(&form, "StatusBar")->currentMessage(), QString());
}

void TestSmsExport::emptyLogWritesHeaderOnly()
{
    TestDatabase db;
    ScriptedMessages msgs;
    TSmsExportCsvForm form;
    QStringList texts;
    connect(FindChild<QStatusBar>(&form, "StatusBar"), &QStatusBar::messageChanged, &form,
            [&](const QString& t) { texts.append(t); });
    const QString file = db.Path() + "/leer.csv";
    QCOMPARE(runExport(form, file, 0), int(QDialog::Accepted));
    QCOMPARE(readAll(file), QByteArray("Versandzeitpunkt;Zielrufnummer;Absender;SMS-Typ;Message-ID;Request-ID;"
                                       "Sender-IP;Nachrichtenteile;opCountry;opNet;Status;Nachrichtentext\r\n"));
    QCOMPARE(texts, QStringList({"Bitte warten... das SMS-Protokoll wird exportiert (0% abgeschlossen).", ""}));
    QCOMPARE(msgs.Count(), 1);
}

// Greek letters and emoji in an SMS text: the whole file is UTF-8 with a mark, nothing is "?".
void TestSmsExport::textsBeyondWindows1252GiveUtf8()
{
    TestDatabase db;
    fillLog(db);
    db.Exec(QString::fromUtf8("INSERT INTO protokoll (istzeitpunkt,dnr,content,typ,statusid) VALUES "
                              "('2026-03-04 05:06:04','0049170666','Καλημέρα 😀','TxNormal',0)"));
    ScriptedMessages msgs;
    TSmsExportCsvForm form;
    const QString file = db.Path() + "/protokoll.csv";
    QCOMPARE(runExport(form, file, 0), int(QDialog::Accepted));
    const QByteArray bytes = readAll(file);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBFVersandzeitpunkt;"));
    QVERIFY(bytes.contains(QString::fromUtf8("\"Grüße; \"\"Hallo\"\"\nZeile2 €\"\r\n").toUtf8()));
    QVERIFY(bytes.endsWith(QString::fromUtf8(";Zugestellt;Καλημέρα 😀\r\n").toUtf8()));
    const std::unique_ptr<TCsvDatei> csv = TCsvDatei::CreateFromFile(file, ';');
    QCOMPARE(csv->GetRowCount(), 6);
    QCOMPARE(csv->GetValue(5, "Nachrichtentext"), QString::fromUtf8("Καλημέρα 😀"));
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::Information);
}

void TestSmsExport::fullDiskKeepsTheOldFile()
{
    FullFileSystem fs([](const QString& mount) {
        QFile f(mount + "/protokoll.csv");
        if (f.open(QIODevice::WriteOnly))
            f.write("alt\r\n");
    });
    if (!fs.ok)
        QSKIP("mounting a small tmpfs needs root");
    TestDatabase db;
    fillLog(db);
    ScriptedMessages msgs;
    TSmsExportCsvForm form;
    const QString file = fs.mount + "/protokoll.csv";
    QCOMPARE(runExport(form, file, 0), int(QDialog::Rejected));
    QCOMPARE(msgs.Count(), 2);   // the overwrite question, then the failure
    QCOMPARE(msgs.Messages().last().kind, Msg::Kind::Error);
    QVERIFY2(msgs.Texts().last().contains(QString::fromUtf8("Der Datenträger ist voll.")), qPrintable(msgs.Texts().last()));
    QCOMPARE(readAll(file), QByteArray("alt\r\n"));
    QCOMPARE(QDir(fs.mount).entryList(QDir::Files | QDir::Hidden, QDir::Name), (QStringList{"filler", "protokoll.csv"}));
}

void TestSmsExport::showStartsAfresh()
{
    TestDatabase db;
    ScriptedMessages msgs;
    TSmsExportCsvForm form;
    SaveAnswers answers;
    answers.names = {db.Path() + "/a.csv"};
    for (int round = 0; round < 2; ++round) {
        QString name;
        int separator = -1;
        bool focused = false;
        OnNextModal([&](QWidget* w) {
            name = FindChild<QLineEdit>(w, "Dateiname")->text();
            separator = combo(w, "Trennzeichen")->currentIndex();
            focused = QApplication::focusWidget() == button(w, "Btn_Dateiname");
            button(w, "Btn_Dateiname")->click();
            combo(w, "Trennzeichen")->setCurrentIndex(1);
            button(w, "Btn_Abbrechen")->click();
        });
        QCOMPARE(form.exec(), int(QDialog::Rejected));
        QCOMPARE(name, QString::fromUtf8("Bitte wählen..."));
        QCOMPARE(separator, 0);
        QVERIFY(focused);
    }
    QCOMPARE(form.windowTitle(), QString("SMS-Protokoll als CSV-Datei exportieren"));
    // The save dialog starts from the initial name, then from the name last chosen.
    QCOMPARE(answers.requests.size(), 2);
    QCOMPARE(answers.requests[0].directory, QString("Vornix_Protokoll.csv"));
    QCOMPARE(answers.requests[1].directory, db.Path() + "/a.csv");
    QCOMPARE(answers.requests[0].caption, QString::fromUtf8("Datei für den CSV-Export"));
    QCOMPARE(answers.requests[0].filter, QString("CSV-Dateien (*.csv)"));
    QCOMPARE(msgs.Count(), 0);
}

void TestSmsExport::checksBeforeTheRun()
{
    TestDatabase db;
    ScriptedMessages msgs;
    TSmsExportCsvForm form;
    bool open = false;
    OnNextModal([&](QWidget* w) {
        button(w, "Btn_OK")->click();
        open = w->isVisible() && QApplication::focusWidget() == button(w, "Btn_Dateiname");
        button(w, "Btn_Abbrechen")->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Rejected));
    QVERIFY(open);
    QCOMPARE(msgs.Texts(), QStringList{QString::fromUtf8(
        "Bitte wählen Sie zunächst eine Datei, in die alle betreffenden Datensätze exportiert werden sollen.")});
}

void TestSmsExport::refusedOverwriteThenAnotherFile()
{
    TestDatabase db;
    fillLog(db);
    ScriptedMessages msgs;
    msgs.AnswerNext(false);
    const QString first = db.Path() + "/erste.csv";
    const QString second = db.Path() + "/zweite.csv";
    {
        QFile f(first);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("alt");
    }
    TSmsExportCsvForm form;
    SaveAnswers answers;
    answers.names = {first, second};
    OnNextModal([&](QWidget* w) {
        button(w, "Btn_Dateiname")->click();
        button(w, "Btn_OK")->click();
        button(w, "Btn_Dateiname")->click();
        button(w, "Btn_OK")->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QCOMPARE(readAll(first), QByteArray("alt"));
    QVERIFY(readAll(second).startsWith("Versandzeitpunkt;"));
    QCOMPARE(msgs.Count(), 2);
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::WarningQuestion);
    QCOMPARE(msgs.Texts().last(), QString("Das SMS-Protokoll wurde erfolgreich nach '%1' exportiert.").arg(second));
}

void TestSmsExport::menuItemOpensTheDialog()
{
    TestDatabase db;
    ScriptedMessages msgs;
    std::unique_ptr<THauptForm> frame{CreateHauptForm()};
    QString seen;
    OnNextModal([&](QWidget* w) {
        seen = w->objectName();
        button(w, "Btn_Abbrechen")->click();
    });
    frame->findChild<QAction*>("SMSProtokollalsCSVDatei1")->trigger();
    QCOMPARE(seen, QString("SmsExportCsvForm"));
    QCOMPARE(msgs.Count(), 0);
}

QTEST_MAIN(TestSmsExport)
#include "tst_smsexport.moc"
