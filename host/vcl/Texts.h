// Texts kept by the many: an outline's items, a form's hints. A string is 32 bytes beside its
// text, and a text longer than 15 bytes is one more allocation, rounded up; these keep texts
// back to back in blocks, or in 16 bytes with a text of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/vcl/LargePages.h"
#include "host/vcl/Varint.h"

namespace vcl {

// Texts one after another in blocks, each block twice the last up to a limit, given back all
// at once (Clear, or with the owner). A text is never moved while its blocks live.
class TTextBlocks {
public:
    // A copy of text in the blocks; null for an empty text.
    char* Keep(std::string_view text);
    void Clear();

    // A text kept with its length before it, known by four bytes (its block and place) where a
    // pointer and a length take twelve: a tree keeps one per item. kNoText is the empty text.
    using Ref = uint32_t;
    static constexpr Ref kNoText = 0;
    Ref KeepCounted(std::string_view text);
    std::string_view Counted(Ref ref) const {
        if (ref == kNoText) return {};
        const char* p = blocks_[(ref - 1) >> kPlaceBits].bytes.get() + ((ref - 1) & kPlaceMask);
        const uint64_t length = GetVarint(p);
        return {p, size_t(length)};
    }
    // The text at ref replaced by text, in its room when it fits there (ref stays), else kept
    // anew (the room is left until Clear).
    Ref RewriteCounted(Ref ref, std::string_view text);

private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        size_t size;
    };
    // Room for size bytes at the end of the newest block, made when it has none.
    char* Room(size_t size);
    // A place in a block has as many bits as the largest block needs; a longer text has a
    // block of its own and starts it.
    static constexpr unsigned kPlaceBits = 18;
    static constexpr uint32_t kPlaceMask = (1u << kPlaceBits) - 1;
    static constexpr size_t kFirstBlock = 4096, kLargestBlock = size_t{1} << kPlaceBits;
    std::vector<Block> blocks_;
    size_t used_ = 0;  // of the newest block
    TFillAhead ahead_;  // over the newest block
};

class TComponent;

// A text a component keeps, in 16 bytes. A component read from a form file keeps it where the
// file holds the same bytes, or in the form's text blocks, both of which go with the form after
// the component (see TComponentArena::TextRoom); any other keeps it on the heap. Copies are its
// own, on the heap.
class TText {
public:
    TText() = default;
    TText(const TComponent* owner, std::string_view text) { Assign(owner, text); }
    TText(const TText& other) { Assign(nullptr, other.View()); }
    TText& operator=(const TText& other) {
        TText copy(other);
        Swap(copy);
        return *this;
    }
    ~TText() {
        if (heap_) delete[] data_;
    }

    std::string_view View() const { return {data_, size_}; }
    std::string Str() const { return std::string(View()); }
    // Replaces the text (which may be a view of this one's own).
    void Set(const TComponent* owner, std::string_view text) {
        TText fresh(owner, text);
        Swap(fresh);
    }

private:
    void Assign(const TComponent* owner, std::string_view text);
    void Swap(TText& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(heap_, other.heap_);
    }

    const char* data_ = nullptr;
    uint32_t size_ = 0;
    bool heap_ = false;
};

}  // namespace vcl
