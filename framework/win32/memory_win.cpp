#include <new>

#include "framework/memory.h"

// The C library's heap hands a block this large back to the system when it is freed.

namespace armwright {

CMemoryReserve::CMemoryReserve(size_t nSize)
    : m_p(new (std::nothrow) char[nSize]), m_nSize(nSize) {}

CMemoryReserve::~CMemoryReserve() {
    delete[] static_cast<char*>(m_p);
}

}  // namespace armwright
