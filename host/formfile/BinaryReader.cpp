// Reader of binary form streams ("TPF0"), bare or behind a 16-bit resource header.
// Every length is checked against what is left of the input before it is used.
#include "host/formfile/FormFileData.h"
#include "host/vcl/SysUtils.h"

#include <cstring>

namespace formfile::detail {

namespace {

std::string Printable(std::string_view s) {
    return vcl::PrintableText(s.substr(0, 40)) + (s.size() > 40 ? "..." : "");
}

class BinaryReader : private ReaderBase {
public:
    BinaryReader(DocData& d, uint8_t store, uint32_t begin, uint32_t end) : ReaderBase(d, store, begin, end) {}

    void ReadDocument() {
        uint32_t fileEnd = end_;
        if (end_ >= 3 && At(0) == 0xFF && At(1) == 0x0A && At(2) == 0x00) ReadResourceHeader();
        d_.streamOff = pos_;
        Need(4, "the 'TPF0' signature");
        if (std::memcmp(buf_.data() + pos_, "TPF0", 4) != 0)
            Fail(pos_, "missing the 'TPF0' signature of a binary form stream");
        pos_ += 4;
        ReadObject(kNone, 0);
        // Resources may be padded; anything else after the root object is damage.
        for (uint32_t p = pos_; p < fileEnd; ++p)
            if (At(p) != 0) Fail(p, "unexpected data after the root object");
    }

    // An object's properties, read again from its header's end to the byte ending their list.
    Range ReadPropertyList(size_t most, uint32_t& next) {
        const size_t base = scratch_.size();
        while (pos_ < end_ && scratch_.size() - base < most) scratch_.push_back(ReadProperty(0));
        next = pos_;
        return Commit(base);
    }

    uint32_t ReadLoneValue() {
        uint32_t v = ReadValue(1);
        if (pos_ != end_) Fail(pos_, "unexpected data after the value");
        return v;
    }

private:

    void Need(uint64_t n, const char* what) const {
        if (n > end_ - pos_)
            Fail(pos_, std::string("unexpected end of the stream while reading ") + what + " (" +
                           std::to_string(n) + std::string(" bytes needed, ") + std::to_string(end_ - pos_) + " left)");
    }

    uint8_t Byte(const char* what) {
        Need(1, what);
        return At(pos_++);
    }

    uint32_t U32(const char* what) {
        Need(4, what);
        uint32_t v = At(pos_) | (At(pos_ + 1) << 8) | (At(pos_ + 2) << 16) | (static_cast<uint32_t>(At(pos_ + 3)) << 24);
        pos_ += 4;
        return v;
    }

    uint64_t Le(uint32_t at, int n) const {
        uint64_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = (v << 8) | At(at + static_cast<uint32_t>(i));
        return v;
    }

    void ReadResourceHeader() {
        pos_ = 3;
        if (Byte("the resource name") == 0xFF) {
            Need(2, "the resource ordinal");
            pos_ += 2;
        } else {
            --pos_;
            uint32_t start = pos_;
            while (pos_ < end_ && At(pos_) != 0) {
                if (pos_ - start > 255) Fail(start, "resource name is not terminated");
                ++pos_;
            }
            if (pos_ >= end_) Fail(start, "resource name is not terminated");
            ++pos_;
        }
        Need(2, "the resource flags");
        pos_ += 2;
        d_.resSizeOff = pos_;
        uint32_t size = U32("the resource size");
        if (size > end_ - pos_)
            Fail(d_.resSizeOff, std::string("resource header announces ") + std::to_string(size) + " bytes but only " +
                                    std::to_string(end_ - pos_) + " follow");
        end_ = pos_ + size;
    }

    std::string_view ShortString(const char* what, uint32_t* start) {
        uint8_t n = Byte(what);
        Need(n, what);
        *start = pos_;
        pos_ += n;
        return std::string_view(buf_).substr(*start, n);
    }

    int64_t ReadIntAt(VaType t) {
        switch (t) {
            case VaType::Int8: Need(1, "an integer"); pos_ += 1; return static_cast<int8_t>(At(pos_ - 1));
            case VaType::Int16: Need(2, "an integer"); pos_ += 2; return static_cast<int16_t>(Le(pos_ - 2, 2));
            case VaType::Int32: Need(4, "an integer"); pos_ += 4; return static_cast<int32_t>(Le(pos_ - 4, 4));
            default: Need(8, "an integer"); pos_ += 8; return static_cast<int64_t>(Le(pos_ - 8, 8));
        }
    }

    static bool IsSmallInt(uint8_t t) {
        return t == uint8_t(VaType::Int8) || t == uint8_t(VaType::Int16) || t == uint8_t(VaType::Int32);
    }

    void ReadObject(uint32_t parent, int depth) {
        if (depth > kMaxDepth) Fail(pos_, "objects are nested too deeply");
        ObjectNode o;
        o.off = pos_;
        o.parent = parent;
        Need(1, "an object header");
        if ((At(pos_) & 0xF0) == 0xF0) {
            o.flagsByte = At(pos_++);
            o.flags = o.flagsByte & 0x0F;
            if (o.flags & ffChildPos) {
                uint32_t at = pos_;
                uint8_t t = Byte("the child position");
                if (!IsSmallInt(t)) Fail(at, "child position of an object header is not an integer");
                o.orderVa = t;
                o.order = static_cast<int32_t>(ReadIntAt(static_cast<VaType>(t)));
            }
        }
        o.kind = (o.flags & ffInline) ? ObjectKind::Inline
                 : (o.flags & ffInherited) ? ObjectKind::Inherited : ObjectKind::Object;
        uint32_t s = 0;
        std::string_view cls = ShortString("a class name", &s);
        if (!IsDottedIdent(cls) || cls.find('.') != cls.npos)
            Fail(s - 1, std::string("class name '") + Printable(cls) + "' is not an identifier");
        o.classOff = s;
        o.classLen = static_cast<uint16_t>(cls.size());
        std::string_view name = ShortString("a component name", &s);
        if (!name.empty() && (!IsDottedIdent(name) || name.find('.') != name.npos))
            Fail(s - 1, std::string("component name '") + Printable(name) + "' is not an identifier");
        o.nameOff = s;
        o.nameLen = static_cast<uint16_t>(name.size());
        o.headerEnd = pos_;
        uint32_t self = static_cast<uint32_t>(d_.objects.size());
        d_.objects.push_back(o);
        d_.KeepAhead();
        const NodeCounts before = d_.Counts();
        size_t base = scratch_.size();
        bool dropped = false;
        for (;;) {
            Need(1, "a property name or the end of the property list");
            if (At(pos_) == 0) break;
            uint32_t p = ReadProperty(depth);
            scratch_.push_back(p);
            HoldOneBatch(before, base, dropped);
        }
        ForgetProperties(self, before, base, dropped);
        ++pos_;
        for (;;) {
            Need(1, "a child object or the end of the child list");
            if (At(pos_) == 0) break;
            uint32_t child = static_cast<uint32_t>(d_.objects.size());
            ReadObject(self, depth + 1);
            scratch_.push_back(child);
        }
        d_.objects[self].children = Commit(base);
        d_.objects[self].endOff = pos_++;
        Ended(self);
    }

    uint32_t ReadProperty(int depth) {
        PropNode p;
        p.store = store_;
        uint32_t s = 0;
        std::string_view name = ShortString("a property name", &s);
        if (!IsDottedIdent(name)) Fail(s - 1, std::string("property name '") + Printable(name) + "' is not an identifier");
        p.nameOff = s;
        p.nameLen = static_cast<uint16_t>(name.size());
        p.value = ReadValue(depth + 1);
        d_.props.push_back(p);
        return static_cast<uint32_t>(d_.props.size() - 1);
    }

    uint32_t ReadValue(int depth) {
        if (depth > kMaxDepth) Fail(pos_, "values are nested too deeply");
        uint32_t tagAt = pos_;
        uint8_t tag = Byte("a value type");
        uint32_t payload = pos_;
        VaType va = static_cast<VaType>(tag);
        switch (va) {
            case VaType::Null: return NewValue(ValueKind::Null, va, payload);
            case VaType::Int8:
            case VaType::Int16:
            case VaType::Int32:
            case VaType::Int64:
            case VaType::QWord: {
                int64_t v = ReadIntAt(va);
                uint32_t n = NewValue(ValueKind::Integer, va, payload);
                d_.values[n].SetNum(v);
                return n;
            }
            case VaType::Extended: Need(10, "an extended float"); pos_ += 10; return NewValue(ValueKind::Float, va, payload);
            case VaType::Single: Need(4, "a single float"); pos_ += 4; return NewValue(ValueKind::Float, va, payload);
            case VaType::Currency:
            case VaType::Date: Need(8, "a float"); pos_ += 8; return NewValue(ValueKind::Float, va, payload);
            case VaType::String: {
                uint8_t n = Byte("a string length");
                Need(n, "a string");
                pos_ += n;
                return NewValue(ValueKind::String, va, payload);
            }
            case VaType::LString:
            case VaType::UTF8String: {
                uint32_t n = U32("a string length");
                Need(n, "a string");
                pos_ += n;
                return NewValue(ValueKind::String, va, payload);
            }
            case VaType::WString:
            case VaType::UString: {
                uint32_t n = U32("a string length");
                Need(uint64_t{n} * 2, "a wide string");
                pos_ += n * 2;
                uint32_t v = NewValue(ValueKind::String, va, payload);
                d_.values[v].wide = 1;
                return v;
            }
            case VaType::Ident: {
                uint32_t s = 0;
                std::string_view id = ShortString("an identifier", &s);
                if (!IsDottedIdent(id)) Fail(tagAt, std::string("identifier value '") + Printable(id) + "' is not an identifier");
                return NewValue(ValueKind::Ident, va, payload);
            }
            case VaType::False:
            case VaType::True: return NewValue(ValueKind::Boolean, va, payload);
            case VaType::Nil: return NewValue(ValueKind::Nil, va, payload);
            case VaType::Binary: {
                uint32_t n = U32("the binary data length");
                Need(n, "binary data");
                pos_ += n;
                uint32_t v = NewValue(ValueKind::Binary, va, payload);
                d_.values[v].SetNum(n);
                return v;
            }
            case VaType::Set: {
                size_t base = scratch_.size();
                for (;;) {
                    uint32_t at = pos_;
                    uint32_t s = 0;
                    std::string_view e = ShortString("a set element", &s);
                    if (e.empty()) break;
                    if (!IsDottedIdent(e) || e.find('.') != e.npos)
                        Fail(at, std::string("set element '") + Printable(e) + "' is not an identifier");
                    scratch_.push_back(NewValue(ValueKind::Ident, VaType::Ident, at));
                }
                uint32_t v = NewValue(ValueKind::Set, va, payload);
                CommitKids(v, base);
                return v;
            }
            case VaType::List: {
                size_t base = scratch_.size();
                for (;;) {
                    Need(1, "a list item or the end of the list");
                    if (At(pos_) == 0) break;
                    uint32_t item = ReadValue(depth + 1);
                    scratch_.push_back(item);
                }
                ++pos_;
                uint32_t v = NewValue(ValueKind::List, va, payload);
                CommitKids(v, base);
                return v;
            }
            case VaType::Collection: {
                size_t base = scratch_.size();
                for (;;) {
                    Need(1, "a collection item or the end of the collection");
                    if (At(pos_) == 0) break;
                    ItemNode it;
                    it.off = pos_;
                    it.store = store_;
                    if (IsSmallInt(At(pos_))) {
                        it.orderVa = At(pos_++);
                        it.order = static_cast<int32_t>(ReadIntAt(static_cast<VaType>(it.orderVa)));
                        it.hasOrder = 1;
                    }
                    uint32_t at = pos_;
                    if (Byte("a collection item") != uint8_t(VaType::List))
                        Fail(at, "expected the start of a collection item");
                    uint32_t self = static_cast<uint32_t>(d_.items.size());
                    d_.items.push_back(it);
                    size_t propBase = scratch_.size();
                    for (;;) {
                        Need(1, "a property name or the end of the collection item");
                        if (At(pos_) == 0) break;
                        uint32_t p = ReadProperty(depth);
                        scratch_.push_back(p);
                    }
                    d_.items[self].props = Commit(propBase);
                    d_.items[self].endOff = pos_++;
                    scratch_.push_back(self);
                }
                ++pos_;
                uint32_t v = NewValue(ValueKind::Collection, va, payload);
                CommitKids(v, base);
                return v;
            }
        }
        Fail(tagAt, std::string("unknown value type ") + std::to_string(tag));
    }
};

}  // namespace

void ReadBinary(DocData& d) {
    // Objects of real streams take 40 bytes and more: room for that many.
    const size_t n = d.src.size();
    ReserveObjects(d, n / 40 + 4);
    BinaryReader r(d, kSource, 0, static_cast<uint32_t>(d.src.size()));
    r.ReadDocument();
}

Range ReadBinaryProperties(DocData& d, uint32_t begin, uint32_t end, size_t most, uint32_t& next) {
    BinaryReader r(d, kSource, begin, end);
    return r.ReadPropertyList(most, next);
}

uint32_t ReadOwnedBinaryValue(DocData& d, uint32_t off, uint32_t len) {
    BinaryReader r(d, kOwned, off, off + len);
    return r.ReadLoneValue();
}

}  // namespace formfile::detail
