#include "platform/TerminationSignals.h"
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_pipe[2] = {-1, -1};
std::unique_ptr<QSocketNotifier> g_notifier;
std::function<void()> g_callback;
const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction g_previous[3];

void onSignal(int)
{
    // Only async-signal-safe work here: the event loop does the rest. The interrupted code
    // must find errno as it left it.
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_pipe[0], &byte, 1);
    errno = saved;
}
}

TerminationSignals::TerminationSignals(std::function<void()> onSignalCallback)
{
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0)
        return;
    g_callback = std::move(onSignalCallback);
    g_notifier = std::make_unique<QSocketNotifier>(g_pipe[1], QSocketNotifier::Read);
    QObject::connect(g_notifier.get(), &QSocketNotifier::activated, [] {
        char buffer[16];
        [[maybe_unused]] ssize_t n = ::read(g_pipe[1], buffer, sizeof buffer);
        // The interrupted poll of the event loop left EINTR behind; nothing below may take it
        // for its own failure.
        errno = 0;
        if (g_callback)
            g_callback();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
}

TerminationSignals::~TerminationSignals()
{
    if (!g_notifier)
        return;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    g_notifier.reset();
    g_callback = nullptr;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}
