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
#include <malloc.h>
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
void resetPeak()
{
    QFile f("/proc/self/clear_refs");
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}
long statusKb(const char* key)
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith(key))
            return l.mid(int(qstrlen(key))).trimmed().split(' ').first().toLong();
    return -1;
}

struct Messung {
    double ms = 0;
    long mb = 0;
};

// Three runs of `f`, each after `vorher` (not timed): the median time and the largest peak added.
template <class Vorher, class F> Messung messen(Vorher&& vorher, F&& f)
{
    std::vector<double> t;
    long mb = 0;
    for (int i = 0; i < 3; ++i) {
        vorher();
        malloc_trim(0);
        resetPeak();
        const long before = statusKb("VmRSS:");
        QElapsedTimer e;
        e.start();
        f();
        t.push_back(e.nsecsElapsed() / 1e6);
        mb = std::max(mb, (statusKb("VmHWM:") - before) / 1024);
    }
    std::sort(t.begin(), t.end());
    return {t[1], mb};
}

void readAll(const QString& sql)
{
    QSqlQuery q = DatenModul->Query();
    q.setForwardOnly(true);
    q.exec(sql);
    while (q.next())
        q.value(0);
}

void zeile(const char* what, int n, Messung p, double ref)
{
    std::printf("%-40s %9d %10.1f ms %10.1f ms %7.2fx %6ld MB\n", what, n, p.ms, ref, p.ms / ref, p.mb);
    std::fflush(stdout);
}

const char* const kSpalten = "id, geschlecht, vorname, nachname, firma, geburtsdatum, mobil, mobil_send, mobil_lastsend";

// The composer as the user has it: on screen, its list filled and painted.
void zusammenfassung()
{
    std::printf("%-40s %9s %13s %13s %8s %9s\n", "scenario", "contacts", "program", "reference", "ratio", "added");
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
        const Messung p = messen(leer, [&] {
            form.AddGewaehlteEmpfaenger(ids);
            QCoreApplication::processEvents();
        });
        const Messung e = messen(nichts, [] { readAll(QString("SELECT %1 FROM kontakte").arg(kSpalten)); });
        zeile("composer on screen, the picker's ids", kKontakte, p, e.ms);
    }
    const auto kategorie = [&](int id) {
        form.AddEmpfaengerByKategorie(id);
        form.RefreshEmpfaengerList();
        QCoreApplication::processEvents();
    };
    {
        const Messung p = messen(leer, [&] { kategorie(0); });
        const Messung e = messen(nichts, [] {
            readAll(QString("SELECT %1 FROM kontakte ORDER BY vorname ASC").arg(kSpalten));
        });
        zeile("composer on screen, [alle Kontakte]", kKontakte, p, e.ms);
    }
    {
        const Messung p = messen(leer, [&] { kategorie(1); });
        const Messung e = messen(nichts, [] {
            readAll("SELECT t2.id, t2.geschlecht, t2.vorname, t2.nachname, t2.firma, t2.geburtsdatum, t2.mobil, "
                    "t2.mobil_send, t2.mobil_lastsend FROM katzuord t1, kontakte t2 WHERE t1.kategorie=1 AND "
                    "t1.kontakt=t2.id ORDER BY t2.vorname ASC");
        });
        zeile("composer on screen, a group", kKontakte, p, e.ms);
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
    readAll("SELECT * FROM kontakte");   // warm, so that the first scenario is not the cold one
    if (!qEnvironmentVariableIsSet("VORNIX2_BENCH_OHNE_UEBERSICHT"))
        zusammenfassung();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_db.TearDown();
    return 0;
}
