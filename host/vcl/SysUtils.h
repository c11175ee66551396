// Run-time library of the host: exceptions and the text conversions the tools rely on.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace vcl {

// Every error the host raises derives from Exception; ClassName() is what a user is shown.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    virtual const char* ClassName() const noexcept { return "Exception"; }
    std::string Message() const { return what(); }
};

#define TAVRIN_EXCEPTION(Name, Base)                                         \
    class Name : public Base {                                               \
    public:                                                                  \
        using Base::Base;                                                    \
        const char* ClassName() const noexcept override { return #Name; }    \
    }

TAVRIN_EXCEPTION(EComponentError, Exception);
TAVRIN_EXCEPTION(EConvertError, Exception);
TAVRIN_EXCEPTION(ERangeError, Exception);
TAVRIN_EXCEPTION(EListError, Exception);
TAVRIN_EXCEPTION(EInvalidCast, Exception);
TAVRIN_EXCEPTION(EIntOverflow, Exception);
TAVRIN_EXCEPTION(EZeroDivide, Exception);
TAVRIN_EXCEPTION(EInOutError, Exception);
TAVRIN_EXCEPTION(EDatabaseError, Exception);
TAVRIN_EXCEPTION(EDBEngineError, EDatabaseError);
TAVRIN_EXCEPTION(EPropertyError, Exception);
TAVRIN_EXCEPTION(EClassNotFound, Exception);
TAVRIN_EXCEPTION(EInvalidGraphic, Exception);

// A malformed form file: where it went wrong, and why, in words a person understands.
class EParserError : public Exception {
public:
    EParserError(const std::string& file, int line, int column, const std::string& reason);
    const char* ClassName() const noexcept override { return "EParserError"; }
    const std::string& File() const { return file_; }
    int Line() const { return line_; }
    int Column() const { return column_; }
    const std::string& Reason() const { return reason_; }

private:
    std::string file_;
    int line_;
    int column_;
    std::string reason_;
};

// A letter or underscore, then letters, digits or underscores; not empty. A letter is an
// ASCII letter or any well-formed UTF-8 sequence of two to four bytes (newer compilers accept
// names in other scripts; which code points are letters is not checked). Malformed UTF-8
// (stray continuation bytes, overlong forms, surrogates, 8-bit code page bytes) is refused.
bool IsValidIdent(std::string_view s);
// The names a compiler of this form dialect takes: ASCII letters, digits and underscores,
// not starting with a digit; not empty. The names new components and renames get.
bool IsAsciiIdent(std::string_view s);
// The length of the well-formed UTF-8 sequence of two to four bytes at s[i], or 0 (an ASCII
// byte, a stray or overlong byte, a surrogate, a code page byte, a cut-off sequence).
size_t Utf8SequenceAt(std::string_view s, size_t i);

// Text fit for a message on a terminal: control bytes and bytes that are not valid UTF-8
// appear as \xNN escapes, so a name read from a damaged file cannot garble the output.
std::string PrintableText(std::string_view s);

std::string LowerCase(std::string_view s);
std::string UpperCase(std::string_view s);
namespace detail {
bool SameTextOfOneLength(std::string_view a, std::string_view b);
}
// ASCII case ignored. The lengths are compared inline: most names that differ differ in length,
// and a class's ancestors and a rule's class names are compared by the thousand.
inline bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && detail::SameTextOfOneLength(a, b);
}

namespace detail {
// Up to eight bytes of s from at as one word, the bytes beyond n zero. Read in one or two loads
// that may overlap, in registers: a short word put together in memory and read back whole waits
// for its pieces to be stored (store forwarding fails), at every comparison.
template <size_t n>
inline uint64_t WordAt(const char* s, size_t at) {
    const char* const p = s + at;
    if constexpr (std::endian::native != std::endian::little || n == 8 || n == 1) {
        uint64_t w = 0;
        std::memcpy(&w, p, n);
        return w;
    } else {
        using Half = std::conditional_t<(n >= 4), uint32_t, uint16_t>;
        Half low, high;  // the first and the last bytes; those between are in both, alike
        std::memcpy(&low, p, sizeof(Half));
        std::memcpy(&high, p + n - sizeof(Half), sizeof(Half));
        return uint64_t(low) | uint64_t(high) << (8 * (n - sizeof(Half)));
    }
}
// The same word of a literal, made of its characters so that it folds into a constant.
template <size_t... i>
constexpr uint64_t LiteralWord(const char* p, std::index_sequence<i...>) {
    if constexpr (std::endian::native == std::endian::little) {
        return (uint64_t{0} | ... | (uint64_t(static_cast<unsigned char>(p[i])) << (8 * i)));
    } else {
        return (uint64_t{0} | ... | (uint64_t(static_cast<unsigned char>(p[i])) << (8 * (7 - i))));
    }
}
template <size_t n>
constexpr uint64_t LiteralWordAt(const char* s, size_t at) {
    return LiteralWord(s + at, std::make_index_sequence<n>());
}
template <size_t N, size_t at>
inline bool LowerWordsMatch(const char* name, const char* lower) {
    if constexpr (at >= N) {
        return true;
    } else {
        constexpr size_t n = N - at < 8 ? N - at : 8;
        // Each letter made small by its 0x20 bit at once: exact for a literal of small letters
        // and digits, which are all a name a class gives meaning to holds.
        constexpr uint64_t caseBits = 0x2020202020202020ull >> (8 * (8 - n));
        return (WordAt<n>(name, at) | caseBits) == LiteralWordAt<n>(lower, at) && LowerWordsMatch<N, at + 8>(name, lower);
    }
}
}  // namespace detail
// A name against one spelt in small letters and digits (a property a class gives meaning to),
// ASCII case ignored: inline and a word at a time, since a class is asked about every property
// written or read and most names differ in length.
template <size_t N>
inline bool NameIs(std::string_view name, const char (&lower)[N]) {
    return name.size() == N - 1 && detail::LowerWordsMatch<N - 1, 0>(name.data(), lower);
}

std::string IntToStr(int64_t value);
// Decimal (or $hex) text with optional sign and surrounding blanks; anything else raises
// EConvertError "'TEXT' is not a valid integer value". Values beyond 32 bits raise it too.
int32_t StrToInt(std::string_view s);
int64_t StrToInt64(std::string_view s);

// The decimal separator of the user's locale (LC_ALL, LC_NUMERIC, LANG), read once; "." when
// the locale is not installed. Settable, as a program sets its format settings.
const std::string& DecimalSeparator();
void SetDecimalSeparator(const std::string& separator);

// A string hash that looks up by string_view without making a string.
struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

// Hash and equality that ignore ASCII case, for name indexes.
// Transparent, so that lookups by string_view need no temporary string.
// The hash is not noexcept on purpose: libstdc++ then keeps each key's hash in its node
// instead of hashing the next key again at every step along a bucket.
struct CaseInsensitiveHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const;
};
struct CaseInsensitiveEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept { return SameText(a, b); }
};

}  // namespace vcl
