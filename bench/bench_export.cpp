// The two CSV exports at scale, each written through its dialog: 100,000 and 1,000,000 contacts
// in 200 groups (each in one, every tenth in a second) and a send log of as many entries. Each
// iteration is one pair in the same run: the export, then the engine reading the same rows with
// the export's own statements (every column fetched, nothing written). Counters: the medians of
// the pairs, their ratio, and the peak memory the export added over what the process held before.
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
constexpr int kGruppen = 200;

std::unique_ptr<BenchDatabase> g_db;
int g_size = 0;

void fill(int kontakte)
{
    DatenModul->Unit([&] {
        QSqlQuery g = DatenModul->Query();
        TDatenModul::Prepare(g, "INSERT INTO kategorien (id, name) VALUES (?, ?)");
        for (int i = 1; i <= kGruppen; ++i) {
            g.addBindValue(i);
            g.addBindValue(QString("Gruppe %1").arg(i, 3, 10, QLatin1Char('0')));
            TDatenModul::Exec(g);
        }
        QSqlQuery z = DatenModul->Query();
        TDatenModul::Prepare(z, "INSERT INTO katzuord (kontakt, kategorie) VALUES (?, ?)");
        QSqlQuery p = DatenModul->Query();
        TDatenModul::Prepare(p, "INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt, msgparts) "
                                "VALUES (?, ?, 'TxNormal', 0, ?, 1)");
        const QDateTime base(QDate(2025, 1, 1), QTime(8, 0));
        for (int i = 1; i <= kontakte; ++i) {
            z.addBindValue(i);
            z.addBindValue(1 + i % kGruppen);
            TDatenModul::Exec(z);
            if (i % 10 == 0) {
                z.addBindValue(i);
                z.addBindValue(1 + (i / 10) % kGruppen);
                TDatenModul::Exec(z);
            }
            p.addBindValue(BenchDatabase::Number(i));
            p.addBindValue(QString("Hallo %1, Ihre Nachricht; mit \"Zitat\"").arg(i));
            p.addBindValue(base.addSecs(i));
            TDatenModul::Exec(p);
        }
    });
}

bool useDatabase(int kontakte)
{
    if (g_size == kontakte)
        return true;
    g_db.reset();
    g_db = std::make_unique<BenchDatabase>();
    if (!g_db->SetUp(kontakte))
        return false;
    fill(kontakte);
    g_size = kontakte;
    return true;
}

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

void pairs(benchmark::State& state, QDialog& form, const QString& file, const std::function<void()>& engine,
           const std::function<void()>& count)
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
    state.counters["added_MB"] = median(added);
    state.counters["file_MB"] = double(QFileInfo(file).size()) / 1e6;
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
    pairs(state, form, file, [] {
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
    pairs(state, form, file, [] {
        readAll("SELECT messageid,istzeitpunkt,dnr,content,absender,typ,msgparts,ip,version,opnet,"
                "opcountry,userrequestid,statusid FROM protokoll ORDER BY istzeitpunkt DESC");
    }, [] { readAll("SELECT COUNT(*) FROM protokoll"); });
}
} // namespace

BENCHMARK(BM_ExportKontakte)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ExportProtokoll)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ExportKontakte)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportProtokoll)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

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
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_db.reset();
    return 0;
}
