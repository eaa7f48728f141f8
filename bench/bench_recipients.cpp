// Filling the recipient list at scale: the duplicate test must keep adding linear.
#include "foundation/DatenModul.h"
#include "foundation/ProgramDir.h"
#include "sms/Recipient.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {
constexpr int kKontakte = 100000;

std::unique_ptr<QTemporaryDir> g_dir;
std::unique_ptr<TDatenModul> g_modul;

// A program directory with a fresh database holding kKontakte contacts.
bool SetUpDatabase(const QString& binDir)
{
    g_dir = std::make_unique<QTemporaryDir>();
    if (qEnvironmentVariableIsEmpty("FIREBIRD_LOCK"))
        qputenv("FIREBIRD_LOCK", g_dir->filePath("lock").toLocal8Bit());
    QString source = QDir(binDir).filePath("../db/VORNIX2.GDB");
    if (!QFile::exists(source))
        source = QDir(binDir).filePath("VORNIX2.GDB");
    const QString target = g_dir->filePath("VORNIX2.GDB");
    if (!QFile::copy(source, target))
        return false;
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    SetProgramDir(g_dir->path());
    g_modul = std::make_unique<TDatenModul>();
    QString error;
    if (!g_modul->Connect(&error)) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    g_modul->Unit([] {
        QSqlQuery q = DatenModul->Query();
        TDatenModul::Prepare(q, "INSERT INTO kontakte (id, geschlecht, vorname, nachname, mobil) "
                                "VALUES (:id, :g, :v, :n, :m)");
        for (int i = 1; i <= kKontakte; ++i) {
            q.bindValue(":id", i);
            q.bindValue(":g", 2 + i % 2);
            q.bindValue(":v", QString("Vorname%1").arg(i % 5000, 5, 10, QChar('0')));
            q.bindValue(":n", QString("Nachname%1").arg(i));
            // Every 50th contact shares its number with the one before.
            const int nummer = (i % 50 == 0) ? i - 1 : i;
            q.bindValue(":m", QString("0049171%1").arg(nummer, 7, 10, QChar('0')));
            TDatenModul::Exec(q);
        }
    });
    return true;
}

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
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!SetUpDatabase(QCoreApplication::applicationDirPath()))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_modul->DataModuleDestroy();
    g_modul.reset();
    return 0;
}
