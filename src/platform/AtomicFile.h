#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

// Replaces a file as a whole: the bytes go to a new file beside it, which is written, flushed to
// the disk and closed, each step checked, and only then renamed over the old one. On any failure
// the old file stays as it was, the new one is removed and false is returned with `error` set.
// A symbolic link is followed: its target is replaced. The old file's permissions are kept.
bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

// The steps of a write, for the test seam below.
enum class AtomicWriteStep { Create, Write, Sync, Close, Rename };

// Test seam: when set, called before every step (Write once per chunk written); a non-zero
// errno value makes that step fail with that error, as if the system had reported it.
// An empty function removes the seam.
using AtomicWriteFault = std::function<int(AtomicWriteStep step)>;
void SetAtomicWriteFault(AtomicWriteFault fault);
