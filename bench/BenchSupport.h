#pragma once
// A program directory with a fresh database for the benchmarks.
#include "foundation/DatenModul.h"
#include "foundation/ProgramDir.h"
#include "foundation/Settings.h"
#include "gateway/GatewaySession.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <functional>
#include <memory>

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
    // 50th contact shares its number with the one before.
    bool SetUp(int kontakte)
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
        if (!QFile::copy(source, target))
            return false;
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        SetProgramDir(dir->path());
        modul = std::make_unique<TDatenModul>();
        QString error;
        if (!modul->Connect(&error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        modul->Unit([&] {
            QSqlQuery q = DatenModul->Query();
            TDatenModul::Prepare(q, "INSERT INTO kontakte (id, geschlecht, vorname, nachname, mobil) "
                                    "VALUES (:id, :g, :v, :n, :m)");
            for (int i = 1; i <= kontakte; ++i) {
                q.bindValue(":id", i);
                q.bindValue(":g", 2 + i % 2);
                q.bindValue(":v", QString("Vorname%1").arg(i % 5000, 5, 10, QChar('0')));
                q.bindValue(":n", QString("Nachname%1").arg(i));
                q.bindValue(":m", Number(i % 50 == 0 ? i - 1 : i));
                TDatenModul::Exec(q);
            }
        });
        return true;
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
