#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/winapp.h"

// The heap is first asked for memory while the application object is built, before the program
// could say anything, and a heap that cannot start then ends the process with a signal. Asked
// first here, for what a start takes, it says so in one line and ends with a status.
__attribute__((constructor(101))) static void RequireMemoryToStart() {
    void* p = std::malloc(1 << 20);
    if (!p) {
        // Nothing more may be asked of the heap: the line goes out from fixed text.
        static const char kLine[] = ": not enough memory to start\n";
        const char* pszName = program_invocation_short_name;
        if (write(STDERR_FILENO, pszName, std::strlen(pszName)) < 0 ||
            write(STDERR_FILENO, kLine, sizeof kLine - 1) < 0) {
        }
        _exit(1);
    }
    std::free(p);
}

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
