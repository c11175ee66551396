// The values an object keeps for properties without C++ meaning, packed into one block: a
// form's every button keeps its font style and its click handler's name this way, and as a
// vector of variants each took two or three blocks and about 200 bytes where the packed
// entries take about 60. A value is made again as a TValue when read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "host/vcl/TypInfo.h"

namespace vcl {

class TStoredValues {
public:
    TStoredValues() = default;
    TStoredValues(const TStoredValues&) = delete;
    TStoredValues& operator=(const TStoredValues&) = delete;
    ~TStoredValues();

    size_t Count() const { return block_ == nullptr ? 0 : block_->count; }
    // The value kept for the property (or another declaration of its name, any case).
    bool Read(const TPropInfo& prop, TValue& out) const;
    // Replaces the value kept under the property's name in its place, or adds one at the end.
    void Write(const TPropInfo& prop, const TValue& value);
    // Room for about count values at once, found by name through an index.
    void Reserve(size_t count);
    // Every value in the order first written.
    template <class F>
    void ForEach(F f) const {
        for (size_t at = 0; block_ != nullptr && at < block_->used; at = Next(at)) {
            const TPropInfo* prop = PropAt(at);
            f(*prop, Decode(at));
        }
    }
    bool RefersTo(const TComponent* target) const;
    // Every reference to target becomes nil.
    void ClearReferencesTo(const TComponent* target);

private:
    // Found by name through open addressing over (hash, offset + 1) once there are more than a
    // few values; a handful is found faster by reading them in turn.
    struct Slot {
        uint32_t hash = 0;
        uint32_t place = 0;  // 0: empty
    };
    // An indexed block's entries follow where its index is.
    struct IndexPlace {
        Slot* table;
        uint32_t size;
    };
    // The entries follow the header: the property's descriptor, a kind byte and the value. A
    // header of 12 bytes lets a button's click handler fit the allocator's 48-byte blocks.
    struct Block {
        uint32_t used;      // bytes of entries
        uint32_t capacity;  // room for entries
        uint32_t count : 31;
        uint32_t indexed : 1;
        char* Entries() { return reinterpret_cast<char*>(this + 1) + (indexed ? sizeof(IndexPlace) : 0); }
        const char* Entries() const { return const_cast<Block*>(this)->Entries(); }
        IndexPlace Index() const;
        void SetIndex(IndexPlace index);
    };
    static_assert(sizeof(Block) == 12);
    const TPropInfo* PropAt(size_t at) const;
    size_t Next(size_t at) const;  // the entry after the one at at
    TValue Decode(size_t at) const;
    // block_->used when there is none; knownHash: the name's, when the caller has it already.
    size_t Find(const TPropInfo& prop, std::optional<uint32_t> knownHash = std::nullopt) const;
    // The first reference to target from at on, at left at its entry; null when none.
    const TPropInfo* NextReferenceTo(const TComponent* target, size_t& at) const;
    void Room(size_t bytes);  // for bytes more beyond used
    // Made again for the entries, or room for expected; moved: entries are not where the
    // index has them.
    void Index(size_t expected, bool moved = false);
    static void Place(IndexPlace index, uint32_t hash, uint32_t at);  // the entry at at, into the index
    Block* block_ = nullptr;
};

}  // namespace vcl
