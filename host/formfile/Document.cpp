// Handles over the node storage, decoding of stored values, and edits recorded as splices.
#include "host/formfile/FormFileData.h"
#include "host/base/AtomicFile.h"
#include "host/vcl/LargePages.h"
#include "host/vcl/SysUtils.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <locale.h>
#include <sstream>
#include <sys/mman.h>

namespace formfile {

using namespace detail;

static_assert(LDBL_MANT_DIG == 64, "form files store floats as 80-bit extended; long double must be one");

namespace detail {

SourcePos DocData::PositionOf(uint32_t offset) const {
    SourcePos p;
    p.offset = offset;
    if (format != Format::Text || offset == kNone) return p;
    if (lineStarts.empty()) {
        // memchr rather than a byte loop: the scan was a tenth of checking a form. A line ends
        // at LF, CR LF, or a lone CR.
        lineStarts.push_back(0);
        const char* const begin = src.data();
        const char* const end = begin + src.size();
        for (const char* at = begin;;) {
            const auto* lf = static_cast<const char*>(std::memchr(at, '\n', size_t(end - at)));
            const char* stop = lf == nullptr ? end : lf > at && lf[-1] == '\r' ? lf - 1 : lf;
            for (const char* cr = at; (cr = static_cast<const char*>(std::memchr(cr, '\r', size_t(stop - cr)))); ++cr)
                lineStarts.push_back(uint32_t(cr + 1 - begin));
            if (lf == nullptr) break;
            lineStarts.push_back(uint32_t(lf + 1 - begin));
            at = lf + 1;
        }
    }
    auto it = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
    size_t line = static_cast<size_t>(it - lineStarts.begin());
    p.line = static_cast<int>(line);
    p.column = static_cast<int>(offset - lineStarts[line - 1] + 1);
    return p;
}

std::pair<uint32_t, uint32_t> DocData::ReadSpan(uint32_t prop) const {
    auto it = readValue.find(prop);
    const ValueNode& v = values[it == readValue.end() ? props[prop].value : it->second];
    // In a stream the tag precedes the payload the node points at.
    return {IsText() ? v.off : v.off - 1, v.off + v.len};
}

Range DocData::Append(Range r, uint32_t extra) {
    Range out{static_cast<uint32_t>(kids.size()), r.count + 1};
    kids.resize(kids.size() + r.count + 1);
    std::copy_n(kids.begin() + r.first, r.count, kids.begin() + out.first);
    kids.back() = extra;
    return out;
}

// Gives back the room of a buffer beyond its first `used` bytes: the part of a large page
// that the nodes did not fill. Small spares stay: each madvise flushes every core's TLB,
// which cost more than reading a small form.
static void ReleaseSpare(const void* data, size_t used, size_t bytes) {
    constexpr uintptr_t kPage = 4096, kWorthIt = uintptr_t{1} << 20;
    const uintptr_t at = reinterpret_cast<uintptr_t>(data);
    const uintptr_t begin = (at + used + kPage - 1) & ~(kPage - 1), end = (at + bytes) & ~(kPage - 1);
    if (end > begin && end - begin >= kWorthIt) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
}

void ReleaseSpareObjects(DocData& d) {
    ReleaseSpare(d.objects.data(), d.objects.size() * sizeof(ObjectNode), d.objects.capacity() * sizeof(ObjectNode));
}

void ReserveObjects(DocData& d, size_t objects) {
    d.objects.reserve(objects);
    // Large pages only for the quarter of the room that a form of ordinary density fills: a large
    // page counts whole in memory from its first touch.
    vcl::AdviseLargePages(d.objects.data(), d.objects.capacity() / 4 * sizeof(ObjectNode));
}

void DocData::ReadProperties(uint32_t object) {
    if (objects[object].propsRead) return;
    uint32_t stopped = 0;  // at the properties' end: all of them are read
    objects[object].props = ReadSomeProperties(object, objects[object].headerEnd, SIZE_MAX, stopped);
    objects[object].propsRead = 1;
}

Range DocData::ReadSomeProperties(uint32_t object, uint32_t from, size_t most, uint32_t& next) {
    const uint32_t end = objects[object].propsEnd;
    return IsText() ? ReadTextProperties(*this, from, end, most, next) : ReadBinaryProperties(*this, from, end, most, next);
}

void DocData::TruncateTo(const NodeCounts& counts) {
    props.resize(counts.props);
    values.resize(counts.values);
    items.resize(counts.items);
    kids.resize(counts.kids);
}

void DocData::Fail(uint32_t offset, const std::string& reason) const {
    if (offset == kNone) throw vcl::EParserError(fileName, 0, 0, reason);
    if (format == Format::Text) {
        SourcePos p = PositionOf(offset);
        throw vcl::EParserError(fileName, p.line, p.column, reason);
    }
    throw vcl::EParserError(fileName, 0, static_cast<int>(offset), reason + std::string(" (byte offset ") + std::to_string(offset) + ")");
}

namespace {

int Hex(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

uint64_t Le(std::string_view s, size_t at, int n) {
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
    return v;
}

// Walks the pieces of a text string token: quoted runs, #codes, and '+' between them.
template <class Emit>
void WalkTextString(std::string_view raw, Emit&& emit) {
    size_t i = 0;
    while (i < raw.size()) {
        char c = raw[i];
        if (c == '\'') {
            ++i;
            while (i < raw.size()) {
                if (raw[i] == '\'') {
                    if (i + 1 < raw.size() && raw[i + 1] == '\'') {
                        emit(static_cast<uint32_t>('\''));
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                emit(static_cast<uint32_t>(static_cast<unsigned char>(raw[i])));
                ++i;
            }
        } else if (c == '#') {
            ++i;
            uint32_t code = 0;
            if (i < raw.size() && raw[i] == '$') {
                ++i;
                while (i < raw.size() && Hex(static_cast<unsigned char>(raw[i])) >= 0)
                    code = code * 16 + static_cast<uint32_t>(Hex(static_cast<unsigned char>(raw[i++])));
            } else {
                while (i < raw.size() && raw[i] >= '0' && raw[i] <= '9') code = code * 10 + static_cast<uint32_t>(raw[i++] - '0');
            }
            emit(code);
        } else {
            ++i;  // blanks and '+'
        }
    }
}

locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return loc;
}

}  // namespace

std::string DecodeNarrow(const DocData& d, const ValueNode& v) {
    std::string_view raw = d.Raw(v);
    std::string out;
    if (d.IsText()) {
        // Most strings are one quoted run without a doubled quote: its bytes as they stand.
        if (raw.size() >= 2 && raw.front() == '\'' && raw.find('\'', 1) == raw.size() - 1)
            return std::string(raw.substr(1, raw.size() - 2));
        out.reserve(static_cast<size_t>(v.Num()));
        WalkTextString(raw, [&](uint32_t c) { out += static_cast<char>(c); });
        return out;
    }
    if (v.va == VaType::String) return std::string(raw.substr(1));
    return std::string(raw.substr(4));
}

std::u16string DecodeWide(const DocData& d, const ValueNode& v) {
    std::string_view raw = d.Raw(v);
    std::u16string out;
    if (d.IsText()) {
        out.reserve(static_cast<size_t>(v.Num()));
        WalkTextString(raw, [&](uint32_t c) { out += static_cast<char16_t>(c); });
        return out;
    }
    if (v.va == VaType::WString || v.va == VaType::UString) {
        size_t n = (raw.size() - 4) / 2;
        out.resize(n);
        for (size_t i = 0; i < n; ++i) out[i] = static_cast<char16_t>(Le(raw, 4 + 2 * i, 2));
        return out;
    }
    if (v.va == VaType::UTF8String) return Utf8ToUtf16(raw.substr(4));
    std::string narrow = DecodeNarrow(d, v);
    out.reserve(narrow.size());
    for (unsigned char c : narrow) out += static_cast<char16_t>(c);
    return out;
}

long double DecodeFloat(const DocData& d, const ValueNode& v) {
    std::string_view raw = d.Raw(v);
    if (d.IsText()) {
        std::string s(raw);
        // A letter after a digit or the point is the type suffix; Nan and +-Inf have none.
        if (s.size() > 1 && std::isalpha(static_cast<unsigned char>(s.back())) &&
            (std::isdigit(static_cast<unsigned char>(s[s.size() - 2])) || s[s.size() - 2] == '.'))
            s.pop_back();
        return strtold_l(s.c_str(), nullptr, CLocale());
    }
    switch (v.va) {
        case VaType::Extended: {
            long double x = 0;
            std::memcpy(&x, raw.data(), 10);
            return x;
        }
        case VaType::Single: {
            float f;
            std::memcpy(&f, raw.data(), 4);
            return f;
        }
        case VaType::Currency: return static_cast<long double>(static_cast<int64_t>(Le(raw, 0, 8))) / 10000.0L;
        default: {
            double f;
            std::memcpy(&f, raw.data(), 8);
            return f;
        }
    }
}

int64_t DecodeCurrency(const DocData& d, const ValueNode& v) {
    std::string_view raw = d.Raw(v);
    if (!d.IsText()) return static_cast<int64_t>(Le(raw, 0, 8));
    // Ten-thousandths counted from the decimal digits, so large amounts stay exact.
    size_t i = 0;
    bool neg = i < raw.size() && raw[i] == '-';
    if (neg) ++i;
    unsigned __int128 units = 0;
    int frac = -1;
    for (; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '.' && frac < 0) {
            frac = 0;
        } else if (c >= '0' && c <= '9') {
            if (frac >= 4) {
                if (frac == 4 && c >= '5') ++units;
                ++frac;
                continue;
            }
            units = units * 10 + static_cast<unsigned>(c - '0');
            if (frac >= 0) ++frac;
            if (units > (static_cast<unsigned __int128>(1) << 80)) break;
        } else {
            break;
        }
    }
    bool plain = i == raw.size() || ((raw[i] == 'c' || raw[i] == 'C') && i + 1 == raw.size());
    if (!plain || units > (static_cast<unsigned __int128>(1) << 80))
        return std::llroundl(DecodeFloat(d, v) * 10000.0L);
    for (int k = frac < 0 ? 0 : std::min(frac, 4); k < 4; ++k) units *= 10;
    return static_cast<int64_t>(neg ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units));
}

std::string DecodeBinary(const DocData& d, const ValueNode& v) {
    std::string_view raw = d.Raw(v);
    if (!d.IsText()) return std::string(raw.substr(4));
    std::string out;
    out.reserve(static_cast<size_t>(v.Num()));
    int hi = -1;
    for (unsigned char c : raw) {
        int h = Hex(c);
        if (h < 0) continue;
        if (hi < 0) {
            hi = h;
        } else {
            out += static_cast<char>(hi * 16 + h);
            hi = -1;
        }
    }
    return out;
}

std::string_view DecodeIdent(const DocData& d, const ValueNode& v) {
    if (v.kind == ValueKind::Boolean) return v.va == VaType::True ? "True" : "False";
    if (v.kind == ValueKind::Nil) return "nil";
    std::string_view raw = d.Raw(v);
    return d.IsText() ? raw : raw.substr(1);
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Utf16ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        AppendUtf8(out, c);  // a lone surrogate is kept as its own three bytes
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp = 0xFFFD;
        size_t n = 1;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c < 0xF5) {
            size_t want = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            char32_t v = c & (want == 2 ? 0x1F : want == 3 ? 0x0F : 0x07);
            size_t k = 1;
            for (; k < want && i + k < s.size(); ++k) {
                unsigned char cc = static_cast<unsigned char>(s[i + k]);
                if ((cc & 0xC0) != 0x80) break;
                v = (v << 6) | (cc & 0x3F);
            }
            if (k == want) {
                cp = v;
                n = want;
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += n;
    }
    return out;
}

}  // namespace detail

// ---------------------------------------------------------------------------------------------
// Format detection

Format DetectFormat(std::string_view b) {
    if (b.size() >= 4 && b.substr(0, 4) == "TPF0") return Format::Binary;
    if (b.size() >= 3 && static_cast<unsigned char>(b[0]) == 0xFF && b[1] == 0x0A && b[2] == 0) return Format::Resource;
    size_t i = 0;
    if (b.size() >= 3 && b.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
    while (i < b.size() && (b[i] == ' ' || b[i] == '\t' || b[i] == '\r' || b[i] == '\n')) ++i;
    std::string_view rest = b.substr(i);
    for (std::string_view kw : {"object", "inherited", "inline"}) {
        if (rest.size() > kw.size() && vcl::SameText(rest.substr(0, kw.size()), kw) &&
            !IsIdentChar(static_cast<unsigned char>(rest[kw.size()])))
            return Format::Text;
    }
    return Format::Unknown;
}

// ---------------------------------------------------------------------------------------------
// ValueData

ValueData ValueData::Integer(int64_t v, VaType t) {
    ValueData d;
    d.kind = ValueKind::Integer;
    d.type = t;
    d.integer = v;
    return d;
}
ValueData ValueData::Float(long double v, VaType t) {
    ValueData d;
    d.kind = ValueKind::Float;
    d.type = t;
    d.real = v;
    if (t == VaType::Currency) d.integer = std::llroundl(v * 10000.0L);
    return d;
}
ValueData ValueData::String(std::string bytes) {
    ValueData d;
    d.kind = ValueKind::String;
    d.text = std::move(bytes);
    return d;
}
ValueData ValueData::WideString(std::u16string units) {
    ValueData d;
    d.kind = ValueKind::String;
    d.isWide = true;
    d.wide = std::move(units);
    return d;
}
ValueData ValueData::Ident(std::string name) {
    ValueData d;
    d.kind = ValueKind::Ident;
    d.text = std::move(name);
    return d;
}
ValueData ValueData::Boolean(bool v) {
    ValueData d;
    d.kind = ValueKind::Boolean;
    d.integer = v ? 1 : 0;
    return d;
}
ValueData ValueData::Nil() {
    ValueData d;
    d.kind = ValueKind::Nil;
    return d;
}
ValueData ValueData::Set(std::vector<std::string> elements) {
    ValueData d;
    d.kind = ValueKind::Set;
    for (auto& e : elements) d.items.push_back(Ident(std::move(e)));
    return d;
}
ValueData ValueData::List(std::vector<ValueData> items) {
    ValueData d;
    d.kind = ValueKind::List;
    d.items = std::move(items);
    return d;
}
ValueData ValueData::Binary(std::string bytes) {
    ValueData d;
    d.kind = ValueKind::Binary;
    d.text = std::move(bytes);
    return d;
}
ValueData ValueData::Collection(std::vector<ItemData> items) {
    ValueData d;
    d.kind = ValueKind::Collection;
    d.collection = std::move(items);
    return d;
}

std::u16string ValueData::Utf16() const {
    if (isWide) return wide;
    std::u16string out;
    for (unsigned char c : text) out += static_cast<char16_t>(c);
    return out;
}

bool ValueData::operator==(const ValueData& o) const {
    if (kind != o.kind) return false;
    switch (kind) {
        case ValueKind::Null:
        case ValueKind::Nil: return true;
        case ValueKind::Integer:
        case ValueKind::Boolean: return integer == o.integer;
        case ValueKind::Float: return real == o.real || (real != real && o.real != o.real);
        case ValueKind::String:
            if (!isWide && !o.isWide) return text == o.text;
            return Utf16() == o.Utf16();
        case ValueKind::Ident: return text == o.text;
        case ValueKind::Binary: return text == o.text;
        case ValueKind::Set:
        case ValueKind::List: return items == o.items;
        case ValueKind::Collection: return collection == o.collection;
    }
    return false;
}

bool ItemData::operator==(const ItemData& o) const {
    if (order != o.order || properties.size() != o.properties.size()) return false;
    for (size_t i = 0; i < properties.size(); ++i) {
        if (!vcl::SameText(properties[i].name, o.properties[i].name)) return false;
        if (!(properties[i].value == o.properties[i].value)) return false;
    }
    return true;
}

const char* VaTypeName(VaType t) {
    static const char* const names[] = {"vaNull", "vaList", "vaInt8", "vaInt16", "vaInt32", "vaExtended",
                                        "vaString", "vaIdent", "vaFalse", "vaTrue", "vaBinary", "vaSet",
                                        "vaLString", "vaNil", "vaCollection", "vaSingle", "vaCurrency",
                                        "vaDate", "vaWString", "vaInt64", "vaUTF8String", "vaUString", "vaQWord"};
    size_t i = static_cast<size_t>(t);
    return i < sizeof(names) / sizeof(names[0]) ? names[i] : "va?";
}

// ---------------------------------------------------------------------------------------------
// Value

namespace {
[[noreturn]] void WrongKind(const char* wanted, ValueKind k) {
    static const char* const kinds[] = {"null", "integer", "float", "string", "identifier", "boolean",
                                        "nil", "set", "list", "collection", "binary"};
    throw vcl::EConvertError(std::string("property value is ") + kinds[static_cast<int>(k)] + ", not " + wanted);
}
}  // namespace

ValueKind Value::Kind() const { return d_->values[i_].kind; }
VaType Value::Type() const { return d_->values[i_].va; }
bool Value::IsWideString() const {
    const ValueNode& v = d_->values[i_];
    return v.kind == ValueKind::String && (v.wide || v.va == VaType::UTF8String);
}

int64_t Value::AsInteger() const {
    const ValueNode& v = d_->values[i_];
    if (v.kind != ValueKind::Integer) WrongKind("an integer", v.kind);
    return v.Num();
}

long double Value::AsFloat() const {
    const ValueNode& v = d_->values[i_];
    if (v.kind == ValueKind::Integer) return static_cast<long double>(v.Num());
    if (v.kind != ValueKind::Float) WrongKind("a float", v.kind);
    return DecodeFloat(*d_, v);
}

bool Value::AsBoolean() const {
    const ValueNode& v = d_->values[i_];
    if (v.kind != ValueKind::Boolean) WrongKind("a boolean", v.kind);
    return v.va == VaType::True;
}

std::string Value::AsString() const {
    const ValueNode& v = d_->values[i_];
    if (v.kind != ValueKind::String) WrongKind("a string", v.kind);
    if (v.wide) return Utf16ToUtf8(DecodeWide(*d_, v));
    return DecodeNarrow(*d_, v);
}

std::u16string Value::AsWideString() const {
    const ValueNode& v = d_->values[i_];
    if (v.kind != ValueKind::String) WrongKind("a string", v.kind);
    return DecodeWide(*d_, v);
}

std::string_view Value::AsIdent() const {
    const ValueNode& v = d_->values[i_];
    if (v.kind != ValueKind::Ident && v.kind != ValueKind::Boolean && v.kind != ValueKind::Nil)
        WrongKind("an identifier", v.kind);
    return DecodeIdent(*d_, v);
}

std::string Value::AsBinary() const {
    const ValueNode& v = d_->values[i_];
    if (v.kind != ValueKind::Binary) WrongKind("binary data", v.kind);
    return DecodeBinary(*d_, v);
}

size_t Value::Count() const {
    const ValueNode& v = d_->values[i_];
    if (v.kind != ValueKind::List && v.kind != ValueKind::Set && v.kind != ValueKind::Collection) return 0;
    return v.Count();
}

Value Value::Item(size_t index) const {
    const ValueNode& v = d_->values[i_];
    if ((v.kind != ValueKind::List && v.kind != ValueKind::Set) || index >= v.Count())
        throw vcl::EListError(std::string("list index out of bounds (") + std::to_string(index) + ")");
    return Value(d_, d_->kids[v.First() + index]);
}

CollectionItem Value::Entry(size_t index) const {
    const ValueNode& v = d_->values[i_];
    if (v.kind != ValueKind::Collection || index >= v.Count())
        throw vcl::EListError(std::string("collection index out of bounds (") + std::to_string(index) + ")");
    return CollectionItem(d_, d_->kids[v.First() + index]);
}

std::string_view Value::Raw() const { return d_->Raw(d_->values[i_]); }

SourcePos Value::Position() const {
    const ValueNode& v = d_->values[i_];
    if (v.store == kOwned) return SourcePos{};
    return d_->PositionOf(v.off);
}

ValueData Value::ToData() const {
    const ValueNode& v = d_->values[i_];
    ValueData out;
    out.kind = v.kind;
    out.type = v.va;
    switch (v.kind) {
        case ValueKind::Null:
        case ValueKind::Nil: break;
        case ValueKind::Integer: out.integer = v.Num(); break;
        case ValueKind::Boolean: out.integer = v.va == VaType::True; break;
        case ValueKind::Float:
            out.real = DecodeFloat(*d_, v);
            if (v.va == VaType::Currency) out.integer = DecodeCurrency(*d_, v);
            break;
        case ValueKind::String:
            if (v.wide || v.va == VaType::UTF8String) {
                out.isWide = true;
                out.wide = DecodeWide(*d_, v);
            } else {
                out.text = DecodeNarrow(*d_, v);
            }
            break;
        case ValueKind::Ident: out.text = std::string(DecodeIdent(*d_, v)); break;
        case ValueKind::Binary: out.text = DecodeBinary(*d_, v); break;
        case ValueKind::Set:
        case ValueKind::List:
            for (size_t i = 0; i < v.Count(); ++i) out.items.push_back(Value(d_, d_->kids[v.First() + i]).ToData());
            break;
        case ValueKind::Collection:
            for (size_t i = 0; i < v.Count(); ++i) {
                CollectionItem it(d_, d_->kids[v.First() + i]);
                ItemData item;
                item.order = it.Order();
                for (Property p : it.Properties()) item.properties.push_back({std::string(p.Name()), p.GetValue().ToData()});
                out.collection.push_back(std::move(item));
            }
            break;
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// CollectionItem

std::optional<int32_t> CollectionItem::Order() const {
    const ItemNode& it = d_->items[i_];
    if (!it.hasOrder) return std::nullopt;
    return it.order;
}

HandleRange<Property> CollectionItem::Properties() const {
    Range r = d_->items[i_].props;
    return HandleRange<Property>(d_, &d_->kids, r.first, r.count);
}

std::optional<Property> CollectionItem::FindProperty(std::string_view name) const {
    for (Property p : Properties())
        if (p.IsSameName(name)) return p;
    return std::nullopt;
}

SourcePos CollectionItem::Position() const {
    const ItemNode& it = d_->items[i_];
    return it.store == kOwned ? SourcePos{} : d_->PositionOf(it.off);
}

// ---------------------------------------------------------------------------------------------
// Edits

namespace {

enum SpliceKind : uint64_t { kPropSplice = 1, kNameSplice = 2, kClassSplice = 3 };
uint64_t Key(SpliceKind k, uint32_t i) { return (static_cast<uint64_t>(k) << 32) | i; }

Splice& SpliceFor(DocData& d, uint64_t key, uint32_t from, uint32_t to) {
    auto it = d.spliceOf.find(key);
    if (it != d.spliceOf.end()) {
        Splice& s = d.splices[it->second];
        s.from = from;
        s.to = to;
        s.dead = false;
        ++d.edits;
        return s;
    }
    Splice s;
    s.from = from;
    s.to = to;
    s.seq = d.nextSeq++;
    ++d.edits;
    d.splices.push_back(std::move(s));
    d.spliceOf[key] = static_cast<uint32_t>(d.splices.size() - 1);
    return d.splices.back();
}

// Edits inside a range that is being replaced as a whole no longer apply.
void KillInside(DocData& d, uint32_t from, uint32_t to, uint64_t keep) {
    for (auto& [key, idx] : d.spliceOf) {
        Splice& s = d.splices[idx];
        if (key != keep && !s.dead && s.from >= from && s.to <= to && !(s.from == s.to && (s.from == from || s.from == to)))
            s.dead = true;
    }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view IndentBefore(const std::string& s, uint32_t pos) {
    uint32_t b = pos;
    while (b > 0 && IsBlank(s[b - 1])) --b;
    return std::string_view(s).substr(b, pos - b);
}

bool AtLineStart(const std::string& s, uint32_t pos) {
    uint32_t b = pos;
    while (b > 0 && IsBlank(s[b - 1])) --b;
    if (b == 0) return true;
    if (b == 3 && s.compare(0, 3, "\xEF\xBB\xBF") == 0) return true;
    return s[b - 1] == '\n' || s[b - 1] == '\r';
}

// After blanks and one line ending following pos; *lineStart tells whether that reached a new line.
uint32_t PastLineEnd(const std::string& s, uint32_t pos, bool* lineStart) {
    uint32_t p = pos;
    while (p < s.size() && IsBlank(s[p])) ++p;
    *lineStart = true;
    if (p < s.size() && s[p] == '\r') return p + 1 < s.size() && s[p + 1] == '\n' ? p + 2 : p + 1;
    if (p < s.size() && s[p] == '\n') return p + 1;
    if (p >= s.size()) return p;
    *lineStart = false;
    return pos;
}

std::string_view EolAfter(const std::string& s, uint32_t pos) {
    for (uint32_t p = pos; p < s.size(); ++p) {
        if (s[p] == '\n') return "\n";
        if (s[p] == '\r') return p + 1 < s.size() && s[p + 1] == '\n' ? "\r\n" : "\r";
    }
    for (uint32_t p = 0; p < s.size(); ++p) {
        if (s[p] == '\n') return "\n";
        if (s[p] == '\r') return p + 1 < s.size() && s[p + 1] == '\n' ? "\r\n" : "\r";
    }
    return "\r\n";
}

void CheckPropertyName(std::string_view name, bool binary) {
    if (!IsDottedIdent(name) || (binary && name.size() > 255) || name.size() > 0xFFFF)
        throw vcl::EPropertyError(std::string("'") + std::string(name) + "' is not a valid property name");
}

void CheckComponentName(std::string_view name, bool allowEmpty, const char* what) {
    if ((name.empty() && allowEmpty)) return;
    if (!vcl::IsValidIdent(name) || name.size() > 255)
        throw vcl::EComponentError(std::string("'") + std::string(name) + "' is not a valid " + what);
}

std::string ShortString(std::string_view s) {
    std::string out(1, static_cast<char>(s.size()));
    out += s;
    return out;
}

struct PropertyPlace {
    std::string indent;
    std::string eol;
};

// How lines of the object that owns property p look, for rendering multi-line values.
PropertyPlace PlaceOf(const DocData& d, const PropNode& p, uint32_t anchor) {
    PropertyPlace pl;
    if (p.store == kSource && !p.inserted) {
        pl.indent = std::string(IndentBefore(d.src, p.nameOff));
        pl.eol = std::string(EolAfter(d.src, p.nameOff));
    } else {
        pl.indent = "  ";
        pl.eol = std::string(EolAfter(d.src, anchor));
    }
    return pl;
}

bool IsEol(char c) { return c == '\r' || c == '\n'; }

// Whether the file lays out multi-line values as Lazarus does; the first one that tells decides.
bool UsesLazarusLayout(DocData& d) {
    if (d.fpcLayout >= 0) return d.fpcLayout;
    int verdict = -1;
    for (const ValueNode& v : d.values) {
        if (v.store != kSource) continue;
        std::string_view raw = d.Raw(v);
        if (v.kind == ValueKind::Collection && v.Count() > 0) {
            size_t i = 1;
            while (i < raw.size() && IsBlank(raw[i])) ++i;
            if (i < raw.size() && IsEol(raw[i])) {
                verdict = i > 1;  // Lazarus indents after '<'
                break;
            }
        } else if ((v.kind == ValueKind::List && v.Count() > 0) || (v.kind == ValueKind::Binary && v.Num() > 0)) {
            size_t i = raw.size() - 1;
            while (i > 0 && IsBlank(raw[i - 1])) --i;
            verdict = i > 0 && IsEol(raw[i - 1]);  // Lazarus closes on a line of its own
            break;
        }
    }
    if (verdict < 0) {
        const std::string& n = d.fileName;
        verdict = n.size() >= 4 && vcl::SameText(std::string_view(n).substr(n.size() - 4), ".lfm");
    }
    d.fpcLayout = static_cast<int8_t>(verdict);
    return verdict;
}

uint32_t OwnValue(DocData& d, const ValueData& v, std::string_view indent, std::string_view eol, std::string* rendered) {
    if (d.IsText()) {
        *rendered = RenderText(v, indent, eol, UsesLazarusLayout(d));
    } else {
        rendered->clear();
        RenderBinary(v, *rendered);
    }
    uint32_t off = static_cast<uint32_t>(d.owned.size());
    d.owned += *rendered;
    uint32_t len = static_cast<uint32_t>(rendered->size());
    return d.IsText() ? ReadOwnedTextValue(d, off, len) : ReadOwnedBinaryValue(d, off, len);
}

}  // namespace

std::string_view Property::Name() const { return d_->Name(d_->props[i_]); }
Value Property::GetValue() const { return Value(d_, d_->props[i_].value); }
bool Property::IsSameName(std::string_view name) const { return vcl::SameText(Name(), name); }

SourcePos Property::Position() const {
    const PropNode& p = d_->props[i_];
    if (p.store == kOwned) return SourcePos{};
    return d_->PositionOf(Offset());
}

uint32_t Property::Offset() const {
    const PropNode& p = d_->props[i_];
    if (p.store == kOwned) return 0;
    return d_->IsText() ? p.nameOff : p.nameOff - 1;
}

namespace {

void RenderInserted(DocData& d, uint32_t pi, const InsertPlace& ins, const std::string& value) {
    PropNode& p = d.props[pi];
    std::string text;
    if (d.IsText()) {
        std::string line = ins.indent + std::string(d.Name(p)) + " = " + value;
        text = ins.lineStart ? line + ins.eol : ins.eol + line;
        uint32_t at = ins.anchor;
        if (!ins.lineStart && at < d.src.size() && !IsBlank(d.src[at]) && !IsEol(d.src[at])) text += ' ';
    } else {
        text = ShortString(d.Name(p)) + value;
    }
    SpliceFor(d, Key(kPropSplice, pi), ins.anchor, ins.anchor).text = std::move(text);
}

}  // namespace

void Property::SetValue(const ValueData& value) {
    DocData& d = *d_;
    PropNode& p = d.props[i_];
    if (p.store == kOwned && !p.inserted)
        throw vcl::EPropertyError(std::string("property '") + std::string(Name()) +
                                  "' belongs to a value set by an earlier edit; set that value as a whole");
    std::string rendered;
    uint64_t key = Key(kPropSplice, i_);
    if (p.inserted) {
        const InsertPlace& ins = d.inserted.at(key);
        uint32_t v = OwnValue(d, value, ins.indent, ins.eol, &rendered);
        d.props[i_].value = v;
        RenderInserted(d, i_, ins, rendered);
        return;
    }
    PropertyPlace pl = PlaceOf(d, p, p.nameOff);
    auto [from, to] = d.ReadSpan(i_);
    if (d.IsText() && p.store == kSource) {
        // A value that began on the next line gets its line break back from the rendering.
        uint32_t eq = from;
        while (eq > 0 && d.src[eq - 1] != '=') --eq;
        while (eq < from && IsBlank(d.src[eq])) ++eq;
        from = eq;
    }
    auto mine = d.spliceOf.find(key);
    const Splice* own = mine == d.spliceOf.end() ? nullptr : &d.splices[mine->second];
    for (const Splice& s : d.splices)
        if (!s.dead && &s != own && s.from < s.to && s.from <= from && to <= s.to)
            throw vcl::EPropertyError("property '" + std::string(Name()) +
                                      "' lies inside a value an earlier edit replaced; set that value as a whole");
    d.readValue.try_emplace(i_, p.value);
    uint32_t v = OwnValue(d, value, pl.indent, pl.eol, &rendered);
    d.props[i_].value = v;
    KillInside(d, from, to, key);
    // A token that followed the old value directly must not run into the new one.
    if (d.IsText() && to < d.src.size() && !IsBlank(d.src[to]) && !IsEol(d.src[to])) rendered += ' ';
    SpliceFor(d, key, from, to).text = std::move(rendered);
}

// ---------------------------------------------------------------------------------------------
// Object

ObjectKind Object::Kind() const { return d_->objects[i_].kind; }
uint8_t Object::Flags() const { return d_->objects[i_].flags; }
std::string_view Object::Name() const {
    const ObjectNode& o = d_->objects[i_];
    return d_->Bytes(o.nameStore, o.nameOff, o.nameLen);
}
std::string_view Object::ClassName() const {
    const ObjectNode& o = d_->objects[i_];
    return d_->Bytes(o.classStore, o.classOff, o.classLen);
}
std::optional<int32_t> Object::Order() const {
    const ObjectNode& o = d_->objects[i_];
    if (!(o.flags & ffChildPos)) return std::nullopt;
    return o.order;
}
SourcePos Object::Position() const { return d_->PositionOf(d_->objects[i_].off); }
uint32_t Object::Offset() const { return d_->objects[i_].off; }
std::optional<Object> Object::Parent() const {
    uint32_t p = d_->objects[i_].parent;
    if (p == kNone) return std::nullopt;
    return Object(d_, p);
}
HandleRange<Property> Object::Properties() const {
    d_->ReadProperties(i_);
    Range r = d_->objects[i_].props;
    return HandleRange<Property>(d_, &d_->kids, r.first, r.count);
}
HandleRange<Object> Object::Children() const {
    Range r = d_->objects[i_].children;
    return HandleRange<Object>(d_, &d_->kids, r.first, r.count);
}
std::optional<Property> Object::FindProperty(std::string_view name) const {
    for (Property p : Properties())
        if (p.IsSameName(name)) return p;
    return std::nullopt;
}
std::optional<Object> Object::FindChild(std::string_view name) const {
    for (Object c : Children())
        if (vcl::SameText(c.Name(), name)) return c;
    return std::nullopt;
}

Property Object::SetProperty(std::string_view name, const ValueData& value) {
    if (auto p = FindProperty(name)) {
        p->SetValue(value);
        return *p;
    }
    DocData& d = *d_;
    CheckPropertyName(name, !d.IsText());
    const ObjectNode& o = d.objects[i_];
    InsertPlace ins;
    if (d.IsText()) {
        uint32_t lastEnd = kNone;
        uint32_t firstName = kNone;
        for (const uint32_t* it = d.At(o.props); it != d.At(o.props) + o.props.count; ++it) {
            const PropNode& q = d.props[*it];
            if (q.inserted) continue;
            if (firstName == kNone) firstName = q.nameOff;
            lastEnd = d.ReadSpan(*it).second;
        }
        uint32_t after = lastEnd != kNone ? lastEnd : o.headerEnd;
        ins.anchor = PastLineEnd(d.src, after, &ins.lineStart);
        if (firstName != kNone && AtLineStart(d.src, firstName))
            ins.indent = std::string(IndentBefore(d.src, firstName));
        else
            ins.indent = std::string(IndentBefore(d.src, o.off)) + "  ";
        ins.eol = std::string(EolAfter(d.src, o.off));
    } else {
        ins.anchor = o.propsEnd;
    }
    PropNode p;
    p.store = kOwned;
    p.inserted = 1;
    p.nameOff = static_cast<uint32_t>(d.owned.size());
    p.nameLen = static_cast<uint16_t>(name.size());
    d.owned += name;
    uint32_t pi = static_cast<uint32_t>(d.props.size());
    d.props.push_back(p);
    uint64_t key = Key(kPropSplice, pi);
    d.inserted[key] = ins;
    std::string rendered;
    uint32_t v = OwnValue(d, value, ins.indent, ins.eol, &rendered);
    d.props[pi].value = v;
    RenderInserted(d, pi, d.inserted[key], rendered);
    d.objects[i_].props = d.Append(d.objects[i_].props, pi);
    return Property(d_, pi);
}

bool Object::RemoveProperty(std::string_view name) {
    auto found = FindProperty(name);
    if (!found) return false;
    DocData& d = *d_;
    uint32_t pi = found->i_;
    Range& props = d.objects[i_].props;
    uint32_t* b = d.kids.data() + props.first;
    uint32_t kept = 0;
    for (uint32_t k = 0; k < props.count; ++k)
        if (b[k] != pi) b[kept++] = b[k];
    props.count = kept;
    const PropNode& p = d.props[pi];
    auto [valOff, valEnd] = d.ReadSpan(pi);
    (void)valOff;
    uint64_t key = Key(kPropSplice, pi);
    if (p.inserted) {
        d.splices[d.spliceOf.at(key)].dead = true;
        return true;
    }
    uint32_t from, to;
    if (d.IsText()) {
        bool lineStart = false;
        uint32_t past = PastLineEnd(d.src, valEnd, &lineStart);
        if (AtLineStart(d.src, p.nameOff) && lineStart) {
            from = p.nameOff - static_cast<uint32_t>(IndentBefore(d.src, p.nameOff).size());
            to = past;
        } else if (!lineStart) {
            from = p.nameOff;
            to = valEnd;
            while (to < d.src.size() && IsBlank(d.src[to])) ++to;
        } else {
            from = p.nameOff - static_cast<uint32_t>(IndentBefore(d.src, p.nameOff).size());
            to = valEnd;
        }
    } else {
        from = p.nameOff - 1;
        to = valEnd;
    }
    KillInside(d, from, to, key);
    SpliceFor(d, key, from, to).text.clear();
    return true;
}

void Object::SetName(std::string_view name) {
    DocData& d = *d_;
    CheckComponentName(name, true, "component name");
    ObjectNode& o = d.objects[i_];
    // The header as read decides where the name goes, however often it is renamed.
    auto [off, len] = d.origName.try_emplace(i_, o.nameOff, o.nameLen).first->second;
    uint32_t classOff = d.origClass.try_emplace(i_, o.classOff, o.classLen).first->second.first;
    uint64_t key = Key(kNameSplice, i_);
    if (!d.IsText())
        SpliceFor(d, key, off - 1, off + len).text = ShortString(name);
    else if (len == 0)
        SpliceFor(d, key, classOff, classOff).text = name.empty() ? std::string() : std::string(name) + ": ";
    else if (name.empty())
        SpliceFor(d, key, off, classOff).text.clear();
    else
        SpliceFor(d, key, off, off + len).text = std::string(name);
    o.nameOff = static_cast<uint32_t>(d.owned.size());
    o.nameLen = static_cast<uint16_t>(name.size());
    o.nameStore = kOwned;
    d.owned += name;
}

void Object::SetClassName(std::string_view name) {
    DocData& d = *d_;
    CheckComponentName(name, false, "class name");
    ObjectNode& o = d.objects[i_];
    auto [off, len] = d.origClass.try_emplace(i_, o.classOff, o.classLen).first->second;
    if (d.IsText())
        SpliceFor(d, Key(kClassSplice, i_), off, off + len).text = std::string(name);
    else
        SpliceFor(d, Key(kClassSplice, i_), off - 1, off + len).text = ShortString(name);
    o.classOff = static_cast<uint32_t>(d.owned.size());
    o.classLen = static_cast<uint16_t>(name.size());
    o.classStore = kOwned;
    d.owned += name;
}

PropertyScope::PropertyScope(Object object) : object_(object) {
    DocData& d = *object.d_;
    if (d.objects[object.i_].propsRead) return;
    before_ = d.Counts();
    edits_ = d.edits;
    d.ReadProperties(object.i_);
    after_ = d.Counts();
    read_ = true;
}

PropertyScope::~PropertyScope() {
    DocData& d = *object_.d_;
    // Nodes read since lie beyond these, and an edit may name them: then they stay.
    if (!read_ || d.Counts() != after_ || d.edits != edits_) return;
    d.TruncateTo(before_);
    d.objects[object_.i_].props = Range{};
    d.objects[object_.i_].propsRead = 0;
}

PropertyWalk::PropertyWalk(Object object)
    : object_(object),
      next_(object.d_->objects[object.i_].headerEnd),
      held_(object.d_->objects[object.i_].propsRead != 0) {}

PropertyWalk::~PropertyWalk() { LetGo(); }

bool PropertyWalk::Next() {
    LetGo();
    if (done_) return false;
    DocData& d = *object_.d_;
    if (held_) {
        const Range r = d.objects[object_.i_].props;
        first_ = r.first;
        count_ = r.count;
        done_ = true;
        return count_ > 0;
    }
    before_ = d.Counts();
    edits_ = d.edits;
    const Range r = d.ReadSomeProperties(object_.i_, next_, kPropertyBatch, next_);
    after_ = d.Counts();
    read_ = true;
    first_ = r.first;
    count_ = r.count;
    done_ = count_ < kPropertyBatch;
    return count_ > 0;
}

HandleRange<Property> PropertyWalk::Batch() const { return HandleRange<Property>(object_.d_, &object_.d_->kids, first_, count_); }

void PropertyWalk::LetGo() {
    if (!read_) return;
    read_ = false;
    DocData& d = *object_.d_;
    if (d.Counts() == after_ && d.edits == edits_) d.TruncateTo(before_);
}

// ---------------------------------------------------------------------------------------------
// Document

Document::Document(std::unique_ptr<DocData> d) : d_(std::move(d)) {}
Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

Document Document::Parse(std::string bytes, std::string fileName, ReadListener* listener) {
    auto d = std::make_unique<DocData>();
    d->fileName = std::move(fileName);
    if (bytes.size() >= 0xFFFFFFF0u)
        throw vcl::EParserError(d->fileName, 0, 0, "form files larger than 4 GB are not supported");
    d->src = std::move(bytes);
    Format f = DetectFormat(d->src);
    d->format = f == Format::Unknown ? Format::Text : f;
    d->listener = listener;
    try {
        if (listener != nullptr) listener->Started(d->format);
        if (d->format == Format::Text)
            ReadText(*d);
        else
            ReadBinary(*d);
    } catch (...) {
        if (listener != nullptr) listener->Abandoned();
        throw;
    }
    d->listener = nullptr;
    ReleaseSpareObjects(*d);
    return Document(std::move(d));
}

Document Document::ParseFile(const std::string& path, ReadListener* listener) {
    std::optional<std::string> bytes = zorbase::ReadWholeFile(path);
    if (!bytes) throw vcl::EInOutError("cannot open form file '" + path + "': No such file or directory");
    return Parse(std::move(*bytes), path, listener);
}

Document::Document() = default;

Format Document::SourceFormat() const { return d_->format; }
const std::string& Document::FileName() const { return d_->fileName; }
std::string_view Document::Source() const { return d_->src; }
Object Document::Root() const { return Object(d_.get(), 0); }
SourcePos Document::PositionOf(uint32_t offset) const { return d_->PositionOf(offset); }
size_t Document::ObjectCount() const { return d_->objects.size(); }

Object Document::ObjectAt(uint32_t index) const { return Object(d_.get(), index); }

bool Document::IsModified() const {
    for (const Splice& s : d_->splices)
        if (!s.dead) return true;
    return false;
}

std::string Document::Write() const {
    const DocData& d = *d_;
    std::vector<const Splice*> live;
    for (const Splice& s : d.splices)
        if (!s.dead) live.push_back(&s);
    if (live.empty()) return d.src;
    // An insertion goes before a replacement starting at the same byte; otherwise edit order.
    std::sort(live.begin(), live.end(), [](const Splice* a, const Splice* b) {
        if (a->from != b->from) return a->from < b->from;
        bool ai = a->from == a->to, bi = b->from == b->to;
        if (ai != bi) return ai;
        return a->seq < b->seq;
    });
    std::string out;
    out.reserve(d.src.size() + 256);
    uint32_t cursor = 0;
    int64_t delta = 0;
    for (const Splice* s : live) {
        uint32_t from = std::max(s->from, cursor);
        out.append(d.src, cursor, from - cursor);
        out += s->text;
        cursor = std::max(cursor, s->to);
        delta += static_cast<int64_t>(s->text.size()) - static_cast<int64_t>(s->to - s->from);
    }
    out.append(d.src, cursor, std::string::npos);
    if (d.resSizeOff != kNone) {
        uint32_t size = static_cast<uint32_t>(Le(d.src, d.resSizeOff, 4));
        size = static_cast<uint32_t>(static_cast<int64_t>(size) + delta);
        for (int i = 0; i < 4; ++i) out[d.resSizeOff + static_cast<uint32_t>(i)] = static_cast<char>(size >> (8 * i));
    }
    return out;
}

size_t Document::MemoryUsage() const {
    // What the nodes fill: room reserved beyond that is never touched (see ReserveNodes).
    const DocData& d = *d_;
    size_t n = sizeof(DocData) + d.src.size() + d.owned.size() + d.fileName.size();
    n += d.objects.size() * sizeof(ObjectNode);
    n += d.props.size() * sizeof(PropNode);
    n += d.values.size() * sizeof(ValueNode);
    n += d.items.size() * sizeof(ItemNode);
    n += d.kids.size() * sizeof(uint32_t);
    n += d.lineStarts.size() * sizeof(uint32_t);
    return n;
}

}  // namespace formfile
