#include "support/SyscallSeam.h"

#include <cerrno>
#include <csignal>

#include "framework/syscall.h"

namespace armwright {
namespace seam {
namespace {

Mode g_mode = Mode::Count;
long g_nCall = 0;
long g_nCalls = 0;

// Ends the process at once, as a kill does: nothing of it runs on.
[[noreturn]] void EndProcess() {
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 9);
#else
    std::raise(SIGKILL);
#endif
    for (;;) {
    }
}

}  // namespace

void Arm(Mode mode, long nCall) {
    g_mode = mode;
    g_nCall = nCall;
    g_nCalls = 0;
}

long Calls() {
    return g_nCalls;
}

bool Fails() {
    if (++g_nCalls != g_nCall || g_mode == Mode::Count)
        return false;
    if (g_mode == Mode::End)
        EndProcess();
    return true;
}

void SetFailureError() {
#ifdef _WIN32
    SetLastError(ERROR_IO_DEVICE);
#else
    errno = EIO;
#endif
}

}  // namespace seam
}  // namespace armwright
