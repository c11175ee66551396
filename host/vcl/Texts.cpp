#include "host/vcl/Texts.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "host/vcl/ComponentArena.h"

namespace vcl {

char* TTextBlocks::Room(size_t size) {
    if (blocks_.empty() || blocks_.back().size - used_ < size) {
        const size_t next = blocks_.empty() ? kFirstBlock : std::min(blocks_.back().size * 2, kLargestBlock);
        const size_t bytes = std::max(next, size);
        blocks_.push_back({std::make_unique_for_overwrite<char[]>(bytes), bytes});
        used_ = 0;
    }
    Block& block = blocks_.back();
    char* room = block.bytes.get() + used_;
    used_ += size;
    ahead_.Filled(block.bytes.get(), used_, block.size);
    return room;
}

char* TTextBlocks::Keep(std::string_view text) {
    if (text.empty()) return nullptr;
    char* room = Room(text.size());
    std::memcpy(room, text.data(), text.size());
    return room;
}

TTextBlocks::Ref TTextBlocks::KeepCounted(std::string_view text) {
    if (text.empty()) return kNoText;
    char* room = Room(VarintBytes(text.size()) + text.size());
    // Refs count from 1 (kNoText is 0), so the last block number is never used.
    const size_t block = blocks_.size() - 1;
    if (block >= (size_t{1} << (32 - kPlaceBits)) - 1) throw std::length_error("more than 4 GB of texts");
    std::memcpy(PutVarint(room, text.size()), text.data(), text.size());
    const size_t place = size_t(room - blocks_[block].bytes.get());
    return Ref((block << kPlaceBits) | place) + 1;
}

TTextBlocks::Ref TTextBlocks::RewriteCounted(Ref ref, std::string_view text) {
    const std::string_view old = Counted(ref);
    if (text.empty()) return kNoText;
    if (ref == kNoText || VarintBytes(text.size()) + text.size() > VarintBytes(old.size()) + old.size())
        return KeepCounted(text);
    // The new length may take fewer bytes than the old: the text starts earlier in the same room.
    char* room = const_cast<char*>(old.data()) - VarintBytes(old.size());
    std::memmove(PutVarint(room, text.size()), text.data(), text.size());
    return ref;
}

void TTextBlocks::Clear() {
    blocks_.clear();
    used_ = 0;
}

void TText::Assign(const TComponent* owner, std::string_view text) {
    if (text.empty()) return;
    if (text.size() > std::numeric_limits<uint32_t>::max()) throw std::length_error("a text of 4 GB or more");
    size_ = static_cast<uint32_t>(text.size());
    if (const char* room = owner != nullptr ? TComponentArena::TextRoom(owner, text) : nullptr) {
        data_ = room;
        return;
    }
    char* own = new char[text.size()];
    std::memcpy(own, text.data(), text.size());
    data_ = own;
    heap_ = true;
}

}  // namespace vcl
