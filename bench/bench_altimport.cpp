// The imports from the earlier editions at scale: 100,000 contacts in 200 groups with 150,000
// assignments, from Paradox tables (Kompakt) and from a dialect-1 database (Zenit), each run
// through its dialog into a fresh database, three times each; beside each run the engine writing
// as many rows itself (medians of the pairs at the end).
#include "BenchSupport.h"
#include "../tests/support/AltFixtures.h"
#include "exchange/ImportDatenKompaktForm.h"
#include "exchange/ImportDatenZenitForm.h"
#include "contacts/KontaktDaten.h"
#include "foundation/Messages.h"
#include "platform/AltDatenbank.h"
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSqlError>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {
constexpr int kKontakte = 100000;
constexpr int kGruppen = 200;
constexpr int kZuordnungen = 150000;

QDir* g_quellen = nullptr;

const QStringList kBlock = {"anschrift", "land", "plz", "ort", "telefon", "telefax", "handy",
                            "anschreiben_sms", "email", "anschreiben_email", "homepage"};

QStringList adressSpalten()
{
    QStringList spalten = {"id", "anrede", "vorname_1", "vorname_2", "nachname", "geburtsdatum", "firma"};
    for (const char* vorsatz : {"privat_", "firma_"})
        for (const QString& s : kBlock)
            spalten << QLatin1String(vorsatz) + s;
    spalten << "nieanschreiben";
    return spalten;
}
bool istFlag(const QString& s) { return s.contains("anschreiben"); }

// Person i as the columns of adressSpalten(); flags as booleans.
void person(int i, QVariantList& w)
{
    const bool privat = i % 3 != 0;
    w << i << (i % 2 ? "Herr" : "Frau") << QString("Vorname%1").arg(i % 5000) << (i % 7 ? QString() : QString("Maria"))
      << QString("Nachname%1").arg(i) << (i % 4 ? QVariant(QDate(1950, 1, 1).addDays(i % 20000)) : QVariant())
      << QString("Firma %1 GmbH").arg(i % 900);
    for (bool block : {true, false}) {
        const bool nummer = block == privat;
        w << QString("Strasse %1").arg(i % 300) << "Deutschland" << QString::number(10000 + i % 89999)
          << QString("Ort%1").arg(i % 700) << "030 1234567" << "" << (nummer ? QString("0171 %1").arg(i, 7, 10, QChar('0')) : QString())
          << true << (nummer ? QString("p%1@example.org").arg(i) : QString()) << (i % 5 != 0) << "";
    }
    w << (i % 50 == 0);
}

void schreibeKompakt(const QString& ordner)
{
    QDir().mkpath(ordner);
    AltFixtures::ParadoxSchreiben(ordner + "/kategorien.DB", {{"id", pxfLong, 4}, {"beschreibung", pxfAlpha, 60}},
                                  kGruppen, [](int i, QVariantList& w) { w << i + 1 << QString("Gruppe %1").arg(i + 1); });
    AltFixtures::ParadoxSchreiben(ordner + "/katzuord.DB", {{"adressenid", pxfLong, 4}, {"kategorienid", pxfLong, 4}},
                                  kZuordnungen, [](int i, QVariantList& w) { w << 1 + i % kKontakte << 1 + (i * 7) % kGruppen; });
    QList<AltFixtures::Feld> felder;
    for (const QString& s : adressSpalten())
        felder.append({s, s == "id" ? char(pxfLong) : s == "geburtsdatum" ? char(pxfDate)
                          : istFlag(s) || s == "nieanschreiben" ? char(pxfLogical) : char(pxfAlpha),
                       s == "id" || s == "geburtsdatum" ? 4 : istFlag(s) || s == "nieanschreiben" ? 1 : 30});
    AltFixtures::ParadoxSchreiben(ordner + "/adressen.DB", felder, kKontakte, [](int i, QVariantList& w) { person(i + 1, w); });
}

bool schreibeZenit(const QString& gdb)
{
    QStringList definition;
    for (const QString& s : adressSpalten())
        definition << s + (s == "id" ? " INTEGER NOT NULL" : s == "geburtsdatum" ? " DATE"
                           : istFlag(s) || s == "nieanschreiben" ? " SMALLINT" : " VARCHAR(30)");
    const QString fehler = AltFixtures::ZenitErstellen(
        gdb, "CREATE TABLE kategorien (id INTEGER NOT NULL, beschreibung VARCHAR(60));\n"
             "CREATE TABLE katzuord (adressenid INTEGER, kategorienid INTEGER);\n"
             "CREATE TABLE adressen (" + definition.join(", ") + ");\n"
             "GRANT SELECT ON kategorien TO VORNIX_NET;\nGRANT SELECT ON katzuord TO VORNIX_NET;\n"
             "GRANT SELECT ON adressen TO VORNIX_NET;\n");
    if (!fehler.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(fehler));
        return false;
    }
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QIBASE", "zenitfill");
        db.setDatabaseName(gdb);
        db.setUserName("SYSDBA");
        db.setPassword("masterkey");
        ok = db.open() && db.transaction();
        QSqlQuery q(db);
        const auto exec = [&] {
            if (ok && !q.exec()) {
                std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
                ok = false;
            }
        };
        ok = ok && q.prepare("INSERT INTO kategorien VALUES (?, ?)");
        for (int i = 1; ok && i <= kGruppen; ++i) {
            q.addBindValue(i);
            q.addBindValue(QString("Gruppe %1").arg(i));
            exec();
        }
        ok = ok && q.prepare("INSERT INTO katzuord VALUES (?, ?)");
        for (int i = 0; ok && i < kZuordnungen; ++i) {
            q.addBindValue(1 + i % kKontakte);
            q.addBindValue(1 + (i * 7) % kGruppen);
            exec();
        }
        QStringList marken;
        for (int i = 0; i < adressSpalten().size(); ++i)
            marken << "?";
        ok = ok && q.prepare("INSERT INTO adressen (" + adressSpalten().join(", ") + ") VALUES (" + marken.join(", ") + ")");
        QVariantList w;
        for (int i = 1; ok && i <= kKontakte; ++i) {
            w.clear();
            person(i, w);
            for (const QVariant& v : w)
                q.addBindValue(v.typeId() == QMetaType::Bool ? QVariant(v.toBool() ? 1 : 0)
                               : v.typeId() == QMetaType::QDate ? QVariant(v.toDate().startOfDay()) : v);
            exec();
        }
        ok = ok && db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase("zenitfill");
    return ok;
}

// The reference: the engine itself writing as many contacts with the same fields, the groups and
// the assignments into a fresh database, one unit, the lists' indexes off and rebuilt as an import has them.
double engineWrites()
{
    BenchDatabase db;
    if (!db.SetUp(0))
        return 0;
    QElapsedTimer t;
    t.start();
    {
        const TKontaktDaten::TListenIndizesAus aus(kKontakte);
        DatenModul->Unit([] {
            DatenModul->Run(QString(R"(EXECUTE BLOCK AS DECLARE "I" INT = 1; BEGIN WHILE ("I" <= %1) DO BEGIN
                INSERT INTO kontakte (id, geschlecht, vorname, nachname, firma, geburtsdatum, mobil, mobil_send, email,
                  email_send, p_strasse, p_plz, p_ort, p_land, p_telefon, p_telefax, p_webseite, f_strasse, f_plz, f_ort,
                  f_land, f_telefon, f_telefax, f_webseite)
                VALUES (:"I", 2 + MOD(:"I", 2), 'Vorname' || MOD(:"I", 5000), 'Nachname' || :"I",
                  'Firma ' || MOD(:"I", 900) || ' GmbH', IIF(MOD(:"I", 4) = 0, NULL, DATEADD(MOD(:"I", 20000) DAY TO DATE '1950-01-01')),
                  '0171 ' || LPAD(:"I", 7, '0'), 1, 'p' || :"I" || '@example.org', 1, 'Strasse ' || MOD(:"I", 300),
                  10000 + MOD(:"I", 89999), 'Ort' || MOD(:"I", 700), 'Deutschland', '030 1234567', '', '',
                  'Strasse ' || MOD(:"I", 300), 10000 + MOD(:"I", 89999), 'Ort' || MOD(:"I", 700), 'Deutschland',
                  '030 1234567', '', '');
                "I" = "I" + 1; END
              "I" = 1; WHILE ("I" <= %2) DO BEGIN
                INSERT INTO kategorien (id, name) VALUES (:"I", 'Gruppe ' || :"I"); "I" = "I" + 1; END
              "I" = 0; WHILE ("I" < %3) DO BEGIN
                INSERT INTO katzuord (kontakt, kategorie) VALUES (1 + MOD(:"I", %1), 1 + MOD(:"I" * 7, %2));
                "I" = "I" + 1; END
            END)").arg(kKontakte).arg(kGruppen).arg(kZuordnungen));
        });
    }
    TKontaktDaten::SichereListenIndizes();
    return t.nsecsElapsed() / 1e6;
}

struct Zeile {
    const char* what;
    std::vector<double> program, engine;
    long addedMb = 0;
};
Zeile g_zeilen[2] = {{"import from Kompakt", {}, {}, 0}, {"import from Zenit", {}, {}, 0}};

void import(benchmark::State& state, bool zenit)
{
    for (auto _ : state) {
        state.PauseTiming();
        BenchDatabase db;
        if (!db.SetUp(0)) {
            state.SkipWithError("no database");
            return;
        }
        QFile alias(db.dir->filePath(AltDatenbankNamen::kAliasDatei));
        alias.open(QIODevice::WriteOnly);
        alias.write(("[Vornix]\nDriver=PARADOX\nPath=" + g_quellen->filePath("kompakt") + "\n"
                     "[Vornix_NET]\nDriver=INTRBASE\nServer Name=" + g_quellen->filePath("zenit.gdb") + "\n").toUtf8());
        alias.close();
        std::unique_ptr<TImportDatenForm> form;
        if (zenit)
            form = std::make_unique<TImportDatenZenitForm>(alias.fileName());
        else
            form = std::make_unique<TImportDatenKompaktForm>(alias.fileName());
        form->show();
        for (const char* box : {"Import_Kategorien", "Import_Kontakte", "Import_KatZuOrd"})
            form->findChild<QCheckBox*>(box)->setChecked(true);
        state.ResumeTiming();
        bench::ResetPeak();
        const long rss = bench::StatusKb("VmRSS:");
        QElapsedTimer t;
        t.start();
        form->findChild<QPushButton*>("Btn_OK")->click();
        g_zeilen[zenit].program.push_back(t.nsecsElapsed() / 1e6);
        g_zeilen[zenit].addedMb = std::max(g_zeilen[zenit].addedMb, (bench::StatusKb("VmHWM:") - rss) / 1024);
        state.PauseTiming();
        QSqlQuery q = DatenModul->Run("SELECT (SELECT COUNT(*) FROM kontakte), (SELECT COUNT(*) FROM kategorien), "
                                      "(SELECT COUNT(*) FROM katzuord) FROM rdb$database");
        q.next();
        state.counters["kontakte"] = q.value(0).toInt();
        state.counters["gruppen"] = q.value(1).toInt();
        state.counters["zuordnungen"] = q.value(2).toInt();
        q.finish();
        form.reset();
        db.TearDown();
        g_zeilen[zenit].engine.push_back(engineWrites());
        state.ResumeTiming();
    }
}

void BM_ImportKompakt(benchmark::State& state) { import(state, false); }
void BM_ImportZenit(benchmark::State& state) { import(state, true); }
} // namespace

BENCHMARK(BM_ImportKompakt)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ImportZenit)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Msg::SetResponder([](Msg::Kind kind, const QString& text) {
        if (kind == Msg::Kind::Error)
            std::fprintf(stderr, "%s\n", qPrintable(text));
        return true;
    });
    // The source files take minutes to write: they are kept beside the build for the next run.
    QDir quellen(QCoreApplication::applicationDirPath() + "/../altimport-quellen");
    quellen.mkpath(".");
    g_quellen = &quellen;
    if (qEnvironmentVariableIsEmpty("FIREBIRD_LOCK")) {
        quellen.mkpath("lock");
        qputenv("FIREBIRD_LOCK", quellen.filePath("lock").toLocal8Bit());
    }
    if (!QFile::exists(quellen.filePath("fertig"))) {
        schreibeKompakt(quellen.filePath("kompakt"));
        if (!schreibeZenit(quellen.filePath("zenit.gdb")))
            return 1;
        QFile fertig(quellen.filePath("fertig"));
        fertig.open(QIODevice::WriteOnly);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Medians of the pairs: each import beside the engine writing as many rows itself.
    std::printf("\n");
    bench::Header("engine", 28);
    for (const Zeile& z : g_zeilen)
        if (!z.program.empty())
            bench::Row(z.what, kKontakte, {bench::Median(z.program), bench::Median(z.engine), z.addedMb}, 28);
    return 0;
}
