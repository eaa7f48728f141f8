#pragma once
#include <QString>
#include <QUrl>
#include <functional>

// In place of the shell's "open" verb: web pages, mail addresses and files.
namespace ShellOpen {
// Returns false when no program could take it.
bool Open(const QUrl& url);
// Tests see every opened address instead of the desktop.
using Handler = std::function<bool(const QUrl&)>;
void SetHandler(Handler handler);
}
