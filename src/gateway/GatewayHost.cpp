#include "gateway/GatewayHost.h"

namespace {
IGatewayHost*& host()
{
    static IGatewayHost* h = nullptr;
    return h;
}
}

IGatewayHost* GatewayHost() { return host(); }
void SetGatewayHost(IGatewayHost* h) { host() = h; }
