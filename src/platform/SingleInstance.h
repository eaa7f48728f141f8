#pragma once
#include <QString>
#include <memory>

class QLockFile;
class QLocalServer;

// One running copy per user. A lock file says who owns the instance (a lock left by a
// crashed run is taken over); a local server named after it lets the owner be found.
class SingleInstance {
public:
    // dir: where the lock lies; empty for the user's runtime directory.
    explicit SingleInstance(const QString& name, const QString& dir = QString());
    ~SingleInstance();

    // True when this process now owns the instance or the lock could not be made at all
    // (then the program runs unguarded); false when another copy holds it.
    bool Acquire();
    bool AnotherInstanceExists() const { return m_another; }
    void Release();

private:
    QString m_name;
    QString m_dir;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLocalServer> m_server;
    bool m_another = false;
};
