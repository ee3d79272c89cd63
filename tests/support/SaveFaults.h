// Disk faults on demand: makes one step of a coming save fail, as a full disk or an I/O error
// would, so that every failure path can be walked. Only test programs have it.
#pragma once

namespace armwright {

enum class SaveStep { None, Create, Write, Flush, Sync, Close, Move };

// Step `step` of the nSave-th save from now on (1: the next one) fails; None clears.
void FailSaveStep(SaveStep step, int nSave = 1);

}  // namespace armwright
