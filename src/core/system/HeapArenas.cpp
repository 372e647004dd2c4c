#include "core/system/HeapArenas.h"

#include <cstdlib> // defines __GLIBC__ where it applies

#ifdef __GLIBC__
#include <malloc.h>
#include <unistd.h>
#endif

#include <algorithm>

void useOneHeapArena() {
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, 1);
#endif
}

void prepareHeap(std::size_t bytes) {
#ifdef __GLIBC__
    // glibc takes thresholds up to 32 MiB.
    constexpr std::size_t kMost = (32u << 20) - 65536;
    bytes = std::min(bytes, kMost);
    const long pageSize = sysconf(_SC_PAGESIZE);
    const std::size_t page = pageSize > 0 ? std::size_t(pageSize) : 4096;
    if (bytes < 16 * page)
        return;
    // The block comes from the heap, not from a mapping of its own, and
    // freeing it leaves its pages with the heap for the allocations to come.
    mallopt(M_MMAP_THRESHOLD, int(bytes + 65536));
    mallopt(M_TRIM_THRESHOLD, int(2 * bytes + 65536));
    auto* block = static_cast<volatile char*>(std::malloc(bytes));
    if (!block)
        return;
    for (std::size_t i = 0; i < bytes; i += page)
        block[i] = 0;
    std::free(const_cast<char*>(block));
#else
    (void)bytes;
#endif
}
