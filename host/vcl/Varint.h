// Unsigned numbers in seven bits a byte, low bits first, every byte but the last above 127: a
// length or a small number takes one byte, as the grid's cell texts and an object's packed
// property values keep theirs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vcl {

inline size_t VarintBytes(uint64_t v) {
    size_t bytes = 1;
    for (; v >= 0x80; v >>= 7) ++bytes;
    return bytes;
}

// Writes VarintBytes(v) bytes at at; returns where they end.
inline char* PutVarint(char* at, uint64_t v) {
    for (; v >= 0x80; v >>= 7) *at++ = char(0x80 | (v & 0x7F));
    *at++ = char(v);
    return at;
}

inline void AppendVarint(std::string& out, uint64_t v) {
    char bytes[10];
    out.append(bytes, size_t(PutVarint(bytes, v) - bytes));
}

// Reads one from p, leaving p after it.
inline uint64_t GetVarint(const char*& p) {
    uint64_t v = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*p++);
        v |= uint64_t(byte & 0x7F) << shift;
        if (byte < 0x80) return v;
    }
}

}  // namespace vcl
