// A limit on the size of the files this process writes, for one scope: a disk that fills up.
#pragma once

#include <signal.h>
#include <sys/resource.h>

class CFileSizeLimit {
public:
    // Writes past `nBytes` fail with EFBIG instead of raising SIGXFSZ.
    explicit CFileSizeLimit(rlim_t nBytes) {
        m_previousHandler = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        struct rlimit limit = m_previous;
        limit.rlim_cur = nBytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        signal(SIGXFSZ, m_previousHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
    struct rlimit m_previous;
    sighandler_t m_previousHandler;
};
