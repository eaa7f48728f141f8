#pragma once
#include "foundation/IniFileDaten.h"
#include <QObject>
#include <QString>
#include <functional>

// The settings of this run: the live record and its file "Vornix2.ini" in the program directory.
// Whoever holds a value derived from it (the session's proxy, the pages' layout) listens to
// changed().
class Settings : public QObject {
    Q_OBJECT
public:
    explicit Settings(QObject* parent = nullptr);

    // The live record. Reads use it; a dialog that may discard its edits takes a copy (Get()).
    const TIniFileDaten& Live() const { return m_rec; }
    TIniFileDaten Get() const { return m_rec; }
    // Replaces the live record for this run; the file is not written (tests, Load).
    void Set(const TIniFileDaten& rec);

    // The file: "Vornix2.ini" in the program directory, named at first use (the first show).
    QString FileName() const;
    void SetFileName(const QString& fileName) { m_fileName = fileName; }
    // Reads the file into the live record; on failure the record holds the defaults and the
    // file counts as not loaded (it is then never written over at close).
    bool Load(QString* error);
    // True once the live record holds what the file holds (or the defaults when there was none).
    bool IsLoaded() const { return m_loaded; }

    // When a change writes the file and what a failed write leaves.
    enum class EditMode {
        // Written only when the file holds the record (it was read, or there was none), so that
        // a file that failed to load is never written over; the change holds either way.
        IfLoaded,
        // Written whole in any case; a failed write leaves the live record as it was (a login
        // that could not be stored is asked for again).
        WriteOrDiscard,
        // Written whole in any case; the change holds for this run also when the write fails.
        WriteOrKeep,
    };
    // The one way to change the settings: applies `change` to the live record, writes the file
    // as `mode` says (with an hourglass of its own), reports a failed write once, in the one
    // message, after that hourglass is gone, and emits changed() when the live record took the
    // change. False when a write failed. A file written whole counts as loaded from then on.
    bool Edit(const std::function<void(TIniFileDaten&)>& change, EditMode mode = EditMode::IfLoaded);

    // Re-reads the file; an unreadable file is reported and the record kept.
    void Reload();

Q_SIGNALS:
    void changed();

private:
    mutable QString m_fileName;
    TIniFileDaten m_rec;
    bool m_loaded = false;
};
