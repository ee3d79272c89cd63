// The seam between the framework and the system that shows its windows and names its executable.
#pragma once

#include "framework/cstring.h"

namespace armwright {

class CHost {
public:
    virtual ~CHost() = default;
    // Shows one modal message box; returns the button that closed it.
    virtual int MessageBox(LPCSTR lpszCaption, LPCSTR lpszText, UINT nType, UINT nIDHelp) = 0;
    // Runs dialog template nIDTemplate modally; returns the id that ended it.
    virtual INT_PTR DoModal(UINT nIDTemplate) = 0;
    // Full path of the running executable in the Windows view, whole; empty when it cannot be
    // had. Tests answer it themselves, to move the executable into a folder of theirs.
    virtual CString GetModuleFileName() { return CString(); }
};

// The host in use: the backend's own unless a test has put another in place.
CHost& GetHost();
// Puts `pHost` in place (nullptr restores the backend's own) and returns the one it replaces.
CHost* SetHost(CHost* pHost);
// The backend's own host: the real windows on Win32, standard error on POSIX.
CHost& GetSystemHost();

}  // namespace armwright
