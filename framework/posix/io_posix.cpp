#include "io_posix.h"

#include <unistd.h>

#include <cerrno>

#include "framework/syscall.h"

namespace armwright {

bool WriteAll(int fd, const char* p, size_t nSize, off_t nOffset) {
    while (nSize > 0) {
        const ssize_t nWritten = nOffset < 0 ? AW_SYSCALL(write)(fd, p, nSize)
                                             : AW_SYSCALL(pwrite)(fd, p, nSize, nOffset);
        if (nWritten < 0 && errno == EINTR)
            continue;
        if (nWritten <= 0)
            return false;
        p += nWritten;
        nSize -= static_cast<size_t>(nWritten);
        if (nOffset >= 0)
            nOffset += nWritten;
    }
    return true;
}

}  // namespace armwright
