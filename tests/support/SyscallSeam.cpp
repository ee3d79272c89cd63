#include "support/SyscallSeam.h"

#include <cerrno>
#include <csignal>
#include <utility>

#include "support/SyscallSeamCalls.h"

namespace armwright {
namespace seam {
namespace {

Mode g_mode = Mode::Count;
long g_nCall = 0;
std::function<void()> g_act;
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

void Arm(Mode mode, long nCall, std::function<void()> act) {
    g_mode = mode;
    g_nCall = nCall;
    g_act = std::move(act);
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
    if (g_mode == Mode::Act)
        g_act();
    return g_mode == Mode::Fail;
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
