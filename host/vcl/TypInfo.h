// Run-time type information: classes and their published properties, reached by name.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "host/vcl/FlatIndex.h"
#include "host/vcl/SysUtils.h"

namespace vcl {

class TObject;
class TPersistent;
class TComponent;
class TClassInfo;
class TClassCatalogue;

enum class TTypeKind {
    tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass,
    tkMethod, tkWChar, tkLString, tkWString, tkVariant, tkInt64
};
const char* TypeKindName(TTypeKind kind);
// The one copy of text kept for the program's life: type names and defaults the catalogue
// declares for many properties.
const std::string* InternedText(std::string_view text);
bool IsStringKind(TTypeKind kind);   // tkString, tkLString, tkWString
bool IsOrdinalKind(TTypeKind kind);  // integer, char, enumeration, set, class, int64

// A property value as the model keeps it. Enumeration values and method (event handler)
// names are identifiers; a set is its element identifiers; a reference names its target
// and points at it once resolved (references to other modules stay by name).
struct TIdent {
    std::string name;
    bool operator==(const TIdent&) const = default;
};
struct TSetValue {
    std::vector<std::string> elements;
    bool operator==(const TSetValue&) const = default;
};
struct TReference {
    std::string name;                 // as written: "DataSource1", "DataModule1.Table1", "" = nil
    TComponent* target = nullptr;     // null while unresolved
    bool operator==(const TReference& o) const { return name == o.name && target == o.target; }
};
using TValue = std::variant<std::monostate, int64_t, double, std::string, TIdent, TSetValue, TReference>;

// The small fields come last, in one word: an object may have a property learnt from the file
// for each of hundreds of thousands of lines.
struct TPropInfo {
    std::string Name;          // as declared, e.g. "DataSource"
    // A class may learn any number of properties from a file: the texts every declaration
    // repeats are kept once (literals, or InternedText), so that a property stays small.
    std::string_view TypeName;              // e.g. "TDataSource", "TCaption", "Boolean"
    const TClassInfo* PropClass = nullptr;  // for tkClass: the declared class
    const std::string* Default = nullptr;   // the value the writer omits, in form-file text; null if none
    TTypeKind Kind = TTypeKind::tkUnknown;
    bool Stored = true;                     // false: never written to a form file
    bool Learned = false;                   // met in a form file, not published by the class

    std::string_view DefaultOr(std::string_view none) const { return Default ? std::string_view(*Default) : none; }
};

// One class of the catalogue: its name, its parent and the properties it publishes.
class TClassInfo {
public:
    TClassInfo(std::string name, const TClassInfo* parent) : name_(std::move(name)), parent_(parent) {}

    const std::string& Name() const { return name_; }
    const TClassInfo* Parent() const { return parent_; }
    bool Inferred() const { return inferred_; }
    void SetInferred(bool v) { inferred_ = v; }

    bool InheritsFrom(const TClassInfo* other) const;
    bool InheritsFrom(std::string_view className) const;

    // This class's own or an inherited published property; case ignored.
    const TPropInfo* FindProperty(std::string_view name) const;
    const std::deque<TPropInfo>& OwnProperties() const {
        ReadPendingProperties();
        return props_;
    }
    // Declares a property at this class; an existing one of the same name is replaced.
    TPropInfo& AddProperty(TPropInfo info);
    // Every published property, ancestors first.
    std::vector<const TPropInfo*> AllProperties() const;

private:
    friend class TClassCatalogue;
    // Properties by their own names, case ignored: a class may publish any number learnt from a
    // file, and a flat table stays within the processor's caches longer than a node per name.
    struct NameKey {
        static std::string_view Key(const TPropInfo& p) { return p.Name; }
        static size_t Hash(std::string_view name) { return CaseInsensitiveHash{}(name); }
        static bool Equal(std::string_view a, std::string_view b) { return SameText(a, b); }
    };
    using ByName = TFlatIndex<const TPropInfo, NameKey>;
    // Property lines of a catalogue, checked but not read yet: a run of a few forms meets a few
    // dozen of the catalogue's classes, and reading all of them would be most of its start-up.
    struct PendingLines {
        const TClassCatalogue* catalogue;
        std::string_view text;  // kept alive by the catalogue
    };
    void ReadPendingProperties() const;

    std::string name_;
    const TClassInfo* parent_;
    bool inferred_ = false;
    // A deque keeps every declaration where it is as more are learnt, a few to a block, where
    // an allocation and a pointer each took 2.4 MB more for an object of 300,000 learnt ones.
    std::deque<TPropInfo> props_;
    ByName byName_;  // keys are the properties' own names
    mutable std::vector<PendingLines> pending_;
};

// The platform's accessors. A property that is not of the kind an accessor reads raises
// EPropertyError; GetPropInfo gives null when there is no published property of that name.
const TPropInfo* GetPropInfo(const TClassInfo* cls, std::string_view name);
const TPropInfo* GetPropInfo(const TPersistent* instance, std::string_view name);
std::string GetStrProp(const TPersistent* instance, const TPropInfo* prop);
void SetStrProp(TPersistent* instance, const TPropInfo* prop, const std::string& value);
// Integer, char, enumeration (Boolean: 0/1), set and class kinds; a class property gives
// the address of the object it refers to, or 0.
int64_t GetOrdProp(const TPersistent* instance, const TPropInfo* prop);
void SetOrdProp(TPersistent* instance, const TPropInfo* prop, int64_t value);
TObject* GetObjectProp(const TPersistent* instance, const TPropInfo* prop);
void SetObjectProp(TPersistent* instance, const TPropInfo* prop, TComponent* value);
double GetFloatProp(const TPersistent* instance, const TPropInfo* prop);
void SetFloatProp(TPersistent* instance, const TPropInfo* prop, double value);
std::string GetEnumProp(const TPersistent* instance, const TPropInfo* prop);
void SetEnumProp(TPersistent* instance, const TPropInfo* prop, const std::string& value);

// A value as one C++ type, for setters that give a property meaning; a value of another
// shape raises EPropertyError naming the property.
int64_t ValueToInt(const TValue& value, const TPropInfo& prop);
int32_t ValueToInt32(const TValue& value, const TPropInfo& prop);  // ERangeError beyond 32 bits
bool ValueToBool(const TValue& value, const TPropInfo& prop);
std::string ValueToString(const TValue& value, const TPropInfo& prop);
// The same, moved out of a value the caller is done with.
std::string TakeString(TValue& value, const TPropInfo& prop);
TComponent* ValueToComponent(const TValue& value, const TPropInfo& prop);

// Any kind, as the model keeps it; monostate when the property was never given a value.
TValue GetPropValue(const TPersistent* instance, const TPropInfo* prop);
void SetPropValue(TPersistent* instance, const TPropInfo* prop, const TValue& value);
void SetPropValue(TPersistent* instance, const TPropInfo* prop, TValue&& value);

}  // namespace vcl
