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

// The heap grows at once by about bytes more, in large pages: for a run about to fill that much
// with small objects (strings, lists) that no arena of ours holds. Below a few megabytes, and
// without the GNU C library, it does nothing.
void PrepareHeap(size_t bytes);

// Room for count elements, asked for in large pages before anything is written to it.
template <class T>
void ReserveLarge(std::vector<T>& v, size_t count) {
    if (count <= v.capacity()) return;
    v.reserve(count);
    AdviseLargePages(v.data(), v.capacity() * sizeof(T));
}

}  // namespace vcl
