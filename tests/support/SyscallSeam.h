// Control of the save's system-call seam (framework/syscall.h), in test programs that link the
// framework_seam objects: any call, by its count, fails as a failing disk would, or the process
// ends there as a kill would end it, or another program acts just before it.
#pragma once

#include <functional>

namespace armwright {
namespace seam {

enum class Mode { Count, Fail, End, Act };

// From now on counts the calls; with Fail, End or Act, call number nCall (1: the next) fails,
// ends the process, or runs `act` first.
void Arm(Mode mode, long nCall = 0, std::function<void()> act = nullptr);
// The calls counted since Arm.
long Calls();

}  // namespace seam
}  // namespace armwright
