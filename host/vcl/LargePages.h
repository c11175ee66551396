// Large buffers in large pages. A fresh page costs a trip through the kernel at its first
// touch; a form of 30,000 components fills tens of megabytes, and asking for 2 MB pages makes
// that one trip per 2 MB rather than per 4 kB. Nothing is touched here, so memory never used
// costs nothing.
#pragma once

#include <cstddef>
#include <vector>

namespace vcl {

inline constexpr size_t kLargePageBytes = size_t{2} << 20;

// For the whole large pages inside [data, data + bytes).
void AdviseLargePages(const void* data, size_t bytes);

// Makes the whole pages inside [data, data + bytes) present now, in one call: touched one at a
// time, every fresh page traps into the kernel on its own, which on a virtual machine costs
// about twice as much per page. Does nothing where the kernel cannot (before Linux 5.14).
void PopulatePages(const void* data, size_t bytes);

// Keeps the pages of a buffer that fills from its start present a step ahead of the fill, so
// that filling it never traps page by page. The step is an eighth of the fill, 16 kB to 256 kB:
// what is made present and never filled stays small beside what was.
class TFillAhead {
public:
    // After the buffer at begin, of capacity bytes, has its first used bytes filled.
    void Filled(const void* begin, size_t used, size_t capacity) {
        if (begin != begin_ || used + kLead > ready_) Advance(begin, used, capacity);
    }

private:
    static constexpr size_t kLead = 4096;  // a page before the fill reaches what is present
    void Advance(const void* begin, size_t used, size_t capacity);
    const void* begin_ = nullptr;
    size_t ready_ = 0;  // bytes from begin_ that are present
};

// The heap grows at once by about bytes more: for a run about to fill that much with small
// objects (strings, lists) that no arena of ours holds. From a few megabytes the growth takes
// large pages; below, its pages are made present at once. Below 64 kB, and without the GNU C
// library, it does nothing.
void PrepareHeap(size_t bytes);

// Room for count elements, asked for in large pages before anything is written to it.
template <class T>
void ReserveLarge(std::vector<T>& v, size_t count) {
    if (count <= v.capacity()) return;
    v.reserve(count);
    AdviseLargePages(v.data(), v.capacity() * sizeof(T));
}

}  // namespace vcl
