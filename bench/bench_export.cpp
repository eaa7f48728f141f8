// The two CSV exports at scale, each written through its dialog: 100,000 and (with the argument
// "1m") 1,000,000 contacts in 200 groups (each in one, every tenth in a second; all six list
// indexes) and a send log of as many entries. Each iteration is one pair in the same run: the
// export, then the engine reading the same rows with the export's own statements (every column
// fetched, nothing written). Counters: the medians of the pairs, their ratio, and the peak memory
// the export added over what the process held before (the most of any run); a summary table at
// the end.
#include "BenchSupport.h"
#include "exchange/KontakteExportCsvForm.h"
#include "exchange/SmsExportCsvForm.h"
#include "foundation/Messages.h"
#include "platform/FileDialogs.h"
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QSqlRecord>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {
std::unique_ptr<BenchDatabase> g_db;
int g_size = 0;

// The shared database with its groups, and a send log of as many entries, inside the engine.
void fill(int kontakte)
{
    DatenModul->Unit([&] {
        DatenModul->Run(QString(R"(EXECUTE BLOCK AS DECLARE "I" INT = 1; BEGIN WHILE ("I" <= %1) DO BEGIN
            INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt, msgparts)
            VALUES ('0049171' || LPAD(:"I", 7, '0'), 'Hallo ' || :"I" || ', Ihre Nachricht; mit "Zitat"', 'TxNormal', 0,
              DATEADD(:"I" SECOND TO TIMESTAMP '2025-01-01 08:00:00'), 1);
            "I" = "I" + 1; END END)").arg(kontakte));
    });
}

bool useDatabase(int kontakte)
{
    if (g_size == kontakte)
        return true;
    g_db.reset();
    g_db = std::make_unique<BenchDatabase>();
    if (!g_db->SetUp(kontakte, true))
        return false;
    fill(kontakte);
    g_size = kontakte;
    return true;
}

// One line of the summary printed after the benchmarks.
struct Zeile {
    std::string what;
    int n = 0;
    double program = 0, engine = 0, rows = 0, addedMb = 0, fileMb = 0;
};
std::vector<Zeile> g_zeilen;

// Resident memory in kB, now and at its peak since the last reset.
long statusKb(const char* key)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::string(key).size()));
    return 0;
}
void resetPeak()
{
    std::ofstream f("/proc/self/clear_refs");
    f << "5";
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Shows the dialog, chooses the file, clicks OK (the export runs in the click).
void run(QDialog& form)
{
    form.show();
    form.findChild<QPushButton*>("Btn_Dateiname")->click();
    form.findChild<QPushButton*>("Btn_OK")->click();
}

// Reads every row and column of the statement, as the export's reader does, writing nothing.
qint64 readAll(const QString& sql)
{
    QSqlQuery q = DatenModul->Query();
    q.setForwardOnly(true);
    TDatenModul::Prepare(q, sql);
    TDatenModul::Exec(q);
    qint64 n = 0;
    const int columns = q.record().count();
    while (q.next()) {
        for (int c = 0; c < columns; ++c)
            benchmark::DoNotOptimize(q.value(c));
        ++n;
    }
    return n;
}

void pairs(benchmark::State& state, const char* what, QDialog& form, const QString& file,
           const std::function<void()>& engine, const std::function<void()>& count)
{
    std::vector<double> program, reference, added, counting;
    for (auto _ : state) {
        resetPeak();
        const long before = statusKb("VmRSS:");
        QElapsedTimer t;
        t.start();
        run(form);
        program.push_back(t.nsecsElapsed() / 1e6);
        added.push_back((statusKb("VmHWM:") - before) / 1024.0);
        t.restart();
        engine();
        reference.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        count();
        counting.push_back(t.nsecsElapsed() / 1e6);
    }
    // The engine's share: the export's own statements, the rows and the count the progress needs.
    std::vector<double> total(reference.size());
    for (size_t i = 0; i < reference.size(); ++i)
        total[i] = reference[i] + counting[i];
    state.counters["program_ms"] = median(program);
    state.counters["engine_ms"] = median(total);
    state.counters["ratio"] = median(program) / median(total);
    state.counters["rows_ms"] = median(reference);
    state.counters["ratio_rows"] = median(program) / median(reference);
    state.counters["added_MB"] = *std::max_element(added.begin(), added.end());
    state.counters["file_MB"] = double(QFileInfo(file).size()) / 1e6;
    g_zeilen.push_back({what, int(state.range(0)), median(program), median(total), median(reference),
                        *std::max_element(added.begin(), added.end()), double(QFileInfo(file).size()) / 1e6});
}

void BM_ExportKontakte(benchmark::State& state)
{
    if (!useDatabase(int(state.range(0)))) {
        state.SkipWithError("no database");
        return;
    }
    const QString file = g_db->dir->filePath("kontakte.csv");
    FileDialogs::SetResponder([&](const FileDialogs::Request&) { return file; });
    TKontakteExportCsvForm form;
    pairs(state, "CSV export, contacts", form, file, [] {
        readAll("SELECT id,geschlecht,vorname,nachname,firma,geburtsdatum,kdnr,"
                "mobil,mobil_send,mobil_lastsend,email,email_send,p_strasse,"
                "p_plz,p_ort,p_land,p_telefon,p_telefax,p_webseite,f_strasse,"
                "f_plz,f_ort,f_land,f_telefon,f_telefax,f_webseite FROM kontakte ORDER BY id ASC");
        readAll("SELECT kontakt,kategorie FROM katzuord ORDER BY kontakt");
    }, [] { readAll("SELECT COUNT(id) AS C FROM kontakte"); });
}

void BM_ExportProtokoll(benchmark::State& state)
{
    if (!useDatabase(int(state.range(0)))) {
        state.SkipWithError("no database");
        return;
    }
    const QString file = g_db->dir->filePath("protokoll.csv");
    FileDialogs::SetResponder([&](const FileDialogs::Request&) { return file; });
    TSmsExportCsvForm form;
    pairs(state, "CSV export, send log", form, file, [] {
        readAll("SELECT messageid,istzeitpunkt,dnr,content,absender,typ,msgparts,ip,version,opnet,"
                "opcountry,userrequestid,statusid FROM protokoll ORDER BY istzeitpunkt DESC");
    }, [] { readAll("SELECT COUNT(*) FROM protokoll"); });
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Questions (overwrite) are answered Yes; nothing else is shown.
    Msg::SetResponder([](Msg::Kind kind, const QString& text) {
        if (kind == Msg::Kind::Error)
            std::fprintf(stderr, "%s\n", qPrintable(text));
        return true;
    });
    std::vector<int> sizes{100000};
    if (argc > 1 && QByteArray(argv[argc - 1]) == "1m") {
        sizes.push_back(1000000);
        --argc;
    }
    for (int n : sizes) {
        const int iterations = n >= 1000000 ? 3 : 5;
        benchmark::RegisterBenchmark("BM_ExportKontakte", BM_ExportKontakte)
            ->Arg(n)->Unit(benchmark::kMillisecond)->Iterations(iterations);
        benchmark::RegisterBenchmark("BM_ExportProtokoll", BM_ExportProtokoll)
            ->Arg(n)->Unit(benchmark::kMillisecond)->Iterations(iterations);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_db.reset();
    // Reference: the export's statements and the count its progress needs; beside it the rows alone.
    std::printf("\n%-28s %9s %13s %13s %8s %9s %11s %9s\n", "scenario", "contacts", "program", "reference", "ratio",
                "added", "rows alone", "file");
    for (const Zeile& z : g_zeilen)
        std::printf("%-28s %9d %10.1f ms %10.1f ms %7.2fx %6.0f MB %10.2fx %6.0f MB\n", z.what.c_str(), z.n, z.program,
                    z.engine, z.program / z.engine, z.addedMb, z.program / z.rows, z.fileMb);
    return 0;
}
