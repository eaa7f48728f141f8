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

int injected(AtomicWriteStep step) { return g_fault ? g_fault(step) : 0; }

QString describe(const QString& path, int err)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), qt_error_string(err));
}

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

bool writeAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        if (const int err = injected(AtomicWriteStep::Write)) {
            errno = err;
            return false;
        }
        const ssize_t n = ::write(fd, p, size_t(qMin(left, kChunk)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}
}

void SetAtomicWriteFault(AtomicWriteFault fault) { g_fault = std::move(fault); }

bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    QString targetPath = path;
    const QFileInfo link(path);
    if (link.isSymLink())
        targetPath = link.symLinkTarget();
    const QByteArray target = QFile::encodeName(targetPath);

    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        if (error)
            *error = describe(path, EISDIR);
        return false;
    }

    QByteArray temp;
    int fd = createBeside(target, &temp);
    if (fd < 0) {
        if (error)
            *error = describe(path, errno);
        return false;
    }
    if (exists)
        (void)::fchmod(fd, old.st_mode & 07777);   // best effort, as for any new file

    auto fail = [&](int code) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.constData());
        if (error)
            *error = describe(path, code);
        return false;
    };

    int err = 0;
    if (!writeAll(fd, data))
        return fail(errno);
    if ((err = injected(AtomicWriteStep::Sync)) != 0 || ::fsync(fd) != 0)
        return fail(err ? err : errno);
    if ((err = injected(AtomicWriteStep::Close)) != 0)
        return fail(err);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return fail(errno);
    if ((err = injected(AtomicWriteStep::Rename)) != 0 || std::rename(temp.constData(), target.constData()) != 0)
        return fail(err ? err : errno);

    // Make the rename itself durable; the new file is in place whatever this reports.
    const QByteArray dir = QFile::encodeName(QFileInfo(targetPath).absolutePath());
    const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
    return true;
}
