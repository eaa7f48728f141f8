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
        fill(kontakte, gruppen);
        if (kontakte >= 100000) {
            // Kept closed, so that the copy is whole.
            modul->DataModuleDestroy();
            QDir().mkpath(QFileInfo(cache).path());
            QFile::remove(cache + ".tmp");
            if (QFile::copy(target, cache + ".tmp")) {
                QFile::remove(cache);
                QFile::rename(cache + ".tmp", cache);
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
