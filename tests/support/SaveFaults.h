// Disk faults on demand: makes one step of a coming save fail, as a full disk or an I/O error
// would, so that every failure path can be walked. Only test programs have it.
#pragma once

#include <initializer_list>

namespace armwright {

// Begin is reached once at the start of every save, and counts them. A save that replaces the
// file goes through Create to Move; one that rewrites it in place through Mark (its first byte
// made a zero) to Seal (the real first byte written), and Restore when it puts the old bytes
// back.
enum class SaveStep {
    None,
    Begin,
    Create,
    Write,
    Flush,
    Sync,
    Close,
    Move,
    Mark,
    Rewrite,
    Truncate,
    Seal,
    Restore
};

// Step `step` of the nSave-th save from now on (1: the next one) fails; None clears.
void FailSaveStep(SaveStep step, int nSave = 1);
// Each of `steps` fails in the nSave-th save from now on.
void FailSaveSteps(std::initializer_list<SaveStep> steps, int nSave = 1);

}  // namespace armwright
