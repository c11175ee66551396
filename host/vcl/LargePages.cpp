#include "host/vcl/LargePages.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include <sys/mman.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace vcl {

namespace {

// The advice for the whole pages of the given size inside [data, data + bytes).
void AdviseWholePages(const void* data, size_t bytes, uintptr_t page, int advice) {
    const auto at = reinterpret_cast<uintptr_t>(data);
    const uintptr_t begin = (at + page - 1) & ~(page - 1), end = (at + bytes) & ~(page - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, advice);
}

}  // namespace

void AdviseLargePages(const void* data, size_t bytes) { AdviseWholePages(data, bytes, kLargePageBytes, MADV_HUGEPAGE); }

void PopulatePages(const void* data, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    AdviseWholePages(data, bytes, 4096, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}

void TFillAhead::Advance(const void* begin, size_t used, size_t capacity) {
    constexpr size_t kLeast = size_t{16} << 10, kMost = size_t{256} << 10;
    if (begin != begin_) {
        // A buffer that moved was filled by copying: what is present ends where the copy did.
        begin_ = begin;
        ready_ = used;
    }
    size_t step = used / 8;
    step = step < kLeast ? kLeast : step > kMost ? kMost : step;
    const size_t from = ready_ > used ? ready_ : used, to = used + step < capacity ? used + step : capacity;
    if (to > from) PopulatePages(static_cast<const char*>(begin) + from, to - from);
    // A full buffer asks nothing more until it moves.
    ready_ = to < capacity ? to : SIZE_MAX / 2;
}

void PrepareHeap(size_t bytes) {
#ifdef __GLIBC__
    constexpr size_t kLeast = size_t{64} << 10, kWorthLarge = size_t{4} << 20, kMost = size_t{1} << 30;
    // Only the main thread allocates from the program's break; other threads have heaps of their own.
    if (bytes < kLeast || ::gettid() != ::getpid()) return;
    bytes = bytes < kMost ? bytes : kMost;
    // Kept for the run: memory freed at the top stays for what comes next.
    ::mallopt(M_TRIM_THRESHOLD, int(2 * bytes));
    if (::mallinfo2().keepcost < bytes) {
        // One allocation larger than the whole heap, so that no free chunk can serve it, makes
        // the heap grow by that and the pad; freed again, it is the top that what follows is
        // carved from. Only this growth is shaped. A heap grown large already (a check of many
        // forms) is left as it is: what one form freed, the next reuses.
        constexpr int kDefaultPad = 128 * 1024, kDefaultMmap = 128 * 1024, kLargestHeapBlock = 32 << 20;
        ::mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
        ::mallopt(M_TOP_PAD, int(bytes));
        if (const size_t heap = ::mallinfo2().arena; heap + 4096 < size_t(kLargestHeapBlock)) {
            static void* volatile grown;  // an allocation the compiler may not leave out
            grown = std::malloc(heap + 4096);
            std::free(grown);
        }
        ::mallopt(M_TOP_PAD, kDefaultPad);
        ::mallopt(M_MMAP_THRESHOLD, kDefaultMmap);
    }
    char* const end = static_cast<char*>(::sbrk(0));
    const size_t top = ::mallinfo2().keepcost;
    if (end == reinterpret_cast<char*>(-1)) return;
    // The free top ends the break. Large pages where they will be filled: but for the last 2 MB
    // expected, whose large page the fill may only enter, and it would count whole. Below that,
    // the pages made present at once.
    const size_t filled = std::min(top, bytes);
    if (bytes < kWorthLarge)
        PopulatePages(end - top, filled);
    else if (filled > kLargePageBytes)
        AdviseLargePages(end - top, filled - kLargePageBytes);
#else
    (void)bytes;
#endif
}

}  // namespace vcl
