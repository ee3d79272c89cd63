#include <signal.h>

#include <string>

#include "framework/winapp.h"

// The Windows command line after the program's name: the arguments joined by single spaces, then
// the leading characters of code 32 or below skipped. A command line typed for Windows thus
// passes whole as one argument.
int AfxWinMain(int argc, char* argv[]) {
    // A limit on file sizes then fails the write that passes it, which the save reports, where
    // the signal would end the run before it could say what it left.
    signal(SIGXFSZ, SIG_IGN);
    std::string strLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            strLine += ' ';
        strLine += argv[i];
    }
    size_t nStart = 0;
    while (nStart < strLine.size() && static_cast<unsigned char>(strLine[nStart]) <= 32)
        ++nStart;
    CWinApp* pApp = AfxGetApp();
    return pApp ? armwright::RunApplication(*pApp, strLine.c_str() + nStart) : 0;
}
