// The contacts page at scale: 100,000 contacts in 200 groups, each with one send-log entry.
#include "foundation/DatenModul.h"
#include "foundation/Messages.h"
#include "foundation/ProgramDir.h"
#include "contacts/KontaktForm.h"
#include "contacts/KontaktePage.h"
#include "contacts/KontaktgruppenForm.h"
#include "contacts/KontakteModel.h"
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace {
constexpr int kKontakte = 100000;
constexpr int kGruppen = 200;

TKontaktePage* g_page = nullptr;

void fill(TDatenModul& db)
{
    db.Unit([&] {
        QSqlQuery g = db.Query();
        TDatenModul::Prepare(g, "INSERT INTO kategorien (id, name) VALUES (?, ?)");
        for (int i = 1; i <= kGruppen; ++i) {
            g.addBindValue(i);
            g.addBindValue(QString("Gruppe %1").arg(i, 3, 10, QLatin1Char('0')));
            TDatenModul::Exec(g);
        }
        QSqlQuery k = db.Query();
        TDatenModul::Prepare(k, "INSERT INTO kontakte (id, vorname, nachname, firma, mobil, email, mobil_lastsend) "
                                "VALUES (?, ?, ?, ?, ?, ?, ?)");
        QSqlQuery z = db.Query();
        TDatenModul::Prepare(z, "INSERT INTO katzuord (kontakt, kategorie) VALUES (?, ?)");
        QSqlQuery p = db.Query();
        TDatenModul::Prepare(p, "INSERT INTO protokoll (dnr, content, typ, statusid, istzeitpunkt) VALUES (?, ?, 'Tx', 1, ?)");
        const QDateTime base(QDate(2025, 1, 1), QTime(8, 0));
        for (int i = 1; i <= kKontakte; ++i) {
            const QString mobil = QString("0049171%1").arg(i, 7, 10, QLatin1Char('0'));
            k.addBindValue(i);
            k.addBindValue(QString("Vorname%1").arg(i % 997));
            k.addBindValue(QString("Nachname%1").arg((i * 7919) % 100003));
            k.addBindValue(i % 3 == 0 ? QString("Firma %1 GmbH").arg(i % 211) : QString(""));
            k.addBindValue(mobil);
            k.addBindValue(QString("kontakt%1@example.org").arg(i));
            k.addBindValue(i % 2 ? QVariant(base.addSecs(i * 60)) : QVariant(QMetaType(QMetaType::QDateTime)));
            TDatenModul::Exec(k);
            // The largest group (1) holds a tenth of all contacts; the rest spread evenly.
            z.addBindValue(i);
            z.addBindValue(i % 10 == 0 ? 1 : 2 + i % (kGruppen - 1));
            TDatenModul::Exec(z);
            p.addBindValue(mobil);
            p.addBindValue(QString("Hallo %1, Ihre Nachricht").arg(i));
            p.addBindValue(base.addSecs(i));
            TDatenModul::Exec(p);
        }
    });
}

void BM_OpenPageAllContacts(benchmark::State& state)
{
    for (auto _ : state) {
        g_page->BeforeSwitch();
        g_page->Load();
        benchmark::DoNotOptimize(g_page->KontakteModel()->rowCount());
    }
    state.counters["rows"] = g_page->KontakteModel()->rowCount();
}

void BM_Search(benchmark::State& state)
{
    auto* edit = g_page->findChild<QLineEdit*>("Kontakt_Suchen");
    int rows = 0;
    for (auto _ : state) {
        g_page->ResetKontakteSuche();
        edit->setText("nachname4711");
        g_page->Button_Kontakte_SuchenClick();
        rows = g_page->KontakteModel()->rowCount();
    }
    state.counters["rows"] = rows;
    g_page->Button_Kontakte_Suchen_StopClick();
}

void BM_SortByLastSms(benchmark::State& state)
{
    auto* combo = g_page->findChild<QComboBox*>("Kontakte_Sortierung");
    for (auto _ : state) {
        combo->setCurrentIndex(4);
        g_page->Kontakte_SortierungChange();
    }
    combo->setCurrentIndex(0);
    state.counters["rows"] = g_page->KontakteModel()->rowCount();
}

void BM_MoveCurrentRow(benchmark::State& state)
{
    auto* grid = g_page->findChild<QTableView*>("Grid_Kontakte");
    int row = 0;
    for (auto _ : state) {
        row = (row + 7919) % g_page->KontakteModel()->rowCount();
        grid->setCurrentIndex(grid->model()->index(row, 0));   // details, groups and send log follow
    }
}

void BM_TypeAhead(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(g_page->KontakteModel()->FindPrefix(QChar('z'), false));
}

void BM_DeleteLargestGroupContacts(benchmark::State& state)
{
    auto* groups = g_page->findChild<QListWidget*>("ListBox_Kontaktgruppen");
    for (auto _ : state) {
        groups->setCurrentRow(1);
        g_page->DeleteKontakteOfKontaktgruppe(1);
    }
    state.counters["left"] = g_page->KontakteModel()->rowCount();
}

void BM_DeleteAllContacts(benchmark::State& state)
{
    for (auto _ : state)
        g_page->DeleteKontakteOfKontaktgruppe(0);
    state.counters["left"] = g_page->KontakteModel()->rowCount();
}
} // namespace

BENCHMARK(BM_OpenPageAllContacts)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Search)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SortByLastSms)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MoveCurrentRow)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_TypeAhead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteLargestGroupContacts)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DeleteAllContacts)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString source = QCoreApplication::applicationDirPath() + "/VORNIX2.GDB";
    if (!QFile::copy(source, dir.filePath("VORNIX2.GDB"))) {
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(source));
        return 1;
    }
    QFile::setPermissions(dir.filePath("VORNIX2.GDB"), QFile::ReadOwner | QFile::WriteOwner);
    SetProgramDir(dir.path());
    // Questions are answered Yes; nothing else is shown.
    Msg::SetResponder([](Msg::Kind, const QString&) { return true; });
    auto modul = std::make_unique<TDatenModul>();
    QString error;
    if (!modul->Connect(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QElapsedTimer t;
    t.start();
    fill(*modul);
    std::fprintf(stderr, "filled %d contacts in %d groups in %lld ms\n", kKontakte, kGruppen, t.elapsed());
    {
        TKontaktForm kontaktForm;
        TKontaktgruppenForm gruppenForm;
        TKontaktePage page(TKontaktDialoge{&kontaktForm, &gruppenForm});
        page.resize(1200, 800);
        page.show();
        g_page = &page;
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        g_page = nullptr;
    }
    modul->DataModuleDestroy();
    return 0;
}
