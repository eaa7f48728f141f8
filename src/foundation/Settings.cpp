#include "foundation/Settings.h"
#include "foundation/Messages.h"
#include "foundation/ProgramDir.h"

Settings::Settings(QObject* parent) : QObject(parent), m_rec(DefaultIniFileDaten()) {}

QString Settings::FileName() const
{
    if (m_fileName.isEmpty())
        m_fileName = ProgramFile(QLatin1String(kIniFileName));
    return m_fileName;
}

void Settings::Set(const TIniFileDaten& rec)
{
    m_rec = rec;
    Q_EMIT changed();
}

bool Settings::Load(QString* error)
{
    TIniFileDaten daten;
    if (LoadIniFileDaten(FileName(), daten, error)) {
        m_loaded = true;
        Set(daten);
        return true;
    }
    Set(DefaultIniFileDaten());
    return false;
}

bool Settings::Write(const TIniFileDaten& rec, QString* error)
{
    return SaveIniFileDaten(FileName(), rec, error);
}

bool Settings::Save()
{
    QString error;
    if (SaveIniFileDaten(FileName(), m_rec, &error))
        return true;
    ReportSaveError(error);
    return false;
}

bool Settings::Update(const TIniFileDaten& rec)
{
    QString error;
    if (!SaveIniFileDaten(FileName(), rec, &error)) {
        ReportSaveError(error);
        return false;
    }
    Reload();
    return true;
}

void Settings::Reload()
{
    TIniFileDaten daten;
    QString error;
    if (!LoadIniFileDaten(FileName(), daten, &error)) {
        // Keep what is held: the file is unreadable, not empty.
        Msg::Error(QStringLiteral("Die Einstellungen konnten nicht gelesen werden.\n\rFehlermeldung: ") + error);
        return;
    }
    m_loaded = true;
    Set(daten);
}

void Settings::ReportSaveError(const QString& error)
{
    Msg::Error(QStringLiteral("Die Einstellungen konnten nicht gespeichert werden.\n\rFehlermeldung: ") + error);
}
