// Links against the foundation library alone: if anything in foundation (or platform) called
// into a folder above it, this program would not link.
#include "foundation/DatenModul.h"
#include "foundation/ProgramDir.h"
#include "foundation/Settings.h"
#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    SetProgramDir(dir.path());
    Settings settings;
    const bool saved = settings.Edit([](TIniFileDaten& rec) { rec.Login_Username = QStringLiteral("probe"); },
                                     Settings::EditMode::WriteOrDiscard);
    if (!saved || settings.Live().Login_Username != QLatin1String("probe")
        || LoadIniFileDaten(settings.FileName()).Login_Username != QLatin1String("probe")) {
        std::fprintf(stderr, "settings did not round-trip\n");
        return 1;
    }
    TDatenModul modul;
    QString error;
    // No database in this directory: the connection fails with the engine's text.
    if (modul.Connect(&error) || error.isEmpty()) {
        std::fprintf(stderr, "connect without a database did not fail\n");
        return 1;
    }
    return 0;
}
