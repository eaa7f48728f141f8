#pragma once
// A program directory with a fresh database for the benchmarks.
#include "contacts/KontaktDaten.h"
#include "foundation/DatenModul.h"
#include "foundation/ProgramDir.h"
#include "foundation/Settings.h"
#include "gateway/GatewaySession.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <QElapsedTimer>
#include <malloc.h>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

// The zone named once, as the program's main does (unset, glibc re-reads /etc/localtime at every conversion).
inline const bool kBenchTz = [] { return qEnvironmentVariableIsSet("TZ") || qputenv("TZ", ":/etc/localtime"); }();

// Settings and a gateway session as the program has them: plain http, no proxy.
struct BenchSession {
    Settings settings;
    GatewaySession session{settings};
    explicit BenchSession(const std::function<void(TIniFileDaten&)>& change = {})
    {
        TIniFileDaten rec = settings.Get();
        rec.Proxy = false;
        rec.Use_Https = false;
        if (change)
            change(rec);
        settings.Set(rec);
    }
};

struct BenchDatabase {
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TDatenModul> modul;

    // Copies the template database from the build and fills in `kontakte` contacts; every
    // 50th contact shares its number with the one before. With `gruppen`, as users have them:
    // 200 groups ("Gruppe 001" ...), contact i in group 1 + i % 200 and every tenth also in
    // group 1 + (i / 10) % 200 (or the next, when that is its first). Always all six list
    // indexes. A database of 100,000 contacts or more is built once and kept under the build's
    // bench/cache (made anew when the template is newer).
    bool SetUp(int kontakte, bool gruppen = false)
    {
        dir = std::make_unique<QTemporaryDir>();
        // The engine keeps its lock directory for the whole process: one that outlives every run.
        static QTemporaryDir lockDir;
        if (qEnvironmentVariableIsEmpty("FIREBIRD_LOCK"))
            qputenv("FIREBIRD_LOCK", lockDir.filePath("lock").toLocal8Bit());
        const QString binDir = QCoreApplication::applicationDirPath();
        QString source = QDir(binDir).filePath("../db/VORNIX2.GDB");
        if (!QFile::exists(source))
            source = QDir(binDir).filePath("VORNIX2.GDB");
        const QString target = dir->filePath("VORNIX2.GDB");
        const QString cache = QDir(binDir).filePath(
            QString("../cache/bench-%1%2.GDB").arg(kontakte).arg(gruppen ? "-gruppen" : ""));
        const bool cached = kontakte >= 100000 && QFileInfo::exists(cache)
            && QFileInfo(cache).lastModified() > QFileInfo(source).lastModified();
        if (!QFile::copy(cached ? cache : source, target))
            return false;
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        SetProgramDir(dir->path());
        if (!connect())
            return false;
        if (cached)
            return true;
        if (kontakte >= 100000)
            std::fprintf(stderr, "building %s once (minutes at 1,000,000 contacts)\n", qPrintable(QFileInfo(cache).fileName()));
        fill(kontakte, gruppen);
        if (kontakte >= 100000) {
            // Kept closed, so that the copy is whole; a copy of its own, as two benchmarks may
            // build the same database at once.
            modul->DataModuleDestroy();
            QDir().mkpath(QFileInfo(cache).path());
            const QString part = QString("%1.%2.tmp").arg(cache).arg(QCoreApplication::applicationPid());
            QFile::remove(part);
            if (QFile::copy(target, part)) {
                QFile::remove(cache);
                if (!QFile::rename(part, cache))
                    QFile::remove(part);
            } else {
                QFile::remove(part);   // the disk is full: the database is made again next time
            }
            modul.reset();
            return connect();
        }
        return true;
    }
    bool connect()
    {
        modul = std::make_unique<TDatenModul>();
        QString error;
        if (!modul->Connect(&error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        return true;
    }
    // Inside the engine: a million rows in seconds. The lists' indexes are switched off while
    // the rows go in and rebuilt once (the sixth is made at start, as the program does).
    void fill(int kontakte, bool gruppen)
    {
        {
            const TKontaktDaten::TListenIndizesAus aus(kontakte, 1);
            modul->Unit([&] {
                DatenModul->Run(QString(R"(EXECUTE BLOCK AS DECLARE "I" INT = 1; BEGIN
                    WHILE ("I" <= %1) DO BEGIN
                      INSERT INTO kontakte (id, geschlecht, vorname, nachname, mobil)
                      VALUES (:"I", 2 + MOD(:"I", 2), 'Vorname' || LPAD(MOD(:"I", 5000), 5, '0'), 'Nachname' || :"I",
                        '0049171' || LPAD(IIF(MOD(:"I", 50) = 0, :"I" - 1, :"I"), 7, '0'));
                      "I" = "I" + 1;
                    END END)").arg(kontakte));
                if (kontakte > 0)
                    DatenModul->Run(QString("ALTER SEQUENCE GEN_KONTAKTE_ID RESTART WITH %1").arg(kontakte));
                if (!gruppen)
                    return;
                DatenModul->Run(R"(EXECUTE BLOCK AS DECLARE "I" INT = 1; BEGIN
                    WHILE ("I" <= 200) DO BEGIN
                      INSERT INTO kategorien (id, name) VALUES (:"I", 'Gruppe ' || LPAD(:"I", 3, '0'));
                      "I" = "I" + 1;
                    END END)");
                DatenModul->Run("ALTER SEQUENCE GEN_KATEGORIEN_ID RESTART WITH 200");
                DatenModul->Run("INSERT INTO katzuord (kontakt, kategorie) SELECT id, 1 + MOD(id, 200) FROM kontakte");
                DatenModul->Run("INSERT INTO katzuord (kontakt, kategorie) SELECT id, IIF(MOD(id / 10, 200) = MOD(id, 200), "
                                "1 + MOD(id + 1, 200), 1 + MOD(id / 10, 200)) FROM kontakte WHERE MOD(id, 10) = 0");
            });
        }
        TKontaktDaten::SichereListenIndizes();
    }
    static QString Number(int i) { return QString("0049171%1").arg(i, 7, 10, QChar('0')); }
    void TearDown()
    {
        if (modul)
            modul->DataModuleDestroy();
        modul.reset();
        SetProgramDir(QString());
        dir.reset();
    }
    ~BenchDatabase() { TearDown(); }
};

// The figures the benchmarks print: the program beside a reference, run in turn against the
// noise of a shared machine.
namespace bench {
inline void ResetPeak()
{
    QFile f("/proc/self/clear_refs");
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}
// A line of /proc/self/status in kB ("VmRSS:", "VmHWM:"); -1 when it cannot be read.
inline long StatusKb(const char* key)
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith(key))
            return l.mid(int(qstrlen(key))).trimmed().split(' ').first().toLong();
    return -1;
}
inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// One timed run and the memory it added at its peak (VmHWM after a reset, less the resident
// size before it).
struct Lauf {
    double ms = 0;
    long addedKb = 0;
};
template <class F> Lauf Laufen(F&& f)
{
    ResetPeak();
    const long rss = StatusKb("VmRSS:");
    QElapsedTimer e;
    e.start();
    f();
    const double ms = e.nsecsElapsed() / 1e6;
    return {ms, StatusKb("VmHWM:") - rss};
}

// The medians of program and reference and the most memory the program added in one run
// (VmHWM after a reset, less the resident size before it).
struct Paar {
    double program = 0, reference = 0;
    long addedMb = 0;
};
// `before` runs ahead of each pair, untimed.
template <class P, class R>
Paar Pairs(P&& program, R&& reference, const std::function<void()>& before = {}, int runs = 5)
{
    std::vector<double> tp, tr;
    long added = 0;
    for (int i = 0; i < runs; ++i) {
        if (before)
            before();
        const Lauf p = Laufen(program);
        tp.push_back(p.ms);
        added = std::max(added, p.addedKb);
        tr.push_back(Laufen(reference).ms);
    }
    return {Median(tp), Median(tr), added / 1024};
}

// The median of three runs of `f`, each after `vorher` (not timed), and the most memory one run
// added; freed memory goes back to the system first, so each run counts what it takes itself.
struct Messung {
    double ms = 0;
    long mb = 0;
};
template <class Vorher, class F> Messung Messen(Vorher&& vorher, F&& f, int runs = 3)
{
    std::vector<double> t;
    long kb = 0;
    for (int i = 0; i < runs; ++i) {
        vorher();
        malloc_trim(0);
        const Lauf l = Laufen(f);
        t.push_back(l.ms);
        kb = std::max(kb, l.addedKb);
    }
    return {Median(t), kb / 1024};
}

// Every row of a statement read to the end, as a reference.
inline void ReadAll(const QString& sql)
{
    QSqlQuery q = DatenModul->Query();
    q.setForwardOnly(true);
    q.exec(sql);
    while (q.next())
        q.value(0);
}

inline void Header(const char* reference = "reference", int width = 40)
{
    std::printf("%-*s %9s %13s %13s %8s %9s\n", width, "scenario", "contacts", "program", reference, "ratio", "added");
    std::fflush(stdout);
}
inline void Row(const char* what, int n, const Paar& p, int width = 40)
{
    std::printf("%-*s %9d %10.1f ms %10.1f ms %7.2fx %6ld MB\n", width, what, n, p.program, p.reference,
                p.program / p.reference, p.addedMb);
    std::fflush(stdout);
}
inline void Row(const char* what, int n, const Messung& p, double reference, int width = 40)
{
    Row(what, n, Paar{p.ms, reference, p.mb}, width);
}
}
