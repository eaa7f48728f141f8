#include "TestEnv.h"
#include "TestProgram.h"
#include "app/HauptForm.h"
#include "exchange/KontakteExportCsvForm.h"
#include "exchange/KontakteImportCsvForm.h"
#include "foundation/DatenModul.h"
#include "platform/FileDialogs.h"
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStatusBar>
#include <QtTest>
#include <functional>

// The CSV import wizard driven through its widgets over a real database: the presets, the
// value rules, the refusals of both steps, the group, one unit that a failure rolls back,
// "Zurück" then "Weiter" reading anew, and the menu item.

namespace {
const QStringList kExportSpalten{
    "Geschlecht", "Vorname", "Nachname", "Firma", "Geburtsdatum", "KdNr", "Mobil", "Mobil_Send",
    "Mobil_LastSend", "Email", "Email_Send", "P_Strasse", "P_Plz", "P_Ort", "P_Land", "P_Telefon",
    "P_Telefax", "P_Webseite", "F_Strasse", "F_Plz", "F_Ort", "F_Land", "F_Telefon", "F_Telefax",
    "F_Webseite", "Kontaktgruppen"};

const QString kKeineDaten = QString::fromUtf8("Die CSV-Datei enthält keine gültigen Daten.");
const QString kKeineSpalten = QString::fromUtf8("In der CSV-Datei wurden keine gültigen Spaltendefinitonen gefunden.");
const QString kImportFehler = QString::fromUtf8(
    "Beim Auslesen bzw. Verarbeiten der Kontaktdaten aus der CSV-Datei ist ein Fehler aufgetreten.\n\r"
    "Fehlermeldung: ");

QString erfolg(int n) { return QString("Es wurden %1 Kontakte aus der CSV-Datei erfolgreich importiert.").arg(n); }

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Answers the file dialogs with the given names in turn ("" cancels) and records the requests.
struct FileAnswers {
    QStringList names;
    QList<FileDialogs::Request> requests;
    FileAnswers()
    {
        FileDialogs::SetResponder([this](const FileDialogs::Request& r) {
            requests.append(r);
            return names.isEmpty() ? QString() : names.takeFirst();
        });
    }
    ~FileAnswers() { FileDialogs::SetResponder({}); }
};

QPushButton* button(QWidget* w, const char* name) { return FindChild<QPushButton>(w, QLatin1String(name)); }
QComboBox* combo(QWidget* w, const char* name) { return FindChild<QComboBox>(w, QLatin1String(name)); }
bool onStep(QWidget* w, int step)
{
    QWidget* shown = FindChild<QWidget>(w, step == 1 ? "Panel_Step1" : "Panel_Step2");
    QWidget* hidden = FindChild<QWidget>(w, step == 1 ? "Panel_Step2" : "Panel_Step1");
    return shown && hidden && shown->isVisible() && !hidden->isVisible();
}

// Step 1 with `file` (none when empty), the separator and group indexes, then "Weiter".
void step1(QWidget* w, FileAnswers& files, const QString& file, int separator = 0, int group = 0)
{
    if (!file.isEmpty()) {
        files.names = {file};
        button(w, "Btn_Dateiname")->click();
    }
    combo(w, "Trennzeichen")->setCurrentIndex(separator);
    combo(w, "Kontaktgruppen")->setCurrentIndex(group);
    button(w, "Btn_Step1_Weiter")->click();
}

// Shows the wizard, runs `action` inside it and cancels whatever is still open.
int runWizard(TKontakteImportCsvForm& form, const std::function<void(QWidget*)>& action)
{
    OnNextModal([&](QWidget* w) {
        action(w);
        if (w->isVisible())
            button(w, onStep(w, 1) ? "Btn_Step1_Abbrechen" : "Btn_Step2_Abbrechen")->click();
    });
    return form.exec();
}

// Step 1 with the file, then "Fertigstellen" with the presets.
int importFile(TKontakteImportCsvForm& form, const QString& file, int separator = 0, int group = 0)
{
    FileAnswers files;
    return runWizard(form, [&](QWidget* w) {
        step1(w, files, file, separator, group);
        if (onStep(w, 2))
            button(w, "Btn_Step2_Weiter")->click();
    });
}

QStringList column(TestDatabase&, const QString& sql)
{
    QStringList values;
    QSqlQuery q = DatenModul->Run(sql);
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i)
            row.append(q.value(i).isNull() ? QString("NULL") : q.value(i).toString());
        values.append(row.join('|'));
    }
    return values;
}

// The 24 imported fields of every contact, by id.
const char* kFelder =
    "SELECT COALESCE(geschlecht,1),vorname,nachname,firma,COALESCE(kdnr,''),mobil,COALESCE(mobil_send,0),"
    "email,COALESCE(email_send,0),geburtsdatum,COALESCE(p_strasse,''),COALESCE(p_plz,''),"
    "COALESCE(p_ort,''),COALESCE(p_land,''),COALESCE(p_telefon,''),COALESCE(p_telefax,''),"
    "COALESCE(p_webseite,''),COALESCE(f_strasse,''),COALESCE(f_plz,''),COALESCE(f_ort,''),"
    "COALESCE(f_land,''),COALESCE(f_telefon,''),COALESCE(f_telefax,''),COALESCE(f_webseite,'') "
    "FROM kontakte ORDER BY id";

int count(TestDatabase& db, const QString& table) { return db.Scalar("SELECT COUNT(*) FROM " + table).toInt(); }
}

class TestKontakteImportCsv : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetModalTimeout(); }
    void cleanup() { QVERIFY(!ModalTimedOut()); }
    void roundTripOfAnExport_data();
    void roundTripOfAnExport();
    void presets_data();
    void presets();
    void step1Refusals_data();
    void step1Refusals();
    void valueRules_data();
    void valueRules();
    void blankRowsAreSkipped();
    void utf16FromThunderbird();
    void group_data();
    void group();
    void failureRollsBackTheWholeImport();
    void progressLocksTheWizard();
    void backThenNextReadsAnew();
    void showStartsAfresh();
    void menuItemImportsAndReloads();
};

void TestKontakteImportCsv::roundTripOfAnExport_data()
{
    QTest::addColumn<int>("separator");
    QTest::newRow("Semikolon") << 0;
    QTest::newRow("Komma") << 1;
    QTest::newRow("Tabulator") << 2;
}

void TestKontakteImportCsv::roundTripOfAnExport()
{
    QFETCH(int, separator);
    TestDatabase db;
    db.Exec(QString::fromUtf8(
        "INSERT INTO kontakte (id,geschlecht,vorname,nachname,firma,geburtsdatum,kdnr,mobil,mobil_send,"
        "mobil_lastsend,email,email_send,p_strasse,p_plz,p_ort,p_land,p_telefon,p_telefax,p_webseite,"
        "f_strasse,f_plz,f_ort,f_land,f_telefon,f_telefax,f_webseite) VALUES "
        "(1,2,'Jürgen','Müller','Kaffee € & Co','1970-03-05','K\"1','00491701234567',0,"
        "'2026-01-02 23:59:58','j@x.de',0,'Hauptstr. 1; Hof, links','50667','Köln'||ASCII_CHAR(9)||'Porz',"
        "'DE','0221 1','0221 2','www.x.de','Zeile 1'||ASCII_CHAR(13)||ASCII_CHAR(10)||'Zeile 2',"
        "'10115','Berlin','Deutschland','030 1','030 2','https://y.de')"));
    db.Exec("INSERT INTO kontakte (id,geschlecht,nachname,kdnr,mobil_send,email_send) VALUES (2,NULL,'Ohne',NULL,NULL,1)");
    db.Exec("INSERT INTO kategorien (id,name) VALUES (10,'Kunden')");
    db.Exec("INSERT INTO katzuord (kontakt,kategorie) VALUES (1,10)");
    ScriptedMessages msgs;
    const QString file = db.Path() + "/export.csv";
    {
        TKontakteExportCsvForm exportForm;
        FileAnswers files;
        files.names = {file};
        OnNextModal([&](QWidget* w) {
            button(w, "Btn_Dateiname")->click();
            combo(w, "Trennzeichen")->setCurrentIndex(separator);
            button(w, "Btn_OK")->click();
        });
        QCOMPARE(exportForm.exec(), int(QDialog::Accepted));
    }
    // The empty salutation of contact 2 comes back as 1, its NULL texts as empty ones.
    const QStringList before = column(db, kFelder);
    db.Exec("DELETE FROM katzuord");
    db.Exec("DELETE FROM kontakte");
    msgs.Clear();

    TKontakteImportCsvForm form(kExportSpalten);
    FileAnswers files;
    QList<int> presets;
    const int result = runWizard(form, [&](QWidget* w) {
        step1(w, files, file, separator);
        for (const auto& z : TKontakteImportCsvForm::Zuordnungen())
            presets.append(combo(w, z.liste)->currentIndex());
        button(w, "Btn_Step2_Weiter")->click();
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(msgs.Texts(), QStringList{erfolg(2)});
    QCOMPARE(presets.size(), 24);
    for (int i = 0; i < presets.size(); ++i)
        QVERIFY2(presets[i] > 0, TKontakteImportCsvForm::Zuordnungen()[size_t(i)].liste);
    QCOMPARE(column(db, kFelder), before);
    // Group memberships and last-SMS dates are not carried over.
    QCOMPARE(count(db, "katzuord"), 0);
    QCOMPARE(db.Scalar("SELECT COUNT(*) FROM kontakte WHERE mobil_lastsend IS NOT NULL"), QString("0"));
}

void TestKontakteImportCsv::presets_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("separator");
    QTest::addColumn<QStringList>("items");     // of every list
    QTest::addColumn<QStringList>("mapped");    // list=index of the lists preset, in mapping order
    QTest::newRow("names in other case") << QByteArray("vorname;NACHNAME;mobil_SEND;xyz;Vorname\r\na;b;1;c;d\r\n") << 0
        << QStringList{"[keine Zuordnung]", "vorname", "NACHNAME", "mobil_SEND", "xyz", "Vorname"}
        << QStringList{"Zuordnung_Vorname=1", "Zuordnung_Nachname=2", "Zuordnung_MobilSend=3"};
    QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBFGeschlecht;P_Ort\r\n2;K\xC3\xB6ln\r\n") << 0
        << QStringList{"[keine Zuordnung]", "Geschlecht", "P_Ort"}
        << QStringList{"Zuordnung_Geschlecht=1", "Zuordnung_PrivOrt=2"};
    QTest::newRow("wrong separator") << QByteArray("Vorname;Nachname\r\nA;B\r\n") << 1
        << QStringList{"[keine Zuordnung]", "Vorname;Nachname"} << QStringList{};
    QTest::newRow("tab") << QByteArray("F_Webseite\tKdNr\r\nw\tk\r\n") << 2
        << QStringList{"[keine Zuordnung]", "F_Webseite", "KdNr"}
        << QStringList{"Zuordnung_KdNr=2", "Zuordnung_GeschWebseite=1"};
}

void TestKontakteImportCsv::presets()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, separator);
    QFETCH(QStringList, items);
    QFETCH(QStringList, mapped);
    TestDatabase db;
    ScriptedMessages msgs;
    const QString file = db.Path() + "/p.csv";
    writeFile(file, bytes);
    TKontakteImportCsvForm form(kExportSpalten);
    FileAnswers files;
    QStringList seen;
    bool allSame = true;
    bool refused = false;
    runWizard(form, [&](QWidget* w) {
        step1(w, files, file, separator);
        QVERIFY(onStep(w, 2));
        for (const auto& z : TKontakteImportCsvForm::Zuordnungen()) {
            QComboBox* list = combo(w, z.liste);
            QStringList texts;
            for (int i = 0; i < list->count(); ++i)
                texts.append(list->itemText(i));
            allSame = allSame && texts == items;
            if (list->currentIndex() > 0)
                seen.append(QString("%1=%2").arg(z.liste).arg(list->currentIndex()));
        }
        if (mapped.isEmpty()) {
            // Nothing preset: "Fertigstellen" is refused until a list is mapped by hand.
            button(w, "Btn_Step2_Weiter")->click();
            refused = onStep(w, 2);
            combo(w, "Zuordnung_Nachname")->setCurrentIndex(1);
            button(w, "Btn_Step2_Weiter")->click();
        }
    });
    QVERIFY(allSame);
    QCOMPARE(seen, mapped);
    if (mapped.isEmpty()) {
        QVERIFY(refused);
        QCOMPARE(msgs.Texts(), QStringList({QString::fromUtf8(
            "Bitte ordnen Sie mindestens ein Datenbank-Feld einem Feld der CSV-Datei zu."), erfolg(1)}));
        QCOMPARE(db.Scalar("SELECT nachname FROM kontakte"), QString("A;B"));
    }
}

void TestKontakteImportCsv::step1Refusals_data()
{
    QTest::addColumn<QString>("file");       // "" chooses none; "-" a file that is not there
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("no file chosen") << "" << QByteArray()
        << QString::fromUtf8("Bitte wählen Sie zunächst eine Datei, in die alle betreffenden Datensätze "
                             "exportiert werden sollen.");
    QTest::newRow("file not there") << "-" << QByteArray()
        << QString::fromUtf8("Die Datei '%1' existiert nicht.\n\rBitte wählen Sie eine gültige Datei, "
                             "die importiert werden soll.");
    QTest::newRow("empty file") << "x.csv" << QByteArray() << kKeineDaten;
    QTest::newRow("header only") << "x.csv" << QByteArray("Vorname;Nachname\r\n") << kKeineDaten;
    QTest::newRow("blank lines only") << "x.csv" << QByteArray("Vorname\r\n  \r\n\r\n") << kKeineDaten;
    QTest::newRow("empty first line") << "x.csv" << QByteArray("\r\nVorname;Nachname\r\nA;B\r\n") << kKeineSpalten;
    QTest::newRow("binary") << "x.csv" << QByteArray("\x00\x01\x02\xFF\xFE", 5) << kKeineDaten;
}

void TestKontakteImportCsv::step1Refusals()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    TestDatabase db;
    ScriptedMessages msgs;
    QString path;
    if (file == "-")
        path = db.Path() + "/fehlt.csv";
    else if (!file.isEmpty()) {
        path = db.Path() + "/" + file;
        writeFile(path, bytes);
    }
    TKontakteImportCsvForm form(kExportSpalten);
    FileAnswers files;
    bool stays = false;
    bool focused = false;
    QString status = "x";
    runWizard(form, [&](QWidget* w) {
        step1(w, files, path);
        stays = onStep(w, 1) && w->isVisible();
        focused = QApplication::focusWidget() == button(w, "Btn_Dateiname");
        status = FindChild<QStatusBar>(w, "StatusBar")->currentMessage();
    });
    QVERIFY(stays);
    QCOMPARE(msgs.Texts(), QStringList{message.contains("%1") ? message.arg(path) : message});
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::Information);
    if (file.isEmpty() || file == "-")
        QVERIFY(focused);
    QCOMPARE(status, QString());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(count(db, "kontakte"), 0);
}

void TestKontakteImportCsv::valueRules_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("select");
    QTest::addColumn<QString>("expected");
    const QString date = "COALESCE(CAST(geburtsdatum AS VARCHAR(12)),'NULL')";
    QTest::newRow("Geschlecht 2") << "Geschlecht" << QByteArray("2") << "geschlecht" << "2";
    QTest::newRow("Geschlecht 3") << "Geschlecht" << QByteArray("3") << "geschlecht" << "3";
    QTest::newRow("Geschlecht 1") << "Geschlecht" << QByteArray("1") << "geschlecht" << "1";
    QTest::newRow("Geschlecht 0") << "Geschlecht" << QByteArray("0") << "geschlecht" << "1";
    QTest::newRow("Geschlecht 4") << "Geschlecht" << QByteArray("4") << "geschlecht" << "1";
    QTest::newRow("Geschlecht Herr") << "Geschlecht" << QByteArray("Herr") << "geschlecht" << "2";
    QTest::newRow("Geschlecht Frau") << "Geschlecht" << QByteArray("Frau") << "geschlecht" << "3";
    QTest::newRow("Geschlecht herr, blanks") << "Geschlecht" << QByteArray("  herr ") << "geschlecht" << "2";
    QTest::newRow("Geschlecht FRAU quoted") << "Geschlecht" << QByteArray("\" FRAU\"") << "geschlecht" << "3";
    QTest::newRow("Geschlecht Herrn") << "Geschlecht" << QByteArray("Herrn") << "geschlecht" << "1";
    QTest::newRow("Geschlecht Herr Dr.") << "Geschlecht" << QByteArray("Herr Dr.") << "geschlecht" << "1";
    QTest::newRow("Geschlecht Firma") << "Geschlecht" << QByteArray("Firma") << "geschlecht" << "1";
    QTest::newRow("Geschlecht empty") << "Geschlecht" << QByteArray("") << "geschlecht" << "1";
    QTest::newRow("Mobil_Send 0") << "Mobil_Send" << QByteArray("0") << "mobil_send" << "0";
    QTest::newRow("Mobil_Send 1") << "Mobil_Send" << QByteArray("1") << "mobil_send" << "1";
    QTest::newRow("Mobil_Send 5") << "Mobil_Send" << QByteArray("5") << "mobil_send" << "1";
    QTest::newRow("Mobil_Send -1") << "Mobil_Send" << QByteArray("-1") << "mobil_send" << "1";
    QTest::newRow("Mobil_Send ja") << "Mobil_Send" << QByteArray("ja") << "mobil_send" << "0";
    QTest::newRow("Mobil_Send empty") << "Mobil_Send" << QByteArray("") << "mobil_send" << "0";
    QTest::newRow("Email_Send ja") << "Email_Send" << QByteArray("ja") << "email_send" << "0";
    QTest::newRow("Email_Send 5") << "Email_Send" << QByteArray("5") << "email_send" << "1";
    QTest::newRow("Email_Send 0") << "Email_Send" << QByteArray("0") << "email_send" << "0";
    QTest::newRow("birthday valid") << "Geburtsdatum" << QByteArray("1.2.2000") << date << "2000-02-01";
    QTest::newRow("birthday trailing point") << "Geburtsdatum" << QByteArray("01.02.2000.") << date << "2000-02-01";
    QTest::newRow("birthday 31.02.") << "Geburtsdatum" << QByteArray("31.02.2000") << date << "NULL";
    QTest::newRow("birthday dashes") << "Geburtsdatum" << QByteArray("01-02-2000") << date << "NULL";
    QTest::newRow("birthday empty") << "Geburtsdatum" << QByteArray("") << date << "NULL";
    QTest::newRow("birthday two-digit year 90") << "Geburtsdatum" << QByteArray("3.1.90") << date << "1990-01-03";
    QTest::newRow("birthday two-digit year 05") << "Geburtsdatum" << QByteArray("3.1.05") << date << "2005-01-03";
    QTest::newRow("birthday four-digit year") << "Geburtsdatum" << QByteArray("3.1.1890") << date << "1890-01-03";
    QTest::newRow("mobile national") << "Mobil" << QByteArray("0170 123 4567") << "mobil" << "00491701234567";
    QTest::newRow("mobile international") << "Mobil" << QByteArray("+43 664 123456") << "mobil" << "0043664123456";
    QTest::newRow("mobile not recognised") << "Mobil" << QByteArray("Büro") << "mobil" << QString::fromUtf8("Büro");
    QTest::newRow("mobile cut to 30") << "Mobil" << QByteArray("abc ").repeated(10) << "mobil"
                                      << QString("abc ").repeated(8).left(30);
    QTest::newRow("first name cut to 60") << "Vorname" << QByteArray("x").repeated(70) << "vorname"
                                          << QString("x").repeated(60);
    QTest::newRow("umlauts cut by characters") << "P_Ort" << QByteArray("\xFC").repeated(61) << "p_ort"
                                               << QString::fromUtf8("ü").repeated(60);
    QTest::newRow("plz cut to 10") << "F_Plz" << QByteArray("123456789012") << "f_plz" << "1234567890";
    QTest::newRow("kdnr cut to 100") << "KdNr" << QByteArray("k").repeated(101) << "kdnr" << QString("k").repeated(100);
    QTest::newRow("text trimmed") << "Firma" << QByteArray("  A & B  ") << "firma" << "A & B";
}

void TestKontakteImportCsv::valueRules()
{
    QFETCH(QString, field);
    QFETCH(QByteArray, value);
    QFETCH(QString, select);
    QFETCH(QString, expected);
    TestDatabase db;
    ScriptedMessages msgs;
    const QString file = db.Path() + "/w.csv";
    writeFile(file, field.toLatin1() + ";Nachname\r\n" + value + ";X\r\n");
    TKontakteImportCsvForm form(kExportSpalten);
    QCOMPARE(importFile(form, file), int(QDialog::Accepted));
    QCOMPARE(msgs.Texts(), QStringList{erfolg(1)});
    QCOMPARE(db.Scalar("SELECT " + select + " FROM kontakte WHERE nachname='X'"), expected);
}

// A spreadsheet writes ";;;;" for formatted blank rows: no contact, not counted.
void TestKontakteImportCsv::blankRowsAreSkipped()
{
    TestDatabase db;
    ScriptedMessages msgs;
    const QString file = db.Path() + "/leer.csv";
    writeFile(file, "Geschlecht;Vorname;Nachname\r\nHerr;Max;Muster\r\n;;\r\n;;;;;;\r\n\"\";\" \";\r\n"
                    "frau;Erika;Muster\r\n;;;;;;\r\n");
    TKontakteImportCsvForm form(kExportSpalten);
    QCOMPARE(importFile(form, file), int(QDialog::Accepted));
    QCOMPARE(msgs.Texts(), QStringList{erfolg(2)});
    QCOMPARE(column(db, "SELECT geschlecht,vorname,nachname FROM kontakte ORDER BY id"),
             (QStringList{"2|Max|Muster", "3|Erika|Muster"}));

    // Blank rows only: no data.
    ScriptedMessages none;
    writeFile(file, "Vorname;Nachname\r\n;\r\n;;;;\r\n");
    TKontakteImportCsvForm again(kExportSpalten);
    QCOMPARE(importFile(again, file), int(QDialog::Rejected));
    QCOMPARE(none.Texts(), QStringList{kKeineDaten});
    QCOMPARE(count(db, "kontakte"), 2);
}

// Thunderbird's address book export: UTF-16 little endian with a mark, commas.
void TestKontakteImportCsv::utf16FromThunderbird()
{
    TestDatabase db;
    ScriptedMessages msgs;
    const QString file = db.Path() + "/tb.csv";
    const QString text = QString::fromUtf8("Vorname,Nachname,Mobil\r\nJörg,Weiß,0170 1234567\r\nŁukasz,Ελένη,\r\n");
    QByteArray bytes("\xFF\xFE");
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    writeFile(file, bytes);
    TKontakteImportCsvForm form(kExportSpalten);
    QCOMPARE(importFile(form, file, 1), int(QDialog::Accepted));
    QCOMPARE(msgs.Texts(), QStringList{erfolg(2)});
    QCOMPARE(column(db, "SELECT vorname,nachname,mobil FROM kontakte ORDER BY id"),
             (QStringList{QString::fromUtf8("Jörg|Weiß|00491701234567"), QString::fromUtf8("Łukasz|Ελένη|")}));
}

void TestKontakteImportCsv::group_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<QStringList>("assignments");
    // The list by name: [keiner Kontaktgruppe zuordnen], Freunde, Kunden.
    QTest::newRow("no group") << 0 << QStringList();
    QTest::newRow("Kunden") << 2 << QStringList{"A|11", "B|11", "C|11"};
}

void TestKontakteImportCsv::group()
{
    QFETCH(int, group);
    QFETCH(QStringList, assignments);
    TestDatabase db;
    db.Exec("INSERT INTO kategorien (id,name) VALUES (11,'Kunden')");
    db.Exec("INSERT INTO kategorien (id,name) VALUES (12,'Freunde')");
    ScriptedMessages msgs;
    const QString file = db.Path() + "/g.csv";
    writeFile(file, "Nachname\r\nA\r\nB\r\nC\r\n");
    TKontakteImportCsvForm form(kExportSpalten);
    QStringList items;
    FileAnswers files;
    runWizard(form, [&](QWidget* w) {
        QComboBox* groups = combo(w, "Kontaktgruppen");
        for (int i = 0; i < groups->count(); ++i)
            items.append(groups->itemText(i));
        step1(w, files, file, 0, group);
        button(w, "Btn_Step2_Weiter")->click();
    });
    QCOMPARE(items, QStringList({"[keiner Kontaktgruppe zuordnen]", "Freunde", "Kunden"}));
    QCOMPARE(msgs.Texts(), QStringList{erfolg(3)});
    QCOMPARE(count(db, "kontakte"), 3);
    QCOMPARE(column(db, "SELECT k.nachname,z.kategorie FROM katzuord z JOIN kontakte k ON k.id=z.kontakt "
                        "ORDER BY k.nachname"),
             assignments);
}

void TestKontakteImportCsv::failureRollsBackTheWholeImport()
{
    TestDatabase db;
    db.Exec("INSERT INTO kategorien (id,name) VALUES (11,'Kunden')");
    // The engine refuses the 120th record.
    db.Exec("ALTER TABLE kontakte ADD CONSTRAINT kein_fehler CHECK (nachname <> 'Fehler')");
    QByteArray bytes("Nachname\r\n");
    for (int i = 1; i <= 150; ++i)
        bytes += (i == 120 ? QByteArray("Fehler") : "N" + QByteArray::number(i)) + "\r\n";
    const QString file = db.Path() + "/f.csv";
    writeFile(file, bytes);
    ScriptedMessages msgs;
    bool cursorDuringBox = false;
    msgs.OnMessage([&](const ScriptedMessages::Entry& e) {
        if (e.kind == Msg::Kind::Error)
            cursorDuringBox = QApplication::overrideCursor();
    });
    TKontakteImportCsvForm form(kExportSpalten);
    FileAnswers files;
    bool stays = false;
    bool enabled = false;
    QString status = "x";
    int retry = 0;
    const int result = runWizard(form, [&](QWidget* w) {
        step1(w, files, file, 0, 1);
        button(w, "Btn_Step2_Weiter")->click();
        stays = w->isVisible() && onStep(w, 2);
        enabled = button(w, "Btn_Step2_Weiter")->isEnabled() && button(w, "Btn_Step2_Zurueck")->isEnabled()
                  && button(w, "Btn_Step2_Abbrechen")->isEnabled();
        status = FindChild<QStatusBar>(w, "StatusBar")->currentMessage();
        // Nothing of the failed run is left for the next commit of another operation.
        DatenModul->Commit();
        retry = count(db, "kontakte") + count(db, "katzuord");
        // With the cause gone, a second "Fertigstellen" imports every record once.
        db.Exec("ALTER TABLE kontakte DROP CONSTRAINT kein_fehler");
        button(w, "Btn_Step2_Weiter")->click();
    });
    QVERIFY(stays);
    QVERIFY(enabled);
    QCOMPARE(status, QString());
    QCOMPARE(retry, 0);
    QVERIFY(cursorDuringBox);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(msgs.Count(), 2);
    QCOMPARE(msgs.Messages()[0].kind, Msg::Kind::Error);
    QVERIFY2(msgs.Texts()[0].startsWith(kImportFehler) && msgs.Texts()[0].size() > kImportFehler.size(),
             qPrintable(msgs.Texts()[0]));
    QCOMPARE(msgs.Texts()[1], erfolg(150));
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(count(db, "kontakte"), 150);
    QCOMPARE(count(db, "katzuord"), 150);
}

void TestKontakteImportCsv::progressLocksTheWizard()
{
    TestDatabase db;
    QByteArray bytes("Nachname\r\n");
    for (int i = 1; i <= 250; ++i)
        bytes += "N" + QByteArray::number(i) + "\r\n";
    const QString file = db.Path() + "/viele.csv";
    writeFile(file, bytes);
    ScriptedMessages msgs;
    TKontakteImportCsvForm form(kExportSpalten);
    QStringList texts;
    bool locked = true;
    QStatusBar* bar = FindChild<QStatusBar>(&form, "StatusBar");
    connect(bar, &QStatusBar::messageChanged, &form, [&](const QString& text) {
        if (!text.contains("importiert"))
            return;
        texts.append(text);
        locked = locked && !button(&form, "Btn_Step2_Weiter")->isEnabled()
                 && !button(&form, "Btn_Step2_Zurueck")->isEnabled()
                 && !button(&form, "Btn_Step2_Abbrechen")->isEnabled() && QApplication::overrideCursor()
                 && form.IsRunning();
        // Neither the close box nor Escape ends the wizard during the run.
        form.close();
        form.reject();
        locked = locked && form.isVisible() && onStep(&form, 2);
    });
    QCOMPARE(importFile(form, file), int(QDialog::Accepted));
    QVERIFY(locked);
    QVERIFY(!QApplication::overrideCursor());
    // 250 records: a step of 2, so the shown percentage passes every whole number.
    const QString format = QString("Bitte warten... die CSV-Datei wird importiert (%1% abgeschlossen).");
    QCOMPARE(texts.size(), 101);
    for (int p = 0; p <= 100; ++p)
        QCOMPARE(texts[p], format.arg(p));
    QCOMPARE(msgs.Texts(), QStringList{erfolg(250)});
    QCOMPARE(count(db, "kontakte"), 250);
}

void TestKontakteImportCsv::backThenNextReadsAnew()
{
    TestDatabase db;
    ScriptedMessages msgs;
    const QString file = db.Path() + "/z.csv";
    writeFile(file, "Vorname;Nachname\r\nA;B\r\n");
    TKontakteImportCsvForm form(kExportSpalten);
    FileAnswers files;
    bool back = false;
    bool kept = false;
    QStringList items;
    int vorname = -1;
    int firma = -1;
    const int result = runWizard(form, [&](QWidget* w) {
        step1(w, files, file);
        combo(w, "Zuordnung_Vorname")->setCurrentIndex(0);   // undone by the next "Weiter"
        button(w, "Btn_Step2_Zurueck")->click();
        back = onStep(w, 1);
        kept = FindChild<QLineEdit>(w, "Dateiname")->text() == file;
        writeFile(file, "Firma;Vorname;Nachname\r\nF;C;D\r\nG;E;H\r\n");
        button(w, "Btn_Step1_Weiter")->click();
        QComboBox* list = combo(w, "Zuordnung_Vorname");
        for (int i = 0; i < list->count(); ++i)
            items.append(list->itemText(i));
        vorname = list->currentIndex();
        firma = combo(w, "Zuordnung_Firma")->currentIndex();
        button(w, "Btn_Step2_Weiter")->click();
    });
    QVERIFY(back);
    QVERIFY(kept);
    QCOMPARE(items, QStringList({"[keine Zuordnung]", "Firma", "Vorname", "Nachname"}));
    QCOMPARE(vorname, 2);
    QCOMPARE(firma, 1);
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(column(db, "SELECT firma,vorname,nachname FROM kontakte ORDER BY id"), QStringList({"F|C|D", "G|E|H"}));
    QCOMPARE(msgs.Texts(), QStringList{erfolg(2)});
}

void TestKontakteImportCsv::showStartsAfresh()
{
    TestDatabase db;
    ScriptedMessages msgs;
    const QString file = db.Path() + "/s.csv";
    writeFile(file, "Vorname\r\nA\r\n");
    TKontakteImportCsvForm form(kExportSpalten);
    QCOMPARE(form.windowTitle(), QString("Kontakte aus CSV-Datei importieren"));
    FileAnswers files;
    for (int round = 0; round < 2; ++round) {
        QString name;
        int separator = -1;
        int group = -1;
        bool first = false;
        bool enabled = true;
        runWizard(form, [&](QWidget* w) {
            first = onStep(w, 1);
            name = FindChild<QLineEdit>(w, "Dateiname")->text();
            enabled = FindChild<QLineEdit>(w, "Dateiname")->isEnabled();
            separator = combo(w, "Trennzeichen")->currentIndex();
            group = combo(w, "Kontaktgruppen")->currentIndex();
            // Changes that the next showing undoes: step 2 of a file read with "Komma".
            step1(w, files, file, 1);
            QVERIFY(onStep(w, 2));
        });
        QVERIFY(first);
        QVERIFY(!enabled);
        QCOMPARE(name, QString::fromUtf8("Bitte wählen..."));
        QCOMPARE(separator, 0);
        QCOMPARE(group, 0);
    }
    QCOMPARE(files.requests.size(), 2);
    const FileDialogs::Request& r = files.requests.first();
    QCOMPARE(r.mode, FileDialogs::Request::Mode::Open);
    QCOMPARE(r.caption, QString("Zu importierende CSV-Datei"));
    QCOMPARE(r.filter, QString("CSV-Dateien (*.csv)"));
    QCOMPARE(files.requests[1].directory, file);   // the name chosen before
    QCOMPARE(msgs.Count(), 0);
    QCOMPARE(count(db, "kontakte"), 0);
}

void TestKontakteImportCsv::menuItemImportsAndReloads()
{
    TestProgram p([](TIniFileDaten& d) { d.StartOrdner = 1; });
    p.db.Exec("INSERT INTO kontakte (id,nachname) VALUES (GEN_ID(GEN_KONTAKTE_ID,1),'Alt')");
    p.Start();
    auto* grid = FindChild<QAbstractItemView>(p.Frame(), "Grid_Kontakte");
    QVERIFY(grid);
    QCOMPARE(grid->model()->rowCount(), 1);
    const QString file = p.db.Path() + "/m.csv";
    writeFile(file, "Nachname\r\nNeu1\r\nNeu2\r\n");

    // Cancelled: nothing written, nothing reloaded.
    QString seen;
    OnNextModal([&](QWidget* w) {
        seen = w->objectName();
        button(w, "Btn_Step1_Abbrechen")->click();
    });
    p.Trigger("Kontakte1");
    QCOMPARE(seen, QString("KontakteImportCsvForm"));

    FileAnswers files;
    OnNextModal([&](QWidget* w) {
        step1(w, files, file);
        button(w, "Btn_Step2_Weiter")->click();
        if (w->isVisible())
            button(w, onStep(w, 1) ? "Btn_Step1_Abbrechen" : "Btn_Step2_Abbrechen")->click();
    });
    p.Trigger("Kontakte1");
    QCOMPARE(p.msgs.Texts(), QStringList{erfolg(2)});
    QCOMPARE(grid->model()->rowCount(), 3);
}

QTEST_MAIN(TestKontakteImportCsv)
#include "tst_kontakteimportcsv.moc"
