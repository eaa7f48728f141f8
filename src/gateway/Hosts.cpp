#include "gateway/Hosts.h"
#include <QByteArray>

namespace {
QString fromEnv(const char* name, const char* fallback)
{
    const QByteArray value = qgetenv(name).trimmed();
    return value.isEmpty() ? QString::fromUtf8(fallback) : QString::fromUtf8(value);
}
}

QString GatewayHostName() { return fromEnv("VORNIX2_GATEWAY_HOST", VORNIX2_GATEWAY_HOST_DEFAULT); }
QString WebHostName() { return fromEnv("VORNIX2_WEB_HOST", VORNIX2_WEB_HOST_DEFAULT); }

QString WebUrl(const QString& path, bool https)
{
    return (https ? QStringLiteral("https://") : QStringLiteral("http://")) + WebHostName() + path;
}
