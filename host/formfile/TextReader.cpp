// Reader of text form files: one pass over the bytes, nodes keep offsets into them.
#include "host/formfile/FormFileData.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace formfile::detail {

VaType SmallestIntType(int64_t v) {
    if (v >= -128 && v <= 127) return VaType::Int8;
    if (v >= -32768 && v <= 32767) return VaType::Int16;
    if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
        return VaType::Int32;
    return VaType::Int64;
}

namespace {

bool SameWord(std::string_view a, std::string_view lower) {
    if (a.size() != lower.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return true;
}

constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr int HexDigit(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Scanning words and blanks is most of reading: what each byte is, looked up. Made when
// compiled, so that it is ready for any caller however early.
struct ByteClasses {
    bool identStart[256] = {};
    bool identChar[256] = {};
    bool blank[256] = {};
    bool hex[256] = {};
    bool quoted[256] = {};  // inside a quoted run: all but the quote and line ends
    constexpr ByteClasses() {
        for (int c = 0; c < 256; ++c) {
            // Bytes above 0x7F count as letters so that forms with non-ASCII component names still read.
            const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
            identStart[c] = letter;
            identChar[c] = letter || IsDigit(static_cast<unsigned char>(c));
            blank[c] = c == ' ' || c == '\t' || c == '\r' || c == '\n';
            hex[c] = HexDigit(static_cast<unsigned char>(c)) >= 0;
            quoted[c] = c != '\'' && c != '\r' && c != '\n';
        }
    }
};
constexpr ByteClasses kBytes;

// How many bytes of one class start at p: sixteen at a time where the processor can (inRun
// marks the bytes of a block that belong), then byte by byte from the table. Scanning runs of
// blanks, name bytes and quoted text is most of reading.
template <typename InRun>
size_t Run(const char* p, const char* end, [[maybe_unused]] InRun inRun, const bool (&table)[256]) {
    const char* q = p;
#ifdef __SSE2__
    for (; end - q >= 16; q += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        if (const unsigned out = ~unsigned(_mm_movemask_epi8(inRun(v))) & 0xFFFFu)
            return size_t(q - p) + size_t(std::countr_zero(out));
    }
#endif
    while (q < end && table[static_cast<unsigned char>(*q)]) ++q;
    return size_t(q - p);
}

#ifdef __SSE2__
__m128i Is(__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); }
__m128i Between(__m128i v, char lo, char hi) {  // lo <= byte <= hi, both below 0x80
    return _mm_andnot_si128(_mm_cmplt_epi8(v, _mm_set1_epi8(lo)), _mm_cmplt_epi8(v, _mm_set1_epi8(char(hi + 1))));
}
#endif

// A nested form's indents are most of its bytes.
size_t BlankRun(const char* p, const char* end) {
    return Run(p, end, [](auto v) {
#ifdef __SSE2__
        return _mm_or_si128(_mm_or_si128(Is(v, ' '), Is(v, '\n')), _mm_or_si128(Is(v, '\r'), Is(v, '\t')));
#endif
    }, kBytes.blank);
}

// Letters, digits, '_' and bytes above 0x7F: a word is most often read in one step.
size_t WordRun(const char* p, const char* end) {
    return Run(p, end, [](auto v) {
#ifdef __SSE2__
        const __m128i lower = _mm_or_si128(v, _mm_set1_epi8(0x20));  // 'A'..'Z' as 'a'..'z'
        const __m128i high = _mm_cmplt_epi8(v, _mm_setzero_si128());  // above 0x7F: signed negative
        return _mm_or_si128(_mm_or_si128(Between(lower, 'a', 'z'), Between(v, '0', '9')), _mm_or_si128(Is(v, '_'), high));
#endif
    }, kBytes.identChar);
}

// The text of a quoted run up to its closing quote or the line's end.
size_t QuotedRun(const char* p, const char* end) {
    return Run(p, end, [](auto v) {
#ifdef __SSE2__
        return _mm_xor_si128(_mm_or_si128(Is(v, '\''), _mm_or_si128(Is(v, '\r'), Is(v, '\n'))), _mm_set1_epi8(-1));
#endif
    }, kBytes.quoted);
}

// Whether the eight bytes at p are all hexadecimal digits, judged at once: the digits of
// pictures are most of the bytes of many forms.
bool EightHexDigits(const char* p) {
    uint64_t x;
    std::memcpy(&x, p, 8);
    constexpr uint64_t ones = 0x0101010101010101ull, high = 0x8080808080808080ull;
    if ((x & high) != 0) return false;  // below, no byte carries into the next
    auto between = [&](uint64_t v, uint8_t lo, uint8_t hi) {  // each byte's top bit: lo <= byte <= hi
        return (v + (0x80 - lo) * ones) & ~(v + (0x80 - (hi + 1)) * ones) & high;
    };
    const uint64_t small = x | (0x20 * ones);  // 'A'..'F' as 'a'..'f'; digits stay
    return (between(x, '0', '9') | between(small, 'a', 'f')) == high;
}

}  // namespace

bool IsIdentStart(unsigned char c) { return kBytes.identStart[c]; }
bool IsIdentChar(unsigned char c) { return kBytes.identChar[c]; }

bool IsDottedIdent(std::string_view s) {
    bool start = true;
    for (unsigned char c : s) {
        if (start) {
            if (!kBytes.identStart[c]) return false;
            start = false;
        } else if (c == '.') {
            start = true;
        } else if (!kBytes.identChar[c]) {
            return false;
        }
    }
    return !start;
}

namespace {

class TextReader : private ReaderBase {
public:
    TextReader(DocData& d, uint8_t store, uint32_t begin, uint32_t end) : ReaderBase(d, store, begin, end) {}

    void ReadDocument() {
        if (end_ >= 2 && ((At(0) == 0xFF && At(1) == 0xFE) || (At(0) == 0xFE && At(1) == 0xFF)))
            Fail(0, "UTF-16 text form files are not supported; save the form as UTF-8 or ANSI");
        if (end_ >= 3 && At(0) == 0xEF && At(1) == 0xBB && At(2) == 0xBF) pos_ = 3;
        SkipBlanks();
        uint32_t root = ReadObject(kNone, 0);
        (void)root;
        SkipBlanks();
        if (pos_ < end_) Fail(pos_, "unexpected text after the final 'end'");
    }

    uint32_t ReadLoneValue() {
        SkipBlanks();
        uint32_t v = ReadValue(1);
        SkipBlanks();
        if (pos_ < end_) Fail(pos_, "unexpected text after the value");
        return v;
    }

    // An object's properties, read again from its header's end to where they end.
    Range ReadPropertyList(size_t most, uint32_t& next) {
        const size_t base = scratch_.size();
        for (SkipBlanks(); pos_ < end_ && scratch_.size() - base < most; SkipBlanks())
            scratch_.push_back(ReadProperty(0, "a property name"));
        next = pos_;
        return Commit(base);
    }

private:
    int Peek() const { return pos_ < end_ ? At(pos_) : -1; }
    int PeekAt(uint32_t i) const { return i < end_ ? At(i) : -1; }

    void SkipBlanks() { pos_ += static_cast<uint32_t>(BlankRun(buf_.data() + pos_, buf_.data() + end_)); }

    std::string_view Slice(uint32_t from, uint32_t to) const {
        return std::string_view(buf_).substr(from, to - from);
    }

    // A word at the cursor without consuming it; empty when none starts here.
    std::string_view PeekWord() const {
        if (pos_ >= end_ || !kBytes.identStart[At(pos_)]) return {};
        const char* const at = buf_.data() + pos_;
        return std::string_view(at, WordRun(at, buf_.data() + end_));
    }

    std::string_view ReadWord() {
        std::string_view w = PeekWord();
        pos_ += static_cast<uint32_t>(w.size());
        return w;
    }

    static std::string Shown(std::string_view s) {
        if (s.size() > 40) return std::string(s.substr(0, 40)) + "...";
        return std::string(s);
    }

    std::string Found() const {
        if (pos_ >= end_) return "the end of the file";
        std::string_view w = PeekWord();
        if (!w.empty()) return std::string("'") + Shown(w) + "'";
        unsigned char c = At(pos_);
        if (c >= 0x20 && c < 0x7F) return std::string("'") + static_cast<char>(c) + "'";
        return std::string("byte ") + std::to_string(c);
    }

    static bool IsHeaderWord(std::string_view w) {
        return SameWord(w, "object") || SameWord(w, "inherited") || SameWord(w, "inline");
    }

    uint16_t CheckedLen(uint32_t from, uint32_t to) const {
        if (to - from > 0xFFFF) Fail(from, "name is longer than 65535 bytes");
        return static_cast<uint16_t>(to - from);
    }

    int32_t ReadOrder() {
        // "[n]" after a class name or 'item'.
        ++pos_;
        SkipBlanks();
        uint32_t start = pos_;
        bool neg = Peek() == '-';
        if (neg) ++pos_;
        if (!IsDigit(static_cast<unsigned char>(Peek())))
            Fail(pos_, std::string("expected a number inside '[ ]' but found ") + Found());
        int64_t v = 0;
        while (IsDigit(static_cast<unsigned char>(Peek()))) {
            v = v * 10 + (At(pos_) - '0');
            if (v > std::numeric_limits<int32_t>::max()) Fail(start, "order index is out of range");
            ++pos_;
        }
        SkipBlanks();
        if (Peek() != ']') Fail(pos_, std::string("expected ']' after the order index but found ") + Found());
        ++pos_;
        return static_cast<int32_t>(neg ? -v : v);
    }

    uint32_t ReadObject(uint32_t parent, int depth) {
        if (depth > kMaxDepth) Fail(pos_, "objects are nested too deeply");
        ObjectNode o;
        o.off = pos_;
        o.parent = parent;
        std::string_view kw = ReadWord();
        if (SameWord(kw, "object")) {
            o.kind = ObjectKind::Object;
        } else if (SameWord(kw, "inherited")) {
            o.kind = ObjectKind::Inherited;
            o.flags |= ffInherited;
        } else if (SameWord(kw, "inline")) {
            o.kind = ObjectKind::Inline;
            o.flags |= ffInline;
        } else {
            pos_ = o.off;
            Fail(pos_, std::string("expected 'object', 'inherited' or 'inline' but found ") + Found());
        }
        SkipBlanks();
        uint32_t first = pos_;
        if (ReadWord().empty())
            Fail(pos_, std::string("expected a component name or class name after '") + std::string(kw) +
                           std::string("' but found ") + Found());
        uint32_t firstEnd = pos_;
        SkipBlanks();
        if (Peek() == ':') {
            ++pos_;
            SkipBlanks();
            o.nameOff = first;
            o.nameLen = CheckedLen(first, firstEnd);
            o.classOff = pos_;
            if (ReadWord().empty()) Fail(pos_, std::string("expected a class name after ':' but found ") + Found());
            o.classLen = CheckedLen(o.classOff, pos_);
        } else {
            o.nameOff = first;
            o.nameLen = 0;
            o.classOff = first;
            o.classLen = CheckedLen(first, firstEnd);
            pos_ = firstEnd;
        }
        uint32_t headerEnd = pos_;
        SkipBlanks();
        if (Peek() == '[') {
            o.order = ReadOrder();
            o.flags |= ffChildPos;
            o.orderVa = static_cast<uint8_t>(SmallestIntType(o.order));
            headerEnd = pos_;
        } else {
            pos_ = headerEnd;
        }
        o.headerEnd = headerEnd;
        uint32_t self = static_cast<uint32_t>(d_.objects.size());
        d_.objects.push_back(std::move(o));
        d_.KeepAhead();
        const NodeCounts before = d_.Counts();

        bool children = false, dropped = false;
        size_t base = scratch_.size();
        size_t childBase = 0;
        for (;;) {
            SkipBlanks();
            if (pos_ >= end_) {
                ObjectNode& me = d_.objects[self];
                std::string who = me.nameLen ? std::string(Slice(me.nameOff, me.nameOff + me.nameLen))
                                             : std::string(Slice(me.classOff, me.classOff + me.classLen));
                Fail(pos_, std::string("unexpected end of file: 'end' of object '") + Shown(who) + "' is missing");
            }
            std::string_view w = PeekWord();
            if (SameWord(w, "end")) break;
            if (IsHeaderWord(w)) {
                if (!children) {
                    ForgetProperties(self, before, base, dropped);
                    childBase = scratch_.size();
                    children = true;
                }
                uint32_t child = ReadObject(self, depth + 1);
                scratch_.push_back(child);
                continue;
            }
            if (children && !w.empty())
                Fail(pos_, std::string("property '") + Shown(w) + "' comes after a child object; properties must come first");
            // The name's first word is scanned already: most property names are one word.
            const uint32_t nameOff = pos_;
            if (w.empty()) Fail(pos_, std::string("expected a property name, 'object' or 'end' but found ") + Found());
            pos_ += static_cast<uint32_t>(w.size());
            scratch_.push_back(ReadPropertyAfterWord(depth, nameOff));
            HoldOneBatch(before, base, dropped);
        }
        if (children)
            d_.objects[self].children = Commit(childBase);
        else
            ForgetProperties(self, before, base, dropped);
        d_.objects[self].endOff = pos_;
        pos_ += 3;
        Ended(self);
        return self;
    }

    uint32_t ReadProperty(int depth, const char* expected) {
        const uint32_t nameOff = pos_;
        if (ReadWord().empty()) Fail(pos_, std::string("expected ") + expected + std::string(" but found ") + Found());
        return ReadPropertyAfterWord(depth, nameOff);
    }

    // The rest of a property whose name's first word ends at the cursor.
    uint32_t ReadPropertyAfterWord(int depth, uint32_t nameOff) {
        PropNode p;
        p.store = store_;
        p.nameOff = nameOff;
        while (Peek() == '.') {
            ++pos_;
            if (ReadWord().empty()) Fail(pos_, "expected a name after '.' in a property name");
        }
        p.nameLen = CheckedLen(p.nameOff, pos_);
        SkipBlanks();
        if (Peek() != '=')
            Fail(pos_, std::string("expected '=' after property name '") + Shown(Slice(p.nameOff, p.nameOff + p.nameLen)) +
                           std::string("' but found ") + Found());
        ++pos_;
        SkipBlanks();
        p.value = ReadValue(depth + 1);
        uint32_t idx = static_cast<uint32_t>(d_.props.size());
        d_.props.push_back(p);
        return idx;
    }

    uint32_t ReadValue(int depth) {
        if (depth > kMaxDepth) Fail(pos_, "values are nested too deeply");
        uint32_t start = pos_;
        int c = Peek();
        if (c == '\'' || c == '#') return ReadString();
        if ((c == '+' || c == '-') && Slice(pos_ + 1, std::min(pos_ + 4, end_)) == "Inf" &&
            !(PeekAt(pos_ + 4) >= 0 && IsIdentChar(static_cast<unsigned char>(PeekAt(pos_ + 4))))) {
            // How infinities are printed by the binary-to-text conversion.
            pos_ += 4;
            return NewValue(ValueKind::Float, VaType::Extended, start);
        }
        if (c == '-' || IsDigit(static_cast<unsigned char>(c))) return ReadNumber();
        if (c == '$') return ReadHex();
        if (c == '[') return ReadSet();
        if (c == '(') return ReadList(depth);
        if (c == '<') return ReadCollection(depth);
        if (c == '{') return ReadBinary();
        if (c >= 0 && IsIdentStart(static_cast<unsigned char>(c))) {
            std::string_view w = ReadWord();
            bool dotted = false;
            while (Peek() == '.') {
                ++pos_;
                if (ReadWord().empty()) Fail(pos_, "expected a name after '.' in an identifier");
                dotted = true;
            }
            if (!dotted) {
                if (w == "Nan") return NewValue(ValueKind::Float, VaType::Extended, start);
                if (SameWord(w, "true")) return NewValue(ValueKind::Boolean, VaType::True, start);
                if (SameWord(w, "false")) return NewValue(ValueKind::Boolean, VaType::False, start);
                if (SameWord(w, "nil")) return NewValue(ValueKind::Nil, VaType::Nil, start);
            }
            return NewValue(ValueKind::Ident, VaType::Ident, start);
        }
        Fail(pos_, std::string("expected a property value but found ") + Found());
    }

    uint32_t ReadString() {
        uint32_t start = pos_;
        uint64_t units = 0;
        bool wide = false;
        for (;;) {
            for (;;) {
                int c = Peek();
                if (c == '\'') {
                    uint32_t quote = pos_++;
                    for (;;) {
                        const size_t run = QuotedRun(buf_.data() + pos_, buf_.data() + end_);
                        units += run;
                        pos_ += static_cast<uint32_t>(run);
                        int q = Peek();
                        if (q < 0 || q == '\r' || q == '\n') Fail(quote, "unterminated string");
                        ++pos_;
                        if (Peek() != '\'') break;
                        ++pos_;  // a quote doubled is one
                        ++units;
                    }
                } else if (c == '#') {
                    uint32_t hash = pos_++;
                    uint32_t code = 0;
                    bool hex = Peek() == '$';
                    if (hex) ++pos_;
                    uint32_t digits = pos_;
                    for (;;) {
                        int h = Peek();
                        int dv = hex ? HexDigit(static_cast<unsigned char>(h < 0 ? 0 : h))
                                     : (IsDigit(static_cast<unsigned char>(h < 0 ? 0 : h)) ? h - '0' : -1);
                        if (h < 0 || dv < 0) break;
                        code = code * (hex ? 16 : 10) + static_cast<uint32_t>(dv);
                        if (code > 0xFFFF) Fail(hash, "character code after '#' is above 65535");
                        ++pos_;
                    }
                    if (pos_ == digits) Fail(pos_, "expected a character code after '#'");
                    if (code > 127) wide = true;
                    ++units;
                } else {
                    break;
                }
            }
            uint32_t save = pos_;
            SkipBlanks();
            if (Peek() != '+') {
                pos_ = save;
                break;
            }
            ++pos_;
            SkipBlanks();
            if (Peek() != '\'' && Peek() != '#') Fail(pos_, std::string("expected a string after '+' but found ") + Found());
        }
        VaType va = wide ? VaType::WString : units > 255 ? VaType::LString : VaType::String;
        uint32_t v = NewValue(ValueKind::String, va, start);
        d_.values[v].wide = wide;
        d_.values[v].SetNum(static_cast<int64_t>(units));
        return v;
    }

    // Most numbers are small plain integers, read here in one pass; anything else (a float, a
    // suffix, more than 18 digits, a bad number) is left to ReadNumber from its start.
    uint32_t ReadPlainInteger() {
        const uint32_t start = pos_;
        uint32_t p = pos_;
        const bool neg = At(p) == '-';
        if (neg) ++p;
        const uint32_t digits = p;
        int64_t mag = 0;
        for (; p < end_ && p - digits < 18 && IsDigit(At(p)); ++p) mag = mag * 10 + (At(p) - '0');
        if (p == digits || (p < end_ && (kBytes.identChar[At(p)] || At(p) == '.'))) return kNone;
        pos_ = p;
        const int64_t v = neg ? -mag : mag;
        const uint32_t n = NewValue(ValueKind::Integer, SmallestIntType(v), start);
        d_.values[n].SetNum(v);
        return n;
    }

    uint32_t ReadNumber() {
        if (const uint32_t plain = ReadPlainInteger(); plain != kNone) return plain;
        uint32_t start = pos_;
        bool neg = Peek() == '-';
        if (neg) ++pos_;
        if (!IsDigit(static_cast<unsigned char>(Peek() < 0 ? 0 : Peek())))
            Fail(start, std::string("expected a number after '-' but found ") + Found());
        uint32_t digits = pos_;
        while (IsDigit(static_cast<unsigned char>(Peek() < 0 ? 0 : Peek()))) ++pos_;
        uint32_t digitsEnd = pos_;
        bool isFloat = false;
        VaType va = VaType::Extended;
        if (Peek() == '.') {
            isFloat = true;
            ++pos_;
            while (IsDigit(static_cast<unsigned char>(Peek() < 0 ? 0 : Peek()))) ++pos_;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            uint32_t e = pos_;
            ++pos_;
            if (Peek() == '+' || Peek() == '-') ++pos_;
            if (!IsDigit(static_cast<unsigned char>(Peek() < 0 ? 0 : Peek())))
                Fail(e, std::string("invalid number '") + Shown(Slice(start, pos_)) + "': the exponent has no digits");
            while (IsDigit(static_cast<unsigned char>(Peek() < 0 ? 0 : Peek()))) ++pos_;
            isFloat = true;
        }
        int s = Peek();
        if ((s == 's' || s == 'S' || s == 'c' || s == 'C' || s == 'd' || s == 'D') &&
            !(PeekAt(pos_ + 1) >= 0 && IsIdentChar(static_cast<unsigned char>(PeekAt(pos_ + 1))))) {
            // Delphi's suffixes for floats streamed as Single, Currency and TDateTime.
            va = (s == 's' || s == 'S') ? VaType::Single : (s == 'c' || s == 'C') ? VaType::Currency : VaType::Date;
            isFloat = true;
            ++pos_;
        }
        if (Peek() >= 0 && (IsIdentChar(static_cast<unsigned char>(Peek())) || Peek() == '.')) {
            while (Peek() >= 0 && (IsIdentChar(static_cast<unsigned char>(Peek())) || Peek() == '.')) ++pos_;
            Fail(start, std::string("invalid number '") + Shown(Slice(start, pos_)) + "'");
        }
        if (isFloat) return NewValue(ValueKind::Float, va, start);
        uint64_t mag = 0;
        for (uint32_t i = digits; i < digitsEnd; ++i) {
            uint64_t dv = At(i) - '0';
            if (mag > (std::numeric_limits<uint64_t>::max() - dv) / 10)
                Fail(start, std::string("integer '") + Shown(Slice(start, pos_)) + "' is out of range");
            mag = mag * 10 + dv;
        }
        if (neg && mag > (uint64_t{1} << 63))
            Fail(start, std::string("integer '") + Shown(Slice(start, pos_)) + "' is out of range");
        // Above the signed range a decimal number keeps its value as an unsigned 64-bit one.
        int64_t v = neg ? static_cast<int64_t>(0 - mag) : static_cast<int64_t>(mag);
        bool unsignedOnly = !neg && mag > static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
        uint32_t n = NewValue(ValueKind::Integer, unsignedOnly ? VaType::QWord : SmallestIntType(v), start);
        d_.values[n].SetNum(v);
        return n;
    }

    uint32_t ReadHex() {
        uint32_t start = pos_++;
        uint64_t v = 0;
        int n = 0;
        while (Peek() >= 0 && HexDigit(static_cast<unsigned char>(Peek())) >= 0) {
            if (++n > 16) Fail(start, "hexadecimal number is longer than 64 bits");
            v = v * 16 + static_cast<uint64_t>(HexDigit(At(pos_)));
            ++pos_;
        }
        if (n == 0) Fail(start, "expected hexadecimal digits after '$'");
        if (Peek() >= 0 && IsIdentChar(static_cast<unsigned char>(Peek()))) {
            while (Peek() >= 0 && IsIdentChar(static_cast<unsigned char>(Peek()))) ++pos_;
            Fail(start, std::string("invalid hexadecimal number '") + Shown(Slice(start, pos_)) + "'");
        }
        int64_t s = static_cast<int64_t>(v);
        uint32_t node = NewValue(ValueKind::Integer, SmallestIntType(s), start);
        d_.values[node].SetNum(s);
        return node;
    }

    uint32_t ReadSet() {
        uint32_t start = pos_++;
        size_t base = scratch_.size();
        SkipBlanks();
        if (Peek() == ']') {
            ++pos_;
        } else {
            for (;;) {
                uint32_t e = pos_;
                if (ReadWord().empty()) Fail(pos_, std::string("expected a name in the set but found ") + Found());
                scratch_.push_back(NewValue(ValueKind::Ident, VaType::Ident, e));
                SkipBlanks();
                if (Peek() == ',') {
                    ++pos_;
                    SkipBlanks();
                    continue;
                }
                if (Peek() == ']') {
                    ++pos_;
                    break;
                }
                Fail(pos_, std::string("expected ',' or ']' in the set but found ") + Found());
            }
        }
        uint32_t v = NewValue(ValueKind::Set, VaType::Set, start);
        CommitKids(v, base);
        return v;
    }

    uint32_t ReadList(int depth) {
        uint32_t start = pos_++;
        size_t base = scratch_.size();
        for (;;) {
            SkipBlanks();
            if (pos_ >= end_) Fail(start, "list is not closed: expected ')'");
            if (Peek() == ')') {
                ++pos_;
                break;
            }
            uint32_t item = ReadValue(depth + 1);
            scratch_.push_back(item);
        }
        uint32_t v = NewValue(ValueKind::List, VaType::List, start);
        CommitKids(v, base);
        return v;
    }

    uint32_t ReadCollection(int depth) {
        uint32_t start = pos_++;
        size_t base = scratch_.size();
        for (;;) {
            SkipBlanks();
            if (pos_ >= end_) Fail(start, "collection is not closed: expected '>'");
            if (Peek() == '>') {
                ++pos_;
                break;
            }
            std::string_view w = PeekWord();
            if (!SameWord(w, "item")) Fail(pos_, std::string("expected 'item' or '>' in the collection but found ") + Found());
            ItemNode it;
            it.off = pos_;
            it.store = store_;
            pos_ += 4;
            uint32_t save = pos_;
            SkipBlanks();
            if (Peek() == '[') {
                it.order = ReadOrder();
                it.hasOrder = 1;
                it.orderVa = static_cast<uint8_t>(SmallestIntType(it.order));
            } else {
                pos_ = save;
            }
            uint32_t self = static_cast<uint32_t>(d_.items.size());
            d_.items.push_back(it);
            size_t propBase = scratch_.size();
            for (;;) {
                SkipBlanks();
                if (pos_ >= end_) Fail(d_.items[self].off, "collection item is not closed: expected 'end'");
                if (SameWord(PeekWord(), "end")) break;
                uint32_t p = ReadProperty(depth, "a property name or 'end'");
                scratch_.push_back(p);
            }
            d_.items[self].props = Commit(propBase);
            d_.items[self].endOff = pos_;
            pos_ += 3;
            scratch_.push_back(self);
        }
        uint32_t v = NewValue(ValueKind::Collection, VaType::Collection, start);
        CommitKids(v, base);
        return v;
    }

    uint32_t ReadBinary() {
        uint32_t start = pos_++;
        uint64_t bytes = 0;
        for (;;) {
            SkipBlanks();
            // A line of digit pairs at a time; what ends it is judged below.
            uint32_t run = pos_;
            while (end_ - run >= 8 && EightHexDigits(buf_.data() + run)) run += 8;
            while (end_ - run >= 2 && kBytes.hex[At(run)] && kBytes.hex[At(run + 1)]) run += 2;
            if (run != pos_) {
                bytes += (run - pos_) / 2;
                pos_ = run;
                continue;
            }
            int c = Peek();
            if (c < 0) Fail(start, "binary data is not closed: expected '}'");
            if (c == '}') {
                ++pos_;
                break;
            }
            if (HexDigit(static_cast<unsigned char>(c)) < 0)
                Fail(pos_, std::string("expected hexadecimal digits or '}' in binary data but found ") + Found());
            int c2 = PeekAt(pos_ + 1);
            if (c2 < 0 || HexDigit(static_cast<unsigned char>(c2)) < 0)
                Fail(pos_, "binary data needs two hexadecimal digits for each byte");
            pos_ += 2;
            ++bytes;
        }
        uint32_t v = NewValue(ValueKind::Binary, VaType::Binary, start);
        d_.values[v].SetNum(static_cast<int64_t>(bytes));
        return v;
    }
};

}  // namespace

void ReadText(DocData& d) {
    // Objects of real forms take 80 bytes of text and more: room for that many, so that the
    // vector does not move while reading.
    const size_t n = d.src.size();
    ReserveObjects(d, n / 80 + 4);
    TextReader r(d, kSource, 0, static_cast<uint32_t>(d.src.size()));
    r.ReadDocument();
}

Range ReadTextProperties(DocData& d, uint32_t begin, uint32_t end, size_t most, uint32_t& next) {
    TextReader r(d, kSource, begin, end);
    return r.ReadPropertyList(most, next);
}

uint32_t ReadOwnedTextValue(DocData& d, uint32_t off, uint32_t len) {
    TextReader r(d, kOwned, off, off + len);
    return r.ReadLoneValue();
}

}  // namespace formfile::detail
