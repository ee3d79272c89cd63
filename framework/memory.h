// Room kept back for the report of memory running out.
#pragma once

#include <cstddef>

namespace armwright {

// Memory held while the object lives and handed back to the system when it goes: where work that
// runs out of memory leaves what it took spent for good, that is then room for the report of it.
class CMemoryReserve {
public:
    explicit CMemoryReserve(size_t nSize);
    ~CMemoryReserve();
    CMemoryReserve(const CMemoryReserve&) = delete;
    CMemoryReserve& operator=(const CMemoryReserve&) = delete;

private:
    // Volatile, so that the compiler cannot drop a block that nothing reads.
    void* volatile m_p;
    size_t m_nSize;
};

}  // namespace armwright
