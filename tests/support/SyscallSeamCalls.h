// What AW_SYSCALL (framework/syscall.h) calls in the save compiled for tests: the system's own
// call, or one that fails as it would.
#pragma once

#include <type_traits>

#include "framework/windef.h"

namespace armwright {
namespace seam {

// Counts one call; true when it is to fail. Ends the process when it is to end there.
bool Fails();
// Sets the error a failed call leaves (errno, or the thread's last error).
void SetFailureError();

// What a call of the system returns when it fails.
template <typename R>
R Failure() {
    SetFailureError();
#ifdef _WIN32
    if constexpr (std::is_same_v<R, HANDLE>)
        return INVALID_HANDLE_VALUE;
    else
        return R{};
#else
    if constexpr (std::is_pointer_v<R>)
        return nullptr;
    else
        return static_cast<R>(-1);
#endif
}
template <typename R, typename... A>
R Fail(A...) {
    return Failure<R>();
}
template <typename R, typename... A>
R FailVariadic(A..., ...) {
    return Failure<R>();
}
template <typename R, typename... A>
auto Pick(R (*call)(A...)) -> R (*)(A...) {
    return Fails() ? &Fail<R, A...> : call;
}
template <typename R, typename... A>
auto Pick(R (*call)(A..., ...)) -> R (*)(A..., ...) {
    return Fails() ? &FailVariadic<R, A...> : call;
}

}  // namespace seam
}  // namespace armwright
