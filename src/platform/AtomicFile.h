#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

// The system's reason for a failed file operation (an errno value), in German, for every message
// that names why a file could not be written: "Der Datenträger ist voll." and the like.
QString FileErrorReason(int err);
// "path: reason", the text every writer below reports.
QString FileErrorText(const QString& path, int err);

// Replaces a file as a whole: the bytes go to a new file beside it, which is written, flushed to
// the disk and closed, each step checked, and only then renamed over the old one. On any failure
// the old file stays as it was, the new one is removed and false is returned with `error` set.
// A symbolic link is followed: its target is replaced. The old file's permissions are kept.
bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

// The same for a file written piece by piece (an export of any size): Open, Write as often as
// needed, Commit. Writes are buffered and go out in pieces of 64 KiB; each one is checked. After
// any failure the writer is closed, its new file removed and the old one left as it was; Error()
// and ErrorString() name the reason. Destroying a writer that was not committed discards it.
class TAtomicFileWriter {
public:
    TAtomicFileWriter() = default;
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    bool Open(const QString& path);
    bool Write(const char* data, qsizetype size);
    bool Write(const QByteArray& data) { return Write(data.constData(), data.size()); }
    // Writes what is buffered (the new file then holds everything written so far).
    bool Flush();
    // Flushes, syncs, closes and renames the new file over the target.
    bool Commit();
    // Removes the new file; the target stays as it was.
    void Discard();

    bool IsOpen() const { return m_fd >= 0; }
    // The new file beside the target while open.
    QString TempPath() const;
    QString Path() const { return m_path; }
    int Error() const { return m_error; }
    QString ErrorString() const;

private:
    bool Fail(int err);
    bool WriteOut(const char* data, qsizetype size);

    QString m_path;
    QByteArray m_target;   // the file replaced (a symbolic link's target)
    QByteArray m_temp;
    int m_fd = -1;
    int m_error = 0;
    QByteArray m_buffer;
    qint64 m_written = 0;   // bytes in the new file
    qint64 m_synced = 0;    // of which handed to the disk early
};

// The steps of a write, for the test seam below.
enum class AtomicWriteStep { Create, Write, Sync, Close, Rename };

// Test seam: when set, called before every step (Write once per chunk written); a non-zero
// errno value makes that step fail with that error, as if the system had reported it.
// An empty function removes the seam.
using AtomicWriteFault = std::function<int(AtomicWriteStep step)>;
void SetAtomicWriteFault(AtomicWriteFault fault);
