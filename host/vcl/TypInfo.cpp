#include "host/vcl/TypInfo.h"

#include <unordered_set>

#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Classes.h"

namespace vcl {

const char* TypeKindName(TTypeKind kind) {
    switch (kind) {
        case TTypeKind::tkInteger: return "Integer";
        case TTypeKind::tkChar: return "Char";
        case TTypeKind::tkEnumeration: return "Enumeration";
        case TTypeKind::tkFloat: return "Float";
        case TTypeKind::tkString: return "String";
        case TTypeKind::tkSet: return "Set";
        case TTypeKind::tkClass: return "Class";
        case TTypeKind::tkMethod: return "Method";
        case TTypeKind::tkWChar: return "WChar";
        case TTypeKind::tkLString: return "LString";
        case TTypeKind::tkWString: return "WString";
        case TTypeKind::tkVariant: return "Variant";
        case TTypeKind::tkInt64: return "Int64";
        case TTypeKind::tkUnknown: break;
    }
    return "Unknown";
}

const std::string* InternedText(std::string_view text) {
    // Never freed: properties that point here may be asked as late as static destruction.
    static auto* texts = new std::unordered_set<std::string, TextHash, std::equal_to<>>();
    auto it = texts->find(text);
    if (it == texts->end()) it = texts->emplace(text).first;
    return &*it;
}

bool IsStringKind(TTypeKind kind) {
    return kind == TTypeKind::tkString || kind == TTypeKind::tkLString || kind == TTypeKind::tkWString;
}

bool IsOrdinalKind(TTypeKind kind) {
    switch (kind) {
        case TTypeKind::tkInteger: case TTypeKind::tkChar: case TTypeKind::tkEnumeration:
        case TTypeKind::tkSet: case TTypeKind::tkClass: case TTypeKind::tkWChar:
        case TTypeKind::tkInt64:
            return true;
        default:
            return false;
    }
}

bool TClassInfo::InheritsFrom(const TClassInfo* other) const {
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
        if (c == other) return true;
    return false;
}

bool TClassInfo::InheritsFrom(std::string_view className) const {
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_)
        if (SameText(c->name_, className)) return true;
    return false;
}

void TClassInfo::ReadPendingProperties() const {
    if (pending_.empty()) return;
    // Declaring empties the list first, so that a declaration that reads back finds none.
    std::vector<PendingLines> pending = std::move(pending_);
    pending_.clear();
    auto* self = const_cast<TClassInfo*>(this);
    for (const PendingLines& p : pending) p.catalogue->DeclareProperties(*self, p.text);
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
    // The nearest declaration: this class's own, else an ancestor's, the name hashed once. (A
    // merged index per class held every inherited name again, and a class that learnt thousands
    // of properties from a file held them all twice; a run asks this a few thousand times.)
    const size_t hash = NameKey::Hash(name);
    for (const TClassInfo* c = this; c != nullptr; c = c->parent_) {
        if (!c->pending_.empty()) c->ReadPendingProperties();
        if (const TPropInfo* p = c->byName_.FindHashed(name, hash)) return p;
    }
    return nullptr;
}

TPropInfo& TClassInfo::AddProperty(TPropInfo info) {
    ReadPendingProperties();  // declarations keep their order
    TPropInfo* declared = nullptr;
    const size_t hash = NameKey::Hash(info.Name);  // the same for the new spelling of a redeclared one
    if (const TPropInfo* existing = byName_.FindHashed(info.Name, hash)) {
        // Redeclared: the same object takes the new declaration, under its new spelling.
        declared = const_cast<TPropInfo*>(existing);
        byName_.Erase(declared);
        *declared = std::move(info);
    } else {
        declared = &props_.emplace_back(std::move(info));
    }
    byName_.InsertHashed(declared, hash);
    return *declared;
}

std::vector<const TPropInfo*> TClassInfo::AllProperties() const {
    ReadPendingProperties();
    std::vector<const TPropInfo*> result;
    if (parent_ != nullptr) result = parent_->AllProperties();
    // A class may publish any number of properties learnt from a file: find redeclarations by hash.
    std::unordered_map<std::string_view, size_t, CaseInsensitiveHash, CaseInsensitiveEqual> place;
    place.reserve(result.size() + props_.size());
    for (size_t i = 0; i < result.size(); ++i) place.emplace(result[i]->Name, i);
    for (const TPropInfo& p : props_) {
        auto [it, fresh] = place.emplace(p.Name, result.size());
        if (fresh)
            result.push_back(&p);
        else
            result[it->second] = &p;
    }
    return result;
}

const TPropInfo* GetPropInfo(const TClassInfo* cls, std::string_view name) {
    return cls == nullptr ? nullptr : cls->FindProperty(name);
}

const TPropInfo* GetPropInfo(const TPersistent* instance, std::string_view name) {
    return instance == nullptr ? nullptr : instance->ClassType().FindProperty(name);
}

static void Require(const TPersistent* instance, const TPropInfo* prop) {
    if (instance == nullptr || prop == nullptr) throw EPropertyError("Property does not exist");
}

[[noreturn]] static void WrongKind(const TPropInfo* prop) {
    throw EPropertyError("Invalid property type: " + prop->Name + " is of kind " + TypeKindName(prop->Kind));
}

std::string GetStrProp(const TPersistent* instance, const TPropInfo* prop) {
    Require(instance, prop);
    if (!IsStringKind(prop->Kind)) WrongKind(prop);
    TValue v = instance->ReadProperty(*prop);  // a copy of its own: the text moves out of it
    if (auto* s = std::get_if<std::string>(&v)) return std::move(*s);
    return {};
}

void SetStrProp(TPersistent* instance, const TPropInfo* prop, const std::string& value) {
    Require(instance, prop);
    if (!IsStringKind(prop->Kind)) WrongKind(prop);
    instance->WriteProperty(*prop, value);
}

int64_t GetOrdProp(const TPersistent* instance, const TPropInfo* prop) {
    Require(instance, prop);
    if (!IsOrdinalKind(prop->Kind)) WrongKind(prop);
    TValue v = instance->ReadProperty(*prop);
    if (auto* i = std::get_if<int64_t>(&v)) return *i;
    if (auto* id = std::get_if<TIdent>(&v)) {
        if (SameText(id->name, "True")) return 1;
        if (SameText(id->name, "False")) return 0;
        throw EPropertyError("The ordinal value of " + id->name + " is not known");
    }
    if (auto* r = std::get_if<TReference>(&v))
        return static_cast<int64_t>(reinterpret_cast<intptr_t>(static_cast<TObject*>(r->target)));
    if (auto* s = std::get_if<std::string>(&v))  // a Char property
        return s->empty() ? 0 : static_cast<unsigned char>((*s)[0]);
    return 0;
}

void SetOrdProp(TPersistent* instance, const TPropInfo* prop, int64_t value) {
    Require(instance, prop);
    switch (prop->Kind) {
        case TTypeKind::tkInteger: case TTypeKind::tkInt64:
            instance->WriteProperty(*prop, value);
            return;
        case TTypeKind::tkEnumeration:
            if (SameText(prop->TypeName, "Boolean")) {
                instance->WriteProperty(*prop, TIdent{value ? "True" : "False"});
                return;
            }
            throw EPropertyError("The values of " + std::string(prop->TypeName) + " are not known by number");
        case TTypeKind::tkClass:
            if (value == 0) {
                instance->WriteProperty(*prop, TReference{});
                return;
            }
            throw EPropertyError("Use SetObjectProp to set an object reference");
        default:
            WrongKind(prop);
    }
}

TObject* GetObjectProp(const TPersistent* instance, const TPropInfo* prop) {
    Require(instance, prop);
    if (prop->Kind != TTypeKind::tkClass) WrongKind(prop);
    TValue v = instance->ReadProperty(*prop);
    if (auto* r = std::get_if<TReference>(&v)) return r->target;
    return nullptr;
}

void SetObjectProp(TPersistent* instance, const TPropInfo* prop, TComponent* value) {
    Require(instance, prop);
    if (prop->Kind != TTypeKind::tkClass) WrongKind(prop);
    instance->WriteProperty(*prop, TReference{value ? value->Name() : std::string(), value});
}

double GetFloatProp(const TPersistent* instance, const TPropInfo* prop) {
    Require(instance, prop);
    if (prop->Kind != TTypeKind::tkFloat) WrongKind(prop);
    TValue v = instance->ReadProperty(*prop);
    if (auto* d = std::get_if<double>(&v)) return *d;
    if (auto* i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
    return 0.0;
}

void SetFloatProp(TPersistent* instance, const TPropInfo* prop, double value) {
    Require(instance, prop);
    if (prop->Kind != TTypeKind::tkFloat) WrongKind(prop);
    instance->WriteProperty(*prop, value);
}

std::string GetEnumProp(const TPersistent* instance, const TPropInfo* prop) {
    Require(instance, prop);
    if (prop->Kind != TTypeKind::tkEnumeration) WrongKind(prop);
    TValue v = instance->ReadProperty(*prop);
    if (auto* id = std::get_if<TIdent>(&v)) return std::move(id->name);
    return {};
}

void SetEnumProp(TPersistent* instance, const TPropInfo* prop, const std::string& value) {
    Require(instance, prop);
    if (prop->Kind != TTypeKind::tkEnumeration) WrongKind(prop);
    if (!IsValidIdent(value)) throw EPropertyError("'" + value + "' is not a valid enumeration value");
    instance->WriteProperty(*prop, TIdent{value});
}

TValue GetPropValue(const TPersistent* instance, const TPropInfo* prop) {
    Require(instance, prop);
    return instance->ReadProperty(*prop);
}

void SetPropValue(TPersistent* instance, const TPropInfo* prop, const TValue& value) {
    Require(instance, prop);
    instance->WriteProperty(*prop, value);
}

void SetPropValue(TPersistent* instance, const TPropInfo* prop, TValue&& value) {
    Require(instance, prop);
    instance->WriteProperty(*prop, std::move(value));
}

}  // namespace vcl

namespace vcl {

[[noreturn]] static void WrongValue(const TPropInfo& prop) {
    throw EPropertyError("Invalid value for property " + prop.Name);
}

int64_t ValueToInt(const TValue& value, const TPropInfo& prop) {
    if (auto* i = std::get_if<int64_t>(&value)) return *i;
    WrongValue(prop);
}

int32_t ValueToInt32(const TValue& value, const TPropInfo& prop) {
    const int64_t v = ValueToInt(value, prop);
    if (v < INT32_MIN || v > INT32_MAX)
        throw ERangeError("Range check error: " + std::to_string(v) + " for property " + prop.Name);
    return static_cast<int32_t>(v);
}

bool ValueToBool(const TValue& value, const TPropInfo& prop) {
    if (auto* id = std::get_if<TIdent>(&value)) {
        if (SameText(id->name, "True")) return true;
        if (SameText(id->name, "False")) return false;
    }
    if (auto* i = std::get_if<int64_t>(&value)) return *i != 0;
    WrongValue(prop);
}

std::string ValueToString(const TValue& value, const TPropInfo& prop) {
    if (auto* s = std::get_if<std::string>(&value)) return *s;
    WrongValue(prop);
}

std::string TakeString(TValue& value, const TPropInfo& prop) {
    if (auto* s = std::get_if<std::string>(&value)) return std::move(*s);
    WrongValue(prop);
}

TComponent* ValueToComponent(const TValue& value, const TPropInfo& prop) {
    if (auto* r = std::get_if<TReference>(&value)) return r->target;
    if (std::holds_alternative<std::monostate>(value)) return nullptr;
    WrongValue(prop);
}

}  // namespace vcl
