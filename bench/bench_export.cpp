// The two CSV exports at scale: 100,000 contacts in 200 groups (a tenth of them in two), and a
// send log of 100,000 entries, each written through its dialog.
#include "BenchSupport.h"
#include "exchange/KontakteExportCsvForm.h"
#include "exchange/SmsExportCsvForm.h"
#include "foundation/Messages.h"
#include "platform/FileDialogs.h"
#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QPushButton>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {
constexpr int kKontakte = 100000;
constexpr int kGruppen = 200;

BenchDatabase* g_db = nullptr;

void fill()
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
        for (int i = 1; i <= kKontakte; ++i) {
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

// Shows the dialog, chooses the file, clicks OK (the export runs in the click).
void run(QDialog& form)
{
    form.show();
    form.findChild<QPushButton*>("Btn_Dateiname")->click();
    form.findChild<QPushButton*>("Btn_OK")->click();
}

void BM_ExportKontakte(benchmark::State& state)
{
    const QString file = g_db->dir->filePath("kontakte.csv");
    FileDialogs::SetResponder([&](const FileDialogs::Request&) { return file; });
    TKontakteExportCsvForm form;
    for (auto _ : state)
        run(form);
    state.counters["rows"] = kKontakte;
    state.counters["MB"] = double(QFileInfo(file).size()) / 1e6;
}

void BM_ExportProtokoll(benchmark::State& state)
{
    const QString file = g_db->dir->filePath("protokoll.csv");
    FileDialogs::SetResponder([&](const FileDialogs::Request&) { return file; });
    TSmsExportCsvForm form;
    for (auto _ : state)
        run(form);
    state.counters["rows"] = kKontakte;
    state.counters["MB"] = double(QFileInfo(file).size()) / 1e6;
}
} // namespace

BENCHMARK(BM_ExportKontakte)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportProtokoll)->Unit(benchmark::kMillisecond)->Iterations(3);

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
    BenchDatabase db;
    if (!db.SetUp(kKontakte))
        return 1;
    fill();
    g_db = &db;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
