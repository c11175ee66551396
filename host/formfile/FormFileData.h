// Node storage behind the formfile handles. Private to host/formfile.
#pragma once

#include "host/formfile/FormFile.h"
#include "host/vcl/LargePages.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace formfile::detail {

constexpr uint32_t kNone = 0xFFFFFFFFu;
// Deep enough for any real form, shallow enough that a hostile file cannot exhaust the stack.
constexpr int kMaxDepth = 200;
// The most property nodes of one object held while a walk or the reading takes them in turn.
constexpr size_t kPropertyBatch = 1024;

// Which buffer a node's offsets refer to: the file as read, or text produced by edits.
enum Store : uint8_t { kSource = 0, kOwned = 1 };

struct ValueNode {
    ValueKind kind = ValueKind::Null;
    VaType va = VaType::Null;
    uint8_t store = kSource;
    uint8_t wide = 0;       // string decodes to UTF-16 code units
    uint32_t off = 0;       // raw bytes: text token(s), or binary payload after the tag
    uint32_t len = 0;
    // Integer value; for containers the range of children in DocData::kids. Two halves keep
    // the node at 20 bytes.
    uint32_t lo = 0;
    uint32_t hi = 0;

    int64_t Num() const { return static_cast<int64_t>(static_cast<uint64_t>(lo) | (static_cast<uint64_t>(hi) << 32)); }
    void SetNum(int64_t v) {
        lo = static_cast<uint32_t>(static_cast<uint64_t>(v));
        hi = static_cast<uint32_t>(static_cast<uint64_t>(v) >> 32);
    }
    uint32_t First() const { return lo; }
    uint32_t Count() const { return hi; }
    void SetKids(uint32_t first, uint32_t count) {
        lo = first;
        hi = count;
    }
};

struct PropNode {
    uint32_t nameOff = 0;
    uint32_t value = kNone;  // the value as read until an edit replaces it (see DocData::readValue)
    uint16_t nameLen = 0;
    uint8_t store = kSource;
    uint8_t inserted = 0;
};

// A range of node indexes in DocData::kids.
struct Range {
    uint32_t first = 0;
    uint32_t count = 0;
};

struct ItemNode {
    uint32_t off = 0;       // 'item' keyword, or the list tag in a stream
    uint32_t endOff = 0;
    int32_t order = 0;
    uint8_t hasOrder = 0;
    uint8_t orderVa = 0;
    uint8_t store = kSource;
    Range props;
};

struct ObjectNode {
    uint32_t off = 0;        // keyword (text) or first header byte (binary)
    uint32_t headerEnd = 0;  // after "[n]"/class name (text) or after the name (binary)
    uint32_t nameOff = 0;    // text: name token; binary: its length byte + 1
    uint32_t classOff = 0;
    uint32_t propsEnd = 0;   // where the properties end: binary, the byte ending their list
    uint32_t endOff = 0;     // text: 'end' keyword; binary: the byte ending the child list
    uint32_t parent = kNone;
    int32_t order = 0;
    uint16_t nameLen = 0;
    uint16_t classLen = 0;
    uint8_t flags = 0;       // filer flags
    uint8_t flagsByte = 0;   // binary: the 0xFn byte as read, 0 when there was none
    uint8_t orderVa = 0;
    uint8_t nameStore = kSource;
    uint8_t classStore = kSource;
    ObjectKind kind = ObjectKind::Object;
    uint8_t propsRead = 0;   // props holds its property nodes (see DocData::ReadProperties)
    Range props;
    Range children;
};

struct Splice {
    uint32_t from = 0;
    uint32_t to = 0;
    uint32_t seq = 0;
    bool dead = false;
    std::string text;
};

// Where an inserted property's line goes and how it looks.
struct InsertPlace {
    uint32_t anchor = 0;
    bool lineStart = true;  // anchor starts a line: the new line ends with eol, else begins with it
    std::string indent;
    std::string eol;
};

struct DocData {
    std::string src;
    std::string fileName;
    Format format = Format::Unknown;
    uint32_t streamOff = 0;        // binary: where "TPF0" starts
    uint32_t resSizeOff = kNone;   // binary: the resource header's size field
    std::string owned;             // bytes of nodes made by edits

    std::vector<ObjectNode> objects;
    std::vector<PropNode> props;
    std::vector<ValueNode> values;
    std::vector<ItemNode> items;
    // Children by range: of list/set/collection values, and the properties and child objects of
    // objects and items. Edits that grow a range copy it to the end.
    std::vector<uint32_t> kids;

    std::vector<Splice> splices;
    std::unordered_map<uint64_t, uint32_t> spliceOf;  // (node kind, index) -> splice
    uint32_t nextSeq = 0;
    uint32_t edits = 0;  // splices made or changed
    std::unordered_map<uint64_t, InsertPlace> inserted;                   // by splice key
    std::unordered_map<uint32_t, uint32_t> readValue;                     // property -> value as read
    int8_t fpcLayout = -1;   // the file's multi-line values look like Lazarus's; -1 until needed
    std::unordered_map<uint32_t, std::pair<uint32_t, uint32_t>> origName;   // header as read, by object
    std::unordered_map<uint32_t, std::pair<uint32_t, uint32_t>> origClass;

    mutable std::vector<uint32_t> lineStarts;
    // Where readers gather what they read of a range before it goes to kids. Kept between
    // readings: an object's properties are read again often, and need not allocate each time.
    std::vector<uint32_t> scratch;
    ReadListener* listener = nullptr;  // while the source is read, when one asked to be told

    // Called as each object is read: the pages of what reading keeps of every object (the
    // objects, and the child lists in kids) are made present ahead of their fill rather than
    // trapped into one at a time. Property nodes are one object's worth, and reuse their pages.
    void KeepAhead() {
        Ahead(kidsAhead, kids);
        Ahead(objectsAhead, objects);
    }
    template <class T>
    static void Ahead(vcl::TFillAhead& ahead, const std::vector<T>& v) {
        ahead.Filled(v.data(), v.size() * sizeof(T), v.capacity() * sizeof(T));
    }
    vcl::TFillAhead kidsAhead, objectsAhead;

    std::string_view Bytes(uint8_t store, uint32_t off, uint32_t len) const {
        const std::string& b = store == kOwned ? owned : src;
        return std::string_view(b).substr(off, len);
    }
    std::string_view Raw(const ValueNode& v) const { return Bytes(v.store, v.off, v.len); }
    std::string_view Name(const PropNode& p) const { return Bytes(p.store, p.nameOff, p.nameLen); }
    bool IsText() const { return format == Format::Text; }
    SourcePos PositionOf(uint32_t offset) const;
    const uint32_t* At(Range r) const { return kids.data() + r.first; }
    // Where the property's value was in the source: what a change of it replaces.
    std::pair<uint32_t, uint32_t> ReadSpan(uint32_t prop) const;
    Range Append(Range r, uint32_t extra);
    // An object's property nodes are read from its bytes when first asked for, and kept: the
    // document holds only the properties someone asked for (see PropertyScope).
    void ReadProperties(uint32_t object);
    // At most most of an object's properties, from the byte at from, into nodes not kept by the
    // object; next gets where those after them begin (its properties' end when none are left).
    Range ReadSomeProperties(uint32_t object, uint32_t from, size_t most, uint32_t& next);
    NodeCounts Counts() const { return {props.size(), values.size(), items.size(), kids.size()}; }
    // Gives back the nodes made after counts were taken.
    void TruncateTo(const NodeCounts& counts);
    [[noreturn]] void Fail(uint32_t offset, const std::string& reason) const;
};

// Room for the objects a reader expects. Room never used is never touched, so a generous guess
// costs address space, not memory, while a vector that grows copies everything it holds.
void ReserveObjects(DocData& d, size_t objects);
// After reading: the room the objects left in their last large page goes back to the system.
void ReleaseSpareObjects(DocData& d);

// Readers fill a DocData from its src: every object, each with where its properties are. The
// properties are read in full, so that a malformed file fails here, and let go again; the
// property readers read them once more, into nodes, for DocData::ReadProperties. The value
// readers parse a value that an edit rendered into DocData::owned and return its node.
void ReadText(DocData& d);
void ReadBinary(DocData& d);
// At most most properties from begin; next gets where the reading stopped.
Range ReadTextProperties(DocData& d, uint32_t begin, uint32_t end, size_t most, uint32_t& next);
Range ReadBinaryProperties(DocData& d, uint32_t begin, uint32_t end, size_t most, uint32_t& next);
uint32_t ReadOwnedTextValue(DocData& d, uint32_t off, uint32_t len);
uint32_t ReadOwnedBinaryValue(DocData& d, uint32_t off, uint32_t len);

// Decoding of stored values.
std::u16string DecodeWide(const DocData& d, const ValueNode& v);
std::string DecodeNarrow(const DocData& d, const ValueNode& v);
long double DecodeFloat(const DocData& d, const ValueNode& v);
int64_t DecodeCurrency(const DocData& d, const ValueNode& v);  // in ten-thousandths
std::string DecodeBinary(const DocData& d, const ValueNode& v);
std::string_view DecodeIdent(const DocData& d, const ValueNode& v);

// Rendering of detached values.
std::string RenderText(const ValueData& v, std::string_view indent, std::string_view eol, bool fpcLayout);
void RenderBinary(const ValueData& v, std::string& out);
void AppendUtf8(std::string& out, char32_t c);
std::string Utf16ToUtf8(std::u16string_view s);
std::u16string Utf8ToUtf16(std::string_view s);
VaType SmallestIntType(int64_t v);

bool IsIdentStart(unsigned char c);
bool IsIdentChar(unsigned char c);
bool IsDottedIdent(std::string_view s);

// What both readers share: where they read from, and how they add nodes to the document.
class ReaderBase {
protected:
    ReaderBase(DocData& d, uint8_t store, uint32_t begin, uint32_t end)
        : d_(d), buf_(store == kOwned ? d.owned : d.src), store_(store), pos_(begin), end_(end), scratch_(d.scratch) {}

    unsigned char At(uint32_t i) const { return static_cast<unsigned char>(buf_[i]); }

    [[noreturn]] void Fail(uint32_t at, const std::string& reason) const {
        d_.Fail(store_ == kSource ? at : kNone, reason);
    }

    // A value whose bytes run from start to the read position.
    uint32_t NewValue(ValueKind kind, VaType va, uint32_t start) {
        ValueNode v;
        v.kind = kind;
        v.va = va;
        v.store = store_;
        v.off = start;
        v.len = pos_ - start;
        d_.values.push_back(v);
        return static_cast<uint32_t>(d_.values.size() - 1);
    }

    // Children were pushed on scratch_ from base; move them into DocData::kids as one range.
    Range Commit(size_t base) {
        Range r{static_cast<uint32_t>(d_.kids.size()), static_cast<uint32_t>(scratch_.size() - base)};
        d_.kids.insert(d_.kids.end(), scratch_.begin() + static_cast<ptrdiff_t>(base), scratch_.end());
        scratch_.resize(base);
        return r;
    }

    // After each property read: an object holds the nodes of one batch of them at most while it
    // is read, those read before going as the next begins, so that an object a file gives
    // hundreds of thousands of properties never holds them all. Its listener reads them again
    // batch by batch (PropertyWalk).
    void HoldOneBatch(const NodeCounts& before, size_t base, bool& dropped) {
        if (scratch_.size() - base < kPropertyBatch) return;
        DropProperties(before, base);
        dropped = true;
    }
    // The nodes of the object's properties read so far, the object starting at before and base.
    void DropProperties(const NodeCounts& before, size_t base) {
        scratch_.resize(base);
        d_.TruncateTo(before);
    }

    // Once an object's properties are read, their nodes go again; the object keeps where they
    // end (their beginning is its header's end).
    // A listener is told of the object while they are there, unless there were more than a
    // batch. Should it read or edit anything meanwhile (another object's properties),
    // everything stays: what it read lies beyond them.
    void ForgetProperties(uint32_t object, const NodeCounts& before, size_t base, bool dropped) {
        d_.objects[object].propsEnd = pos_;
        if (dropped) {
            DropProperties(before, base);
            if (d_.listener != nullptr) d_.listener->ObjectRead(Object(&d_, object));
            return;
        }
        if (d_.listener != nullptr) {
            d_.objects[object].props = Commit(base);
            d_.objects[object].propsRead = 1;
            const NodeCounts read = d_.Counts();
            const uint32_t edits = d_.edits;
            d_.listener->ObjectRead(Object(&d_, object));
            if (!(d_.Counts() == read) || d_.edits != edits) return;
            d_.objects[object].props = {};
            d_.objects[object].propsRead = 0;
        }
        DropProperties(before, base);
    }

    void Ended(uint32_t object) {
        if (d_.listener != nullptr) d_.listener->ObjectEnded(Object(&d_, object));
    }

    void CommitKids(uint32_t value, size_t base) {
        Range r = Commit(base);
        d_.values[value].SetKids(r.first, r.count);
    }

    DocData& d_;
    const std::string& buf_;
    uint8_t store_;
    uint32_t pos_;
    uint32_t end_;
    std::vector<uint32_t>& scratch_;  // used as a stack from the size it had when a reading began
};

}  // namespace formfile::detail
