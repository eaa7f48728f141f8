#pragma once
#include "foundation/IniFileDaten.h"
#include <QObject>
#include <QString>

// The settings of this run: the live record and its file "Vornix2.ini" in the program directory.
// Whoever holds a value derived from it (the session's proxy, the pages' layout) listens to
// changed().
class Settings : public QObject {
    Q_OBJECT
public:
    explicit Settings(QObject* parent = nullptr);

    // The live record, and a copy of it.
    const TIniFileDaten& Live() const { return m_rec; }
    TIniFileDaten Get() const { return m_rec; }
    // Replaces the live record for this run; the file is not written.
    void Set(const TIniFileDaten& rec);

    // The file: "Vornix2.ini" in the program directory, named at first use (the first show).
    QString FileName() const;
    void SetFileName(const QString& fileName) { m_fileName = fileName; }
    // Reads the file into the live record; on failure the record holds the defaults and the
    // file counts as not loaded (it is then never written over at close).
    bool Load(QString* error);
    // True once the live record holds what the file holds (or the defaults when there was none).
    bool IsLoaded() const { return m_loaded; }
    // The file was written whole from the live record.
    void MarkLoaded() { m_loaded = true; }

    // Writes the live record. A failure is reported in the one message. False on failure.
    bool Save();
    // Writes `rec` as the whole file and reads the file back into the live record; a failed
    // write is reported and leaves the live record as it was.
    bool Update(const TIniFileDaten& rec);
    // Writes `rec` without reporting; the caller reports with ReportSaveError.
    bool Write(const TIniFileDaten& rec, QString* error);
    // Re-reads the file; an unreadable file is reported and the record kept.
    void Reload();

    static void ReportSaveError(const QString& error);

Q_SIGNALS:
    void changed();

private:
    mutable QString m_fileName;
    TIniFileDaten m_rec;
    bool m_loaded = false;
};
