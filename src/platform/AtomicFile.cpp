#include "platform/AtomicFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
AtomicWriteFault g_fault;

// Large writes go in pieces, so that a failure part way through leaves a partial file behind.
constexpr qsizetype kChunk = 64 * 1024;
// Written data beyond this much is handed to the disk early (see WriteOut).
constexpr qint64 kWriteBehind = 4 * 1024 * 1024;

int injected(AtomicWriteStep step) { return g_fault ? g_fault(step) : 0; }

// Opens a new file with a unique name beside `target`; -1 (and errno) on failure.
int createBeside(const QByteArray& target, QByteArray* name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = target + ".tmp" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        if (const int err = injected(AtomicWriteStep::Create)) {
            errno = err;
            return -1;
        }
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}
}

QString FileErrorReason(int err)
{
    switch (err) {
    case ENOSPC:
        return QStringLiteral("Der Datenträger ist voll.");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("Der Ihnen zustehende Speicherplatz auf dem Datenträger ist erschöpft.");
#endif
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Der Zugriff wurde verweigert (fehlende Schreibrechte).");
    case ENOENT:
        return QStringLiteral("Der Ordner oder die Datei existiert nicht.");
    case ENOTDIR:
        return QStringLiteral("Ein Teil des Pfades ist kein Ordner.");
    case EISDIR:
        return QStringLiteral("Unter diesem Namen besteht bereits ein Ordner.");
    case ENAMETOOLONG:
        return QStringLiteral("Der Dateiname ist zu lang.");
    case EFBIG:
        return QStringLiteral("Die Datei ist zu groß.");
    case EIO:
        return QStringLiteral("Beim Zugriff auf den Datenträger ist ein Ein-/Ausgabefehler aufgetreten.");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Es sind zu viele Dateien geöffnet.");
    case ENOMEM:
        return QStringLiteral("Es steht nicht genügend Arbeitsspeicher zur Verfügung.");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("Die Datei wird gerade verwendet.");
    case EXDEV:
        return QStringLiteral("Die Datei liegt auf einem anderen Datenträger.");
    default:
        return QStringLiteral("Es ist ein unbekannter Fehler aufgetreten (Fehler %1: %2).")
            .arg(QString::number(err), qt_error_string(err));
    }
}

QString FileErrorText(const QString& path, int err)
{
    return QDir::toNativeSeparators(path) + QStringLiteral(": ") + FileErrorReason(err);
}

void SetAtomicWriteFault(AtomicWriteFault fault) { g_fault = std::move(fault); }

TAtomicFileWriter::~TAtomicFileWriter() { Discard(); }

QString TAtomicFileWriter::TempPath() const { return QFile::decodeName(m_temp); }

QString TAtomicFileWriter::ErrorString() const { return FileErrorText(m_path, m_error); }

void TAtomicFileWriter::Discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(m_temp.constData());
        m_temp.clear();
    }
    m_buffer.clear();
}

bool TAtomicFileWriter::Fail(int err)
{
    Discard();
    m_error = err ? err : EIO;
    return false;
}

bool TAtomicFileWriter::Open(const QString& path)
{
    Discard();
    m_path = path;
    m_error = 0;
    QString targetPath = path;
    const QFileInfo link(path);
    if (link.isSymLink())
        targetPath = link.symLinkTarget();
    m_target = QFile::encodeName(targetPath);

    struct stat old {};
    const bool exists = ::stat(m_target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return Fail(EISDIR);
    m_fd = createBeside(m_target, &m_temp);
    if (m_fd < 0) {
        const int err = errno;
        m_temp.clear();
        return Fail(err);
    }
    if (exists)
        (void)::fchmod(m_fd, old.st_mode & 07777);   // best effort, as for any new file
    m_buffer.reserve(kChunk);
    m_written = m_synced = 0;
    return true;
}

bool TAtomicFileWriter::WriteOut(const char* p, qsizetype left)
{
    while (left > 0) {
        if (const int err = injected(AtomicWriteStep::Write))
            return Fail(err);
        const ssize_t n = ::write(m_fd, p, size_t(qMin(left, kChunk)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Fail(errno);
        }
        if (n == 0)
            return Fail(ENOSPC);
        p += n;
        left -= n;
        m_written += n;
    }
#ifdef __linux__
    // Start writing back what is written so far while the caller produces the rest, so that
    // the sync at the end waits for the tail only.
    if (m_written - m_synced >= kWriteBehind) {
        (void)::sync_file_range(m_fd, m_synced, m_written - m_synced, SYNC_FILE_RANGE_WRITE);
        m_synced = m_written;
    }
#endif
    return true;
}

bool TAtomicFileWriter::Write(const char* data, qsizetype size)
{
    if (m_fd < 0)
        return Fail(m_error ? m_error : EBADF);
    if (m_buffer.isEmpty() && size >= kChunk) {
        // A large piece goes out directly, its tail stays buffered.
        const qsizetype whole = size - size % kChunk;
        if (!WriteOut(data, whole))
            return false;
        data += whole;
        size -= whole;
    }
    while (size > 0) {
        const qsizetype room = kChunk - m_buffer.size();
        const qsizetype take = qMin(room, size);
        m_buffer.append(data, take);
        data += take;
        size -= take;
        if (m_buffer.size() >= kChunk && !Flush())
            return false;
    }
    return true;
}

bool TAtomicFileWriter::Flush()
{
    if (m_fd < 0)
        return Fail(m_error ? m_error : EBADF);
    if (m_buffer.isEmpty())
        return true;
    if (!WriteOut(m_buffer.constData(), m_buffer.size()))
        return false;
    m_buffer.clear();
    return true;
}

bool TAtomicFileWriter::Commit()
{
    if (!Flush())
        return false;
    int err = 0;
    if ((err = injected(AtomicWriteStep::Sync)) != 0 || ::fsync(m_fd) != 0)
        return Fail(err ? err : errno);
    if ((err = injected(AtomicWriteStep::Close)) != 0)
        return Fail(err);
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0)
        return Fail(errno);
    if ((err = injected(AtomicWriteStep::Rename)) != 0
        || std::rename(m_temp.constData(), m_target.constData()) != 0)
        return Fail(err ? err : errno);
    m_temp.clear();

    // Make the rename itself durable; the new file is in place whatever this reports.
    const QByteArray dir = QFile::encodeName(QFileInfo(QFile::decodeName(m_target)).absolutePath());
    const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    TAtomicFileWriter writer;
    if (writer.Open(path) && writer.Write(data) && writer.Commit())
        return true;
    if (error)
        *error = writer.ErrorString();
    return false;
}
