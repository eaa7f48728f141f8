#include "foundation/Settings.h"
#include "foundation/Messages.h"
#include "foundation/ProgramDir.h"
#include "foundation/WaitCursor.h"

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

bool Settings::Edit(const std::function<void(TIniFileDaten&)>& change, EditMode mode)
{
    TIniFileDaten rec = m_rec;
    if (change)
        change(rec);
    const bool write = mode != EditMode::IfLoaded || m_loaded;
    QString error;
    bool saved = true;
    if (write) {
        WaitCursor wait;
        saved = SaveIniFileDaten(FileName(), rec, &error);
    }
    if (saved && write)
        m_loaded = true;   // the file now holds this record
    if (saved || mode != EditMode::WriteOrDiscard)
        Set(rec);
    // Reported with the normal cursor, once.
    if (!saved)
        Msg::Error(QStringLiteral("Die Einstellungen konnten nicht gespeichert werden.\n\rFehlermeldung: ") + error);
    return saved;
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

