#include "framework/winapp.h"

#include "framework/host.h"

namespace {
CWinApp* g_pApp = nullptr;

// The executable's file name without its extension, as the framework titles an unnamed app.
CString TitleFromModulePath(const CString& strPath) {
    CString strName = strPath.Mid(strPath.ReverseFind('\\') + 1);
    int nDot = strName.ReverseFind('.');
    return nDot >= 0 ? strName.Left(nDot) : strName;
}
}  // namespace

CWinApp::CWinApp(LPCSTR lpszAppName) : m_strAppName(lpszAppName) {
    m_pszAppName = m_strAppName;
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this)
        g_pApp = nullptr;
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

CString armwright::GetModuleFilePath() {
    return GetHost().GetModuleFileName();
}

int armwright::RunApplication(CWinApp& app, LPCSTR lpCmdLine) {
    if (app.m_strAppName.IsEmpty())
        app.m_strAppName = TitleFromModulePath(GetModuleFilePath());
    app.m_pszAppName = app.m_strAppName;
    app.m_strCmdLine = lpCmdLine;
    app.m_lpCmdLine = app.m_strCmdLine;
    app.InitInstance();
    return 0;
}
