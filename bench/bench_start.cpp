// Start-up on the home page, the contacts page and the SMS page with 100,000 and (with the
// argument "1m") 1,000,000 contacts in 200 groups (each in one, every tenth in a second; all six
// list indexes) beside the same start on an empty database, in the same run. A start is a whole
// program run in a child process: from its launch through the splash screen, the database, the
// frame and its first page loaded, until it ends. Medians of five, the two databases in turn;
// the child's peak memory (VmHWM) and what it adds over the start on the empty database.
#include "BenchSupport.h"
#include "app/StartUp.h"
#include "foundation/IniFileDaten.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
long peakKb()
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// The program's own start, ended as soon as its message loop runs (events let through while
// the pages load are not yet that loop).
int child(QApplication& app)
{
    QTimer ende;
    QObject::connect(&ende, &QTimer::timeout, &app, [&] {
        if (QThread::currentThread()->loopLevel() > 0)
            QCoreApplication::quit();
    });
    ende.start(0);
    const int rc = ProgramMain(app);
    std::printf("%ld\n", peakKb());
    return rc;
}

struct Start {
    double ms = 0;
    long kb = 0;
    bool ok = false;   // ended by itself, with 0, and told its peak
};
bool g_failed = false;

Start einmal(const QString& home)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VORNIX2_HOME", home);
    env.insert("VORNIX2_LOCK_DIR", home);
    p.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    p.start(QCoreApplication::applicationFilePath(), {"--child"});
    // A start that hangs (a message box nobody answers) is ended and counts as failed.
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
    }
    const double ms = t.nsecsElapsed() / 1e6;
    const QByteArray out = p.readAllStandardOutput().trimmed();
    const long kb = out.split('\n').last().toLong();
    const bool ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 && kb > 0;
    if (!ok) {
        g_failed = true;
        std::fprintf(stderr, "start in %s failed (exit %d): %s\n", qPrintable(home), p.exitCode(),
                     p.readAllStandardError().right(2000).constData());
    }
    return {ms, kb, ok};
}

void startOrdner(const QString& home, int ordner)
{
    QFile ini(QDir(home).filePath(QLatin1String(kIniFileName)));
    if (ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ini.write(QString("[Allgemein]\r\nStartOrdner=%1\r\n").arg(ordner).toLatin1());
}

Start median(std::vector<Start> runs)
{
    std::sort(runs.begin(), runs.end(), [](const Start& a, const Start& b) { return a.ms < b.ms; });
    return runs[runs.size() / 2];
}

// A program directory with n contacts, its database closed for the child.
struct Home {
    BenchDatabase db;
    bool Make(int n)
    {
        if (!db.SetUp(n, n > 0))
            return false;
        db.modul->DataModuleDestroy();
        db.modul.reset();
        return true;
    }
};

void run(int n)
{
    Home empty, full;
    if (!empty.Make(0)) {
        std::printf("no template database (build the target vornix2db)\n");
        g_failed = true;
        return;
    }
    if (!full.Make(n)) {
        std::printf("no database of %d contacts\n", n);
        g_failed = true;
        return;
    }
    for (const auto& [page, ordner] :
         {std::pair{"the home page", 0}, std::pair{"the contacts page", 1}, std::pair{"the SMS page", 2}}) {
        startOrdner(empty.db.dir->path(), ordner);
        startOrdner(full.db.dir->path(), ordner);
        // The first start adds a missing index once; then both in turn, against the noise.
        einmal(empty.db.dir->path());
        einmal(full.db.dir->path());
        std::vector<Start> e, p;
        for (int i = 0; i < 5; ++i) {
            e.push_back(einmal(empty.db.dir->path()));
            p.push_back(einmal(full.db.dir->path()));
        }
        const Start me = median(e), mp = median(p);
        if (!std::all_of(e.begin(), e.end(), [](const Start& x) { return x.ok; })
            || !std::all_of(p.begin(), p.end(), [](const Start& x) { return x.ok; })) {
            std::printf("%-20s %9d start failed\n", page, n);
            continue;
        }
        std::printf("%-20s %9d %10.1f ms %10.1f ms %7.2fx %6ld MB %6ld MB\n", page, n, mp.ms, me.ms, mp.ms / me.ms,
                    (mp.kb - me.kb) / 1024, mp.kb / 1024);
        std::fflush(stdout);
    }
}
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--child")
        return child(app);
    std::printf("%-20s %9s %13s %13s %8s %9s %9s\n", "start-up on", "contacts", "program", "empty db", "ratio", "added",
                "peak");
    std::vector<int> sizes{100000};
    if (argc > 1 && QByteArray(argv[argc - 1]) == "1m")
        sizes.push_back(1000000);
    for (int n : sizes)
        run(n);
    return g_failed ? 1 : 0;
}
