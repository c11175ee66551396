#include "host/vcl/SysUtils.h"

#include <algorithm>
#include <cstring>
#include <cctype>
#include <charconv>
#include <limits>

#include <langinfo.h>
#include <locale.h>

namespace vcl {

EParserError::EParserError(const std::string& file, int line, int column, const std::string& reason)
    : Exception(file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + reason),
      file_(file), line_(line), column_(column), reason_(reason) {}

static bool IsIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsValidIdent(std::string_view s) {
    if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
    for (size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (IsIdentStart(c) || (c >= '0' && c <= '9')) {
            ++i;
        } else if (const size_t n = static_cast<unsigned char>(c) >= 0x80 ? Utf8SequenceAt(s, i) : 0; n > 0) {
            i += n;  // a letter of another script, as newer compilers allow in names
        } else {
            return false;
        }
    }
    return true;
}

bool IsAsciiIdent(std::string_view s) {
    if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
    return std::all_of(s.begin(), s.end(), [](char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); });
}

size_t Utf8SequenceAt(std::string_view s, size_t i) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = b(i);
    const size_t n = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (n == 0 || lead > 0xF4 || i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((b(i + k) & 0xC0) != 0x80) return 0;
    // Overlong forms, surrogates and values beyond U+10FFFF.
    if ((lead == 0xE0 && b(i + 1) < 0xA0) || (lead == 0xED && b(i + 1) > 0x9F) ||
        (lead == 0xF0 && b(i + 1) < 0x90) || (lead == 0xF4 && b(i + 1) > 0x8F))
        return 0;
    return n;
}

std::string PrintableText(std::string_view s) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += char(c);
            ++i;
        } else if (const size_t n = c >= 0x80 ? Utf8SequenceAt(s, i) : 0; n > 0) {
            out.append(s.substr(i, n));
            i += n;
        } else {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
            ++i;
        }
    }
    return out;
}

static char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
static char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

std::string LowerCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = AsciiLower(c);
    return r;
}

std::string UpperCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = AsciiUpper(c);
    return r;
}

bool detail::SameTextOfOneLength(std::string_view a, std::string_view b) {
    if (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0) return true;  // names are mostly spelt alike
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

// The eight bytes of x with each ASCII capital made small, all at once.
static uint64_t AsciiLower8(uint64_t x) {
    constexpr uint64_t ones = 0x0101010101010101ull, high = 0x8080808080808080ull;
    const uint64_t low7 = x & ~high;
    const uint64_t atLeastA = low7 + (0x80 - 'A') * ones;  // a byte's top bit: at least 'A'
    const uint64_t aboveZ = low7 + (0x7F - 'Z') * ones;    // a byte's top bit: beyond 'Z'
    const uint64_t capital = atLeastA & ~aboveZ & ~x & high;
    return x | (capital >> 2);  // 0x80 >> 2 is the 0x20 between a capital and its small letter
}

// Eight bytes a step: a name is hashed for every property a form stores and every lookup
// of one, and a byte at a time that was a twentieth of checking a form.
size_t CaseInsensitiveHash::operator()(std::string_view s) const {
    constexpr uint64_t k = 0x9E3779B97F4A7C15ull;
    uint64_t h = s.size() * k;
    size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        h = (h ^ AsciiLower8(word)) * k;
        h ^= h >> 32;
    }
    if (const size_t left = s.size() - i; left > 0) {
        // The last bytes, read as two halves that may overlap (each byte lands where it belongs).
        const char* at = s.data() + i;
        uint64_t word = 0;
        if (left >= 4) {
            uint32_t first, last;
            std::memcpy(&first, at, 4);
            std::memcpy(&last, at + left - 4, 4);
            word = first | uint64_t(last) << (8 * (left - 4));
        } else if (left >= 2) {
            uint16_t first, last;
            std::memcpy(&first, at, 2);
            std::memcpy(&last, at + left - 2, 2);
            word = first | uint64_t(last) << (8 * (left - 2));
        } else {
            word = static_cast<unsigned char>(at[0]);
        }
        h = (h ^ AsciiLower8(word)) * k;
        h ^= h >> 32;
    }
    // Every bit of the key reaches the low bits the buckets are chosen by.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

static EConvertError NotAnInteger(std::string_view s) {
    return EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

int64_t StrToInt64(std::string_view s) {
    std::string_view t = s;
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    bool negative = false;
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (!t.empty() && t.front() == '$') {
        base = 16;
        t.remove_prefix(1);
    } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    }
    if (t.empty()) throw NotAnInteger(s);
    uint64_t magnitude = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), magnitude, base);
    if (ec != std::errc() || end != t.data() + t.size()) throw NotAnInteger(s);
    const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                    : uint64_t(std::numeric_limits<int64_t>::max());
    if (magnitude > limit) throw NotAnInteger(s);
    return negative ? int64_t(0 - magnitude) : int64_t(magnitude);
}

int32_t StrToInt(std::string_view s) {
    const int64_t v = StrToInt64(s);
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        throw NotAnInteger(s);
    return int32_t(v);
}

static std::string& Separator() {
    static std::string separator = [] {
        std::string text = ".";
        if (locale_t user = newlocale(LC_NUMERIC_MASK, "", locale_t(0)); user != locale_t(0)) {
            if (const char* radix = nl_langinfo_l(RADIXCHAR, user); radix != nullptr && *radix != '\0') text = radix;
            freelocale(user);
        }
        return text;
    }();
    return separator;
}

const std::string& DecimalSeparator() { return Separator(); }

void SetDecimalSeparator(const std::string& separator) { Separator() = separator.empty() ? "." : separator; }

}  // namespace vcl
