#include "foundation/WaitCursor.h"
#include <QApplication>
#include <QCursor>
#include <QStringList>

WaitCursor::WaitCursor()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::restoreOverrideCursor();
}

namespace StatusText {
namespace {
struct State {
    QString current;
    QStringList history;
    std::function<void(const QString&)> sink;
};
State& state()
{
    static State s;
    return s;
}
}

void Set(const QString& text)
{
    state().current = text;
    // Only the latest texts: a long run sets one per progress step for as long as the program runs.
    QStringList& history = state().history;
    history.append(text);
    if (history.size() > StatusText::kHistoryLimit)
        history.removeFirst();
    if (state().sink)
        state().sink(text);
}

QString Current() { return state().current; }
void SetSink(std::function<void(const QString&)> sink) { state().sink = std::move(sink); }
const QStringList& History() { return state().history; }
void ClearHistory() { state().history.clear(); }
}

void ProcessPendingEvents()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

int ProgressStep(int total)
{
    const int step = total / 100;
    return step < 1 ? 1 : step;
}

int ProgressPercent(qint64 done, qint64 total)
{
    if (total == 0)
        return 0;
    if (total < 0) {
        total = -total;
        done = -done;
    }
    // Exact: q = floor(done*100/total) with remainder r; compare 2r with total.
    const qint64 num = done * 100;
    qint64 q = num / total;
    qint64 r = num % total;
    if (r < 0) {
        q -= 1;
        r += total;
    }
    if (2 * r > total || (2 * r == total && (q % 2 != 0)))
        q += 1;
    return static_cast<int>(q);
}
