// The shared writer of the contact imports at scale: 100,000 contacts with the columns an
// import sets, each assigned to a group, as one unit; beside it the engine's own rate for the
// same rows through one prepared insert per row.
#include "BenchSupport.h"
#include "contacts/KontaktDaten.h"
#include <QDate>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {
constexpr int kKontakte = 100000;

QVector<std::pair<QString, QVariant>> spalten(int i)
{
    QVector<std::pair<QString, QVariant>> s{
        {"geschlecht", 2 + i % 2},
        {"vorname", QString("Vorname%1").arg(i)},
        {"nachname", QString("Nachname%1").arg(i)},
        {"firma", QString("Firma %1 GmbH").arg(i % 700)},
        {"kdnr", QString("")},
        {"mobil", BenchDatabase::Number(i)},
        {"email", QString("v%1@example.org").arg(i)},
        {"p_strasse", QString("Weg %1").arg(i % 300)},
        {"p_plz", QString("%1").arg(10000 + i % 80000)},
        {"p_ort", QString("Ort")},
        {"f_telefon", QString("030 %1").arg(i)},
    };
    if (i % 3 == 0)
        s.append({"geburtsdatum", QDate(1970 + i % 40, 1 + i % 12, 1 + i % 28)});
    return s;
}

// The same row as an import gives it to the writer.
TImportKontakt kontakt(int i)
{
    using F = TKontaktFeld;
    TImportKontakt w;
    w.felder = {F::Geschlecht, F::Vorname, F::Nachname, F::Firma, F::KdNr, F::Mobil,
                F::Email, F::PStrasse, F::PPlz, F::POrt, F::FTelefon};
    TKontakt& k = w.kontakt;
    k.geschlechtId = 2 + i % 2;
    k.vorname = QString("Vorname%1").arg(i);
    k.nachname = QString("Nachname%1").arg(i);
    k.firma = QString("Firma %1 GmbH").arg(i % 700);
    k.kdnr = QString("");
    k.mobil = BenchDatabase::Number(i);
    k.email = QString("v%1@example.org").arg(i);
    k.pStrasse = QString("Weg %1").arg(i % 300);
    k.pPlz = QString("%1").arg(10000 + i % 80000);
    k.pOrt = QString("Ort");
    k.fTelefon = QString("030 %1").arg(i);
    if (i % 3 == 0) {
        k.geburtsdatum = QDate(1970 + i % 40, 1 + i % 12, 1 + i % 28);
        w.felder << F::Geburtsdatum;
    }
    return w;
}

void BM_TKontaktImport(benchmark::State& state)
{
    for (auto _ : state) {
        BenchDatabase db;
        if (!db.SetUp(0)) {
            state.SkipWithError("database");
            return;
        }
        int gruppe = -1;
        DatenModul->Unit([&] { TKontaktDaten::SpeichereKategorie(gruppe, "Import"); });
        QElapsedTimer t;
        t.start();
        DatenModul->Unit([&] {
            TKontaktDaten::TKontaktImport import(gruppe);
            for (int i = 1; i <= kKontakte; ++i)
                import.Importiere(kontakt(i));
            import.Abschliessen();
        });
        const double programm = t.elapsed();

        // The engine's own rate: the same rows with their ids, one prepared insert each.
        t.restart();
        DatenModul->Unit([&] {
            QSqlQuery q = DatenModul->Query();
            TDatenModul::Prepare(q, "INSERT INTO kontakte (id,geschlecht,vorname,nachname,firma,kdnr,mobil,email,"
                                    "p_strasse,p_plz,p_ort,f_telefon) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)");
            QSqlQuery z = DatenModul->Query();
            TDatenModul::Prepare(z, "INSERT INTO katzuord (kontakt,kategorie) VALUES (?,?)");
            for (int i = 1; i <= kKontakte; ++i) {
                q.addBindValue(kKontakte + i);
                for (const auto& [name, wert] : spalten(i))
                    if (name != "geburtsdatum")
                        q.addBindValue(wert);
                TDatenModul::Exec(q);
                z.addBindValue(kKontakte + i);
                z.addBindValue(gruppe);
                TDatenModul::Exec(z);
            }
        });
        const double engine = t.elapsed();
        std::printf("import of %d contacts with assignments: %.0f ms; engine's inserts: %.0f ms; ratio %.2f\n",
                    kKontakte, programm, engine, programm / engine);
        state.counters["programm_ms"] = programm;
        state.counters["engine_ms"] = engine;
        state.counters["ratio"] = programm / engine;
    }
}
BENCHMARK(BM_TKontaktImport)->Unit(benchmark::kMillisecond)->Iterations(1);
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
