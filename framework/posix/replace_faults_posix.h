// A seam for tests: makes one step of a coming safe replace fail, as a full disk or an I/O
// error would, so that every failure path can be walked.
#pragma once

namespace armwright {

enum class SaveStep { None, Create, Write, Flush, Sync, Close, Move };

// Step `step` of the nReplace-th replace from now on (1: the next one) fails; None clears.
void FailSaveStepForTesting(SaveStep step, int nReplace = 1);

}  // namespace armwright
