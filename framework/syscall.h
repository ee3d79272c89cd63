// The file backends make every system call through AW_SYSCALL, so that a test build can make any
// of them fail, or end the process there, by its count (tests/support/SyscallSeam.h). The
// shipped program calls the system directly.
#pragma once

#ifdef ARMWRIGHT_SYSCALL_SEAM
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

#define AW_SYSCALL(call) (::armwright::seam::Pick(&::call))
#else
#define AW_SYSCALL(call) ::call
#endif
