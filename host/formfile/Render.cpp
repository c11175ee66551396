// Rendering of values for edits, and whole-document conversion between text and binary.
#include "host/formfile/FormFileData.h"
#include "host/vcl/LargePages.h"
#include "host/vcl/SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iconv.h>
#include <optional>

namespace formfile {

using namespace detail;

namespace {

void PutLe(std::string& out, uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutShort(std::string& out, std::string_view s, const char* what) {
    if (s.size() > 255)
        throw vcl::EConvertError(std::string(what) + std::string(" '") + std::string(s.substr(0, 40)) +
                                 "...' is longer than the 255 bytes a binary form file allows");
    // The count, then the bytes straight from the source: names and short strings are most of
    // what a binary form holds, and copying each twice cost more than the second append.
    out.push_back(static_cast<char>(s.size()));
    out.append(s);
}

void PutInt(std::string& out, int64_t v, VaType t) {
    bool fits = false;
    switch (t) {
        case VaType::Int8: fits = v >= -128 && v <= 127; break;
        case VaType::Int16: fits = v >= -32768 && v <= 32767; break;
        case VaType::Int32: fits = v >= INT32_MIN && v <= INT32_MAX; break;
        case VaType::Int64:
        case VaType::QWord: fits = true; break;
        default: break;
    }
    if (!fits) t = SmallestIntType(v);
    out += static_cast<char>(t);
    int n = t == VaType::Int8 ? 1 : t == VaType::Int16 ? 2 : t == VaType::Int32 ? 4 : 8;
    PutLe(out, static_cast<uint64_t>(v), n);
}

void CheckIdent(std::string_view s, bool dotted) {
    if (!IsDottedIdent(s) || (!dotted && s.find('.') != s.npos))
        throw vcl::EConvertError(std::string("'") + std::string(s) + "' is not a valid identifier");
}

// The tags of the values a form holds most, from views: both the writer of detached values and
// the converter's writer of values as read use them.
void PutNarrowString(std::string& out, std::string_view text, VaType type) {
    if (type == VaType::LString || type == VaType::UTF8String || text.size() > 255) {
        out += static_cast<char>(type == VaType::UTF8String ? VaType::UTF8String : VaType::LString);
        PutLe(out, text.size(), 4);
        out += text;
    } else {
        out += static_cast<char>(VaType::String);
        PutShort(out, text, "string");
    }
}

void PutIdent(std::string& out, std::string_view name) {
    CheckIdent(name, true);
    out += static_cast<char>(VaType::Ident);
    PutShort(out, name, "identifier");
}

void PutSetElement(std::string& out, std::string_view name) {
    CheckIdent(name, false);
    PutShort(out, name, "set element");
}

// Units 32..126 go inside quotes, others as #n. rawHigh keeps 8-bit bytes above 127 as they are,
// the way form files written by an IDE hold them.
template <class Units>
void QuoteString(std::string& out, const Units& units, bool rawHigh) {
    if (units.empty()) {
        out += "''";
        return;
    }
    bool open = false;
    for (auto u : units) {
        uint32_t c = static_cast<uint32_t>(u);
        if constexpr (sizeof(u) == 1) c &= 0xFF;
        if ((c >= 32 && c <= 126) || (rawHigh && c >= 128)) {
            if (!open) out += '\'';
            open = true;
            if (c == '\'') out += '\'';
            out += static_cast<char>(c);
        } else {
            if (open) out += '\'';
            open = false;
            out += '#';
            out += std::to_string(c);
        }
    }
    if (open) out += '\'';
}

// Strings longer than 64 characters go on lines of their own, 64 to a line, joined by '+',
// the way the IDE writes them. An 8-bit string is not cut inside a UTF-8 sequence.
template <class Units>
void QuoteLines(std::string& out, const Units& units, bool rawHigh, const std::string& indent, std::string_view eol) {
    constexpr size_t kPiece = 64;
    if (units.size() <= kPiece) {
        QuoteString(out, units, rawHigh);
        return;
    }
    size_t at = 0;
    while (at < units.size()) {
        size_t end = std::min(at + kPiece, units.size());
        if constexpr (sizeof(units[0]) == 1)
            while (end < units.size() && end > at + 1 && (static_cast<unsigned char>(units[end]) & 0xC0) == 0x80) --end;
        if (at) out += " +";
        out += eol;
        out += indent;
        out += "  ";
        QuoteString(out, Units(units.substr(at, end - at)), rawHigh);
        at = end;
    }
}

std::string CurrencyText(int64_t units) {
    bool neg = units < 0;
    uint64_t u = neg ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units);
    std::string frac = std::to_string(u % 10000);
    while (frac.size() < 4) frac.insert(frac.begin(), '0');
    while (frac.size() > 1 && frac.back() == '0') frac.pop_back();
    std::string out = neg ? "-" : "";
    out += std::to_string(u / 10000);
    out += '.';
    out += frac;
    return out;
}

std::string ShortestFloat(long double x, VaType t) {
    if (std::isnan(x) || std::isinf(x)) throw vcl::EConvertError("infinite or NaN values cannot be written to a text form");
    char buf[64];
    std::to_chars_result r{};
    if (t == VaType::Single)
        r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(x));
    else if (t == VaType::Date)
        r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(x));
    else
        r = std::to_chars(buf, buf + sizeof buf, x);
    std::string s(buf, r.ptr);
    size_t e = s.find_first_of("eE");
    if (s.find('.') == std::string::npos) s.insert(e == std::string::npos ? s.size() : e, ".0");
    if (t == VaType::Single) s += 's';
    if (t == VaType::Currency) s += 'c';
    if (t == VaType::Date) s += 'd';
    return s;
}

// Delphi's IDE and Lazarus lay out multi-line values differently; edits follow the file's.
void RenderTextTo(std::string& out, const ValueData& v, const std::string& indent, std::string_view eol, bool fpc) {
    switch (v.kind) {
        case ValueKind::Null: throw vcl::EConvertError("a null value cannot be written to a text form");
        case ValueKind::Integer:
            out += v.type == VaType::QWord ? std::to_string(static_cast<uint64_t>(v.integer)) : std::to_string(v.integer);
            return;
        case ValueKind::Float:
            out += v.type == VaType::Currency ? CurrencyText(v.integer) + "c" : ShortestFloat(v.real, v.type);
            return;
        case ValueKind::String:
            if (fpc && v.isWide)
                QuoteString(out, v.wide, false);
            else if (fpc)
                QuoteString(out, v.text, true);
            else if (v.isWide)
                QuoteLines(out, v.wide, false, indent, eol);
            else
                QuoteLines(out, v.text, true, indent, eol);
            return;
        case ValueKind::Ident:
            CheckIdent(v.text, true);
            out += v.text;
            return;
        case ValueKind::Boolean: out += v.integer ? "True" : "False"; return;
        case ValueKind::Nil: out += "nil"; return;
        case ValueKind::Set:
            out += '[';
            for (size_t i = 0; i < v.items.size(); ++i) {
                if (v.items[i].kind != ValueKind::Ident) throw vcl::EConvertError("set elements must be identifiers");
                CheckIdent(v.items[i].text, false);
                if (i) out += ", ";
                out += v.items[i].text;
            }
            out += ']';
            return;
        case ValueKind::List: {
            std::string inner = indent + "  ";
            out += '(';
            for (const ValueData& item : v.items) {
                out += eol;
                out += inner;
                RenderTextTo(out, item, inner, eol, fpc);
            }
            if (fpc) {
                if (!v.items.empty()) out += eol;
                out += indent;
            }
            out += ')';
            return;
        }
        case ValueKind::Collection: {
            std::string inner = indent + "  ", props = indent + "    ";
            out += '<';
            for (const ItemData& item : v.collection) {
                if (fpc) out += indent;
                out += eol;
                out += inner;
                out += "item";
                if (item.order) out += std::string(fpc ? "[" : " [") + std::to_string(*item.order) + "]";
                for (const auto& [name, value] : item.properties) {
                    CheckIdent(name, true);
                    out += eol;
                    out += props;
                    out += name;
                    out += " = ";
                    RenderTextTo(out, value, props, eol, fpc);
                }
                out += eol;
                out += inner;
                out += "end";
            }
            out += '>';
            return;
        }
        case ValueKind::Binary: {
            static const char hex[] = "0123456789ABCDEF";
            out += '{';
            // Delphi keeps up to one line's worth of bytes beside the name.
            bool inline_ = !fpc && v.text.size() <= 32;
            for (size_t i = 0; i < v.text.size(); ++i) {
                if (i % 32 == 0 && !inline_) {
                    out += eol;
                    out += indent;
                    out += "  ";
                }
                unsigned char c = static_cast<unsigned char>(v.text[i]);
                out += hex[c >> 4];
                out += hex[c & 15];
            }
            if (fpc) {
                out += eol;
                out += indent;
            }
            out += '}';
            return;
        }
    }
}

}  // namespace

namespace detail {

std::string RenderText(const ValueData& v, std::string_view indent, std::string_view eol, bool fpcLayout) {
    std::string out;
    RenderTextTo(out, v, std::string(indent), eol, fpcLayout);
    return out;
}

void RenderBinary(const ValueData& v, std::string& out) {
    switch (v.kind) {
        case ValueKind::Null: out += static_cast<char>(VaType::Null); return;
        case ValueKind::Integer: PutInt(out, v.integer, v.type); return;
        case ValueKind::Float:
            switch (v.type) {
                case VaType::Single: {
                    float f = static_cast<float>(v.real);
                    out += static_cast<char>(VaType::Single);
                    out.append(reinterpret_cast<const char*>(&f), 4);
                    return;
                }
                case VaType::Currency:
                    out += static_cast<char>(VaType::Currency);
                    PutLe(out, static_cast<uint64_t>(v.integer), 8);
                    return;
                case VaType::Date: {
                    double f = static_cast<double>(v.real);
                    out += static_cast<char>(VaType::Date);
                    out.append(reinterpret_cast<const char*>(&f), 8);
                    return;
                }
                default: {
                    char b[16] = {};
                    std::memcpy(b, &v.real, 10);
                    out += static_cast<char>(VaType::Extended);
                    out.append(b, 10);
                    return;
                }
            }
        case ValueKind::String:
            if (v.isWide && v.type == VaType::UTF8String) {
                std::string u = Utf16ToUtf8(v.wide);
                out += static_cast<char>(VaType::UTF8String);
                PutLe(out, u.size(), 4);
                out += u;
            } else if (v.isWide) {
                out += static_cast<char>(v.type == VaType::UString ? VaType::UString : VaType::WString);
                PutLe(out, v.wide.size(), 4);
                for (char16_t c : v.wide) PutLe(out, c, 2);
            } else {
                PutNarrowString(out, v.text, v.type);
            }
            return;
        case ValueKind::Ident: PutIdent(out, v.text); return;
        case ValueKind::Boolean: out += static_cast<char>(v.integer ? VaType::True : VaType::False); return;
        case ValueKind::Nil: out += static_cast<char>(VaType::Nil); return;
        case ValueKind::Set:
            out += static_cast<char>(VaType::Set);
            for (const ValueData& e : v.items) PutSetElement(out, e.text);
            out += '\0';
            return;
        case ValueKind::List:
            out += static_cast<char>(VaType::List);
            for (const ValueData& item : v.items) RenderBinary(item, out);
            out += '\0';
            return;
        case ValueKind::Collection:
            out += static_cast<char>(VaType::Collection);
            for (const ItemData& item : v.collection) {
                if (item.order) PutInt(out, *item.order, VaType::Null);
                out += static_cast<char>(VaType::List);
                for (const auto& [name, value] : item.properties) {
                    CheckIdent(name, true);
                    PutShort(out, name, "property name");
                    RenderBinary(value, out);
                }
                out += '\0';
            }
            out += '\0';
            return;
        case ValueKind::Binary:
            out += static_cast<char>(VaType::Binary);
            PutLe(out, v.text.size(), 4);
            out += v.text;
            return;
    }
}

}  // namespace detail

std::string RenderTextValue(const ValueData& value, std::string_view indent, std::string_view lineEnding,
                            TextLayout layout) {
    return RenderText(value, indent, lineEnding, layout == TextLayout::Lazarus);
}

// ---------------------------------------------------------------------------------------------
// Conversion

namespace {

// Free Pascal's Str() layout of an extended: sign or blank, 21 digits, 4-digit exponent.
std::string FpcFloat(long double x) {
    unsigned char b[16] = {};
    std::memcpy(b, &x, 10);
    uint64_t mant = 0;
    for (int i = 7; i >= 0; --i) mant = (mant << 8) | b[i];
    unsigned exp = (b[8] | (b[9] << 8)) & 0x7FFF;
    bool neg = b[9] & 0x80;
    const std::string pad(25, ' ');
    if (exp == 0x7FFF) {
        if (mant == 0x8000000000000000ull) return pad + (neg ? "-Inf" : "+Inf");
        return pad + " Nan";
    }
    if (exp != 0 && !(mant >> 63)) return pad + " Nan";  // unnormal: no valid number
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 20);
    std::string s(buf, r.ptr);
    size_t e = s.find('e');
    std::string digits = s.substr(0, e);
    char esign = s[e + 1];
    std::string ed = s.substr(e + 2);
    while (ed.size() < 4) ed.insert(ed.begin(), '0');
    return std::string(1, neg ? '-' : ' ') + digits + "E" + esign + ed;
}


// 8-bit strings read in a code page, through the C library's converters.
class CodePage {
public:
    explicit CodePage(const std::string& name) : name_(name), cd_(iconv_open("UTF-16LE", name.c_str())) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw vcl::EConvertError("unknown code page '" + name + "'");
    }
    ~CodePage() { iconv_close(cd_); }
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    static bool HasHighByte(std::string_view bytes) {
        return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    }

    // object and property name the value, for the error.
    std::u16string Decode(std::string_view bytes, std::string_view object, std::string_view property) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string utf16(bytes.size() * 4 + 8, '\0');
        char* in = const_cast<char*>(bytes.data());
        size_t inLeft = bytes.size();
        char* out = utf16.data();
        size_t outLeft = utf16.size();
        // Stateful code pages end with a shift back to their initial state.
        if (iconv(cd_, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1) ||
            iconv(cd_, nullptr, nullptr, &out, &outLeft) == static_cast<size_t>(-1))
            throw vcl::EConvertError(vcl::PrintableText(object) + "." + vcl::PrintableText(property) + ": string '" +
                                     vcl::PrintableText(bytes.substr(0, 40)) + "' is not text in code page " + name_);
        std::u16string units((utf16.size() - outLeft) / 2, u'\0');
        for (size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<char16_t>(static_cast<unsigned char>(utf16[2 * i]) |
                                             (static_cast<unsigned char>(utf16[2 * i + 1]) << 8));
        return units;
    }

    // Every 8-bit string in v with a byte above 127 becomes the wide string it reads as.
    void Widen(ValueData& v, std::string_view object, std::string_view property) {
        if (v.kind == ValueKind::String && !v.isWide && HasHighByte(v.text)) {
            v.wide = Decode(v.text, object, property);
            v.isWide = true;
            v.type = VaType::WString;
            v.text.clear();
        }
        for (ValueData& item : v.items) Widen(item, object, property);
        for (ItemData& item : v.collection)
            for (NamedValue& p : item.properties) Widen(p.value, object, property);
    }

private:
    std::string name_;
    iconv_t cd_;
};

std::unique_ptr<CodePage> OpenCodePage(const std::string& name) {
    return name.empty() ? nullptr : std::make_unique<CodePage>(name);
}

// What a writer has made and not yet passed on. With a sink it passes its bytes on in pieces
// as it goes; without one they stay in out until the end.
class OutputBuffer {
public:
    // With a sink the buffer holds a piece at a time: its room is made once, in one call, rather
    // than grown through ever larger copies each touched page by page.
    explicit OutputBuffer(ByteSink* sink) : sink_(sink) {
        if (sink_ == nullptr) return;
        out.reserve(kPiece + kPiece / 4);
        vcl::PopulatePages(out.data(), out.capacity());
    }
    std::string out;

    void PassOn(bool everything = false) {
        if (sink_ == nullptr || (!everything && out.size() < kPiece)) return;
        sink_->Write(out);
        passed_ += out.size();
        out.clear();
    }
    // Puts bytes over some made already, whether passed on or not.
    void Overwrite(uint64_t offset, std::string_view bytes) {
        if (offset >= passed_) {
            out.replace(size_t(offset - passed_), bytes.size(), bytes);
        } else {
            PassOn(true);
            sink_->Overwrite(offset, bytes);
        }
    }
    uint64_t Made() const { return passed_ + out.size(); }

private:
    static constexpr size_t kPiece = 64 * 1024;
    ByteSink* sink_;
    uint64_t passed_ = 0;
};

// An 8-bit string keeps its bytes: above 127 they stand in the quotes as they are, so the
// text reads back to the same bytes and type. Free Pascal writes them as character codes
// instead, which read back as a wide string of Latin-1 letters; mapped through ISO-8859-1,
// our text is the same as theirs.
class FpcTextWriter : public OutputBuffer {
public:
    FpcTextWriter(std::string_view eol, CodePage* codepage, ByteSink* sink)
        : OutputBuffer(sink), eol_(eol), codepage_(codepage) {}

    // An object with everything in it.
    void Object(formfile::Object o) {
        Begin(o);
        for (formfile::Object c : o.Children()) Object(c);
        End();
    }
    // Its header and properties; its children go between this and End.
    void Begin(formfile::Object o) {
        out += indent_;
        uint8_t f = o.Flags();
        out += (f & ffInline) ? "inline " : (f & ffInherited) ? "inherited " : "object ";
        if (!o.Name().empty()) {
            out += o.Name();
            out += ": ";
        }
        out += o.ClassName();
        if (auto n = o.Order()) out += std::string("[") + std::to_string(*n) + "]";
        out += eol_;
        indent_ += "  ";
        for (PropertyWalk walk(o); walk.Next();) {
            for (Property p : walk.Batch()) {
                object_ = o.Name();
                property_ = p.Name();
                Prop(p, indent_);
            }
        }
    }
    void End() {
        indent_.resize(indent_.size() - 2);
        out += indent_;
        out += "end";
        out += eol_;
        PassOn();
    }

private:
    std::string_view eol_;
    CodePage* codepage_;
    std::string indent_;  // of the object being written
    std::string_view object_, property_;  // what is being written

    void Prop(Property p, const std::string& indent) {
        std::string_view n = p.Name();
        for (const char* word : {"end", "object", "inherited", "inline"})
            if (vcl::SameText(n, word))
                throw vcl::EConvertError(std::string("property '") + std::string(n) + "' cannot be written as text: its name is a keyword");
        out += indent;
        out += p.Name();
        out += " = ";
        Val(p.GetValue(), indent);
        out += eol_;
        PassOn();
    }

    void Val(Value v, const std::string& indent) {
        switch (v.Kind()) {
            case ValueKind::Null: out += "Null"; return;
            case ValueKind::Integer:
                out += v.Type() == VaType::QWord ? std::to_string(static_cast<uint64_t>(v.AsInteger()))
                                                 : std::to_string(v.AsInteger());
                return;
            case ValueKind::Float:
                switch (v.Type()) {
                    case VaType::Currency: out += CurrencyText(v.ToData().integer) + "c"; return;
                    case VaType::Single:
                    case VaType::Date: {
                        // Nan and Inf read back without a suffix; the tag is lost with them.
                        long double x = v.AsFloat();
                        out += FpcFloat(x);
                        if (std::isfinite(x)) out += v.Type() == VaType::Single ? 's' : 'd';
                        return;
                    }
                    default: out += FpcFloat(v.AsFloat()); return;
                }
            case ValueKind::String:
                if (v.IsWideString()) {
                    QuoteString(out, v.AsWideString(), false);
                } else if (std::string bytes = v.AsString(); codepage_ && CodePage::HasHighByte(bytes)) {
                    QuoteString(out, codepage_->Decode(bytes, object_, property_), false);
                } else {
                    QuoteString(out, bytes, true);
                }
                return;
            case ValueKind::Ident:
            case ValueKind::Boolean:
            case ValueKind::Nil: out += v.AsIdent(); return;
            case ValueKind::Set:
                out += '[';
                for (size_t i = 0; i < v.Count(); ++i) {
                    if (i) out += ", ";
                    out += v.Item(i).AsIdent();
                }
                out += ']';
                return;
            case ValueKind::List: {
                std::string inner = indent + "  ";
                out += '(';
                for (size_t i = 0; i < v.Count(); ++i) {
                    out += eol_;
                    out += inner;
                    Val(v.Item(i), inner);
                }
                if (v.Count()) out += eol_;
                out += indent;
                out += ')';
                return;
            }
            case ValueKind::Collection: {
                std::string inner = indent + "  ", props = indent + "    ";
                out += '<';
                for (size_t i = 0; i < v.Count(); ++i) {
                    CollectionItem item = v.Entry(i);
                    out += indent;
                    out += eol_;
                    out += inner;
                    out += "item";
                    if (auto n = item.Order()) out += std::string("[") + std::to_string(*n) + "]";
                    out += eol_;
                    for (Property p : item.Properties()) Prop(p, props);
                    out += inner;
                    out += "end";
                }
                out += '>';
                return;
            }
            case ValueKind::Binary: {
                static const char hex[] = "0123456789ABCDEF";
                std::string bytes = v.AsBinary();
                out += '{';
                out += eol_;
                for (size_t i = 0; i < bytes.size(); i += 32) {
                    out += indent;
                    out += "  ";
                    for (size_t k = i; k < bytes.size() && k < i + 32; ++k) {
                        unsigned char c = static_cast<unsigned char>(bytes[k]);
                        out += hex[c >> 4];
                        out += hex[c & 15];
                    }
                    out += eol_;
                }
                out += indent;
                out += '}';
                return;
            }
        }
    }

};

class BinaryWriter : public OutputBuffer {
public:
    BinaryWriter(CodePage* codepage, ByteSink* sink) : OutputBuffer(sink), codepage_(codepage) {}

    // The stream, behind the resource header when asked: its size field is known at the end.
    void Document(const formfile::Document& doc, bool resourceHeader) {
        Start(doc.Root(), resourceHeader);
        Object(doc.Root());
        Finish();
    }
    void Start(formfile::Object root, bool resourceHeader) {
        if (resourceHeader) {
            out += "\xFF\x0A";
            out += '\0';
            out += vcl::UpperCase(root.ClassName());
            out += '\0';
            out += "\x30\x10";
            sizeAt_ = Made();
            out.append(4, '\0');
        }
        start_ = Made();
        out += "TPF0";
    }
    void Finish() {
        if (sizeAt_ == kNoSize) return;
        std::string size;
        PutLe(size, Made() - start_, 4);
        Overwrite(sizeAt_, size);
    }

    void Object(formfile::Object o) {
        Begin(o);
        for (formfile::Object c : o.Children()) Object(c);
        End();
    }
    // Its header and properties; its children go between this and End.
    void Begin(formfile::Object o) {
        uint8_t f = o.Flags();
        if (f) {
            out += static_cast<char>(0xF0 | f);
            if (f & ffChildPos) PutInt(out, o.Order().value_or(0), VaType::Null);
        }
        PutShort(out, o.ClassName(), "class name");
        PutShort(out, o.Name(), "component name");
        for (PropertyWalk walk(o); walk.Next();) {
            for (Property p : walk.Batch()) {
                PutShort(out, p.Name(), "property name");
                if (!PutAsRead(p.GetValue())) {
                    ValueData v = p.GetValue().ToData();
                    if (codepage_) codepage_->Widen(v, o.Name(), p.Name());
                    RenderBinary(v, out);
                }
                PassOn();
            }
        }
        out += '\0';
    }
    void End() { out += '\0'; }

private:
    // The values a form holds most go out from the document's bytes, as RenderBinary would write
    // their detached copies; false for the rest, and for strings a code page may widen.
    bool PutAsRead(Value v) {
        switch (v.Kind()) {
            case ValueKind::Null: out += static_cast<char>(VaType::Null); return true;
            case ValueKind::Nil: out += static_cast<char>(VaType::Nil); return true;
            case ValueKind::Boolean:
                out += static_cast<char>(v.Type() == VaType::True ? VaType::True : VaType::False);
                return true;
            case ValueKind::Integer: PutInt(out, v.AsInteger(), v.Type()); return true;
            case ValueKind::Ident: PutIdent(out, v.AsIdent()); return true;
            case ValueKind::Set:
                out += static_cast<char>(VaType::Set);
                for (size_t i = 0; i < v.Count(); ++i) PutSetElement(out, v.Item(i).AsIdent());
                out += '\0';
                return true;
            case ValueKind::String:
                if (codepage_ || v.IsWideString()) return false;
                PutNarrowString(out, v.AsString(), v.Type());
                return true;
            default: return false;
        }
    }

    CodePage* codepage_;
    static constexpr uint64_t kNoSize = ~uint64_t{0};
    uint64_t sizeAt_ = kNoSize, start_ = 0;
};

}  // namespace

std::string ToText(const Document& doc, const TextOptions& options) {
    std::unique_ptr<CodePage> codepage = OpenCodePage(options.codepage);
    FpcTextWriter w(options.lineEnding, codepage.get(), nullptr);
    w.out.reserve(2 * doc.Source().size() + 16);  // text of a stream is about twice as long; growing copies
    w.Object(doc.Root());
    return std::move(w.out);
}

void WriteText(const Document& doc, const TextOptions& options, ByteSink& sink) {
    std::unique_ptr<CodePage> codepage = OpenCodePage(options.codepage);
    FpcTextWriter w(options.lineEnding, codepage.get(), &sink);
    w.Object(doc.Root());
    w.PassOn(true);
}

std::string ToBinary(const Document& doc, bool resourceHeader, const std::string& codepage) {
    std::unique_ptr<CodePage> cp = OpenCodePage(codepage);
    BinaryWriter w(cp.get(), nullptr);
    w.out.reserve(doc.Source().size() + 64);  // a stream is shorter than text; growing copies
    w.Document(doc, resourceHeader);
    return std::move(w.out);
}

void WriteBinary(const Document& doc, bool resourceHeader, const std::string& codepage, ByteSink& sink) {
    std::unique_ptr<CodePage> cp = OpenCodePage(codepage);
    BinaryWriter w(cp.get(), &sink);
    w.Document(doc, resourceHeader);
    w.PassOn(true);
}

struct StreamedConversion::Writers {
    std::unique_ptr<CodePage> codepage;
    std::optional<FpcTextWriter> text;
    std::optional<BinaryWriter> binary;
};

StreamedConversion::StreamedConversion(Target target, const TextOptions& text, bool resourceHeader,
                                       const std::string& codepage, ByteSink* sink)
    : target_(target), text_(text), resourceHeader_(resourceHeader), codepage_(codepage), sink_(sink),
      writers_(std::make_unique<Writers>()) {}

StreamedConversion::~StreamedConversion() = default;

template <class F>
void StreamedConversion::Guarded(F step) {
    if (failed_) return;
    try {
        step();
    } catch (...) {
        failed_ = true;  // the conversion after reading meets it again, where it is reported
    }
}

void StreamedConversion::Started(Format source) {
    Guarded([&] {
        toText_ = target_ == Target::Text || (target_ == Target::Other && source != Format::Text);
        Writers& w = *writers_;
        w.codepage = OpenCodePage(toText_ ? text_.codepage : codepage_);
        if (toText_) w.text.emplace(text_.lineEnding, w.codepage.get(), sink_);
        else w.binary.emplace(w.codepage.get(), sink_);
    });
}

void StreamedConversion::ObjectRead(Object object) {
    Guarded([&] {
        Writers& w = *writers_;
        if (w.text) return w.text->Begin(object);
        if (object.Index() == 0) w.binary->Start(object, resourceHeader_);
        w.binary->Begin(object);
    });
}

void StreamedConversion::ObjectEnded(Object) {
    Guarded([&] { writers_->text ? writers_->text->End() : writers_->binary->End(); });
}

void StreamedConversion::Finish() {
    Writers& w = *writers_;
    if (w.binary) w.binary->Finish();
    OutputBuffer& out = w.text ? static_cast<OutputBuffer&>(*w.text) : *w.binary;
    out.PassOn(true);
}

std::string StreamedConversion::TakeBytes() {
    Writers& w = *writers_;
    return std::move(w.text ? w.text->out : w.binary->out);
}

}  // namespace formfile
