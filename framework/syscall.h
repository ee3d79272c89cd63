// The file backends make every system call through AW_SYSCALL, so that a test build can make any
// of them fail, or end the process there, by its count: the seam's calls are the tests' own
// (tests/support/SyscallSeam.h). The shipped program calls the system directly.
#pragma once

#ifdef ARMWRIGHT_SYSCALL_SEAM
#include "support/SyscallSeamCalls.h"
#define AW_SYSCALL(call) (::armwright::seam::Pick(&::call))
#else
#define AW_SYSCALL(call) ::call
#endif
