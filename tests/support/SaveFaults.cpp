// The backend's file source (ARMWRIGHT_FILE_BACKEND, its path) compiled with fault points, in place
// of the framework's own: a test program that links this file never pulls the framework's object,
// which has none.
#include "support/SaveFaults.h"

#include <cerrno>

namespace armwright {
namespace {

unsigned g_nFaultSteps = 0;  // a bit for each failing step
int g_nSavesUntilFault = 0;
bool g_bFaultActive = false;

// Whether this step of the current save fails; counting saves by their first step.
bool SaveFault(SaveStep step) {
    if (step == SaveStep::Begin) {
        g_bFaultActive = g_nSavesUntilFault > 0 && --g_nSavesUntilFault == 0;
        return false;
    }
    if (g_bFaultActive && (g_nFaultSteps >> static_cast<unsigned>(step) & 1) != 0) {
        errno = EIO;
        return true;
    }
    return false;
}

}  // namespace

void FailSaveSteps(std::initializer_list<SaveStep> steps, int nSave) {
    g_nFaultSteps = 0;
    for (SaveStep step : steps)
        g_nFaultSteps |= 1u << static_cast<unsigned>(step);
    g_nSavesUntilFault = nSave;
}

void FailSaveStep(SaveStep step, int nSave) {
    FailSaveSteps({step}, nSave);
}

}  // namespace armwright

#define ARMWRIGHT_SAVE_FAULT(step) SaveFault(SaveStep::step)
#include ARMWRIGHT_FILE_BACKEND  // NOLINT(bugprone-suspicious-include)
