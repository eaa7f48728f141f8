// Filling the recipient list at scale: the duplicate test must keep adding linear.
#include "BenchSupport.h"
#include "sms/Recipient.h"
#include "sms/EmpfaengerAuswaehlenForm.h"
#include "sms/SmsForm.h"
#include "sms/SmsVersandZeitgesteuertForm.h"
#include <QAbstractItemModel>
#include <QApplication>
#include <QListView>
#include <benchmark/benchmark.h>

namespace {
constexpr int kKontakte = 100000;

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

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!g_db.SetUp(kKontakte))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_db.TearDown();
    return 0;
}
