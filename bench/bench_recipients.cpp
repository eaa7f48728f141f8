// Filling the recipient list at scale: the duplicate test must keep adding linear. Before the
// benchmarks, the composer on screen with many recipients (the picker's ids, "[alle Kontakte]",
// a group) beside the engine's statement for the same rows, on 100,000 contacts in 200 groups or
// 1,000,000 with the argument "1m": program, reference, ratio (medians of three) and the peak
// memory the program added (VmHWM after a reset, less the resident size before it; the largest
// of the three, freed memory handed back to the system before each run).
#include "BenchSupport.h"
#include "sms/Recipient.h"
#include "sms/EmpfaengerAuswaehlenForm.h"
#include "sms/SmsForm.h"
#include "sms/SmsVersandZeitgesteuertForm.h"
#include <QAbstractItemModel>
#include "foundation/Messages.h"
#include "sms/SmsVersandZeitgesteuertForm.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QSqlQuery>
#include <algorithm>
#include <cstdio>
#include <vector>
#include <benchmark/benchmark.h>

namespace {
int kKontakte = 100000;

BenchDatabase g_db;

// The hash-set duplicate test alone: n adds with 2% duplicates.
void BM_AddEmpfaenger(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    QVector<TRecipient> input(n);
    for (int i = 0; i < n; ++i) {
        input[i].Id = i + 1;
        input[i].Mobil = QString("0049171%1").arg(i % 50 == 0 ? i - 1 : i, 7, 10, QChar('0'));
    }
    for (auto _ : state) {
        TRecipients list;
        for (const TRecipient& r : input)
            list.AddEmpfaenger(r);
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetComplexityN(n);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AddEmpfaenger)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

// "[alle Kontakte]": all 100,000 contacts read from the database and added.
void BM_AddAlleKontakte(benchmark::State& state)
{
    for (auto _ : state) {
        TRecipients list;
        const int rows = list.AddEmpfaengerByKategorie(0);
        benchmark::DoNotOptimize(rows);
        state.counters["added"] = list.Count();
        state.counters["doppelt"] = list.AnzahlDoppelt();
    }
}
BENCHMARK(BM_AddAlleKontakte)->Unit(benchmark::kMillisecond)->Iterations(3);

// The picker's ids for every contact, in first-name order (the bulk add by ids).
void BM_AddPickerIds(benchmark::State& state)
{
    QList<int> ids;
    {
        QSqlQuery q = DatenModul->Run("SELECT id FROM kontakte ORDER BY vorname, nachname");
        while (q.next())
            ids << q.value(0).toInt();
    }
    for (auto _ : state) {
        TRecipients list;
        benchmark::DoNotOptimize(list.AddEmpfaengerByIds(ids));
    }
}
BENCHMARK(BM_AddPickerIds)->Unit(benchmark::kMillisecond)->Iterations(3);

// A group of a few hundred: the fixed cost of a statement shows.
void BM_AddGruppe(benchmark::State& state)
{
    for (auto _ : state) {
        TRecipients list;
        benchmark::DoNotOptimize(list.AddEmpfaengerByKategorie(1));
    }
}
BENCHMARK(BM_AddGruppe)->Unit(benchmark::kMillisecond);

// The same into the composer, up to the filled list box.
void BM_ComposerAlleKontakte(benchmark::State& state)
{
    BenchSession host;
    TEmpfaengerAuswaehlenForm auswahl;
    TSmsVersandZeitgesteuertForm zeit;
    TSmsForm form(host.session, nullptr, auswahl, zeit);
    for (auto _ : state) {
        form.ClearEmpfaenger();
        form.AddEmpfaengerByKategorie(0);
        form.RefreshEmpfaengerList();
        state.counters["items"] = form.findChild<QListView*>("Empfaenger")->model()->rowCount();
    }
}
BENCHMARK(BM_ComposerAlleKontakte)->Unit(benchmark::kMillisecond)->Iterations(3);
}

namespace {



const char* const kSpalten = "id, geschlecht, vorname, nachname, firma, geburtsdatum, mobil, mobil_send, mobil_lastsend";

// The composer as the user has it: on screen, its list filled and painted.
void zusammenfassung()
{
    bench::Header();
    BenchSession host;
    TEmpfaengerAuswaehlenForm auswahl;
    TSmsVersandZeitgesteuertForm zeit;
    TSmsForm form(host.session, nullptr, auswahl, zeit);
    form.show();
    QCoreApplication::processEvents();
    const auto leer = [&] {
        form.ClearEmpfaenger();
        form.RefreshEmpfaengerList();
        QCoreApplication::processEvents();
    };
    const auto nichts = [] {};
    QList<int> ids;
    {
        QSqlQuery q = DatenModul->Run("SELECT id FROM kontakte ORDER BY vorname, nachname");
        while (q.next())
            ids << q.value(0).toInt();
    }
    {
        const bench::Messung p = bench::Messen(leer, [&] {
            form.AddGewaehlteEmpfaenger(ids);
            QCoreApplication::processEvents();
        });
        const bench::Messung e = bench::Messen(nichts, [] { bench::ReadAll(QString("SELECT %1 FROM kontakte").arg(kSpalten)); });
        bench::Row("composer on screen, the picker's ids", kKontakte, p, e.ms);
    }
    const auto kategorie = [&](int id) {
        form.AddEmpfaengerByKategorie(id);
        form.RefreshEmpfaengerList();
        QCoreApplication::processEvents();
    };
    {
        const bench::Messung p = bench::Messen(leer, [&] { kategorie(0); });
        const bench::Messung e = bench::Messen(nichts, [] {
            bench::ReadAll(QString("SELECT %1 FROM kontakte ORDER BY vorname ASC").arg(kSpalten));
        });
        bench::Row("composer on screen, [alle Kontakte]", kKontakte, p, e.ms);
    }
    {
        const bench::Messung p = bench::Messen(leer, [&] { kategorie(1); });
        const bench::Messung e = bench::Messen(nichts, [] {
            bench::ReadAll("SELECT t2.id, t2.geschlecht, t2.vorname, t2.nachname, t2.firma, t2.geburtsdatum, t2.mobil, "
                    "t2.mobil_send, t2.mobil_lastsend FROM katzuord t1, kontakte t2 WHERE t1.kategorie=1 AND "
                    "t1.kontakt=t2.id ORDER BY t2.vorname ASC");
        });
        bench::Row("composer on screen, a group", kKontakte, p, e.ms);
    }
    leer();
    form.hide();
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The summary of refused recipients (every 50th number is shared) is answered.
    Msg::SetResponder([](Msg::Kind, const QString&) { return true; });
    if (argc > 1 && QByteArray(argv[argc - 1]) == "1m") {
        kKontakte = 1000000;
        --argc;
    }
    // Contacts in groups, as users have them.
    if (!g_db.SetUp(kKontakte, true))
        return 1;
    bench::ReadAll("SELECT * FROM kontakte");   // warm, so that the first scenario is not the cold one
    if (!qEnvironmentVariableIsSet("VORNIX2_BENCH_OHNE_UEBERSICHT"))
        zusammenfassung();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_db.TearDown();
    return 0;
}
