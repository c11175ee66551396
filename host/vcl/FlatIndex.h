// Objects by a text key each holds (a component's name, an outline item's text), several
// allowed under one key. Open addressing over (hash, object) pairs: a probe compares hashes in
// one array and reads an object's key only when they match, where a node-based map read two
// or three scattered blocks at every step and allocated one per entry. Forms of 30,000
// components fill these once per name and per item.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "host/vcl/LargePages.h"

namespace vcl {

// The slots of an open-addressing table for entries: a power of two, at most half of them in
// use. A table that grows by this runs a quarter to half full (one that quadrupled ran an
// eighth to half, twice the memory).
inline size_t OpenTableSize(size_t entries) {
    size_t size = 16;
    while (size < entries * 2) size *= 2;
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
        if (slots_.empty()) return;
        const size_t mask = slots_.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& s = slots_[i];
            if (s.object == nullptr) {
                if (s.hash != kErased) return;
            } else if (s.hash == hash && Traits::Equal(Traits::Key(*s.object), key) && !f(s.object)) {
                return;
            }
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
        if ((used_ + 1) * 2 > slots_.size()) Rebuild(live_ + 1);
        Place({hash, object});
    }
    // Under its key now; nothing when absent.
    void Erase(const T* object) {
        if (slots_.empty()) return;
        const size_t hash = Traits::Hash(Traits::Key(*object)), mask = slots_.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& s = slots_[i];
            if (s.object == object) {
                s = {kErased, nullptr};
                --live_;
                return;
            }
            if (s.object == nullptr && s.hash != kErased) return;
        }
    }
    // Room for expected entries in all, made now.
    void Reserve(size_t expected) {
        if (expected * 2 > slots_.size()) Rebuild(std::max(expected, live_));
    }
    void Clear() {
        slots_.clear();
        used_ = live_ = 0;
    }

private:
    struct Slot {
        size_t hash = 0;
        T* object = nullptr;  // null: empty, or erased when hash is kErased
    };
    static constexpr size_t kErased = ~size_t{0};

    void Rebuild(size_t expected) {
        const size_t size = OpenTableSize(expected);
        std::vector<Slot> fresh;
        ReserveLarge(fresh, size);
        PopulatePages(fresh.data(), size * sizeof(Slot));
        fresh.resize(size);
        std::vector<Slot> old = std::exchange(slots_, std::move(fresh));
        used_ = live_ = 0;
        for (const Slot& s : old)
            if (s.object != nullptr) Place(s);
    }
    // Into the first free slot along its probe: an empty one, or one an erase left.
    void Place(const Slot& entry) {
        const size_t mask = slots_.size() - 1;
        size_t i = entry.hash & mask;
        while (slots_[i].object != nullptr) i = (i + 1) & mask;
        if (slots_[i].hash != kErased) ++used_;
        slots_[i] = entry;
        ++live_;
    }

    std::vector<Slot> slots_;  // a power of two, at most half of them in use
    size_t used_ = 0;          // live and erased slots
    size_t live_ = 0;
};

}  // namespace vcl
