// The program's heap on POSIX. A large MeInit becomes millions of small nodes and strings; taken
// one by one from the C library they cost a header each and, on first touch, a page fault every
// 4 KiB, together as much time as the parse itself. Here blocks of up to 256 bytes come, without
// headers, from 64 KiB pages of one size class each, carved out of one region that the kernel may
// back with huge pages. A page's first 16 bytes hold its class, so a block's size is known from
// its address alone, as plain delete needs. Freed blocks are kept for their class. The program
// runs on one thread. Larger blocks, and all blocks once the region is used up, come from malloc.
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr size_t kGranule = 16;
constexpr size_t kClasses = 16;  // blocks of 16, 32, ... 256 bytes
constexpr size_t kPage = size_t(64) << 10;
constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kRegion = size_t(16) << 30;  // address space only, taken as touched

struct Heap {
    char* pBase = nullptr;
    char* pNext = nullptr;  // the next page not yet given to a class
    char* pEnd = nullptr;
    bool bTried = false;
    void* freeBlocks[kClasses + 1] = {};
    char* pClassNext[kClasses + 1] = {};
    char* pClassEnd[kClasses + 1] = {};
};

// Constant-initialised, so usable by allocations made before any constructor runs.
Heap g_heap;

bool HeapReady() {
    if (!g_heap.bTried) {
        g_heap.bTried = true;
        void* p = mmap(nullptr, kRegion + kHugePage, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p != MAP_FAILED) {
            auto base = (reinterpret_cast<uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
            g_heap.pBase = g_heap.pNext = reinterpret_cast<char*>(base);
            g_heap.pEnd = g_heap.pBase + kRegion;
            madvise(g_heap.pBase, kRegion, MADV_HUGEPAGE);  // a hint: without it, 4 KiB pages
        }
    }
    return g_heap.pBase != nullptr;
}

void* Allocate(size_t nSize) {
    size_t nClass = (nSize + kGranule - 1) / kGranule;
    if (nClass == 0)
        nClass = 1;
    if (nClass <= kClasses && HeapReady()) {
        if (void* pBlock = g_heap.freeBlocks[nClass]) {
            g_heap.freeBlocks[nClass] = *static_cast<void**>(pBlock);
            return pBlock;
        }
        const size_t nBlock = nClass * kGranule;
        if (g_heap.pClassNext[nClass] + nBlock > g_heap.pClassEnd[nClass] &&
            g_heap.pNext + kPage <= g_heap.pEnd) {
            char* pPage = g_heap.pNext;
            g_heap.pNext += kPage;
            *reinterpret_cast<size_t*>(pPage) = nClass;
            g_heap.pClassNext[nClass] = pPage + kGranule;
            g_heap.pClassEnd[nClass] = pPage + kPage;
        }
        if (g_heap.pClassNext[nClass] + nBlock <= g_heap.pClassEnd[nClass]) {
            void* pBlock = g_heap.pClassNext[nClass];
            g_heap.pClassNext[nClass] += nBlock;
            return pBlock;
        }
    }
    if (void* pBlock = std::malloc(nSize ? nSize : 1))
        return pBlock;
    throw std::bad_alloc();
}

void Release(void* pBlock) noexcept {
    char* p = static_cast<char*>(pBlock);
    if (p >= g_heap.pBase && p < g_heap.pEnd) {
        auto page = reinterpret_cast<uintptr_t>(p) & ~(kPage - 1);
        size_t nClass = *reinterpret_cast<size_t*>(page);
        *static_cast<void**>(pBlock) = g_heap.freeBlocks[nClass];
        g_heap.freeBlocks[nClass] = pBlock;
    } else {
        std::free(pBlock);
    }
}

}  // namespace

void* operator new(size_t nSize) {
    return Allocate(nSize);
}
void* operator new[](size_t nSize) {
    return Allocate(nSize);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    Release(p);
}
