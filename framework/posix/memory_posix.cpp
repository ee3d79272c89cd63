#include <sys/mman.h>

#include "framework/memory.h"

// jemalloc keeps the memory freed to it and maps more for its own records when it grows, so a
// block from the heap would not do: the mapping, which takes address space and no pages, is
// unmapped.

namespace armwright {

CMemoryReserve::CMemoryReserve(size_t nSize) : m_p(nullptr), m_nSize(nSize) {
    void* p = mmap(nullptr, nSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p != MAP_FAILED)
        m_p = p;
}

CMemoryReserve::~CMemoryReserve() {
    if (m_p)
        munmap(m_p, m_nSize);
}

}  // namespace armwright
