#pragma once
#include <functional>

// SIGTERM, SIGINT and SIGHUP end the program the way closing its main window does (settings
// written, database closed), instead of killing it or being swallowed by the database engine's
// own handlers. The callback runs in the event loop, never inside the signal handler.
class TerminationSignals {
public:
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;
};
