#include "AltFixtures.h"
#include "TestProgram.h"
#include "app/HauptForm.h"
#include "exchange/ImportDatenKompaktForm.h"
#include "exchange/ImportDatenZenitForm.h"
#include "foundation/DatenModul.h"
#include "platform/AltDatenbank.h"
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

// The imports from the earlier editions, from Paradox tables and a dialect-1 database without
// character set that the test writes, into a fresh database.

namespace {
using AltFixtures::Feld;

const QStringList kBlock = {"anschrift", "land", "plz", "ort", "telefon", "telefax", "handy",
                            "anschreiben_sms", "email", "anschreiben_email", "homepage"};

QStringList adressSpalten(bool mitNie = true)
{
    QStringList spalten = {"id", "anrede", "vorname_1", "vorname_2", "nachname", "geburtsdatum", "firma"};
    for (const char* vorsatz : {"privat_", "firma_"})
        for (const QString& s : kBlock)
            spalten << QLatin1String(vorsatz) + s;
    if (mitNie)
        spalten << "nieanschreiben";
    return spalten;
}

bool istFlag(const QString& spalte) { return spalte.contains("anschreiben"); }

const QString kLangerVorname = QString(70, QLatin1Char('W'));
const QString kLangeKategorie = QString(95, QLatin1Char('K'));
// A Kompakt folder as deep as users keep it: the tables store their path as their name.
const QString kTieferOrdner = QStringLiteral("kompakt-tief/Dokumente und Einstellungen/Anwender/Eigene Dateien/Vornix Kompakt/Daten");

// The three persons both editions hold. Flags as booleans; Zenit's business SMS flag of
// Schulz is 2 (false there).
QList<QHash<QString, QVariant>> personen()
{
    QHash<QString, QVariant> anna{
        {"id", 7}, {"anrede", "frau"}, {"vorname_1", "Anna"}, {"vorname_2", "Maria"}, {"nachname", "Müller"},
        {"geburtsdatum", QDate(1980, 2, 29)}, {"firma", "Weiß & Söhne"},
        {"privat_anschrift", "Hauptstraße 1"}, {"privat_plz", "50667"}, {"privat_ort", "Köln"},
        {"privat_land", "DE"}, {"privat_telefon", "0221 1"}, {"privat_telefax", "0221 2"},
        {"privat_handy", "0171 1234567"}, {"privat_anschreiben_sms", true}, {"privat_email", "anna@example.org"},
        {"privat_anschreiben_email", false}, {"privat_homepage", "www.anna.example"},
        {"firma_anschrift", "Industrieweg 2"}, {"firma_plz", "50668"}, {"firma_ort", "Köln-Porz"},
        {"firma_land", "DE"}, {"firma_telefon", "0221 3"}, {"firma_telefax", "0221 4"},
        {"firma_handy", "0160 9999999"}, {"firma_anschreiben_sms", false}, {"firma_email", "info@weiss.example"},
        {"firma_anschreiben_email", true}, {"firma_homepage", "www.weiss.example"}, {"nieanschreiben", false}};
    QHash<QString, QVariant> bernd{
        {"id", 8}, {"anrede", "HERR"}, {"vorname_1", "Bernd"}, {"vorname_2", ""}, {"nachname", "Schulz"},
        {"privat_handy", ""}, {"privat_anschreiben_sms", true}, {"privat_email", ""},
        {"privat_anschreiben_email", false}, {"firma_handy", "0160 5550000"}, {"firma_anschreiben_sms", false},
        {"firma_email", "b@firma.example"}, {"firma_anschreiben_email", true}, {"nieanschreiben", false}};
    QHash<QString, QVariant> nie{
        {"id", 9}, {"anrede", "Familie"}, {"vorname_1", kLangerVorname}, {"nachname", "Nie"},
        {"privat_handy", "keine Nummer"}, {"privat_anschreiben_sms", true}, {"privat_email", "n@example.org"},
        {"privat_anschreiben_email", true}, {"nieanschreiben", true}};
    return {anna, bernd, nie};
}

// What the import makes of them, one line per contact by new id: geschlecht, vorname,
// nachname, firma, kdnr, mobil, mobil_send, email, email_send, geburtsdatum, p_strasse, p_plz,
// p_ort, p_land, p_telefon, p_telefax, p_webseite, f_strasse, f_ort, f_webseite.
const QStringList kKontakteErwartet = {
    "3|Anna Maria|Müller|Weiß & Söhne||00491711234567|1|anna@example.org|0|1980-02-29|Hauptstraße 1|50667|Köln|DE|"
    "0221 1|0221 2|www.anna.example|Industrieweg 2|Köln-Porz|www.weiss.example",
    "2|Bernd|Schulz|||00491605550000|0|b@firma.example|1|NULL||||||||||",
    "1|" + QString(60, QLatin1Char('W')) + "|Nie|||keine Nummer|0|n@example.org|0|NULL||||||||||"};

const QList<QVariantList> kKategorien = {{1, "Kunden"}, {2, ""}, {3, kLangeKategorie}};
// Unknown contact 99 and unknown group 42 are dropped.
const QList<QVariantList> kZuordnungen = {{7, 1.0}, {8, 2.0}, {9, 3.0}, {99, 1.0}, {7, 42.0}};

QStringList zeilen(const QString& sql)
{
    QStringList result;
    QSqlQuery q = DatenModul->Run(sql);
    while (q.next()) {
        QStringList werte;
        for (int i = 0; i < q.record().count(); ++i) {
            const QVariant v = q.value(i);
            werte << (v.isNull() ? QStringLiteral("NULL")
                      : v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate)
                                                       : TDatenModul::TextValue(v));
        }
        result << werte.join('|');
    }
    return result;
}

int anzahl(const char* tabelle) { return zeilen(QStringLiteral("SELECT COUNT(*) FROM ") + tabelle).value(0).toInt(); }

QPushButton* button(QWidget* w, const char* name) { return FindChild<QPushButton>(w, QLatin1String(name)); }
QCheckBox* box(QWidget* w, const char* name) { return FindChild<QCheckBox>(w, QLatin1String(name)); }

void waehle(QWidget* form, bool kategorien, bool kontakte, bool zuordnungen)
{
    box(form, "Import_Kategorien")->setChecked(kategorien);
    box(form, "Import_Kontakte")->setChecked(kontakte);
    box(form, "Import_KatZuOrd")->setChecked(zuordnungen);
}

const QString kFehlerKompakt = QStringLiteral("Es konnte keine Verbindung zur Datenbank von Vornix Kompakt hergestellt werden.\n\rFehlermeldung: ");
const QString kHinweisKompakt = QStringLiteral("Bitte greifen Sie während des kompletten Importvorgangs mit keiner anderen Anwendung auf die Datenbanken von Vornix Kompakt zu.");
const QString kErfolgKompakt = QStringLiteral("Die Daten aus Vornix Kompakt wurden erfolgreich importiert.");
const QString kHinweisZenit = QStringLiteral("Bitte greifen Sie während des kompletten Importvorgangs mit keiner anderen Anwendung auf die Datenbanken von Vornix Zenit zu.");
const QString kErfolgZenit = QStringLiteral("Die Daten aus Vornix Zenit wurden erfolgreich importiert.");
}

class TestImportAltDaten : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void choiceRule_data();
    void choiceRule();
    void importsThroughTheMenu_data();
    void importsThroughTheMenu();
    void phases_data();
    void phases();
    void emptySourceTables_data();
    void emptySourceTables();
    void failureWritesNothing_data();
    void failureWritesNothing();
    void runLocksTheDialog();
    void kompaktFromReadOnlyDosTables();
    void damagedKompaktTableWritesNothing();

private:
    void paradox(const QString& ordner, bool leer, bool mitNie);
    void zenit(const QString& gdb, bool leer);
    // Writes the alias file of the program directory: Vornix -> folder `kompakt`, Vornix_NET -> `zenit`.
    void aliase(const QString& programmDir, const QString& kompakt, const QString& zenit);
    std::unique_ptr<TImportDatenForm> form(bool zenit, const QString& programmDir);
    QTemporaryDir m_dir;
};

void TestImportAltDaten::paradox(const QString& ordner, bool leer, bool mitNie)
{
    QVERIFY(QDir().mkpath(ordner));
    QVERIFY(AltFixtures::ParadoxSchreiben(ordner + "/KATEGORIEN.DB", {{"ID", pxfLong, 4}, {"Beschreibung", pxfAlpha, 120}},
                                          leer ? QList<QVariantList>() : kKategorien));
    QVERIFY(AltFixtures::ParadoxSchreiben(ordner + "/katzuord.db",
                                          {{"AdressenID", pxfLong, 4}, {"KategorienID", pxfNumber, 8}},
                                          leer ? QList<QVariantList>() : kZuordnungen));
    QList<Feld> felder;
    for (const QString& s : adressSpalten(mitNie)) {
        if (s == QLatin1String("id"))
            felder.append({s, pxfLong, 4});
        else if (s == QLatin1String("geburtsdatum"))
            felder.append({s, pxfDate, 4});
        else if (istFlag(s) || s == QLatin1String("nieanschreiben"))
            felder.append({s, pxfLogical, 1});
        else
            felder.append({s, pxfAlpha, s == QLatin1String("vorname_1") ? 80 : 40});
    }
    const QList<QHash<QString, QVariant>> p = leer ? QList<QHash<QString, QVariant>>() : personen();
    QVERIFY(AltFixtures::ParadoxSchreiben(ordner + "/adressen.DB", felder, int(p.size()), [&](int i, QVariantList& w) {
        for (const QString& s : adressSpalten(mitNie))
            w << p[i].value(s);
    }));
}

void TestImportAltDaten::zenit(const QString& gdb, bool leer)
{
    QString sql = "CREATE TABLE kategorien (id INTEGER NOT NULL, beschreibung VARCHAR(120));\n"
                  "CREATE TABLE katzuord (adressenid INTEGER, kategorienid INTEGER);\n";
    QStringList definition;
    for (const QString& s : adressSpalten()) {
        if (s == QLatin1String("id"))
            definition << s + " INTEGER NOT NULL";
        else if (s == QLatin1String("geburtsdatum"))
            definition << s + " DATE";
        else if (istFlag(s) || s == QLatin1String("nieanschreiben"))
            definition << s + " SMALLINT";
        else
            definition << s + " VARCHAR(80)";
    }
    sql += "CREATE TABLE adressen (" + definition.join(", ") + ");\n";
    if (!leer) {
        for (const QVariantList& k : kKategorien)
            sql += QStringLiteral("INSERT INTO kategorien VALUES (%1, %2);\n").arg(k[0].toInt()).arg(AltFixtures::SqlWert(k[1]));
        for (const QVariantList& z : kZuordnungen)
            sql += QStringLiteral("INSERT INTO katzuord VALUES (%1, %2);\n").arg(z[0].toInt()).arg(z[1].toInt());
        for (QHash<QString, QVariant> p : personen()) {
            if (p.value("id").toInt() == 8)
                p.insert("firma_anschreiben_sms", 2);
            QStringList werte;
            for (const QString& s : adressSpalten())
                werte << AltFixtures::SqlWert(p.value(s));
            sql += "INSERT INTO adressen (" + adressSpalten().join(", ") + ") VALUES (" + werte.join(", ") + ");\n";
        }
    }
    sql += "GRANT SELECT ON kategorien TO VORNIX_NET;\nGRANT SELECT ON katzuord TO VORNIX_NET;\n"
           "GRANT SELECT ON adressen TO VORNIX_NET;\n";
    const QString fehler = AltFixtures::ZenitErstellen(gdb, sql);
    QVERIFY2(fehler.isEmpty(), qPrintable(fehler));
}

void TestImportAltDaten::initTestCase()
{
    QVERIFY(m_dir.isValid());
    paradox(m_dir.filePath("kompakt"), false, true);
    paradox(m_dir.filePath(kTieferOrdner), false, true);
    QVERIFY(m_dir.filePath(kTieferOrdner + "/adressen.DB").size() >= 100);
    paradox(m_dir.filePath("kompakt-leer"), true, true);
    paradox(m_dir.filePath("kompakt-ohne-spalte"), false, false);
    zenit(m_dir.filePath("zenit.gdb"), false);
    zenit(m_dir.filePath("zenit-leer.gdb"), true);
}

void TestImportAltDaten::aliase(const QString& programmDir, const QString& kompakt, const QString& zenit)
{
    QFile alias(programmDir + "/" + AltDatenbankNamen::kAliasDatei);
    QVERIFY(alias.open(QIODevice::WriteOnly | QIODevice::Truncate));
    alias.write(("[Vornix]\nDriver=PARADOX\nPath=" + m_dir.filePath(kompakt) + "\n\n"
                 "[Vornix_NET]\nDriver=INTRBASE\nServer Name=" + m_dir.filePath(zenit) + "\n").toUtf8());
}

std::unique_ptr<TImportDatenForm> TestImportAltDaten::form(bool zenit, const QString& programmDir)
{
    const QString datei = programmDir + "/" + AltDatenbankNamen::kAliasDatei;
    std::unique_ptr<TImportDatenForm> f;
    if (zenit)
        f = std::make_unique<TImportDatenZenitForm>(datei);
    else
        f = std::make_unique<TImportDatenKompaktForm>(datei);
    f->show();
    return f;
}

void TestImportAltDaten::choiceRule_data()
{
    QTest::addColumn<bool>("kategorien");
    QTest::addColumn<bool>("kontakte");
    QTest::addColumn<bool>("zuordnungen");
    QTest::addColumn<QString>("meldung");
    const QString nurMitBeiden = QStringLiteral("Sie können die Zuordnung der Kontakte zu Kategorien nur importieren, "
                                                "falls Sie sowohl die Kontakte als auch die Kategorien importieren.");
    QTest::newRow("assignments alone") << false << false << true << nurMitBeiden;
    QTest::newRow("assignments with categories") << true << false << true << nurMitBeiden;
    QTest::newRow("assignments with contacts") << false << true << true << nurMitBeiden;
    QTest::newRow("nothing") << false << false << false << QStringLiteral("Bitte wählen Sie, welche Daten importiert werden sollen.");
}

void TestImportAltDaten::choiceRule()
{
    QFETCH(bool, kategorien);
    QFETCH(bool, kontakte);
    QFETCH(bool, zuordnungen);
    QFETCH(QString, meldung);
    TestDatabase db;
    ScriptedMessages msgs;
    aliase(db.Path(), "kompakt", "zenit.gdb");
    auto f = form(false, db.Path());
    waehle(f.get(), kategorien, kontakte, zuordnungen);
    button(f.get(), "Btn_OK")->click();
    QCOMPARE(msgs.Texts(), QStringList{meldung});
    QCOMPARE(msgs.Messages().first().kind, Msg::Kind::Information);
    QVERIFY(f->isVisible());
    QCOMPARE(anzahl("kategorien") + anzahl("kontakte"), 0);
}

void TestImportAltDaten::importsThroughTheMenu_data()
{
    QTest::addColumn<bool>("zenit");
    QTest::addColumn<QString>("kompakt");
    QTest::newRow("Kompakt") << false << "kompakt";
    QTest::newRow("Zenit") << true << "kompakt";
    QTest::newRow("Kompakt from a deep folder") << false << kTieferOrdner;
}

void TestImportAltDaten::importsThroughTheMenu()
{
    QFETCH(bool, zenit);
    QFETCH(QString, kompakt);
    TestProgram p([](TIniFileDaten& d) { d.StartOrdner = 1; });
    aliase(p.db.Path(), kompakt, "zenit.gdb");
    p.Start();
    p.db.Exec("INSERT INTO kategorien (id, name) VALUES (1000, 'AAA vorher')");
    bool gezeigt = false;
    OnNextModal([&](QWidget* dialog) {
        gezeigt = true;
        if (zenit) {
            // Each showing starts with an empty password and no choice.
            auto* passwort = FindChild<QLineEdit>(dialog, "PasswortDb");
            QCOMPARE(passwort->text(), QString());
            QCOMPARE(passwort->echoMode(), QLineEdit::Password);
            passwort->setText("geheim");
        }
        QVERIFY(!box(dialog, "Import_Kategorien")->isChecked());
        waehle(dialog, true, true, true);
        button(dialog, "Btn_OK")->click();
        // A failed import leaves the dialog open: end it, so that the test reports the failure.
        if (dialog->isVisible())
            qobject_cast<QDialog*>(dialog)->reject();
    });
    p.Trigger(zenit ? "ImportausVornixZenit1" : "ImportausVornixKompakt1");
    QVERIFY(gezeigt);
    QCOMPARE(p.msgs.Texts(), QStringList({zenit ? kHinweisZenit : kHinweisKompakt, zenit ? kErfolgZenit : kErfolgKompakt}));

    const QString suffix = zenit ? " [Vornix Zenit]" : " [Vornix Kompakt]";
    QStringList gruppen = {"Kunden" + suffix, (kLangeKategorie + suffix).left(100)};
    if (zenit)
        gruppen.insert(1, suffix);   // the empty category, kept with its leading blank
    QCOMPARE(zeilen("SELECT name FROM kategorien WHERE id <> 1000 ORDER BY id"), gruppen);
    QCOMPARE(zeilen("SELECT geschlecht, vorname, nachname, firma, kdnr, mobil, mobil_send, email, email_send, "
                    "geburtsdatum, p_strasse, p_plz, p_ort, p_land, p_telefon, p_telefax, p_webseite, "
                    "f_strasse, f_ort, f_webseite FROM kontakte ORDER BY id"),
             kKontakteErwartet);
    QCOMPARE(zeilen("SELECT COUNT(*) FROM kontakte WHERE mobil_lastsend IS NULL"), QStringList{"3"});
    // Anna to Kunden, Nie to the long group; Bernd's group exists only in Zenit.
    QStringList zuordnungen = {"Müller|Kunden" + suffix, "Nie|" + (kLangeKategorie + suffix).left(100)};
    if (zenit)
        zuordnungen.insert(1, "Schulz|" + suffix);
    QCOMPARE(zeilen("SELECT k.nachname, g.name FROM katzuord z JOIN kontakte k ON k.id = z.kontakt "
                    "JOIN kategorien g ON g.id = z.kategorie ORDER BY k.id"),
             zuordnungen);

    // The Kontakte page shows the new groups after OK.
    auto* liste = FindChild<QListWidget>(p.Frame(), "ListBox_Kontaktgruppen");
    QStringList gezeigteGruppen;
    for (int i = 0; i < liste->count(); ++i)
        gezeigteGruppen << liste->item(i)->text();
    QVERIFY2(gezeigteGruppen.join('\n').contains("Kunden" + suffix), qPrintable(gezeigteGruppen.join(", ")));
}

void TestImportAltDaten::phases_data()
{
    QTest::addColumn<bool>("zenit");
    QTest::addColumn<bool>("kategorien");
    QTest::addColumn<bool>("kontakte");
    QTest::addColumn<int>("gruppen");
    QTest::addColumn<int>("personen");
    for (bool zenit : {false, true}) {
        const QByteArray e = zenit ? "Zenit: " : "Kompakt: ";
        const int gruppen = zenit ? 3 : 2;
        QTest::newRow(e + "categories only") << zenit << true << false << gruppen << 0;
        QTest::newRow(e + "contacts only") << zenit << false << true << 0 << 3;
        QTest::newRow(e + "both, no assignments") << zenit << true << true << gruppen << 3;
    }
}

void TestImportAltDaten::phases()
{
    QFETCH(bool, zenit);
    QFETCH(bool, kategorien);
    QFETCH(bool, kontakte);
    QFETCH(int, gruppen);
    QFETCH(int, personen);
    TestDatabase db;
    ScriptedMessages msgs;
    aliase(db.Path(), "kompakt", "zenit.gdb");
    auto f = form(zenit, db.Path());
    waehle(f.get(), kategorien, kontakte, false);
    button(f.get(), "Btn_OK")->click();
    QCOMPARE(msgs.Count(), 2);
    QCOMPARE(f->result(), int(QDialog::Accepted));
    QCOMPARE(anzahl("kategorien"), gruppen);
    QCOMPARE(anzahl("kontakte"), personen);
    QCOMPARE(anzahl("katzuord"), 0);
}

void TestImportAltDaten::emptySourceTables_data()
{
    QTest::addColumn<bool>("zenit");
    QTest::newRow("Kompakt") << false;
    QTest::newRow("Zenit") << true;
}

void TestImportAltDaten::emptySourceTables()
{
    QFETCH(bool, zenit);
    TestDatabase db;
    ScriptedMessages msgs;
    aliase(db.Path(), "kompakt-leer", "zenit-leer.gdb");
    auto f = form(zenit, db.Path());
    waehle(f.get(), true, true, true);
    button(f.get(), "Btn_OK")->click();
    QCOMPARE(msgs.Texts().value(1), zenit ? kErfolgZenit : kErfolgKompakt);
    QCOMPARE(f->result(), int(QDialog::Accepted));
    QCOMPARE(anzahl("kategorien") + anzahl("kontakte") + anzahl("katzuord"), 0);
}

void TestImportAltDaten::failureWritesNothing_data()
{
    QTest::addColumn<QString>("aliasDatei");   // "" for none
    QTest::addColumn<QString>("grund");
    const QString ordner = m_dir.filePath("kompakt-ohne-spalte");
    QTest::newRow("no alias file") << "" << "Die Alias-Datei \"%1\" wurde nicht gefunden.";
    QTest::newRow("no such alias") << "[Vornix_NET]\nDriver=INTRBASE\nServer Name=/x.gdb\n"
                                   << "Der Alias \"Vornix\" ist in der Alias-Datei \"%1\" nicht eingetragen.";
    // Fails in the contacts, after the categories were written: they go too.
    QTest::newRow("missing column") << "[Vornix]\nDriver=PARADOX\nPath=" + ordner + "\n"
                                    << "Die Spalte \"nieanschreiben\" fehlt in der Tabelle \"adressen\".";
}

void TestImportAltDaten::failureWritesNothing()
{
    QFETCH(QString, aliasDatei);
    QFETCH(QString, grund);
    TestDatabase db;
    ScriptedMessages msgs;
    const QString datei = db.Path() + "/" + AltDatenbankNamen::kAliasDatei;
    if (!aliasDatei.isEmpty()) {
        QFile alias(datei);
        QVERIFY(alias.open(QIODevice::WriteOnly));
        alias.write(aliasDatei.toUtf8());
    }
    auto f = form(false, db.Path());
    waehle(f.get(), true, true, true);
    button(f.get(), "Btn_OK")->click();
    QCOMPARE(msgs.Texts(), QStringList({kHinweisKompakt, kFehlerKompakt + QString(grund).replace("%1", datei)}));
    QCOMPARE(msgs.Messages().last().kind, Msg::Kind::Error);
    QVERIFY(f->isVisible());
    QCOMPARE(f->result(), int(QDialog::Rejected));
    QCOMPARE(FindChild<QStatusBar>(f.get(), "StatusBar")->currentMessage(), QString());
    QVERIFY(button(f.get(), "Btn_OK")->isEnabled());
    QVERIFY(button(f.get(), "Btn_Abbrechen")->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(anzahl("kategorien") + anzahl("kontakte") + anzahl("katzuord"), 0);

    // Mended, the next run imports everything once.
    aliase(db.Path(), "kompakt", "zenit.gdb");
    msgs.Clear();
    button(f.get(), "Btn_OK")->click();
    QCOMPARE(msgs.Texts().value(1), kErfolgKompakt);
    QCOMPARE(anzahl("kategorien"), 2);
    QCOMPARE(anzahl("kontakte"), 3);
    QCOMPARE(anzahl("katzuord"), 2);
}

void TestImportAltDaten::runLocksTheDialog()
{
    TestDatabase db;
    ScriptedMessages msgs;
    aliase(db.Path(), "kompakt", "zenit.gdb");
    auto f = form(false, db.Path());
    waehle(f.get(), true, true, true);
    bool geprueft = false;
    msgs.OnMessage([&](const ScriptedMessages::Entry& e) {
        if (e.text != kHinweisKompakt)
            return;
        // Runs at the first progress step, inside the import.
        QTimer::singleShot(0, f.get(), [&] {
            geprueft = true;
            QVERIFY(!button(f.get(), "Btn_OK")->isEnabled());
            QVERIFY(!button(f.get(), "Btn_Abbrechen")->isEnabled());
            QVERIFY(f->IsRunning());
            f->reject();
            f->close();
            QVERIFY(f->isVisible());
        });
    });
    button(f.get(), "Btn_OK")->click();
    QVERIFY(geprueft);
    QCOMPARE(msgs.Texts(), QStringList({kHinweisKompakt, kErfolgKompakt}));
    QCOMPARE(f->result(), int(QDialog::Accepted));
    QCOMPARE(anzahl("kontakte"), 3);
}

void TestImportAltDaten::kompaktFromReadOnlyDosTables()
{
    // Tables in the DOS code page 850, an address as a memo held in the .MB file, flags stored
    // as text; the folder as copied from a CD, which may only be read.
    const QString ordner = m_dir.filePath("kompakt-dos");
    QVERIFY(QDir().mkpath(ordner));
    QVERIFY(AltFixtures::ParadoxSchreiben(ordner + "/KATEGORIEN.DB", {{"ID", pxfLong, 4}, {"Beschreibung", pxfAlpha, 40}},
                                          {{1, "Müller Straße Köln"}}, 850));
    QVERIFY(AltFixtures::ParadoxSchreiben(ordner + "/KATZUORD.DB", {{"AdressenID", pxfLong, 4}, {"KategorienID", pxfLong, 4}},
                                          {{7, 1}, {8, 1}}, 850));
    QList<Feld> felder;
    for (const QString& s : adressSpalten()) {
        if (s == QLatin1String("id"))
            felder.append({s, pxfLong, 4});
        else if (s == QLatin1String("geburtsdatum"))
            felder.append({s, pxfDate, 4});
        else if (s == QLatin1String("privat_anschrift") || s == QLatin1String("firma_anschrift"))
            felder.append({s, pxfMemoBLOb, 20});
        else if (istFlag(s) || s == QLatin1String("nieanschreiben"))
            felder.append({s, pxfAlpha, 5});
        else
            felder.append({s, pxfAlpha, 40});
    }
    const QString anschrift = QStringLiteral("Müller Straße 12, Hinterhaus, 3. Stock, 50667 Köln");
    QList<QHash<QString, QVariant>> personen = {
        {{"id", 7}, {"anrede", "Herr"}, {"vorname_1", "Jürgen"}, {"nachname", "Müller"}, {"geburtsdatum", QDate(1950, 5, 17)},
         {"privat_anschrift", anschrift}, {"privat_ort", "Köln"}, {"privat_handy", "0171 1234567"},
         {"privat_anschreiben_sms", " Ja "}, {"privat_email", "j@example.org"}, {"privat_anschreiben_email", "nein"},
         {"firma_anschrift", "Hof"}, {"nieanschreiben", "F"}},
        {{"id", 8}, {"anrede", "Frau"}, {"vorname_1", "Ösi"}, {"nachname", "Weiß"}, {"firma_handy", "0160 5550000"},
         {"firma_anschreiben_sms", "t"}, {"firma_email", "w@example.org"}, {"firma_anschreiben_email", "YES"},
         {"nieanschreiben", "x"}}};
    QVERIFY(AltFixtures::ParadoxSchreiben(ordner + "/ADRESSEN.DB", felder, int(personen.size()), [&](int i, QVariantList& w) {
        for (const QString& s : adressSpalten())
            w << personen[i].value(s);
    }, 850));
    QVERIFY(QFile::exists(ordner + "/ADRESSEN.MB"));
    for (const QString& f : QDir(ordner).entryList(QDir::Files))
        QVERIFY(QFile::setPermissions(ordner + "/" + f, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(QFile::setPermissions(ordner, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));

    TestDatabase db;
    ScriptedMessages msgs;
    aliase(db.Path(), "kompakt-dos", "zenit.gdb");
    auto f = form(false, db.Path());
    waehle(f.get(), true, true, true);
    // At every progress step: which of the folder's files are open, and only for reading? The
    // file modes stop a normal user from writing; the open modes show it for root too.
    QStringList offen;
    bool nurLesend = true;
    QTimer schritt;
    QObject::connect(&schritt, &QTimer::timeout, [&] {
        bool lesend = true;
        for (const QString& datei : AltFixtures::OffeneDateien(QFileInfo(ordner).canonicalFilePath(), &lesend))
            if (!offen.contains(datei))
                offen << datei;
        nurLesend = nurLesend && lesend;
    });
    schritt.start(0);
    button(f.get(), "Btn_OK")->click();
    schritt.stop();
    QVERIFY(QFile::setPermissions(ordner, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(msgs.Texts(), QStringList({kHinweisKompakt, kErfolgKompakt}));
    offen.sort();
    QCOMPARE(offen, QStringList({"ADRESSEN.DB", "ADRESSEN.MB", "KATEGORIEN.DB", "KATZUORD.DB"}));
    QVERIFY(nurLesend);

    QCOMPARE(zeilen("SELECT name FROM kategorien"), QStringList{"Müller Straße Köln [Vornix Kompakt]"});
    QCOMPARE(zeilen("SELECT geschlecht, vorname, nachname, mobil, mobil_send, email, email_send, geburtsdatum, "
                    "p_strasse, p_ort, f_strasse FROM kontakte ORDER BY id"),
             QStringList({"2|Jürgen|Müller|00491711234567|1|j@example.org|0|1950-05-17|" + anschrift.left(60) + "|Köln|Hof",
                          "3|Ösi|Weiß|00491605550000|1|w@example.org|1|NULL|||"}));
    QCOMPARE(anzahl("katzuord"), 2);
}

void TestImportAltDaten::damagedKompaktTableWritesNothing()
{
    // A table whose block chain loops: the import's own message with the reason, nothing stored.
    const QString ordner = m_dir.filePath("kompakt-schleife");
    QVERIFY(QDir().mkpath(ordner));
    for (const QString& name : QDir(m_dir.filePath("kompakt")).entryList(QDir::Files))
        QVERIFY(QFile::copy(m_dir.filePath("kompakt/") + name, ordner + "/" + name));
    {
        QFile adressen(ordner + "/adressen.DB");
        QVERIFY(adressen.open(QIODevice::ReadWrite));
        const QByteArray kopf = adressen.read(4);
        QVERIFY(adressen.seek(quint8(kopf[2]) | (quint8(kopf[3]) << 8)));   // the first block's next block: itself
        QVERIFY(adressen.write("\x01\x00", 2) == 2);
    }
    TestDatabase db;
    ScriptedMessages msgs;
    aliase(db.Path(), "kompakt-schleife", "zenit.gdb");
    auto f = form(false, db.Path());
    waehle(f.get(), true, true, true);
    button(f.get(), "Btn_OK")->click();
    QCOMPARE(msgs.Texts(), QStringList({kHinweisKompakt, kFehlerKompakt + "Die Tabelle \"adressen\" ist beschädigt oder kann nicht "
                                                                          "gelesen werden. Die Kette der Datenblöcke enthält eine Schleife."}));
    QVERIFY(f->isVisible());
    QCOMPARE(anzahl("kategorien") + anzahl("kontakte") + anzahl("katzuord"), 0);
}

QTEST_MAIN(TestImportAltDaten)
#include "tst_importaltdaten.moc"
