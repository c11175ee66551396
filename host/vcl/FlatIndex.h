// Objects by a text key each holds (a component's name, an outline item's text), several
// allowed under one key. Open addressing: a probe compares 32-bit tags of the keys' hashes in
// one array and reads an object's key only when they match, where a node-based map read two
// or three scattered blocks at every step and allocated one per entry. The objects stand in an
// array of their own, read only on a match: a slot is 12 bytes rather than 16, and a probe's
// cache line holds twice the tags. Forms of 30,000 components fill these once per name and
// per item.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "host/vcl/LargePages.h"

namespace vcl {

// The slots of an open-addressing table for entries: a power of two, at most three quarters of
// them in use. A table that grows by this runs three eighths to three quarters full: a miss reads
// a few more 4-byte tags (a cache line holds sixteen), where at most half full the slots of an
// object of 300,000 learnt properties took 12 MB rather than 6 (one that quadrupled ran an
// eighth to half full, twice that again).
inline size_t OpenTableSize(size_t entries) {
    size_t size = 16;
    while (size * 3 < entries * 4) size *= 2;
    return size;
}

// Traits: static std::string_view Key(const T&); size_t Hash(std::string_view);
// bool Equal(std::string_view, std::string_view).
template <class T, class Traits>
class TFlatIndex {
public:
    // Nothing is allocated until the first entry, or room for expected entries at once.
    explicit TFlatIndex(size_t expected = 0) {
        if (expected > 0) Rebuild(expected);
    }

    // Every object under key, in no particular order; f returns false to stop.
    template <class F>
    void ForEach(std::string_view key, F f) const {
        ForEachHashed(key, Traits::Hash(key), f);
    }
    // The same with the key's hash already made: a search through several tables makes it once.
    template <class F>
    void ForEachHashed(std::string_view key, size_t hash, F f) const {
        if (tags_.empty()) return;
        const uint32_t tag = Tag(hash);
        const size_t mask = tags_.size() - 1;
        for (size_t i = tag & mask;; i = (i + 1) & mask) {
            const uint32_t t = tags_[i];
            if (t == kEmpty) return;
            if (t == tag && Traits::Equal(Traits::Key(*objects_[i]), key) && !f(objects_[i])) return;
        }
    }
    T* Find(std::string_view key) const { return FindHashed(key, Traits::Hash(key)); }
    T* FindHashed(std::string_view key, size_t hash) const {
        T* found = nullptr;
        ForEachHashed(key, hash, [&](T* object) { return found = object, false; });
        return found;
    }
    // Under its key now.
    void Insert(T* object) { InsertHashed(object, Traits::Hash(Traits::Key(*object))); }
    void InsertHashed(T* object, size_t hash) {
        // Made again with room for half as many again as it holds: made just large enough, a
        // table at the mark that erases and inserts (an outline's texts set one by one, names
        // changed) was made again at every insert, the whole table each time.
        if (Crowded(used_ + 1)) Rebuild(live_ + 1 + live_ / 2);
        Place(Tag(hash), object);
    }
    // Under its key now; nothing when absent.
    void Erase(const T* object) {
        if (tags_.empty()) return;
        const uint32_t tag = Tag(Traits::Hash(Traits::Key(*object)));
        const size_t mask = tags_.size() - 1;
        for (size_t i = tag & mask;; i = (i + 1) & mask) {
            if (tags_[i] == kEmpty) return;
            if (tags_[i] == tag && objects_[i] == object) {
                tags_[i] = kErased;
                objects_[i] = nullptr;
                --live_;
                return;
            }
        }
    }
    // Room for expected entries in all, made now.
    void Reserve(size_t expected) {
        if (Crowded(expected)) Rebuild(std::max(expected, live_));
    }
    // The table's slots: four thirds of the entries it holds, or more.
    size_t Slots() const { return tags_.size(); }
    void Clear() {
        tags_.clear();
        objects_.clear();
        used_ = live_ = 0;
    }

private:
    // A slot's tag: its key's hash folded to 32 bits, the two values that mark a free slot
    // moved aside. It places the entry too, so that a larger table places it again from it.
    static constexpr uint32_t kEmpty = 0, kErased = 1;
    static uint32_t Tag(size_t hash) {
        const auto folded = static_cast<uint32_t>(static_cast<uint64_t>(hash) ^ (static_cast<uint64_t>(hash) >> 32));
        return folded > kErased ? folded : folded + 2;
    }

    bool Crowded(size_t entries) const { return entries * 4 > tags_.size() * 3; }
    void Rebuild(size_t expected) {
        const size_t size = OpenTableSize(expected);
        std::vector<uint32_t> tags;
        std::vector<T*> objects;
        ReserveLarge(tags, size);
        ReserveLarge(objects, size);
        PopulatePages(tags.data(), size * sizeof(uint32_t));
        PopulatePages(objects.data(), size * sizeof(T*));
        tags.resize(size, kEmpty);
        objects.resize(size, nullptr);
        std::vector<uint32_t> oldTags = std::exchange(tags_, std::move(tags));
        std::vector<T*> oldObjects = std::exchange(objects_, std::move(objects));
        used_ = live_ = 0;
        for (size_t i = 0; i < oldTags.size(); ++i)
            if (oldTags[i] > kErased) Place(oldTags[i], oldObjects[i]);
    }
    // Into the first free slot along its probe: an empty one, or one an erase left.
    void Place(uint32_t tag, T* object) {
        const size_t mask = tags_.size() - 1;
        size_t i = tag & mask;
        while (tags_[i] > kErased) i = (i + 1) & mask;
        if (tags_[i] == kEmpty) ++used_;
        tags_[i] = tag;
        objects_[i] = object;
        ++live_;
    }

    // Both a power of two long, at most three quarters of their slots in use.
    std::vector<uint32_t> tags_;  // kEmpty, kErased, or an entry's tag
    std::vector<T*> objects_;
    size_t used_ = 0;  // live and erased slots
    size_t live_ = 0;
};

}  // namespace vcl
