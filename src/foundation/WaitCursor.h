#pragma once
#include <QString>
#include <functional>

// The hourglass for the length of a scope; nests.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Status-bar texts of long operations. The main window installs the sink; tests read History().
namespace StatusText {
void Set(const QString& text);
QString Current();
void SetSink(std::function<void(const QString&)> sink);
// The texts set since the last ClearHistory(), in order, at most the latest kHistoryLimit (for tests).
inline constexpr qsizetype kHistoryLimit = 1000;
const QStringList& History();
void ClearHistory();
}

// The status text of an operation for a scope: set at the start (when given), cleared with
// "" however the scope ends.
class StatusTextScope {
public:
    StatusTextScope() = default;
    explicit StatusTextScope(const QString& text) { StatusText::Set(text); }
    ~StatusTextScope() { StatusText::Set(QString("")); }
    StatusTextScope(const StatusTextScope&) = delete;
    StatusTextScope& operator=(const StatusTextScope&) = delete;
};

// Lets pending events through at a progress step without taking user input, so that a
// second operation cannot start inside the first.
void ProcessPendingEvents();

// Progress of a long run over `total` items: the step is total div 100, at least 1.
int ProgressStep(int total);
// done / total * 100 rounded to the nearest integer, a half to the even neighbour.
int ProgressPercent(qint64 done, qint64 total);
