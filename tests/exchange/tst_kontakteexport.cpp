#include "FullFileSystem.h"
#include "TestEnv.h"
#include "app/HauptForm.h"
#include "app/StartUp.h"
#include "exchange/CsvDatei.h"
#include "exchange/KontakteExportCsvForm.h"
#include "platform/FileDialogs.h"
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Answers the save dialogs with the given names in turn ("" cancels) and records the requests.
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
QLineEdit* dateiname(QWidget* w) { return FindChild<QLineEdit>(w, QStringLiteral("Dateiname")); }

// Two contacts (one full of awkward values, one of NULLs), two groups and an empty one.
void fillContacts(TestDatabase& db)
{
    db.Exec(QString::fromUtf8(
        "INSERT INTO kontakte (id,geschlecht,vorname,nachname,firma,geburtsdatum,kdnr,mobil,mobil_send,"
        "mobil_lastsend,email,email_send,p_strasse,p_plz,p_ort,p_land,f_strasse) VALUES "
        "(1,2,'Jürgen','Müller','Kaffee € & Co','1970-03-05','K\"1','00491701234567',1,"
        "'2026-01-02 23:59:58','j@x.de',0,'Hauptstr. 1; Hof, links','','Köln'||ASCII_CHAR(9)||'Porz',"
        "'DE','Zeile 1'||ASCII_CHAR(13)||ASCII_CHAR(10)||'Zeile 2')"));
    db.Exec("INSERT INTO kontakte (id,geschlecht,nachname,kdnr,mobil_send,email_send,p_strasse,p_plz,"
            "p_ort,p_land,p_telefon,p_telefax,p_webseite,f_strasse,f_plz,f_ort,f_land,f_telefon,"
            "f_telefax,f_webseite) VALUES (2,NULL,'Ohne',NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,"
            "NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL)");
    db.Exec("INSERT INTO kategorien (id,name) VALUES (10,'Kunden')");
    db.Exec("INSERT INTO kategorien (id,name) VALUES (11,'Freunde')");
    db.Exec("INSERT INTO kategorien (id,name) VALUES (12,'Leer')");
    db.Exec("INSERT INTO katzuord (kontakt,kategorie) VALUES (1,10)");
    db.Exec("INSERT INTO katzuord (kontakt,kategorie) VALUES (1,11)");
    db.Exec("INSERT INTO katzuord (kontakt,kategorie) VALUES (2,10)");
}

QByteArray header(char sep)
{
    QByteArray h("Geschlecht;Vorname;Nachname;Firma;Geburtsdatum;KdNr;Mobil;Mobil_Send;Mobil_LastSend;"
                 "Email;Email_Send;P_Strasse;P_Plz;P_Ort;P_Land;P_Telefon;P_Telefax;P_Webseite;"
                 "F_Strasse;F_Plz;F_Ort;F_Land;F_Telefon;F_Telefax;F_Webseite;Kontaktgruppen\r\n");
    h.replace(';', sep);
    return h;
}

// Runs the dialog: chooses `file`, the group and separator, clicks OK.
int runExport(TKontakteExportCsvForm& form, const QString& file, int group, int separator)
{
    SaveAnswers answers;
    answers.names = {file};
    OnNextModal([&](QWidget* w) {
        button(w, "Btn_Dateiname")->click();
        combo(w, "Kontaktgruppen")->setCurrentIndex(group);
        combo(w, "Trennzeichen")->setCurrentIndex(separator);
        button(w, "Btn_OK")->click();
        if (w->isVisible())
            button(w, "Btn_Abbrechen")->click();
    });
    return form.exec();
}
}

class TestKontakteExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetModalTimeout(); }
    void cleanup() { QVERIFY(!ModalTimedOut()); }
    void writesExactBytes_data();
    void writesExactBytes();
    void exportsOneGroup_data();
    void exportsOneGroup();
    void showStartsAfresh();
    void noFileChosenKeepsDialogOpen();
    void existingFileIsAskedFor_data();
    void existingFileIsAskedFor();
    void saveDialogRequest();
    void progressLocksTheDialog();
    void failureIsShownAndDialogStays();
    void lettersBeyondWindows1252GiveUtf8();
    void fullDiskKeepsTheOldFile();
    void menuItemOpensTheDialog();
};

void TestKontakteExport::writesExactBytes_data()
{
    QTest::addColumn<int>("separator");
    QTest::addColumn<QByteArray>("rows");
    QTest::newRow("Semikolon") << 0 << QByteArray(
        "2;J\xFCrgen;M\xFCller;Kaffee \x80 & Co;05.03.1970;\"K\"\"1\";00491701234567;1;02.01.2026;j@x.de;0;"
        "\"Hauptstr. 1; Hof, links\";;K\xF6ln\tPorz;DE;;;;\"Zeile 1\r\nZeile 2\";;;;;;;Freunde, Kunden\r\n"
        "0;;Ohne;;;;;0;;;0;;;;;;;;;;;;;;;Kunden\r\n");
    QTest::newRow("Komma") << 1 << QByteArray(
        "2,J\xFCrgen,M\xFCller,Kaffee \x80 & Co,05.03.1970,\"K\"\"1\",00491701234567,1,02.01.2026,j@x.de,0,"
        "\"Hauptstr. 1; Hof, links\",,K\xF6ln\tPorz,DE,,,,\"Zeile 1\r\nZeile 2\",,,,,,,\"Freunde, Kunden\"\r\n"
        "0,,Ohne,,,,,0,,,0,,,,,,,,,,,,,,,Kunden\r\n");
    QTest::newRow("Tabulator") << 2 << QByteArray(
        "2\tJ\xFCrgen\tM\xFCller\tKaffee \x80 & Co\t05.03.1970\t\"K\"\"1\"\t00491701234567\t1\t02.01.2026\tj@x.de\t0\t"
        "Hauptstr. 1; Hof, links\t\t\"K\xF6ln\tPorz\"\tDE\t\t\t\t\"Zeile 1\r\nZeile 2\"\t\t\t\t\t\t\tFreunde, Kunden\r\n"
        "0\t\tOhne\t\t\t\t\t0\t\t\t0\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tKunden\r\n");
}

void TestKontakteExport::writesExactBytes()
{
    QFETCH(int, separator);
    QFETCH(QByteArray, rows);
    TestDatabase db;
    fillContacts(db);
    ScriptedMessages msgs;
    TKontakteExportCsvForm form;
    const QString file = db.Path() + "/kontakte.csv";
    QCOMPARE(runExport(form, file, 0, separator), int(QDialog::Accepted));
    const char sep = separator == 1 ? ',' : separator == 2 ? '\t' : ';';
    QCOMPARE(readAll(file), header(sep) + rows);
    QCOMPARE(msgs.Texts(), QStringList{QString("Die Kontakte wurden erfolgreich nach '%1' exportiert.").arg(file)});
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::Information);
}

void TestKontakteExport::exportsOneGroup_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<QStringList>("nachnamen");
    // Groups by name: [alle Kontaktgruppen], Freunde, Kunden, Leer.
    QTest::newRow("Freunde") << 1 << QStringList{QString::fromUtf8("Müller")};
    QTest::newRow("Kunden") << 2 << QStringList{QString::fromUtf8("Müller"), "Ohne"};
    QTest::newRow("empty group: header only") << 3 << QStringList();
}

void TestKontakteExport::exportsOneGroup()
{
    QFETCH(int, group);
    QFETCH(QStringList, nachnamen);
    TestDatabase db;
    fillContacts(db);
    ScriptedMessages msgs;
    TKontakteExportCsvForm form;
    const QString file = db.Path() + "/gruppe.csv";
    QCOMPARE(runExport(form, file, group, 0), int(QDialog::Accepted));
    QVERIFY(readAll(file).startsWith(header(';')));
    const std::unique_ptr<TCsvDatei> csv = TCsvDatei::CreateFromFile(file, ';');
    QStringList read;
    for (int row = 0; row < csv->GetRowCount(); ++row)
        read.append(csv->GetValue(row, "Nachname"));
    QCOMPARE(read, nachnamen);
    if (!nachnamen.isEmpty()) {
        // What is read back is what was stored.
        QCOMPARE(csv->GetValue(0, "F_Strasse"), QString("Zeile 1\r\nZeile 2"));
        QCOMPARE(csv->GetValue(0, "KdNr"), QString("K\"1"));
        QCOMPARE(csv->GetValue(0, "Firma"), QString::fromUtf8("Kaffee € & Co"));
        QCOMPARE(csv->GetValue(0, "Kontaktgruppen"), QString("Freunde, Kunden"));
    }
    QCOMPARE(msgs.Count(), 1);
}

void TestKontakteExport::showStartsAfresh()
{
    TestDatabase db;
    fillContacts(db);
    ScriptedMessages msgs;
    TKontakteExportCsvForm form;
    QCOMPARE(form.GetSpalten().size(), 26);
    QCOMPARE(form.GetSpalten().join(';').toLatin1() + "\r\n", header(';'));
    for (int round = 0; round < 2; ++round) {
        QStringList items;
        QString name;
        int separator = -1;
        bool focused = false;
        OnNextModal([&](QWidget* w) {
            QComboBox* groups = combo(w, "Kontaktgruppen");
            for (int i = 0; i < groups->count(); ++i)
                items.append(groups->itemText(i));
            focused = QApplication::focusWidget() == groups && groups->currentIndex() == 0;
            name = dateiname(w)->text();
            separator = combo(w, "Trennzeichen")->currentIndex();
            QVERIFY(!dateiname(w)->isEnabled());
            // Changes that the next showing undoes.
            groups->setCurrentIndex(2);
            combo(w, "Trennzeichen")->setCurrentIndex(2);
            dateiname(w)->setText("x.csv");
            button(w, "Btn_Abbrechen")->click();
        });
        QCOMPARE(form.exec(), int(QDialog::Rejected));
        QCOMPARE(items, QStringList({"[alle Kontaktgruppen]", "Freunde", "Kunden", "Leer"}));
        QVERIFY(focused);
        QCOMPARE(name, QString::fromUtf8("Bitte wählen..."));
        QCOMPARE(separator, 0);
        QCOMPARE(form.windowTitle(), QString("Kontakte als CSV-Datei exportieren"));
    }
    QCOMPARE(msgs.Count(), 0);
}

void TestKontakteExport::noFileChosenKeepsDialogOpen()
{
    TestDatabase db;
    ScriptedMessages msgs;
    TKontakteExportCsvForm form;
    bool open = false;
    bool focused = false;
    SaveAnswers answers;   // the save dialog cancelled
    OnNextModal([&](QWidget* w) {
        button(w, "Btn_Dateiname")->click();
        button(w, "Btn_OK")->click();
        open = w->isVisible();
        focused = QApplication::focusWidget() == button(w, "Btn_Dateiname");
        button(w, "Btn_Abbrechen")->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Rejected));
    QVERIFY(open);
    QVERIFY(focused);
    QCOMPARE(msgs.Texts(), QStringList{QString::fromUtf8(
        "Bitte wählen Sie zunächst eine Datei, in die alle betreffenden Datensätze exportiert werden sollen.")});
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::Information);
}

void TestKontakteExport::existingFileIsAskedFor_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("No keeps the file") << false;
    QTest::newRow("Yes overwrites") << true;
}

void TestKontakteExport::existingFileIsAskedFor()
{
    QFETCH(bool, yes);
    TestDatabase db;
    ScriptedMessages msgs;
    msgs.AnswerNext(yes);
    const QString file = db.Path() + "/alt.csv";
    writeFile(file, "alt");
    TKontakteExportCsvForm form;
    bool focused = false;
    SaveAnswers answers;
    answers.names = {file};
    OnNextModal([&](QWidget* w) {
        button(w, "Btn_Dateiname")->click();
        button(w, "Btn_OK")->click();
        focused = QApplication::focusWidget() == button(w, "Btn_Dateiname");
        if (w->isVisible())
            button(w, "Btn_Abbrechen")->click();
    });
    QCOMPARE(form.exec(), int(yes ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::WarningQuestion);
    QCOMPARE(msgs.Texts().first(), QString::fromUtf8("Die Datei '%1' existiert bereits.\n\rSind Sie sicher, "
                                                     "dass Sie diese Datei überschreiben möchten?").arg(file));
    if (yes) {
        QCOMPARE(readAll(file), header(';'));
        QCOMPARE(msgs.Count(), 2);
    } else {
        QCOMPARE(readAll(file), QByteArray("alt"));
        QVERIFY(focused);
        QCOMPARE(msgs.Count(), 1);
    }
}

void TestKontakteExport::saveDialogRequest()
{
    TestDatabase db;
    ScriptedMessages msgs;
    TKontakteExportCsvForm form;
    SaveAnswers answers;
    const QString first = db.Path() + "/ohne";
    const QString second = db.Path() + "/zwei.txt";
    answers.names = {first, second, QString()};
    QStringList shown;
    OnNextModal([&](QWidget* w) {
        for (int i = 0; i < 3; ++i) {
            button(w, "Btn_Dateiname")->click();
            shown.append(dateiname(w)->text());
        }
        button(w, "Btn_Abbrechen")->click();
    });
    form.exec();
    // A name without a suffix gets ".csv"; a cancelled dialog keeps the name chosen before.
    QCOMPARE(shown, QStringList({first + ".csv", second, second}));
    QCOMPARE(answers.requests.size(), 3);
    const FileDialogs::Request& r = answers.requests.first();
    QCOMPARE(r.mode, FileDialogs::Request::Mode::Save);
    QCOMPARE(r.caption, QString::fromUtf8("Datei für den CSV-Export"));
    QCOMPARE(r.filter, QString("CSV-Dateien (*.csv)"));
    QCOMPARE(r.defaultSuffix, QString("csv"));
    QVERIFY(r.options.testFlag(QFileDialog::DontConfirmOverwrite));
    QCOMPARE(r.directory, QString("Vornix_Kontakte.csv"));
    QCOMPARE(answers.requests[1].directory, first + ".csv");
    QCOMPARE(answers.requests[2].directory, second);
    QCOMPARE(msgs.Count(), 0);
}

void TestKontakteExport::progressLocksTheDialog()
{
    TestDatabase db;
    db.Exec("EXECUTE BLOCK AS DECLARE i INTEGER = 1; BEGIN WHILE (i <= 250) DO BEGIN "
            "INSERT INTO kontakte (id,nachname) VALUES (:i,'N'); i = i + 1; END END");
    ScriptedMessages msgs;
    TKontakteExportCsvForm form;
    QStringList texts;
    bool locked = true;
    QStatusBar* bar = FindChild<QStatusBar>(&form, "StatusBar");
    connect(bar, &QStatusBar::messageChanged, &form, [&](const QString& text) {
        texts.append(text);
        if (!text.isEmpty()) {
            locked = locked && !button(&form, "Btn_OK")->isEnabled()
                     && !button(&form, "Btn_Abbrechen")->isEnabled() && QApplication::overrideCursor();
            // Neither the close box nor Escape ends the dialog during the run.
            form.close();
            form.reject();
            locked = locked && form.isVisible();
        }
    });
    const QString file = db.Path() + "/viele.csv";
    QCOMPARE(runExport(form, file, 0, 0), int(QDialog::Accepted));
    QVERIFY(locked);
    QVERIFY(!QApplication::overrideCursor());
    // 250 contacts: a step of 2, so the shown percentage (a change of the text) goes 0.8 at a
    // time and passes every whole number.
    const QString format = QString("Bitte warten... die Kontakte werden exportiert (%1% abgeschlossen).");
    QCOMPARE(texts.size(), 1 + 100 + 1);
    for (int p = 0; p <= 100; ++p)
        QCOMPARE(texts[p], format.arg(p));
    QCOMPARE(texts.last(), QString());
    QCOMPARE(readAll(file).count("\r\n"), 251);
    QVERIFY(button(&form, "Btn_OK")->isEnabled());
    QVERIFY(button(&form, "Btn_Abbrechen")->isEnabled());
}

void TestKontakteExport::failureIsShownAndDialogStays()
{
    TestDatabase db;
    fillContacts(db);
    ScriptedMessages msgs;
    TKontakteExportCsvForm form;
    const QString file = db.Path() + "/fehlt/kontakte.csv";
    bool open = false;
    QString status = "x";
    SaveAnswers answers;
    answers.names = {file};
    OnNextModal([&](QWidget* w) {
        button(w, "Btn_Dateiname")->click();
        button(w, "Btn_OK")->click();
        open = w->isVisible() && button(w, "Btn_OK")->isEnabled();
        status = FindChild<QStatusBar>(w, "StatusBar")->currentMessage();
        button(w, "Btn_Abbrechen")->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Rejected));
    QVERIFY(open);
    QCOMPARE(status, QString());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(msgs.Count(), 1);
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::Error);
    QVERIFY(!QFile::exists(file));
}

// Nothing turns into "?": one name beyond Windows-1252 makes the whole file UTF-8 with a mark,
// which the import reads back as it was.
void TestKontakteExport::lettersBeyondWindows1252GiveUtf8()
{
    TestDatabase db;
    fillContacts(db);
    db.Exec(QString::fromUtf8("INSERT INTO kontakte (id,geschlecht,vorname,nachname,firma) VALUES "
                              "(3,3,'Łukasz','Ελένη','Şirket 😀')"));
    db.Exec(QString::fromUtf8("INSERT INTO kategorien (id,name) VALUES (13,'Ärzte')"));
    db.Exec("INSERT INTO katzuord (kontakt,kategorie) VALUES (3,13)");
    db.Exec("INSERT INTO katzuord (kontakt,kategorie) VALUES (3,10)");
    ScriptedMessages msgs;
    TKontakteExportCsvForm form;
    const QString file = db.Path() + "/kontakte.csv";
    QCOMPARE(runExport(form, file, 0, 0), int(QDialog::Accepted));
    const QByteArray bytes = readAll(file);
    const QByteArray rows = QString::fromUtf8(
        "2;Jürgen;Müller;Kaffee € & Co;05.03.1970;\"K\"\"1\";00491701234567;1;02.01.2026;j@x.de;0;"
        "\"Hauptstr. 1; Hof, links\";;Köln\tPorz;DE;;;;\"Zeile 1\r\nZeile 2\";;;;;;;Freunde, Kunden\r\n"
        "0;;Ohne;;;;;0;;;0;;;;;;;;;;;;;;;Kunden\r\n"
        "3;Łukasz;Ελένη;Şirket 😀;;;;1;;;1;;;;;;;;;;;;;;;Kunden, Ärzte\r\n").toUtf8();
    QCOMPARE(bytes, "\xEF\xBB\xBF" + header(';') + rows);
    const std::unique_ptr<TCsvDatei> csv = TCsvDatei::CreateFromFile(file, ';');
    QCOMPARE(csv->GetRowCount(), 3);
    QCOMPARE(csv->GetValue(0, "Vorname"), QString::fromUtf8("Jürgen"));
    QCOMPARE(csv->GetValue(2, "Vorname"), QString::fromUtf8("Łukasz"));
    QCOMPARE(csv->GetValue(2, "Firma"), QString::fromUtf8("Şirket 😀"));
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::Information);
}

// A full disk: the reason in German, the old file as it was, no success reported.
void TestKontakteExport::fullDiskKeepsTheOldFile()
{
    FullFileSystem fs([](const QString& mount) { writeFile(mount + "/kontakte.csv", "alt\r\n"); });
    if (!fs.ok)
        QSKIP("mounting a small tmpfs needs root");
    TestDatabase db;
    fillContacts(db);
    ScriptedMessages msgs;
    TKontakteExportCsvForm form;
    const QString file = fs.mount + "/kontakte.csv";
    QCOMPARE(runExport(form, file, 0, 0), int(QDialog::Rejected));
    QCOMPARE(msgs.Count(), 2);   // the overwrite question, then the failure
    QCOMPARE(msgs.Messages().last().kind, Msg::Kind::Error);
    QVERIFY2(msgs.Texts().last().contains(QString::fromUtf8("Der Datenträger ist voll.")), qPrintable(msgs.Texts().last()));
    QCOMPARE(readAll(file), QByteArray("alt\r\n"));
    QCOMPARE(QDir(fs.mount).entryList(QDir::Files | QDir::Hidden, QDir::Name), (QStringList{"filler", "kontakte.csv"}));
    QVERIFY(!QApplication::overrideCursor());
}

void TestKontakteExport::menuItemOpensTheDialog()
{
    TestDatabase db;
    ScriptedMessages msgs;
    std::unique_ptr<THauptForm> frame{CreateHauptForm()};
    QString seen;
    OnNextModal([&](QWidget* w) {
        seen = w->objectName();
        button(w, "Btn_Abbrechen")->click();
    });
    frame->findChild<QAction*>("Kontakte2")->trigger();
    QCOMPARE(seen, QString("KontakteExportCsvForm"));
    QCOMPARE(msgs.Count(), 0);
}

QTEST_MAIN(TestKontakteExport)
#include "tst_kontakteexport.moc"
