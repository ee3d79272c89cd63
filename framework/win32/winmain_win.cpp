#include <string>

#include "framework/winapp.h"

namespace {

// What follows the program's name on the process's command line, as the framework hands it to
// the application: a quoted name ends at its closing quote, an unquoted one before the first
// character of code 32 or below; then every following such character is skipped.
LPCSTR SkipProgramName(LPCSTR psz) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(psz);
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p > 32)
            ++p;
    }
    while (*p && *p <= 32)
        ++p;
    return reinterpret_cast<LPCSTR>(p);
}

// The process's command line in its ANSI code page. A character that the code page lacks
// becomes '?', which no file name holds, never a look-alike that may name another file.
std::string AnsiCommandLine() {
    const LPCWSTR pszWide = GetCommandLineW();
    const UINT nCodePage = GetACP();
    // UTF-8 holds every character, and takes neither flags nor a default character.
    const DWORD dwFlags = nCodePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const LPCSTR pszDefault = nCodePage == CP_UTF8 ? nullptr : "?";
    const int nLength =
        WideCharToMultiByte(nCodePage, dwFlags, pszWide, -1, nullptr, 0, pszDefault, nullptr);
    if (nLength <= 0)
        return std::string();
    std::string strLine(static_cast<size_t>(nLength), '\0');
    WideCharToMultiByte(nCodePage, dwFlags, pszWide, -1, &strLine[0], nLength, pszDefault, nullptr);
    strLine.resize(static_cast<size_t>(nLength - 1));
    return strLine;
}

}  // namespace

// The C runtime's division into argv is not the program's; the raw line is.
int AfxWinMain(int, char*[]) {
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return 0;
    const std::string strLine = AnsiCommandLine();
    return armwright::RunApplication(*pApp, SkipProgramName(strLine.c_str()));
}
