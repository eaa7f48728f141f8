// The recipient picker at scale: "[alle Kontakte]" into the chosen list and on to the
// composer, and the birthday search over every contact in 200 groups, each beside the engine's
// statements for the same rows; 100,000 contacts, or 1,000,000 with the argument "1m". Before the
// benchmarks, a summary of the two goal scenarios: program, the engine's statements, ratio (medians
// of three) and the peak memory the program added (VmHWM after a reset, less the resident size
// before it; the largest of the three, freed memory handed back to the system before each run).
#include "BenchSupport.h"
#include "foundation/Clock.h"
#include "foundation/Messages.h"
#include "sms/EmpfaengerAuswaehlenForm.h"
#include "sms/SmsForm.h"
#include "sms/SmsVersandZeitgesteuertForm.h"
#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QSqlQuery>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <vector>
#include <benchmark/benchmark.h>

namespace {
int kKontakte = 100000;

BenchDatabase g_db;

// Birth dates spread over 50 years on the groups' database.
void fillBirthdays()
{
    DatenModul->Unit([] {
        DatenModul->Run("UPDATE kontakte SET geburtsdatum = DATEADD(MOD(id * 37, 18262) DAY TO DATE '1950-01-01')");
    });
}


const char* const kAlleGewaehlt = "SELECT id, vorname, nachname, firma, mobil FROM kontakte";
const char* const kGeburtstagJahr =
    "SELECT id,vorname,nachname,firma,geburtsdatum FROM kontakte WHERE geburtsdatum IS NOT NULL AND "
    "(EXTRACT(MONTH FROM geburtsdatum)*100+EXTRACT(DAY FROM geburtsdatum)) BETWEEN 101 AND 1231 "
    "ORDER BY geburtsdatum ASC,vorname ASC, nachname ASC, firma ASC";
const char* const kGeburtstagJahrGruppen =
    "SELECT t1.kategorie,t2.id FROM katzuord t1,kontakte t2 WHERE t1.kontakt=t2.id AND "
    "t2.geburtsdatum IS NOT NULL AND (EXTRACT(MONTH FROM t2.geburtsdatum)*100+"
    "EXTRACT(DAY FROM t2.geburtsdatum)) BETWEEN 101 AND 1231";

// ---- The summary of the goal scenarios ----



void zusammenfassung()
{
    bench::Header();
    const auto nichts = [] {};
    TEmpfaengerAuswaehlenForm picker;
    picker.show();
    auto* gruppen = picker.findChild<QListWidget*>("ListBox_Kontaktgruppen");
    const auto neuGezeigt = [&] {
        picker.hide();
        picker.show();
        QCoreApplication::processEvents();
    };
    {
        const bench::Messung p = bench::Messen(
            [&] {
                neuGezeigt();
                gruppen->clearSelection();
                gruppen->item(0)->setSelected(true);
            },
            [&] { picker.findChild<QPushButton*>("Button_An_Kontaktgruppen")->click(); });
        const bench::Messung e = bench::Messen(nichts, [] { bench::ReadAll(kAlleGewaehlt); });
        bench::Row("picker, [alle Kontakte] -> chosen", kKontakte, p, e.ms);
    }
    {
        const bench::Messung p = bench::Messen(neuGezeigt, [&] {
            picker.findChild<QLineEdit*>("Geburtstag_Von")->setText("01.01.");
            picker.findChild<QLineEdit*>("Geburtstag_Bis")->setText("31.12.");
            picker.findChild<QToolButton*>("Button_Geburtstag_Suchen")->click();
        });
        const bench::Messung e = bench::Messen(nichts, [] {
            bench::ReadAll(kGeburtstagJahr);
            bench::ReadAll(kGeburtstagJahrGruppen);
        });
        bench::Row("picker, birthday tree of the whole year", kKontakte, p, e.ms);
    }
    picker.hide();
}

// The engine's statements behind the scenarios below, read to their end.
void BM_Statement_AlleGewaehlt(benchmark::State& state)
{
    for (auto _ : state)
        bench::ReadAll(kAlleGewaehlt);
}
BENCHMARK(BM_Statement_AlleGewaehlt)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Statement_GeburtstagJahr(benchmark::State& state)
{
    for (auto _ : state) {
        bench::ReadAll(kGeburtstagJahr);
        bench::ReadAll(kGeburtstagJahrGruppen);
    }
}
BENCHMARK(BM_Statement_GeburtstagJahr)->Unit(benchmark::kMillisecond)->Iterations(3);

// "[alle Kontakte]" chosen and OK: the ids handed to the composer, up to its filled list.
void BM_AlleKontakteZumComposer(benchmark::State& state)
{
    BenchSession host;
    TEmpfaengerAuswaehlenForm picker;
    TSmsVersandZeitgesteuertForm zeit;
    TSmsForm composer(host.session, nullptr, picker, zeit);
    picker.show();   // the reset of a show: groups, grid, tree
    auto* gruppen = picker.findChild<QListWidget*>("ListBox_Kontaktgruppen");
    auto* chosen = picker.findChild<QListView*>("ListBox_Empfaenger");
    for (auto _ : state) {
        state.PauseTiming();
        picker.hide();
        picker.show();
        composer.ClearEmpfaenger();
        gruppen->clearSelection();
        gruppen->item(0)->setSelected(true);
        state.ResumeTiming();
        picker.findChild<QPushButton*>("Button_An_Kontaktgruppen")->click();
        composer.AddGewaehlteEmpfaenger(picker.GetEmpfaengerIds());
        state.counters["gewaehlt"] = chosen->model()->rowCount();
        state.counters["composer"] = composer.findChild<QListView*>("Empfaenger")->model()->rowCount();
    }
    picker.hide();
}
BENCHMARK(BM_AlleKontakteZumComposer)->Unit(benchmark::kMillisecond)->Iterations(3);

// The picker's part alone: "[alle Kontakte]" into the chosen list.
void BM_AlleKontakteGewaehlt(benchmark::State& state)
{
    TEmpfaengerAuswaehlenForm picker;
    picker.show();
    auto* gruppen = picker.findChild<QListWidget*>("ListBox_Kontaktgruppen");
    for (auto _ : state) {
        state.PauseTiming();
        picker.hide();
        picker.show();
        gruppen->clearSelection();
        gruppen->item(0)->setSelected(true);
        state.ResumeTiming();
        picker.findChild<QPushButton*>("Button_An_Kontaktgruppen")->click();
        state.counters["gewaehlt"] = picker.GetEmpfaengerIds().size();
    }
    picker.hide();
}
BENCHMARK(BM_AlleKontakteGewaehlt)->Unit(benchmark::kMillisecond)->Iterations(10);

// The birthday search: range edits, the button, the tree with the root and every group.
void BM_GeburtstagSuche(benchmark::State& state)
{
    const QString von = state.range(0) == 0 ? "03.12." : "01.01.";
    const QString bis = state.range(0) == 0 ? "17.12." : "31.12.";
    TEmpfaengerAuswaehlenForm picker;
    picker.show();
    const QAbstractItemModel* tree = picker.findChild<QTreeView*>("TreeView_Geburtstag")->model();
    for (auto _ : state) {
        picker.findChild<QLineEdit*>("Geburtstag_Von")->setText(von);
        picker.findChild<QLineEdit*>("Geburtstag_Bis")->setText(bis);
        picker.findChild<QToolButton*>("Button_Geburtstag_Suchen")->click();
        int nodes = 0;
        for (int i = 0; i < tree->rowCount(); ++i)
            nodes += 1 + tree->rowCount(tree->index(i, 0));
        state.counters["knoten"] = nodes;
        state.counters["gruppen"] = tree->rowCount() - 1;
    }
    state.SetLabel((von + "-" + bis).toStdString());
    picker.hide();
}
BENCHMARK(BM_GeburtstagSuche)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The composer's summary of refused recipients (every 50th number is shared) is answered.
    Msg::SetResponder([](Msg::Kind, const QString&) { return true; });
    if (argc > 1 && QByteArray(argv[argc - 1]) == "1m") {
        kKontakte = 1000000;
        --argc;
    }
    if (!g_db.SetUp(kKontakte, true))
        return 1;
    fillBirthdays();
    bench::ReadAll("SELECT * FROM kontakte");   // warm, so that the first scenario is not the cold one
    if (!qEnvironmentVariableIsSet("VORNIX2_BENCH_OHNE_UEBERSICHT"))
        zusammenfassung();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_db.TearDown();
    return 0;
}
