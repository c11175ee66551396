#include "host/vcl/StoredValues.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "host/vcl/Varint.h"

namespace vcl {

namespace {

// What follows an entry's descriptor: a kind byte, then the value. Integers are zigzag
// varints, texts a varint length and their bytes, a set its count and texts, a reference its
// name and then its target's address.
enum Kind : uint8_t { kNone, kInteger, kFloat, kString, kIdent, kSet, kReference };

// Up to this many values are read in turn rather than hashed.
constexpr uint32_t kIndexFrom = 8;

std::string GetText(const char*& p) {
    const size_t size = GetVarint(p);
    std::string text(p, size);
    p += size;
    return text;
}

void SkipText(const char*& p) { p += GetVarint(p); }

template <class T>
T GetRaw(const char*& p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    p += sizeof value;
    return value;
}

// The kind byte and the value, as an entry holds them after its descriptor, given to out:
// a counter first, for the room, then a writer into the entry itself, so that a value goes
// into its block without a buffer of its own on the way.
template <class Out>
void Encode(Out& out, const TValue& value) {
    const auto text = [&out](std::string_view t) {
        out.Varint(t.size());
        out.Bytes(t.data(), t.size());
    };
    if (const auto* i = std::get_if<int64_t>(&value)) {
        out.Byte(kInteger);
        out.Varint((uint64_t(*i) << 1) ^ uint64_t(*i >> 63));
    } else if (const auto* d = std::get_if<double>(&value)) {
        out.Byte(kFloat);
        out.Bytes(d, sizeof *d);
    } else if (const auto* s = std::get_if<std::string>(&value)) {
        out.Byte(kString);
        text(*s);
    } else if (const auto* id = std::get_if<TIdent>(&value)) {
        out.Byte(kIdent);
        text(id->name);
    } else if (const auto* set = std::get_if<TSetValue>(&value)) {
        out.Byte(kSet);
        out.Varint(set->elements.size());
        for (const std::string& e : set->elements) text(e);
    } else if (const auto* r = std::get_if<TReference>(&value)) {
        out.Byte(kReference);
        text(r->name);
        out.Bytes(&r->target, sizeof r->target);
    } else {
        out.Byte(kNone);
    }
}

struct EncodedSize {
    size_t bytes = 0;
    void Byte(uint8_t) { ++bytes; }
    void Varint(uint64_t v) { bytes += VarintBytes(v); }
    void Bytes(const void*, size_t n) { bytes += n; }
};

struct EncodedAt {
    char* at;
    void Byte(uint8_t b) { *at++ = char(b); }
    void Varint(uint64_t v) { at = PutVarint(at, v); }
    void Bytes(const void* p, size_t n) {
        std::memcpy(at, p, n);
        at += n;
    }
};

size_t SizeOf(const TValue& value) {
    EncodedSize size;
    Encode(size, value);
    return size.bytes;
}

void EncodeAt(char* at, const TValue& value) {
    EncodedAt out{at};
    Encode(out, value);
}

const char* SkipValue(const char* p) {
    switch (Kind(*p++)) {
    case kNone: break;
    case kInteger: GetVarint(p); break;
    case kFloat: p += sizeof(double); break;
    case kString:
    case kIdent: SkipText(p); break;
    case kSet:
        for (uint64_t n = GetVarint(p); n > 0; --n) SkipText(p);
        break;
    case kReference:
        SkipText(p);
        p += sizeof(TComponent*);
        break;
    }
    return p;
}

uint32_t NameHash(std::string_view name) { return uint32_t(CaseInsensitiveHash{}(name)); }

}  // namespace

void TStoredValues::Place(IndexPlace index, uint32_t hash, uint32_t at) {
    uint32_t i = hash & (index.size - 1);
    while (index.table[i].place != 0) i = (i + 1) & (index.size - 1);
    index.table[i] = {hash, at + 1};
}

TStoredValues::IndexPlace TStoredValues::Block::Index() const {
    IndexPlace index{nullptr, 0};
    if (indexed) std::memcpy(&index, this + 1, sizeof index);
    return index;
}

void TStoredValues::Block::SetIndex(IndexPlace index) { std::memcpy(this + 1, &index, sizeof index); }

TStoredValues::~TStoredValues() {
    if (block_ == nullptr) return;
    delete[] block_->Index().table;
    std::free(block_);
}

const TPropInfo* TStoredValues::PropAt(size_t at) const {
    const char* p = block_->Entries() + at;
    return GetRaw<const TPropInfo*>(p);
}

size_t TStoredValues::Next(size_t at) const {
    const char* entry = block_->Entries() + at;
    return at + size_t(SkipValue(entry + sizeof(const TPropInfo*)) - entry);
}

TValue TStoredValues::Decode(size_t at) const {
    const char* p = block_->Entries() + at + sizeof(const TPropInfo*);
    switch (Kind(*p++)) {
    case kNone: return {};
    case kInteger: {
        const uint64_t z = GetVarint(p);
        return int64_t(z >> 1) ^ -int64_t(z & 1);
    }
    case kFloat: return GetRaw<double>(p);
    case kString: return GetText(p);
    case kIdent: return TIdent{GetText(p)};
    case kSet: {
        TSetValue set;
        const uint64_t n = GetVarint(p);
        set.elements.reserve(n);
        for (uint64_t i = 0; i < n; ++i) set.elements.push_back(GetText(p));
        return set;
    }
    case kReference: {
        TReference r;
        r.name = GetText(p);
        r.target = GetRaw<TComponent*>(p);
        return r;
    }
    }
    return {};
}

size_t TStoredValues::Find(const TPropInfo& prop, std::optional<uint32_t> knownHash) const {
    if (block_ == nullptr) return 0;
    const auto same = [&](size_t at) {
        const TPropInfo* kept = PropAt(at);
        return kept == &prop || SameText(kept->Name, prop.Name);
    };
    if (const IndexPlace index = block_->Index(); index.table != nullptr) {
        const uint32_t hash = knownHash ? *knownHash : NameHash(prop.Name);
        const uint32_t mask = index.size - 1;
        for (uint32_t i = hash & mask; index.table[i].place != 0; i = (i + 1) & mask)
            if (index.table[i].hash == hash && same(index.table[i].place - 1)) return index.table[i].place - 1;
        return block_->used;
    }
    for (size_t at = 0; at < block_->used; at = Next(at))
        if (same(at)) return at;
    return block_->used;
}

bool TStoredValues::Read(const TPropInfo& prop, TValue& out) const {
    const size_t at = Find(prop);
    if (block_ == nullptr || at == block_->used) return false;
    out = Decode(at);
    return true;
}

void TStoredValues::Room(size_t bytes) {
    const size_t used = block_ == nullptr ? 0 : block_->used;
    if (block_ != nullptr && used + bytes <= block_->capacity) return;
    if (used + bytes > UINT32_MAX / 2) throw EPropertyError("An object keeps too many property values");
    // Half as much again: most objects write their few values once, as a file is read.
    const size_t capacity = block_ == nullptr ? bytes : std::max(used + bytes, size_t(block_->capacity) * 3 / 2);
    const size_t prefix = block_ != nullptr && block_->indexed ? sizeof(IndexPlace) : 0;
    auto* grown = static_cast<Block*>(std::realloc(block_, sizeof(Block) + prefix + capacity));
    if (grown == nullptr) throw std::bad_alloc();
    if (block_ == nullptr) *grown = Block{0, 0, 0, 0};
    block_ = grown;
    block_->capacity = uint32_t(capacity);
}

void TStoredValues::Index(size_t expected, bool moved) {
    IndexPlace index = block_->Index();
    const size_t size = OpenTableSize(std::max<size_t>(expected, block_->count));
    auto* fresh = new Slot[size]();
    if (!block_->indexed) {
        // Room for where the index is, ahead of the entries.
        auto* grown = static_cast<Block*>(std::realloc(block_, sizeof(Block) + sizeof(IndexPlace) + block_->capacity));
        if (grown == nullptr) {
            delete[] fresh;
            throw std::bad_alloc();
        }
        block_ = grown;
        std::memmove(reinterpret_cast<char*>(block_ + 1) + sizeof(IndexPlace), block_ + 1, block_->used);
        block_->indexed = 1;
    }
    const IndexPlace old = index;
    index = {fresh, uint32_t(size)};
    block_->SetIndex(index);
    // Entries that kept their places keep their hashes: only moved ones are hashed again.
    if (old.table != nullptr && !moved) {
        for (uint32_t i = 0; i < old.size; ++i)
            if (old.table[i].place != 0) Place(index, old.table[i].hash, old.table[i].place - 1);
    } else {
        for (size_t at = 0; at < block_->used; at = Next(at)) Place(index, NameHash(PropAt(at)->Name), uint32_t(at));
    }
    delete[] old.table;
}

void TStoredValues::Reserve(size_t count) {
    if (count <= kIndexFrom || (block_ != nullptr && OpenTableSize(count) <= block_->Index().size)) return;
    Room(0);
    Index(count);
}

void TStoredValues::Write(const TPropInfo& prop, const TValue& value) {
    const size_t encoded = SizeOf(value);
    // Hashed once for the look and the place, when there is an index to use it.
    const std::optional<uint32_t> hash =
        block_ != nullptr && block_->indexed ? std::optional<uint32_t>(NameHash(prop.Name)) : std::nullopt;
    const size_t at = Find(prop, hash);
    if (block_ != nullptr && at < block_->used) {
        // In its place, keeping the descriptor it was first written with.
        const size_t from = at + sizeof(const TPropInfo*);
        const size_t old = Next(at) - from;
        if (encoded > old) Room(encoded - old);
        char* entries = block_->Entries();
        std::memmove(entries + from + encoded, entries + from + old, block_->used - from - old);
        EncodeAt(entries + from, value);
        block_->used = uint32_t(block_->used - old + encoded);
        if (block_->indexed && encoded != old) Index(block_->Index().size / 2, true);  // the later entries moved
        return;
    }
    const TPropInfo* const descriptor = &prop;
    Room(sizeof descriptor + encoded);
    char* entry = block_->Entries() + block_->used;
    std::memcpy(entry, &descriptor, sizeof descriptor);
    EncodeAt(entry + sizeof descriptor, value);
    const uint32_t place = block_->used;
    block_->used = uint32_t(block_->used + sizeof descriptor + encoded);
    ++block_->count;
    const IndexPlace index = block_->Index();
    if (index.table == nullptr) {
        if (block_->count > kIndexFrom) Index(block_->count);
        return;
    }
    // Placed before the index grows, which takes every entry from the one it replaces.
    Place(index, hash ? *hash : NameHash(prop.Name), place);
    if (block_->count * 4 > index.size * 3) Index(block_->count);
}

const TPropInfo* TStoredValues::NextReferenceTo(const TComponent* target, size_t& at) const {
    for (; block_ != nullptr && at < block_->used; at = Next(at)) {
        const char* p = block_->Entries() + at + sizeof(const TPropInfo*);
        if (Kind(*p++) != kReference) continue;
        SkipText(p);
        if (GetRaw<const TComponent*>(p) == target) return PropAt(at);
    }
    return nullptr;
}

bool TStoredValues::RefersTo(const TComponent* target) const {
    size_t at = 0;
    return NextReferenceTo(target, at) != nullptr;
}

void TStoredValues::ClearReferencesTo(const TComponent* target) {
    // A cleared reference is no longer to target, and keeps its place: the search goes on
    // from it.
    size_t at = 0;
    while (const TPropInfo* prop = NextReferenceTo(target, at)) Write(*prop, TReference{});
}

}  // namespace vcl
