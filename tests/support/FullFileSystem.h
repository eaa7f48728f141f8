#pragma once
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <unistd.h>

// A small tmpfs holding the files `before` writes, then filled to its last byte (needs root).
struct FullFileSystem {
    QTemporaryDir dir;
    QString mount;
    bool ok = false;
    explicit FullFileSystem(const std::function<void(const QString&)>& before)
    {
        mount = dir.filePath("small");
        if (::geteuid() != 0 || !QDir().mkpath(mount)
            || QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", mount}) != 0)
            return;
        ok = true;
        before(mount);
        QFile filler(mount + "/filler");
        if (filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            const QByteArray block(512, 'f');
            while (filler.write(block) == block.size()) {
            }
        }
    }
    ~FullFileSystem()
    {
        if (ok)
            QProcess::execute("umount", {mount});
    }
    QStringList Files() const { return QDir(mount).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
};
