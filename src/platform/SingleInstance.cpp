#include "platform/SingleInstance.h"
#include <QDir>
#include <QLocalServer>
#include <QLockFile>
#include <QStandardPaths>

SingleInstance::SingleInstance(const QString& name, const QString& dir)
    : m_name(name), m_dir(dir)
{
    if (m_dir.isEmpty()) {
        m_dir = qEnvironmentVariable("VORNIX2_LOCK_DIR");
        if (m_dir.isEmpty())
            m_dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (m_dir.isEmpty())
            m_dir = QDir::tempPath();
    }
}

SingleInstance::~SingleInstance() { Release(); }

bool SingleInstance::Acquire()
{
    m_another = false;
    QDir().mkpath(m_dir);
    m_lock = std::make_unique<QLockFile>(m_dir + QLatin1Char('/') + m_name + QLatin1String(".lock"));
    m_lock->setStaleLockTime(0);   // only a dead owner makes a lock stale
    if (m_lock->tryLock(0)) {
        const QString serverName = m_dir + QLatin1Char('/') + m_name + QLatin1String(".socket");
        QLocalServer::removeServer(serverName);
        m_server = std::make_unique<QLocalServer>();
        m_server->listen(serverName);
        return true;
    }
    if (m_lock->error() == QLockFile::LockFailedError) {
        m_another = true;
        m_lock.reset();
        return false;
    }
    // Could not create the lock for another reason: run unguarded.
    m_lock.reset();
    return true;
}

void SingleInstance::Release()
{
    if (m_another)
        return;
    m_server.reset();
    if (m_lock) {
        m_lock->unlock();
        m_lock.reset();
    }
}
