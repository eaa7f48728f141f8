// Start-up on the home page, the contacts page and the SMS page with 100,000 and 1,000,000
// contacts in 200 groups (each in one, every tenth in a second; all six list indexes) beside the
// same start on an empty database, in the same run. A start is a whole program run in a child
// process: from its launch through the splash screen, the database, the frame and its first
// page loaded, until it ends. Medians of five, the two databases in turn; the child's peak memory (VmHWM).
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
};

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
    p.waitForFinished(120000);
    return {t.nsecsElapsed() / 1e6, p.readAllStandardOutput().trimmed().toLong()};
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
        return;
    }
    if (!full.Make(n))
        return;
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
        std::printf("%-20s %9d %10.1f ms %10.1f ms %7.2fx %8ld MB\n", page, n, mp.ms, me.ms, mp.ms / me.ms, mp.kb / 1024);
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
    std::printf("%-20s %9s %13s %13s %8s %11s\n", "start-up on", "contacts", "program", "empty db", "ratio", "peak");
    for (int n : {100000, 1000000})
        run(n);
    return 0;
}
