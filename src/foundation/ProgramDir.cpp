#include "foundation/ProgramDir.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString& overrideDir()
{
    static QString dir;
    return dir;
}
}

QString ProgramDir()
{
    if (!overrideDir().isEmpty())
        return overrideDir();
    const QString env = qEnvironmentVariable("VORNIX2_HOME");
    if (!env.isEmpty())
        return QDir(env).absolutePath();
    return QCoreApplication::applicationDirPath();
}

QString ProgramFile(const QString& name)
{
    return ProgramDir() + QLatin1Char('/') + name;
}

void SetProgramDir(const QString& dir)
{
    overrideDir() = dir.isEmpty() ? QString() : QDir(dir).absolutePath();
}

QString HelpFile()
{
    const QString name = QStringLiteral("help/index.html");
    const QString file = ProgramFile(name);
    if (QFileInfo(file).isFile() || !overrideDir().isEmpty())
        return file;
    const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
    return QFileInfo(beside).isFile() ? beside : file;
}
