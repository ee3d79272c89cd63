#include "framework/host.h"

namespace {
armwright::CHost* g_pHost = nullptr;
}

armwright::CHost& armwright::GetHost() {
    return g_pHost ? *g_pHost : armwright::GetSystemHost();
}

armwright::CHost* armwright::SetHost(armwright::CHost* pHost) {
    armwright::CHost* pPrevious = g_pHost;
    g_pHost = pHost;
    return pPrevious;
}
