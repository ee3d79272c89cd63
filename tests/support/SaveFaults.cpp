// The POSIX file backend compiled with fault points, in place of the framework's own: a test
// program that links this file never pulls the framework's object, which has none.
#include "support/SaveFaults.h"

#include <cerrno>

namespace armwright {
namespace {

SaveStep g_faultStep = SaveStep::None;
int g_nSavesUntilFault = 0;
bool g_bFaultActive = false;

// Whether this step of the current save fails; counting saves by their first step.
bool SaveFault(SaveStep step) {
    if (step == SaveStep::Create)
        g_bFaultActive = g_nSavesUntilFault > 0 && --g_nSavesUntilFault == 0;
    if (g_bFaultActive && step == g_faultStep) {
        errno = EIO;
        return true;
    }
    return false;
}

}  // namespace

void FailSaveStep(SaveStep step, int nSave) {
    g_faultStep = step;
    g_nSavesUntilFault = nSave;
}

}  // namespace armwright

#define ARMWRIGHT_SAVE_FAULT(step) SaveFault(SaveStep::step)
#include "file_posix.cpp"  // NOLINT(bugprone-suspicious-include)
