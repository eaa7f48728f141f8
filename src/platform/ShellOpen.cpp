#include "platform/ShellOpen.h"
#include <QDesktopServices>

namespace ShellOpen {
namespace {
Handler& handler()
{
    static Handler h;
    return h;
}
}

bool Open(const QUrl& url)
{
    if (handler())
        return handler()(url);
    return QDesktopServices::openUrl(url);
}

void SetHandler(Handler h) { handler() = std::move(h); }
}
