#include "framework/host.h"

namespace {
CAfxHost* g_pHost = nullptr;
}

CAfxHost& AfxGetHost() {
    return g_pHost ? *g_pHost : AfxGetSystemHost();
}

CAfxHost* AfxSetHost(CAfxHost* pHost) {
    CAfxHost* pPrevious = g_pHost;
    g_pHost = pHost;
    return pPrevious;
}
