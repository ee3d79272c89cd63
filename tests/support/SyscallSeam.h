// Control of the save's system-call seam (framework/syscall.h), in test programs that link the
// framework_seam objects: any call, by its count, fails as a failing disk would, or the process
// ends there as a kill would end it.
#pragma once

namespace armwright {
namespace seam {

enum class Mode { Count, Fail, End };

// From now on counts the calls; with Fail or End, call number nCall (1: the next) fails, or
// ends the process.
void Arm(Mode mode, long nCall = 0);
// The calls counted since Arm.
long Calls();

}  // namespace seam
}  // namespace armwright
