#include "host/vcl/Texts.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "host/vcl/ComponentArena.h"

namespace vcl {

char* TTextBlocks::Keep(std::string_view text) {
    if (text.empty()) return nullptr;
    if (blocks_.empty() || blocks_.back().size - used_ < text.size()) {
        const size_t next = blocks_.empty() ? kFirstBlock : std::min(blocks_.back().size * 2, kLargestBlock);
        const size_t size = std::max(next, text.size());
        blocks_.push_back({std::make_unique_for_overwrite<char[]>(size), size});
        used_ = 0;
    }
    Block& block = blocks_.back();
    char* room = block.bytes.get() + used_;
    std::memcpy(room, text.data(), text.size());
    used_ += text.size();
    ahead_.Filled(block.bytes.get(), used_, block.size);
    return room;
}

void TTextBlocks::Clear() {
    blocks_.clear();
    used_ = 0;
}

void TText::Assign(const TComponent* owner, std::string_view text) {
    if (text.empty()) return;
    if (text.size() > std::numeric_limits<uint32_t>::max()) throw std::length_error("a text of 4 GB or more");
    size_ = static_cast<uint32_t>(text.size());
    if (char* room = owner != nullptr ? TComponentArena::TextRoom(owner, text) : nullptr) {
        data_ = room;
        return;
    }
    data_ = new char[text.size()];
    std::memcpy(data_, text.data(), text.size());
    heap_ = true;
}

}  // namespace vcl
