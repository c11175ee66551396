#include "host/vcl/LargePages.h"

#include <cstdint>
#include <cstdlib>

#include <sys/mman.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace vcl {

void AdviseLargePages(const void* data, size_t bytes) {
    constexpr uintptr_t kLarge = uintptr_t{2} << 20;
    const auto at = reinterpret_cast<uintptr_t>(data);
    const uintptr_t begin = (at + kLarge - 1) & ~(kLarge - 1), end = (at + bytes) & ~(kLarge - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

void PrepareHeap(size_t bytes) {
#ifdef __GLIBC__
    constexpr size_t kWorthIt = size_t{4} << 20, kMost = size_t{1} << 30;
    if (bytes < kWorthIt) return;
    bytes = bytes < kMost ? bytes : kMost;
    // One allocation larger than the heap's free top makes it grow by that much and the pad;
    // freed again, it is the top the next allocations are carved from, kept by the trim
    // threshold. The default thresholds come back after: only this growth is shaped.
    constexpr int kDefaultPad = 128 * 1024, kDefaultMmap = 128 * 1024, kLargestHeapBlock = 32 << 20;
    ::mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
    ::mallopt(M_TRIM_THRESHOLD, int(2 * bytes));
    ::mallopt(M_TOP_PAD, int(bytes));
    const size_t top = ::mallinfo2().keepcost;
    char* const before = static_cast<char*>(::sbrk(0));
    void* probe = top + 4096 < size_t(kLargestHeapBlock) ? std::malloc(top + 4096) : nullptr;
    char* const after = static_cast<char*>(::sbrk(0));
    std::free(probe);
    if (before != reinterpret_cast<char*>(-1) && after > before) AdviseLargePages(before, size_t(after - before));
    ::mallopt(M_TOP_PAD, kDefaultPad);
    ::mallopt(M_MMAP_THRESHOLD, kDefaultMmap);
#else
    (void)bytes;
#endif
}

}  // namespace vcl
