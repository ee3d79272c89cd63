#include <string>

#include "framework/path.h"
#include "framework/winapp.h"

namespace {

// What follows the program's name on the process's command line, as the framework hands it to
// the application: a quoted name ends at its closing quote, an unquoted one before the first
// character of code 32 or below; then every following such character is skipped.
LPCSTR SkipProgramName(LPCSTR psz) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(psz);
    const bool bQuoted = *p == '"';
    for (p += bQuoted ? 1 : 0; *p && (bQuoted ? *p != '"' : *p > 32);)
        ++p;
    if (bQuoted && *p == '"')
        ++p;
    while (*p && *p <= 32)
        ++p;
    return reinterpret_cast<LPCSTR>(p);
}

}  // namespace

// The C runtime's division into argv is not the program's; the raw line is.
int AfxWinMain(int, char*[]) {
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return 0;
    // The process's command line in its ANSI code page, converted as a path is.
    const std::string strLine = armwright::ProgramPath(GetCommandLineW());
    return armwright::RunApplication(*pApp, SkipProgramName(strLine.c_str()));
}
