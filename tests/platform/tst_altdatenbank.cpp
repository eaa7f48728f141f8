#include "platform/AltDatenbank.h"
#include "AltFixtures.h"
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>
extern "C" {
#include <paradox.h>
}

// The earlier editions' databases as the imports read them: Paradox tables written here with
// pxlib, a real Paradox 7 table with memos and damaged copies of it (tests/platform/data), and a
// dialect-1 database without character set created here with isql-fb.

namespace {
const QString kKategorien = QStringLiteral("SELECT id, beschreibung FROM kategorien");
const QString kKatzuord = QStringLiteral("SELECT adressenid, kategorienid FROM katzuord");
const QString kAdressen = QStringLiteral(
    "SELECT id, anrede, vorname_1, vorname_2, nachname, geburtsdatum, firma, "
    "privat_anschrift, privat_land, privat_plz, privat_ort, "
    "privat_telefon, privat_telefax, privat_handy, privat_anschreiben_sms, "
    "privat_email, privat_anschreiben_email, privat_homepage, "
    "firma_anschrift, firma_land, firma_plz, firma_ort,"
    "firma_telefon, firma_telefax, firma_handy, firma_anschreiben_sms, "
    "firma_email, firma_anschreiben_email, firma_homepage, "
    "nieanschreiben FROM adressen");

const QString kDaten = QStringLiteral(VORNIX2_SOURCE_DIR "/tests/platform/data/");

// All rows of `select`, each as its columns' texts joined by "|".
QStringList alleZeilen(AltDatenbank& db, const QString& select)
{
    auto q = db.Oeffnen(select);
    QStringList zeilen;
    while (q->Next()) {
        QStringList werte;
        for (int i = 0; i < q->Felder().size(); ++i)
            werte << q->Text(i);
        zeilen << werte.join(QLatin1Char('|'));
    }
    return zeilen;
}

const QStringList kBlock = {"anschrift", "land", "plz", "ort", "telefon", "telefax", "handy",
                            "anschreiben_sms", "email", "anschreiben_email", "homepage"};
bool istFlag(const QString& spalte) { return spalte.contains(QLatin1String("anschreiben")); }

// The two contacts both editions hold: one full, one empty. Flags: private SMS on, business SMS
// 2 in Zenit (false in Kompakt), never-write off.
QVariantList adresse(bool voll, bool zenit)
{
    if (!voll)
        return {8};
    QVariantList z = {7, "Frau", "Anna", "Maria", "Müller", QDate(1980, 2, 29), "Weiß & Söhne"};
    for (const QString& vorsatz : {QStringLiteral("privat_"), QStringLiteral("firma_")}) {
        const bool privat = vorsatz == QLatin1String("privat_");
        for (const QString& s : kBlock) {
            if (s == QLatin1String("anschreiben_sms"))
                z << (privat ? QVariant(zenit ? QVariant(1) : QVariant(true)) : (zenit ? QVariant(2) : QVariant(false)));
            else if (istFlag(s))
                z << (zenit ? QVariant(0) : QVariant(false));
            else if (s == QLatin1String("anschrift"))
                z << QString(privat ? "Hauptstraße 1" : "Industrieweg 2");
            else
                z << vorsatz + s;
        }
    }
    z << (zenit ? QVariant(0) : QVariant(false));
    return z;
}

QStringList adressSpalten()
{
    QStringList spalten = {"id", "anrede", "vorname_1", "vorname_2", "nachname", "geburtsdatum", "firma"};
    for (const QString& vorsatz : {QStringLiteral("privat_"), QStringLiteral("firma_")})
        for (const QString& s : kBlock)
            spalten << vorsatz + s;
    spalten << "nieanschreiben";
    return spalten;
}
}

class TestAltDatenbank : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void readsAsTheImportsDo_data();
    void readsAsTheImportsDo();
    void readersOfTheImport_data() { editionen(); }
    void readersOfTheImport();
    void emptyTable_data() { editionen(); }
    void emptyTable();
    void tableOverManyBlocks();
    void failsWithReason_data();
    void failsWithReason();
    void realMemoTable();
    void tableNameLayouts_data();
    void tableNameLayouts();
    void codePagesAndMemos_data();
    void codePagesAndMemos();
    void readOnlyFolder();
    void flagsStoredAsText_data();
    void flagsStoredAsText();
    void datesOutsideTheCalendar();
    void logicalIdColumn();
    void damagedTables_data();
    void damagedTables();
    void relativeAliasPaths();
    void zenitUndefinedBytes();
    void zenitSilentServer();
    void unsupportedColumnBeforeOthers();
    void encryptedTable();

private:
    void editionen();
    QString aliasDatei() const { return m_dir.filePath(QString::fromLatin1(AltDatenbankNamen::kAliasDatei)); }
    QTemporaryDir m_dir;
};

void TestAltDatenbank::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString kompakt = m_dir.filePath(QStringLiteral("kompakt"));
    QVERIFY(QDir().mkpath(kompakt));

    // Kompakt: Paradox tables, file names in the letter case Windows left them.
    QVERIFY(AltFixtures::ParadoxSchreiben(kompakt + "/KATEGORIEN.DB", {{"ID", pxfLong, 4}, {"Beschreibung", pxfAlpha, 100}},
                     {{1, "Kunden"}, {2, ""}, {3, "Müller-Freunde"}}));
    QVERIFY(AltFixtures::ParadoxSchreiben(kompakt + "/katzuord.db", {{"AdressenID", pxfLong, 4}, {"KategorienID", pxfNumber, 8}},
                     {{7, 1.0}, {8, 3.0}}));
    QList<AltFixtures::Feld> felder;
    for (const QString& s : adressSpalten()) {
        if (s == QLatin1String("id"))
            felder.append({s, pxfLong, 4});
        else if (s == QLatin1String("geburtsdatum"))
            felder.append({s, pxfDate, 4});
        else if (istFlag(s) || s == QLatin1String("nieanschreiben"))
            felder.append({s, pxfLogical, 1});
        else
            felder.append({s, pxfAlpha, 40});
    }
    QVERIFY(AltFixtures::ParadoxSchreiben(kompakt + "/adressen.DB", felder, {adresse(true, false), adresse(false, false)}));
    QVERIFY(AltFixtures::ParadoxSchreiben(kompakt + "/leer.DB", {{"id", pxfLong, 4}}, {}));
    QVERIFY(QDir().mkpath(m_dir.filePath("kaputt")));
    QFile kaputt(m_dir.filePath("kaputt/kategorien.DB"));
    QVERIFY(kaputt.open(QIODevice::WriteOnly));
    kaputt.write("Dies ist keine Paradox-Tabelle.");
    kaputt.close();

    // Zenit: dialect 1, no character set, text stored as Windows-1252 bytes.
    const QString gdb = m_dir.filePath(QStringLiteral("zenit.gdb"));
    QString sql = QStringLiteral("CREATE TABLE kategorien (id INTEGER NOT NULL, beschreibung VARCHAR(100));\n"
                                 "CREATE TABLE katzuord (adressenid INTEGER, kategorienid INTEGER);\n"
                                 "CREATE TABLE leer (id INTEGER);\n"
                                 "INSERT INTO kategorien VALUES (1, 'Kunden');\n"
                                 "INSERT INTO kategorien VALUES (2, '');\n"
                                 "INSERT INTO kategorien VALUES (3, 'Müller-Freunde');\n"
                                 "CREATE TABLE sonder (v VARCHAR(20), c CHAR(20));\n"
                                 "INSERT INTO sonder VALUES ('A\u0081B\u008D\u008F\u0090\u009D€ä', 'x\u0081y');\n"
                                 "INSERT INTO katzuord VALUES (7, 1);\n"
                                 "INSERT INTO katzuord VALUES (8, 3);\n");
    QStringList definition;
    for (const QString& s : adressSpalten()) {
        if (s == QLatin1String("id"))
            definition << s + " INTEGER NOT NULL";
        else if (s == QLatin1String("geburtsdatum"))
            definition << s + " DATE";
        else if (istFlag(s) || s == QLatin1String("nieanschreiben"))
            definition << s + " SMALLINT";
        else if (s == QLatin1String("vorname_2"))
            definition << s + " CHAR(40)";   // fixed width: padding must not be read
        else
            definition << s + " VARCHAR(40)";
    }
    sql += "CREATE TABLE adressen (" + definition.join(", ") + ");\n";
    for (bool voll : {true, false}) {
        const QVariantList z = adresse(voll, true);
        QStringList werte;
        for (int i = 0; i < adressSpalten().size(); ++i)
            werte << AltFixtures::SqlWert(z.value(i));
        sql += "INSERT INTO adressen (" + adressSpalten().join(", ") + ") VALUES (" + werte.join(", ") + ");\n";
    }
    for (const char* tabelle : {"kategorien", "katzuord", "adressen", "leer", "sonder"})
        sql += QStringLiteral("GRANT SELECT ON %1 TO VORNIX_NET;\n").arg(QLatin1String(tabelle));
    const QString fehler = AltFixtures::ZenitErstellen(gdb, sql);
    QVERIFY2(fehler.isEmpty(), qPrintable(fehler));

    QFile alias(aliasDatei());
    QVERIFY(alias.open(QIODevice::WriteOnly));
    alias.write(("; Aliase der früheren Ausgaben\n"
                 "[Vornix]\nDriver=PARADOX\nPath=" + kompakt + "\n\n"
                 "[Vornix_NET]\nDriver=INTRBASE\nServer Name=" + gdb + "\n\n"
                 "[Ohne Verzeichnis]\nDriver=PARADOX\nPath=" + m_dir.filePath("fehlt") + "\n\n"
                 "[Ohne Datenbank]\nDriver=INTRBASE\nServer Name=" + m_dir.filePath("fehlt.gdb") + "\n\n"
                 "[Ohne Pfad]\nDriver=PARADOX\n\n"
                 "[dBase]\nDriver=DBASE\nPath=" + kompakt + "\n\n"
                 "[Kaputt]\nDriver=PARADOX\nPath=" + m_dir.filePath("kaputt") + "\n\n"
                 "[Zenit kaputt]\nDriver=INTRBASE\nServer Name=" + m_dir.filePath("kaputt/kategorien.DB") + "\n").toUtf8());
}

void TestAltDatenbank::editionen()
{
    QTest::addColumn<QString>("alias");
    QTest::addColumn<bool>("zenit");
    QTest::newRow("Kompakt") << QString::fromLatin1(AltDatenbankNamen::kAliasKompakt) << false;
    QTest::newRow("Zenit") << QString::fromLatin1(AltDatenbankNamen::kAliasZenit) << true;
}

void TestAltDatenbank::readsAsTheImportsDo_data() { editionen(); }

void TestAltDatenbank::readsAsTheImportsDo()
{
    QFETCH(QString, alias);
    QFETCH(bool, zenit);
    auto db = AltDatenbank::Verbinden(aliasDatei(), alias, QStringLiteral("VORNIX_NET"), QStringLiteral("geheim"));

    auto kategorien = db->Oeffnen(kKategorien);
    QCOMPARE(kategorien->RecordCount(), 3);
    QStringList gelesen;
    while (kategorien->Next())
        gelesen << QString::number(kategorien->Integer("ID")) + "=" + kategorien->Text("Beschreibung");
    QCOMPARE(gelesen, QStringList({"1=Kunden", "2=", "3=Müller-Freunde"}));

    auto katzuord = db->Oeffnen(kKatzuord);
    QCOMPARE(katzuord->RecordCount(), 2);
    QVERIFY(katzuord->Next());
    QCOMPARE(katzuord->Integer("adressenid"), 7);
    QCOMPARE(katzuord->Integer("kategorienid"), 1);   // a float column in Kompakt
    QVERIFY(katzuord->Next());
    QCOMPARE(katzuord->Integer("kategorienid"), 3);
    QVERIFY(!katzuord->Next());

    auto adressen = db->Oeffnen(kAdressen);
    QCOMPARE(adressen->RecordCount(), 2);
    QVERIFY(adressen->Next());
    QCOMPARE(adressen->Integer("id"), 7);
    QCOMPARE(adressen->Text("ANREDE"), QStringLiteral("Frau"));
    QCOMPARE(adressen->Text("vorname_2"), QStringLiteral("Maria"));
    QCOMPARE(adressen->Text("Nachname"), QStringLiteral("Müller"));
    QCOMPARE(adressen->Text("firma"), QStringLiteral("Weiß & Söhne"));
    QCOMPARE(adressen->Text("privat_anschrift"), QStringLiteral("Hauptstraße 1"));
    QCOMPARE(adressen->Text("firma_handy"), QStringLiteral("firma_handy"));
    QCOMPARE(adressen->Text("geburtsdatum"), QStringLiteral("29.02.1980"));
    QCOMPARE(adressen->DateTime("geburtsdatum"), QDateTime(QDate(1980, 2, 29), QTime(0, 0)));
    if (zenit) {
        QCOMPARE(adressen->Integer("privat_anschreiben_sms"), 1);
        QCOMPARE(adressen->Integer("firma_anschreiben_sms"), 2);
        QCOMPARE(adressen->Integer("nieanschreiben"), 0);
    } else {
        QCOMPARE(adressen->Boolean("privat_anschreiben_sms"), true);
        QCOMPARE(adressen->Boolean("firma_anschreiben_sms"), false);
        QCOMPARE(adressen->Boolean("nieanschreiben"), false);
    }

    QVERIFY(adressen->Next());
    QCOMPARE(adressen->Integer("id"), 8);
    QCOMPARE(adressen->Text("nachname"), QStringLiteral(""));
    QCOMPARE(adressen->Text("geburtsdatum"), QStringLiteral(""));
    QVERIFY(!adressen->DateTime("geburtsdatum").isValid());
    QCOMPARE(adressen->Boolean("privat_anschreiben_sms"), false);
    QCOMPARE(adressen->Integer("firma_anschreiben_sms"), 0);
    QVERIFY(!adressen->Next());
}

// The import's readers: their own statements, the fields by role, and each edition's flags
// (Zenit's integer 1 is yes and any other number no; Kompakt's logical fields).
void TestAltDatenbank::readersOfTheImport()
{
    QFETCH(QString, alias);
    QFETCH(bool, zenit);
    auto db = AltDatenbank::Verbinden(aliasDatei(), alias, QStringLiteral("VORNIX_NET"), QStringLiteral("geheim"));

    AltKategorien kategorien(*db);
    QCOMPARE(kategorien.Anzahl(), 3);
    QStringList gelesen;
    while (kategorien.Next())
        gelesen << QString::number(kategorien.Id()) + "=" + kategorien.Beschreibung();
    QCOMPARE(gelesen, QStringList({"1=Kunden", "2=", "3=Müller-Freunde"}));

    AltZuordnungen zuordnungen(*db);
    QCOMPARE(zuordnungen.Anzahl(), 2);
    QVERIFY(zuordnungen.Next());
    QCOMPARE(zuordnungen.AdressenId(), 7);
    QCOMPARE(zuordnungen.KategorienId(), 1);
    QVERIFY(zuordnungen.Next());
    QCOMPARE(zuordnungen.KategorienId(), 3);
    QVERIFY(!zuordnungen.Next());

    using A = AltAdressen;
    AltAdressen adressen(*db, zenit);
    QCOMPARE(adressen.Anzahl(), 2);
    QVERIFY(adressen.Next());
    QCOMPARE(adressen.Integer(A::Id), 7);
    QCOMPARE(adressen.Text(A::Anrede), QStringLiteral("Frau"));
    QCOMPARE(adressen.Text(A::Vorname2), QStringLiteral("Maria"));
    QCOMPARE(adressen.Text(A::Nachname), QStringLiteral("Müller"));
    QCOMPARE(adressen.Text(A::Firma), QStringLiteral("Weiß & Söhne"));
    QCOMPARE(adressen.Text(true, A::Anschrift), QStringLiteral("Hauptstraße 1"));
    QCOMPARE(adressen.Text(false, A::Anschrift), QStringLiteral("Industrieweg 2"));
    QCOMPARE(adressen.Text(false, A::Handy), QStringLiteral("firma_handy"));
    QCOMPARE(adressen.Text(true, A::Telefax), QStringLiteral("privat_telefax"));
    QCOMPARE(adressen.DateTime(A::Geburtsdatum), QDateTime(QDate(1980, 2, 29), QTime(0, 0)));
    QCOMPARE(adressen.Flag(true, A::AnschreibenSms), true);
    QCOMPARE(adressen.Flag(false, A::AnschreibenSms), false);   // Zenit: 2
    QCOMPARE(adressen.Flag(A::NieAnschreiben), false);
    QVERIFY(adressen.Next());
    QCOMPARE(adressen.Integer(A::Id), 8);
    QCOMPARE(adressen.Text(A::Geburtsdatum), QString());
    QCOMPARE(adressen.Flag(true, A::AnschreibenSms), false);
    QVERIFY(!adressen.Next());
}

void TestAltDatenbank::emptyTable()
{
    QFETCH(QString, alias);
    auto db = AltDatenbank::Verbinden(aliasDatei(), alias, QStringLiteral("VORNIX_NET"), QString());
    auto leer = db->Oeffnen(QStringLiteral("SELECT id FROM leer"));
    QCOMPARE(leer->RecordCount(), 0);
    QVERIFY(!leer->Next());
}

void TestAltDatenbank::tableOverManyBlocks()
{
    // Records spread over a chain of data blocks are all visited, in order.
    const QString datei = m_dir.filePath(QStringLiteral("kompakt/viele.DB"));
    QList<QVariantList> zeilen;
    for (int i = 1; i <= 500; ++i)
        zeilen.append({i, QStringLiteral("Nummer %1 ä").arg(i)});
    QVERIFY(AltFixtures::ParadoxSchreiben(datei, {{"id", pxfLong, 4}, {"name", pxfAlpha, 250}}, zeilen));
    auto db = AltDatenbank::Verbinden(aliasDatei(), QStringLiteral("Vornix"));
    auto viele = db->Oeffnen(QStringLiteral("SELECT name, id FROM viele"));
    QCOMPARE(viele->RecordCount(), 500);
    const int id = viele->Feld(QStringLiteral("ID"));
    int erwartet = 0;
    QString letzter;
    while (viele->Next()) {
        QCOMPARE(viele->Integer(id), ++erwartet);
        letzter = viele->Text(0);
    }
    QCOMPARE(erwartet, 500);
    QCOMPARE(letzter, QStringLiteral("Nummer 500 ä"));
}

void TestAltDatenbank::failsWithReason_data()
{
    QTest::addColumn<QString>("datei");
    QTest::addColumn<QString>("alias");
    QTest::addColumn<QString>("select");
    QTest::addColumn<QString>("grund");

    const QString ini = m_dir.filePath(QString::fromLatin1(AltDatenbankNamen::kAliasDatei));
    const QString fehlt = m_dir.filePath("fehlt.ini");
    QTest::newRow("no alias file") << fehlt << "Vornix" << kKategorien
                                   << "Die Alias-Datei \"" + fehlt + "\" wurde nicht gefunden.";
    QTest::newRow("no such alias") << ini << "Vornix_Alt" << kKategorien
                                   << "Der Alias \"Vornix_Alt\" ist in der Alias-Datei \"" + ini + "\" nicht eingetragen.";
    QTest::newRow("unknown driver") << ini << "dBase" << kKategorien
                                    << "Der Alias \"dBase\" nennt keinen bekannten Treiber (Driver=PARADOX oder Driver=INTRBASE).";
    QTest::newRow("no path") << ini << "Ohne Pfad" << kKategorien << "Der Alias \"Ohne Pfad\" nennt kein \"Path\".";
    QTest::newRow("no folder") << ini << "Ohne Verzeichnis" << kKategorien
                               << "Das Verzeichnis \"" + m_dir.filePath("fehlt") + "\" wurde nicht gefunden.";
    QTest::newRow("no database") << ini << "Ohne Datenbank" << kKategorien
                                 << "Die Datenbank \"" + m_dir.filePath("fehlt.gdb") + "\" wurde nicht gefunden.";
    QTest::newRow("Kompakt: no table") << ini << "Vornix" << "SELECT id FROM gruppen"
                                       << "Die Tabelle \"gruppen\" wurde im Verzeichnis \"" + m_dir.filePath("kompakt") + "\" nicht gefunden.";
    QTest::newRow("Kompakt: no column") << ini << "Vornix" << "SELECT id, farbe FROM kategorien"
                                        << "Die Spalte \"farbe\" fehlt in der Tabelle \"kategorien\".";
    QTest::newRow("Kompakt: not a table") << ini << "Kaputt" << kKategorien
                                          << "Die Tabelle \"kategorien\" ist beschädigt oder kann nicht gelesen werden. "
                                             "Die Datei ist kürzer als der Kopf einer Paradox-Tabelle.";
    QTest::newRow("Zenit: not a database") << ini << "Zenit kaputt" << kKategorien << m_dir.filePath("kaputt/kategorien.DB") + "\"";
    QTest::newRow("Zenit: no table") << ini << "Vornix_NET" << "SELECT id FROM gruppen"
                                     << "Die Tabelle \"gruppen\" wurde in der Datenbank nicht gefunden.";
    QTest::newRow("Zenit: no column") << ini << "Vornix_NET" << "SELECT id, farbe FROM kategorien"
                                      << "Die Spalte \"farbe\" fehlt in der Tabelle \"kategorien\".";
    QTest::newRow("other statement") << ini << "Vornix" << "SELECT * FROM kategorien ORDER BY id"
                                     << "Die Abfrage wird nicht unterstützt: SELECT * FROM kategorien ORDER BY id";
}

void TestAltDatenbank::failsWithReason()
{
    QFETCH(QString, datei);
    QFETCH(QString, alias);
    QFETCH(QString, select);
    QFETCH(QString, grund);
    try {
        auto db = AltDatenbank::Verbinden(datei, alias, QStringLiteral("VORNIX_NET"), QStringLiteral("geheim"));
        db->Oeffnen(select);
        QFAIL("no failure");
    } catch (const AltDatenbankFehler& f) {
        QVERIFY2(f.Text() == grund || (!grund.endsWith('.') && f.Text().contains(grund)), qPrintable(f.Text()));
    }
}

void TestAltDatenbank::realMemoTable()
{
    // A Paradox 7 table in code page 850: one memo in a sub-allocated block of the .mb file, one
    // in the record alone.
    auto db = ParadoxVerbinden(kDaten + "paradox");
    const QString zeile = QStringLiteral("01234567890").repeated(10) + QLatin1Char('\n');
    QCOMPARE(alleZeilen(*db, "SELECT id, memo FROM memo"),
             QStringList({"1|" + zeile.repeated(5), QStringLiteral("2|01234567890\n")}));
}

void TestAltDatenbank::tableNameLayouts_data()
{
    // The table name in 261 bytes (version 12) or in 79 (before); names of 79 and more bytes are
    // full paths of deep folders. The real Paradox 7 table above keeps the 79-byte layout.
    QTest::addColumn<QString>("tabelle");
    QTest::addColumn<int>("feldLaenge");
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("nameLaenge");
    for (int n : {20, 78, 79, 80, 200, 260})
        QTest::addRow("adressen: 261 bytes, name of %d", n) << "adressen" << 261 << 12 << n;
    QTest::newRow("kategorien: 261 bytes, name of 260") << "kategorien" << 261 << 12 << 260;
    QTest::newRow("adressen: 261 bytes in version 11, name of 79") << "adressen" << 261 << 11 << 79;
    // Thirty field names reach past 261 bytes: both layouts read, the version decides.
    QTest::newRow("adressen: 79 bytes, name of 20") << "adressen" << 79 << 11 << 20;
    QTest::newRow("adressen: 79 bytes, name of 78") << "adressen" << 79 << 11 << 78;
    QTest::newRow("kategorien: 79 bytes, name of 78") << "kategorien" << 79 << 11 << 78;
}

void TestAltDatenbank::tableNameLayouts()
{
    QFETCH(QString, tabelle);
    QFETCH(int, feldLaenge);
    QFETCH(int, version);
    QFETCH(int, nameLaenge);
    const QString quelle = m_dir.filePath(QStringLiteral("kompakt"));
    const QString ordner = m_dir.filePath(QStringLiteral("namen-%1-%2-%3").arg(feldLaenge).arg(version).arg(nameLaenge));
    QVERIFY(QDir().mkpath(ordner));
    const QString datei = QDir(quelle).entryList({tabelle + ".DB"}, QDir::Files).value(0);
    const QString kopie = ordner + "/" + datei;
    QFile::remove(kopie);
    QVERIFY(QFile::copy(quelle + "/" + datei, kopie));
    QByteArray name = "C:\\Dokumente und Einstellungen\\Anwender\\Eigene Dateien\\Vornix Kompakt";
    while (name.size() < nameLaenge)
        name += "\\Daten";
    QVERIFY(AltFixtures::TabellennameSetzen(kopie, name.left(nameLaenge), feldLaenge, version));

    const QString select = tabelle == QLatin1String("adressen") ? kAdressen : kKategorien;
    auto original = ParadoxVerbinden(quelle);
    auto db = ParadoxVerbinden(ordner);
    const QStringList erwartet = alleZeilen(*original, select);
    QCOMPARE(erwartet.size(), tabelle == QLatin1String("adressen") ? 2 : 3);
    try {
        QCOMPARE(alleZeilen(*db, select), erwartet);
    } catch (const AltDatenbankFehler& f) {
        QFAIL(qPrintable(f.Text()));
    }
}

void TestAltDatenbank::codePagesAndMemos_data()
{
    QTest::addColumn<int>("codepage");
    QTest::addColumn<QString>("geschrieben");   // as the fixture encodes it
    QTest::addColumn<QString>("gelesen");
    const QString deutsch = QStringLiteral("Müller Straße Köln");
    QTest::newRow("850") << 850 << deutsch << deutsch;
    QTest::newRow("437") << 437 << QStringLiteral("Grüße") << QStringLiteral("Grüße");
    // Windows-1252 letters standing for the bytes 8C AE E1 AA A2 A0.
    QTest::newRow("866") << 866 << QStringLiteral("Œ®áª¢\u00A0") << QStringLiteral("Москва");
    QTest::newRow("1252") << 1252 << deutsch << deutsch;
    QTest::newRow("unknown: 1252") << 4711 << deutsch << deutsch;
}

void TestAltDatenbank::codePagesAndMemos()
{
    QFETCH(int, codepage);
    QFETCH(QString, geschrieben);
    QFETCH(QString, gelesen);
    const QString ordner = m_dir.filePath(QStringLiteral("cp%1").arg(codepage));
    QVERIFY(QDir().mkpath(ordner));
    // Memos empty, within the leader, in a sub-allocated block and in a single block.
    const QString lang = geschrieben.repeated(400);
    QVERIFY(AltFixtures::ParadoxSchreiben(ordner + "/notizen.DB",
                                          {{"id", pxfLong, 4}, {"name", pxfAlpha, 30}, {"notiz", pxfMemoBLOb, 30},
                                           {"format", pxfFmtMemoBLOb, 20}},
                                          {{1, geschrieben, QVariant(), geschrieben},
                                           {2, geschrieben, geschrieben, geschrieben + " " + geschrieben},
                                           {3, QVariant(), geschrieben.repeated(20), lang}},
                                          codepage));
    QVERIFY(QFile::exists(ordner + "/notizen.MB"));
    auto db = ParadoxVerbinden(ordner);
    QCOMPARE(alleZeilen(*db, "SELECT id, name, notiz, format FROM notizen"),
             QStringList({"1|" + gelesen + "||" + gelesen,
                          "2|" + gelesen + "|" + gelesen + "|" + gelesen + " " + gelesen,
                          "3||" + gelesen.repeated(20) + "|" + gelesen.repeated(400)}));
}

void TestAltDatenbank::readOnlyFolder()
{
    // A Kompakt folder copied from a CD: tables and memo file are only opened for reading, so a
    // folder the user may only read imports. The file modes stop a normal user; the open mode of
    // every handle shows it for root as well.
    const QString ordner = m_dir.filePath(QStringLiteral("nurlesen"));
    QVERIFY(QDir().mkpath(ordner));
    QVERIFY(AltFixtures::ParadoxSchreiben(ordner + "/adressen.db", {{"id", pxfLong, 4}, {"nachname", pxfAlpha, 30},
                                                                    {"notiz", pxfMemoBLOb, 15}},
                                          {{1, "Müller", QStringLiteral("Straße in Köln, ").repeated(10)}}, 850));
    for (const QString& f : QDir(ordner).entryList(QDir::Files))
        QVERIFY(QFile::setPermissions(ordner + "/" + f, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(QFile::setPermissions(ordner, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    {
        auto db = ParadoxVerbinden(ordner);
        auto q = db->Oeffnen(QStringLiteral("SELECT id, nachname, notiz FROM adressen"));
        QVERIFY(q->Next());
        QCOMPARE(q->Text("nachname"), QStringLiteral("Müller"));
        QCOMPARE(q->Text("notiz"), QStringLiteral("Straße in Köln, ").repeated(10));
        bool nurLesend = false;
        QCOMPARE(AltFixtures::OffeneDateien(QFileInfo(ordner).canonicalFilePath(), &nurLesend), QStringList({"adressen.db", "adressen.mb"}));
        QVERIFY(nurLesend);
    }
    QVERIFY(QFile::setPermissions(ordner, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void TestAltDatenbank::flagsStoredAsText_data()
{
    QTest::addColumn<QString>("wert");
    QTest::addColumn<bool>("wahr");
    for (const char* w : {"T", "True", "  true ", "Y", "yes", "J", "ja", "JA", "1"})
        QTest::newRow(w) << QString::fromLatin1(w) << true;
    for (const char* w : {"", "F", "False", "N", "nein", "0", "2", "x", "Jawohl"})
        QTest::newRow(*w ? w : "empty") << QString::fromLatin1(w) << false;
}

void TestAltDatenbank::flagsStoredAsText()
{
    QFETCH(QString, wert);
    QFETCH(bool, wahr);
    const QString ordner = m_dir.filePath(QStringLiteral("flags"));
    QVERIFY(QDir().mkpath(ordner));
    QVERIFY(AltFixtures::ParadoxSchreiben(ordner + "/adressen.db", {{"nieanschreiben", pxfAlpha, 10}},
                                          {{wert.isEmpty() ? QVariant() : QVariant(wert)}}));
    auto q = ParadoxVerbinden(ordner)->Oeffnen(QStringLiteral("SELECT nieanschreiben FROM adressen"));
    QVERIFY(q->Next());
    QCOMPARE(q->Boolean(0), wahr);
}

void TestAltDatenbank::datesOutsideTheCalendar()
{
    // A day before 1 January of year 1 is no date, not "31.12.-0002".
    const QString ordner = m_dir.filePath(QStringLiteral("daten"));
    QVERIFY(QDir().mkpath(ordner));
    QVERIFY(AltFixtures::ParadoxSchreiben(ordner + "/adressen.db", {{"id", pxfLong, 4}, {"geburtsdatum", pxfDate, 4}},
                                          {{1, QDate(-3, 1, 1)}, {2, QDate(1, 1, 1)}, {3, QDate(1999, 12, 31)}}));
    auto db = ParadoxVerbinden(ordner);
    QCOMPARE(alleZeilen(*db, "SELECT id, geburtsdatum FROM adressen"),
             QStringList({"1|", "2|01.01.0001", "3|31.12.1999"}));
    auto q = db->Oeffnen(QStringLiteral("SELECT geburtsdatum FROM adressen"));
    QVERIFY(q->Next());
    QVERIFY(!q->DateTime(0).isValid());
}

void TestAltDatenbank::logicalIdColumn()
{
    // A one-byte column is read as what it is, never as four bytes.
    const QString ordner = m_dir.filePath(QStringLiteral("logisch"));
    QVERIFY(QDir().mkpath(ordner));
    QVERIFY(AltFixtures::ParadoxSchreiben(ordner + "/katzuord.db", {{"kategorienid", pxfLogical, 1}},
                                          {{true}, {false}, {QVariant()}}));
    auto q = ParadoxVerbinden(ordner)->Oeffnen(QStringLiteral("SELECT kategorienid FROM katzuord"));
    QList<qint64> werte;
    while (q->Next())
        werte << q->Integer(0);
    QCOMPARE(werte, QList<qint64>({1, 0, 0}));
}

void TestAltDatenbank::damagedTables_data()
{
    QTest::addColumn<QString>("ordner");
    QTest::addColumn<QString>("tabelle");
    QTest::addColumn<QString>("grund");
    const QString daten = kDaten + "paradox-beschaedigt";
    const struct {
        const char* tabelle;
        const char* grund;
    } faelle[] = {
        {"schleife", "Die Kette der Datenblöcke enthält eine Schleife."},
        {"wilderblock", "Ein Datenblock liegt außerhalb der Datei."},
        {"abgeschnitten", "Ein Datenblock reicht über das Ende der Datei."},
        {"felderzahl", "Der Kopf nennt eine ungültige Zahl von Feldern."},
        {"kopflaenge", "Der Kopf nennt eine ungültige Kopflänge."},
        {"memoverweis", "Ein Memo verweist auf eine Stelle außerhalb der Memo-Datei."},
        {"memolaenge", "Die Länge eines Memos in der Tabelle und in der Memo-Datei stimmen nicht überein."},
        {"memokurz", "Ein Memo verweist auf eine Stelle außerhalb der Memo-Datei."},
        {"memoplatz", "Ein Memo reicht über das Ende seines Blocks in der Memo-Datei."},
        {"memovorspann", "Ein Memo nennt eine Länge, die nicht in den Datensatz passt."},
    };
    for (const auto& f : faelle)
        QTest::newRow(f.tabelle) << daten << f.tabelle << QString::fromUtf8(f.grund);

    // Made here: a loop over two blocks of a longer chain, and a memo file gone missing.
    const QString ordner = m_dir.filePath(QStringLiteral("beschaedigt"));
    QDir().mkpath(ordner);
    QList<QVariantList> zeilen;
    for (int i = 1; i <= 100; ++i)
        zeilen.append({i, QString(200, QLatin1Char('x')), QStringLiteral("Notiz %1 ").arg(i).repeated(30)});
    AltFixtures::ParadoxSchreiben(ordner + "/ring.db", {{"id", pxfLong, 4}, {"name", pxfAlpha, 200}, {"memo", pxfMemoBLOb, 20}}, zeilen);
    {
        QFile f(ordner + "/ring.db");
        f.open(QIODevice::ReadWrite);
        const QByteArray kopf = f.read(6);
        const int kopfLaenge = quint8(kopf[2]) | (quint8(kopf[3]) << 8);
        const int blockLaenge = quint8(kopf[5]) * 1024;
        f.seek(kopfLaenge + blockLaenge);   // the second block points back to the first
        f.write("\x01\x00", 2);
    }
    QTest::newRow("loop over blocks") << ordner << "ring" << "Die Kette der Datenblöcke enthält eine Schleife.";
    AltFixtures::ParadoxSchreiben(ordner + "/ohnemb.db", {{"id", pxfLong, 4}, {"memo", pxfMemoBLOb, 20}}, {{1, QString(50, 'm')}});
    QFile::remove(ordner + "/ohnemb.mb");
    QTest::newRow("memo file missing") << ordner << "ohnemb" << "Die Memo-Datei der Tabelle fehlt.";

    // Field names that do not read in either layout: none ends inside the header, or all are empty.
    for (const char fuellung : {'x', '\0'}) {
        const QString name = fuellung ? QStringLiteral("ohnenul") : QStringLiteral("ohnenamen");
        AltFixtures::ParadoxSchreiben(ordner + "/" + name + ".db", {{"id", pxfLong, 4}, {"memo", pxfMemoBLOb, 20}}, {{1, "m"}});
        QFile f(ordner + "/" + name + ".db");
        f.open(QIODevice::ReadWrite);
        const QByteArray kopf = f.read(4);
        const int kopfLaenge = quint8(kopf[2]) | (quint8(kopf[3]) << 8);
        const int namen = 0x78 + 6 * 2 + 4 + 79;
        f.seek(namen);
        f.write(QByteArray(kopfLaenge - namen, fuellung));
        QTest::newRow(qPrintable("field names: " + name)) << ordner << name << "Die Feldnamen passen nicht in den Kopf.";
    }
}

void TestAltDatenbank::damagedTables()
{
    // Read to the end, every memo included: the reader's own message with the reason, nothing else.
    QFETCH(QString, ordner);
    QFETCH(QString, tabelle);
    QFETCH(QString, grund);
    try {
        auto db = ParadoxVerbinden(ordner);
        alleZeilen(*db, "SELECT id, memo FROM " + tabelle);
        QFAIL("no failure");
    } catch (const AltDatenbankFehler& f) {
        QCOMPARE(f.Text(), "Die Tabelle \"" + tabelle + "\" ist beschädigt oder kann nicht gelesen werden. " + grund);
    }
}

void TestAltDatenbank::relativeAliasPaths()
{
    // Relative to the alias file's folder, whatever the current folder; a server path stays.
    const QString ordner = m_dir.filePath(QStringLiteral("relativ/programm"));
    QVERIFY(QDir().mkpath(ordner));
    QFile alias(ordner + "/" + AltDatenbankNamen::kAliasDatei);
    QVERIFY(alias.open(QIODevice::WriteOnly));
    alias.write("[Vornix]\nDriver=PARADOX\nPath=../../kompakt\n\n"
                "[Vornix_NET]\nDriver=INTRBASE\nServer Name=daten/VORNIX.GDB\n\n"
                "[Server]\nDriver=INTRBASE\nServer Name=server:/srv/VORNIX.GDB\n");
    alias.close();
    QCOMPARE(AltAliasLesen(alias.fileName(), "Vornix").pfad, QDir::cleanPath(ordner + "/../../kompakt"));
    QCOMPARE(AltAliasLesen(alias.fileName(), "Vornix_NET").pfad, ordner + "/daten/VORNIX.GDB");
    QCOMPARE(AltAliasLesen(alias.fileName(), "Server").pfad, QStringLiteral("server:/srv/VORNIX.GDB"));
    const QString vorher = QDir::currentPath();
    QDir::setCurrent(QDir::rootPath());
    auto db = AltDatenbank::Verbinden(alias.fileName(), "Vornix");
    QDir::setCurrent(vorher);
    QCOMPARE(db->Oeffnen(kKategorien)->RecordCount(), 3);
}

void TestAltDatenbank::zenitUndefinedBytes()
{
    // The bytes Windows-1252 leaves undefined keep their value, as in the settings file; a NUL
    // would cut the text wherever it is shown.
    auto db = AltDatenbank::Verbinden(aliasDatei(), "Vornix_NET", "VORNIX_NET", "geheim");
    QCOMPARE(alleZeilen(*db, "SELECT v, c FROM sonder"),
             QStringList{QStringLiteral("A\u0081B\u008D\u008F\u0090\u009D€ä|x\u0081y")});
}

void TestAltDatenbank::zenitSilentServer()
{
    // A server that takes the connection and never answers is given up after the wait, with a
    // message saying so, instead of Firebird's three minutes.
    QTcpServer stumm;
    QVERIFY(stumm.listen(QHostAddress::LocalHost));
    const QString server = QStringLiteral("127.0.0.1/%1").arg(stumm.serverPort());
    try {
        InterbaseVerbinden(server + ":/srv/VORNIX.GDB", "VORNIX_NET", "geheim", 300);
        QFAIL("no failure");
    } catch (const AltDatenbankFehler& f) {
        QCOMPARE(f.Text(), "Der Server \"" + server + "\" hat nicht innerhalb von einer Sekunde geantwortet.");
    }
}

void TestAltDatenbank::unsupportedColumnBeforeOthers()
{
    // A BCD column's size byte holds its decimals, not its 17 bytes; the columns after it are
    // still found, and the column itself is refused by name.
    const QString ordner = m_dir.filePath(QStringLiteral("bcd"));
    QVERIFY(QDir().mkpath(ordner));
    QVERIFY(AltFixtures::ParadoxSchreiben(ordner + "/kategorien.db", {{"betrag", pxfBCD, 17}, {"id", pxfLong, 4},
                                                                      {"beschreibung", pxfAlpha, 20}},
                                          {{QVariant(), 1, "Kunden"}}));
    auto db = ParadoxVerbinden(ordner);
    QCOMPARE(alleZeilen(*db, kKategorien), QStringList{"1|Kunden"});
    try {
        db->Oeffnen(QStringLiteral("SELECT betrag FROM kategorien"));
        QFAIL("no failure");
    } catch (const AltDatenbankFehler& f) {
        QCOMPARE(f.Text(), QStringLiteral("Die Spalte \"betrag\" der Tabelle \"kategorien\" hat einen nicht unterstützten Typ."));
    }
}

void TestAltDatenbank::encryptedTable()
{
    // An encrypted table's blocks, heads included, are decrypted before they are walked.
    const QString ordner = m_dir.filePath(QStringLiteral("verschluesselt"));
    QVERIFY(QDir().mkpath(ordner));
    QList<QVariantList> zeilen;
    QStringList erwartet;
    for (int i = 1; i <= 300; ++i) {
        zeilen.append({i, QStringLiteral("Gruppe %1 ä").arg(i)});
        erwartet << QStringLiteral("%1|Gruppe %1 ä").arg(i);
    }
    QVERIFY(AltFixtures::ParadoxSchreiben(ordner + "/kategorien.db", {{"id", pxfLong, 4}, {"beschreibung", pxfAlpha, 100}},
                                          zeilen, 0, "geheim"));
    QFile roh(ordner + "/kategorien.db");
    QVERIFY(roh.open(QIODevice::ReadOnly));
    QVERIFY(!roh.readAll().contains("Gruppe 1"));
    auto db = ParadoxVerbinden(ordner);
    QCOMPARE(alleZeilen(*db, kKategorien), erwartet);
}

QTEST_GUILESS_MAIN(TestAltDatenbank)
#include "tst_altdatenbank.moc"
