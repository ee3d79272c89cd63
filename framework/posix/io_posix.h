// Descriptor I/O that the POSIX backend shares.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace armwright {

// Writes all `nSize` bytes at `p` to `fd`, at `nOffset` or, when it is negative, where the
// descriptor stands; retries short writes and interruptions. False on any other failure.
bool WriteAll(int fd, const char* p, size_t nSize, off_t nOffset = -1);

}  // namespace armwright
