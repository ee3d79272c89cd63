// CWinApp: the application object, whose InitInstance is the whole run of this program.
#pragma once

#include "framework/cstring.h"

class CWinApp;
namespace armwright {
// Starts `app` as the framework does: sets its title and command line, then calls InitInstance.
int RunApplication(CWinApp& app, LPCSTR lpCmdLine);
// The full path of the running executable, never cut short; empty when the system cannot say.
CString GetModuleFilePath();
}  // namespace armwright

class CWinApp {
public:
    // Without a name, the title is the executable's file name without its extension.
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Called once at start-up; FALSE ends the application without a message loop.
    virtual BOOL InitInstance() { return TRUE; }

    LPCSTR m_lpCmdLine = "";   // the command line after the program's name
    LPCSTR m_pszAppName = "";  // the title, caption of every message box

private:
    CString m_strCmdLine;
    CString m_strAppName;
    friend int armwright::RunApplication(CWinApp& app, LPCSTR lpCmdLine);
};

// The application object most recently constructed, or nullptr.
CWinApp* AfxGetApp();
// The process entry: reads the process's own command line and runs the application object.
int AfxWinMain(int argc, char* argv[]);
