// Syntax tree of a form file (.dfm/.lfm/.xfm, text or binary), independent of any component model.
//
// A Document keeps the file's bytes; nodes refer to them by offset, so an unchanged document writes
// back byte for byte. Edits are recorded as splices over the original bytes: only what changed is
// re-rendered, in the file's own style.
//
// Handles (Object, Property, Value, CollectionItem) are small views into their Document. They stay
// valid while the Document lives (moving it is fine), except those taken from a PropertyScope or
// a PropertyWalk; a range from Properties() no longer reflects the object once properties are
// inserted into it or removed from it. An object's properties are read from the bytes when first
// asked for, so even reading a Document changes it: one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace formfile {

namespace detail {
struct DocData;
class ReaderBase;
// How many nodes of each kind a document holds.
struct NodeCounts {
    size_t props = 0, values = 0, items = 0, kids = 0;
    bool operator==(const NodeCounts&) const = default;
};
}

enum class Format : uint8_t {
    Unknown,
    Text,      // object ... end
    Binary,    // bare "TPF0" stream
    Resource,  // "TPF0" stream behind the 16-bit resource header of binary .dfm files
};

// Looks at the first bytes only; Unknown when it is neither a stream nor starts like a text form.
Format DetectFormat(std::string_view bytes);

enum class ObjectKind : uint8_t { Object, Inherited, Inline };

// Filer flags of an object header in a binary stream.
enum FilerFlags : uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

// Tags of the binary stream; also what a text value becomes when converted to binary.
enum class VaType : uint8_t {
    Null = 0, List, Int8, Int16, Int32, Extended, String, Ident, False, True, Binary, Set, LString,
    Nil, Collection, Single, Currency, Date, WString, Int64, UTF8String, UString, QWord,
};
const char* VaTypeName(VaType t);

enum class ValueKind : uint8_t {
    Null,        // vaNull as a value (binary only)
    Integer,     // Int8/16/32/64, QWord
    Float,       // Extended, Single, Currency, Date
    String,      // 8-bit (String/LString/UTF8String) or wide (WString/UString)
    Ident,       // clBtnFace, DataModule1.Table1
    Boolean,     // True/False
    Nil,
    Set,         // [a, b]; elements are Ident values
    List,        // ( ... )
    Collection,  // < item ... end >
    Binary,      // { hex }
};

struct SourcePos {
    uint32_t offset = 0;  // byte offset in the file
    int line = 0;         // 1-based for text; 0 for binary files and for nodes added by edits
    int column = 0;       // 1-based byte column for text
};

struct ItemData;

// A value detached from any document: what edits take and what Value::ToData() gives.
// type says how it is tagged in a binary stream; Null there means "pick the smallest fitting tag".
struct ValueData {
    ValueKind kind = ValueKind::Null;
    VaType type = VaType::Null;
    int64_t integer = 0;               // Integer; Boolean as 0/1; Currency in ten-thousandths
    long double real = 0;              // Float
    std::string text;                  // 8-bit string bytes, identifier, binary bytes
    std::u16string wide;               // wide string code units
    bool isWide = false;
    std::vector<ValueData> items;      // List items; Set elements (Ident)
    std::vector<ItemData> collection;  // Collection items

    static ValueData Integer(int64_t v, VaType t = VaType::Null);
    static ValueData Float(long double v, VaType t = VaType::Extended);
    static ValueData String(std::string bytes);
    static ValueData WideString(std::u16string units);
    static ValueData Ident(std::string name);
    static ValueData Boolean(bool v);
    static ValueData Nil();
    static ValueData Set(std::vector<std::string> elements);
    static ValueData List(std::vector<ValueData> items);
    static ValueData Binary(std::string bytes);
    static ValueData Collection(std::vector<ItemData> items);

    // Same kind and same content. Binary tags are ignored, and 8-bit strings compare with wide ones
    // by mapping each byte to the code unit of the same number, as the binary converters do.
    bool operator==(const ValueData& other) const;
    std::u16string Utf16() const;  // the string as code units (8-bit bytes widened one by one)
};

struct NamedValue {
    std::string name;
    ValueData value;
};

struct ItemData {
    std::optional<int32_t> order;
    std::vector<NamedValue> properties;
    bool operator==(const ItemData& other) const;
};

class Document;
class Property;
class CollectionItem;

class Value {
public:
    ValueKind Kind() const;
    VaType Type() const;
    bool IsWideString() const;

    // Each accessor raises vcl::EConvertError when the value is of another kind.
    int64_t AsInteger() const;
    long double AsFloat() const;       // integers convert
    bool AsBoolean() const;
    std::string AsString() const;      // 8-bit strings as stored; wide strings as UTF-8
    std::u16string AsWideString() const;
    std::string_view AsIdent() const;
    std::string AsBinary() const;

    // List items, set elements (Ident values) or collection items.
    size_t Count() const;
    Value Item(size_t index) const;
    CollectionItem Entry(size_t index) const;

    std::string_view Raw() const;      // the value's bytes in the file (text token(s) or tag+payload)
    SourcePos Position() const;
    ValueData ToData() const;

private:
    friend class Property;
    friend class CollectionItem;
    Value(detail::DocData* d, uint32_t i) : d_(d), i_(i) {}
    detail::DocData* d_;
    uint32_t i_;
};

class Property {
public:
    std::string_view Name() const;
    Value GetValue() const;
    SourcePos Position() const;
    // Where Position() points, without working out its line.
    uint32_t Offset() const;
    // Replaces the value; the file keeps its layout around it.
    void SetValue(const ValueData& value);
    bool IsSameName(std::string_view name) const;  // property names ignore ASCII case

private:
    friend class Object;
    friend class CollectionItem;
    template <class> friend class HandleRange;
    Property(detail::DocData* d, uint32_t i) : d_(d), i_(i) {}
    detail::DocData* d_;
    uint32_t i_;
};

// Iterable view over the handles an object or item holds. It reads the document's index
// array on each step, so changing values while iterating is fine; inserting or removing
// properties of the same object is not.
template <class Handle>
class HandleRange {
public:
    class iterator {
    public:
        iterator(detail::DocData* d, const std::vector<uint32_t>* ids, size_t i) : d_(d), ids_(ids), i_(i) {}
        Handle operator*() const { return Handle(d_, (*ids_)[i_]); }
        iterator& operator++() { ++i_; return *this; }
        bool operator!=(const iterator& o) const { return i_ != o.i_; }
        bool operator==(const iterator& o) const { return i_ == o.i_; }
    private:
        detail::DocData* d_;
        const std::vector<uint32_t>* ids_;
        size_t i_;
    };
    HandleRange(detail::DocData* d, const std::vector<uint32_t>* ids, uint32_t first, uint32_t count)
        : d_(d), ids_(ids), first_(first), count_(count) {}
    iterator begin() const { return {d_, ids_, first_}; }
    iterator end() const { return {d_, ids_, size_t{first_} + count_}; }
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    Handle operator[](size_t i) const { return Handle(d_, (*ids_)[first_ + i]); }
private:
    detail::DocData* d_;
    const std::vector<uint32_t>* ids_;
    uint32_t first_;
    uint32_t count_;
};

class CollectionItem {
public:
    std::optional<int32_t> Order() const;
    HandleRange<Property> Properties() const;
    std::optional<Property> FindProperty(std::string_view name) const;
    SourcePos Position() const;

private:
    friend class Value;
    CollectionItem(detail::DocData* d, uint32_t i) : d_(d), i_(i) {}
    detail::DocData* d_;
    uint32_t i_;
};

class Object {
public:
    ObjectKind Kind() const;
    uint8_t Flags() const;                   // filer flags (ffInherited | ffChildPos | ffInline)
    std::string_view Name() const;           // empty for "object TClass"
    std::string_view ClassName() const;
    std::optional<int32_t> Order() const;    // the [n] of the header
    SourcePos Position() const;
    uint32_t Offset() const;  // of its first byte in the source
    std::optional<Object> Parent() const;

    HandleRange<Property> Properties() const;
    HandleRange<Object> Children() const;
    std::optional<Property> FindProperty(std::string_view name) const;  // ignores ASCII case
    std::optional<Object> FindChild(std::string_view name) const;

    // Changes the property's value, or adds the property after the object's last property
    // (before its child objects), where a form writer would put a property it knows no order for.
    Property SetProperty(std::string_view name, const ValueData& value);
    bool RemoveProperty(std::string_view name);
    void SetName(std::string_view name);     // empty makes it "object TClass"
    void SetClassName(std::string_view name);

    bool operator==(const Object& o) const { return d_ == o.d_ && i_ == o.i_; }
    // Its place among the document's objects, in file order (Document::ObjectAt).
    uint32_t Index() const { return i_; }

private:
    friend class Document;
    friend class PropertyScope;
    friend class PropertyWalk;
    template <class> friend class HandleRange;
    friend class detail::ReaderBase;
    Object(detail::DocData* d, uint32_t i) : d_(d), i_(i) {}
    detail::DocData* d_;
    uint32_t i_;
};

// Told of each object while a document is read: the object as soon as its properties are read,
// then its end once its children are. The handles are valid during the call only, and an object
// has no children yet when it is first told of. The reading goes on whatever a listener meets:
// it must not throw.
class ReadListener {
public:
    // Once, before any object: the format the bytes are in.
    virtual void Started(Format source) = 0;
    virtual void ObjectRead(Object object) = 0;
    virtual void ObjectEnded(Object object) = 0;
    // The reading failed: whatever the listener made that may hold views of the bytes goes
    // now, while they still live.
    virtual void Abandoned() {}

protected:
    ~ReadListener() = default;
};

// An object's properties, all of them, while the scope lives. A document reads an object's
// properties from its bytes when they are first asked for, and keeps them; what looks at one
// object's properties several times (what tells an unknown class, a component reading its stored
// data) takes them in a scope instead, which lets them go at its end, so that a large form never
// holds the nodes of all its properties at once; a walk that takes each once goes by batches
// (PropertyWalk). They stay when something read or edited since needs them. Properties, values
// and items taken from a scope are valid only while it lives.
class PropertyScope {
public:
    explicit PropertyScope(Object object);
    ~PropertyScope();
    PropertyScope(const PropertyScope&) = delete;
    PropertyScope& operator=(const PropertyScope&) = delete;
    HandleRange<Property> Properties() const { return object_.Properties(); }

private:
    Object object_;
    bool read_ = false;  // this scope read them
    detail::NodeCounts before_, after_;
    uint32_t edits_ = 0;
};

// An object's properties in turn, a batch at a time, for a walk that takes each once and edits
// nothing (building the components, a conversion). Properties the object holds are one batch;
// others are read from the bytes a batch at a time, each let go as the next is read, so that an
// object a file gives hundreds of thousands of properties never has the nodes of all of them.
// Nodes that something read or edited since may name stay. A batch is valid until the next.
//     for (PropertyWalk walk(object); walk.Next();)
//         for (Property p : walk.Batch()) ...
class PropertyWalk {
public:
    explicit PropertyWalk(Object object);
    ~PropertyWalk();
    PropertyWalk(const PropertyWalk&) = delete;
    PropertyWalk& operator=(const PropertyWalk&) = delete;
    // The next batch, never empty; false once every property was given.
    bool Next();
    HandleRange<Property> Batch() const;

private:
    void LetGo();  // the batch this walk read, unless something since needs it
    Object object_;
    uint32_t next_;  // where the next batch begins in the bytes
    uint32_t first_ = 0, count_ = 0;  // the batch, in the document's index array
    bool held_;      // the object holds its properties: they are the one batch
    bool read_ = false;  // this walk read the batch
    bool done_ = false;
    detail::NodeCounts before_, after_;
    uint32_t edits_ = 0;
};

class Document {
public:
    // Reads text or binary, whichever the bytes are. Raises vcl::EParserError on malformed input;
    // fileName only goes into that error.
    static Document Parse(std::string bytes, std::string fileName = {}, ReadListener* listener = nullptr);
    static Document ParseFile(const std::string& path, ReadListener* listener = nullptr);

    Document(Document&&) noexcept;
    Document& operator=(Document&&) noexcept;
    ~Document();

    Format SourceFormat() const;
    const std::string& FileName() const;
    std::string_view Source() const;          // the bytes as read
    Object Root() const;

    bool IsModified() const;
    // The file in its own format: the source bytes with the edits spliced in.
    std::string Write() const;

    // Where a byte of the source is; line 0 for binary files.
    SourcePos PositionOf(uint32_t offset) const;

    size_t ObjectCount() const;
    Object ObjectAt(uint32_t index) const;  // index below ObjectCount()
    size_t MemoryUsage() const;               // bytes held, source included

private:
    friend class TFormFile;  // holds one that its components are built from while it is read
    Document();
    explicit Document(std::unique_ptr<detail::DocData> d);
    std::unique_ptr<detail::DocData> d_;
};

// Conversions in the layout of Free Pascal's ObjectTextToBinary/ObjectBinaryToText, except
// that 8-bit strings keep their type and bytes both ways (Free Pascal widens them as Latin-1).
// A codepage (an iconv name: "CP1251", "ISO-8859-2", "UTF-8") maps the 8-bit strings that
// hold bytes above 127 to the wide strings they read as in it; an unknown code page, or bytes
// that are not text in it, raise vcl::EConvertError.
struct TextOptions {
    TextOptions() = default;
    TextOptions(std::string eol, std::string cp = {}) : lineEnding(std::move(eol)), codepage(std::move(cp)) {}
    std::string lineEnding = "\n";
    std::string codepage;  // empty: 8-bit strings keep their bytes
};
std::string ToText(const Document& doc, const TextOptions& options = {});
// A "TPF0" stream; with resourceHeader, behind the header a binary .dfm carries.
std::string ToBinary(const Document& doc, bool resourceHeader = false, const std::string& codepage = {});

// Where a conversion's bytes go as they are made, so that a large form's conversion never
// stands in memory whole.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(std::string_view bytes) = 0;
    // Bytes put over some written already: the resource header's size, known at the end.
    virtual void Overwrite(uint64_t offset, std::string_view bytes) = 0;
};
// ToText and ToBinary into a sink, the same bytes in pieces.
void WriteText(const Document& doc, const TextOptions& options, ByteSink& sink);
void WriteBinary(const Document& doc, bool resourceHeader, const std::string& codepage, ByteSink& sink);

// A conversion made while the document is read (its listener in Document::Parse): each object
// goes out as soon as its properties are read, rather than once the whole file is read, when
// its properties would be read again. The bytes are those WriteText and WriteBinary make.
// Whatever the conversion meets (an unknown code page, a name too long for a binary stream, a
// sink that fails) is not thrown into the reading, which reports its own faults first: the
// conversion stops and Failed() tells, and the caller converts the read document as before,
// which meets the same failure where it always did.
class StreamedConversion final : public ReadListener {
public:
    enum class Target : uint8_t { Text, Binary, Other };  // Other: the format the source is not
    // Into sink, or kept for TakeBytes without one.
    StreamedConversion(Target target, const TextOptions& text, bool resourceHeader, const std::string& codepage,
                       ByteSink* sink);
    ~StreamedConversion();
    StreamedConversion(const StreamedConversion&) = delete;
    StreamedConversion& operator=(const StreamedConversion&) = delete;

    void Started(Format source) override;
    void ObjectRead(Object object) override;
    void ObjectEnded(Object object) override;

    bool Failed() const { return failed_; }
    bool ToText() const { return toText_; }
    // After a reading that did not fail: the rest of the bytes. Raises what the sink raises.
    void Finish();
    std::string TakeBytes();

private:
    template <class F>
    void Guarded(F step);
    struct Writers;
    Target target_;
    TextOptions text_;
    bool resourceHeader_;
    std::string codepage_;
    ByteSink* sink_;
    std::unique_ptr<Writers> writers_;
    bool toText_ = false;
    bool failed_ = false;
};

// How an edited value is laid out in a text form file. Delphi closes lists and binary data on
// the last line and splits strings longer than 64 characters over lines joined by '+'; Lazarus
// (and Free Pascal's converter) close them on a line of their own and keep strings whole.
// Edits follow the layout the file already uses.
enum class TextLayout : uint8_t { Delphi, Lazarus };
std::string RenderTextValue(const ValueData& value, std::string_view indent = "  ",
                            std::string_view lineEnding = "\r\n", TextLayout layout = TextLayout::Delphi);

}  // namespace formfile
