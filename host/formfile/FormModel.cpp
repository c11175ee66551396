#include "host/formfile/FormModel.h"

#include <functional>
#include <optional>

#include "host/base/AtomicFile.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Forms.h"
#include "host/vcl/Menus.h"
#include "host/vcl/Notebooks.h"

namespace formfile {

using vcl::TComponent;
using vcl::TPropInfo;
using vcl::TTypeKind;
using vcl::TValue;

namespace {

uint64_t Mix(uint64_t h, uint64_t v) {
    h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    return h;
}

uint64_t HashText(std::string_view s) { return std::hash<std::string_view>{}(s); }

uint64_t HashValue(const TValue& v) {
    uint64_t h = v.index();
    if (auto* i = std::get_if<int64_t>(&v)) return Mix(h, uint64_t(*i));
    if (auto* d = std::get_if<double>(&v)) return Mix(h, std::hash<double>{}(*d));
    if (auto* s = std::get_if<std::string>(&v)) return Mix(h, HashText(*s));
    if (auto* id = std::get_if<vcl::TIdent>(&v)) return Mix(h, HashText(vcl::LowerCase(id->name)));
    if (auto* set = std::get_if<vcl::TSetValue>(&v)) {
        for (const auto& e : set->elements) h = Mix(h, HashText(vcl::LowerCase(e)));
        return h;
    }
    if (auto* r = std::get_if<vcl::TReference>(&v))
        return Mix(h, r->target ? uint64_t(reinterpret_cast<uintptr_t>(r->target)) : HashText(r->name));
    return h;
}

bool IsDesignPosition(std::string_view name) { return vcl::SameText(name, "Left") || vcl::SameText(name, "Top"); }

// The model's value for a file value; nothing for lists, collections and binary data,
// which only the file keeps.
std::optional<TValue> ModelValue(const Value& v) {
    switch (v.Kind()) {
        case ValueKind::Integer: return TValue(v.AsInteger());
        case ValueKind::Float: return TValue(double(v.AsFloat()));
        case ValueKind::String: return TValue(v.AsString());
        case ValueKind::Ident: return TValue(vcl::TIdent{std::string(v.AsIdent())});
        case ValueKind::Boolean: return TValue(vcl::TIdent{v.AsBoolean() ? "True" : "False"});
        case ValueKind::Nil: return TValue(vcl::TReference{});
        case ValueKind::Set: {
            vcl::TSetValue set;
            for (size_t i = 0; i < v.Count(); ++i) set.elements.emplace_back(v.Item(i).AsIdent());
            return TValue(std::move(set));
        }
        default: return std::nullopt;
    }
}

TTypeKind KindOfValue(const Value& v) {
    switch (v.Kind()) {
        case ValueKind::Integer: return TTypeKind::tkInteger;
        case ValueKind::Float: return TTypeKind::tkFloat;
        case ValueKind::String: return TTypeKind::tkLString;
        case ValueKind::Ident: return TTypeKind::tkEnumeration;
        case ValueKind::Boolean: return TTypeKind::tkEnumeration;
        case ValueKind::Set: return TTypeKind::tkSet;
        case ValueKind::Nil: return TTypeKind::tkClass;
        default: return TTypeKind::tkUnknown;
    }
}

// A catalogue default ("True", "0", "[]", "alNone", "'text'") as a model value.
// Without a declared default, a string's default is empty: the writer leaves empty strings out.
std::optional<TValue> DefaultValue(const TPropInfo& prop) {
    if (!prop.Default) return vcl::IsStringKind(prop.Kind) ? std::optional<TValue>(std::string()) : std::nullopt;
    const std::string& d = *prop.Default;
    if (d == "[]") return TValue(vcl::TSetValue{});
    if (d.size() >= 2 && d.front() == '\'' && d.back() == '\'') return TValue(d.substr(1, d.size() - 2));
    if (vcl::IsValidIdent(d)) return TValue(vcl::TIdent{d});
    try {
        return TValue(vcl::StrToInt64(d));
    } catch (const vcl::EConvertError&) {
        return std::nullopt;
    }
}

bool SameValue(const TValue& a, const TValue& b) { return HashValue(a) == HashValue(b) && a.index() == b.index(); }

std::string ReferenceText(const vcl::TReference& r, const TComponent* root) {
    if (r.target == nullptr) return r.name;
    const TComponent* owner = r.target->Owner();
    if (owner == root || owner == nullptr || r.target->Owner() == nullptr) return r.target->Name();
    // A component of another module (or of a frame) is named through its owner.
    return owner->Name() + "." + r.target->Name();
}

ValueData FileValue(const TValue& v, const TComponent* root, bool wide) {
    if (auto* i = std::get_if<int64_t>(&v)) return ValueData::Integer(*i);
    if (auto* d = std::get_if<double>(&v)) return ValueData::Float(*d);
    if (auto* s = std::get_if<std::string>(&v)) {
        if (!wide) return ValueData::String(*s);
        ValueData data = ValueData::String(*s);
        return ValueData::WideString(data.Utf16());
    }
    if (auto* id = std::get_if<vcl::TIdent>(&v)) {
        if (vcl::SameText(id->name, "True")) return ValueData::Boolean(true);
        if (vcl::SameText(id->name, "False")) return ValueData::Boolean(false);
        return ValueData::Ident(id->name);
    }
    if (auto* set = std::get_if<vcl::TSetValue>(&v)) return ValueData::Set(set->elements);
    if (auto* r = std::get_if<vcl::TReference>(&v)) {
        std::string text = ReferenceText(*r, root);
        return text.empty() ? ValueData::Nil() : ValueData::Ident(text);
    }
    return ValueData::Nil();
}

[[noreturn]] void Refuse(const Document& doc, SourcePos pos, const std::string& reason) {
    throw vcl::EParserError(doc.FileName(), pos.line, pos.column, reason);
}

}  // namespace

TFormFile::TFormFile(Document doc) : doc_(std::move(doc)) {}

TFormFile::~TFormFile() {
    closing_ = true;
    ownedRoot_.reset();
}

std::unique_ptr<TFormFile> TFormFile::Load(const std::string& path) {
    std::unique_ptr<TFormFile> file(new TFormFile(Document::ParseFile(path)));
    file->Build();
    return file;
}

std::unique_ptr<TFormFile> TFormFile::LoadBytes(std::string bytes, const std::string& fileName) {
    std::unique_ptr<TFormFile> file(new TFormFile(Document::Parse(std::move(bytes), fileName)));
    file->Build();
    return file;
}

void TFormFile::ReadInto(vcl::TComponent& root, std::string text, const std::string& name) {
    TFormFile file(Document::Parse(std::move(text), name));
    file.root_ = &root;
    file.Build();
    // A window is never written back: nobody needs to watch its controls.
    for (auto& entry : file.entries_) entry.component->Watch(nullptr);
}

namespace {

struct PendingReference {
    TComponent* component;
    const TPropInfo* prop;
    std::string text;
    TComponent* scope;  // whose components the name is looked up among first
    SourcePos pos;
};

bool HasAny(const Object& obj, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (obj.FindProperty(n)) return true;
    return false;
}

}  // namespace

// Builds the components as the platform's reader does: everything is owned by the root,
// except notebook pages (owned by their notebook) and what an inline frame holds (owned by
// the frame); controls get the enclosing control as parent; menu items nest under their
// item or the menu's root item; a non-visual component's Left/Top become its design value.
void TFormFile::Build() {
    auto& catalogue = vcl::ClassCatalogue();
    std::vector<PendingReference> references;

    std::function<TComponent*(const Object&, TComponent*, TComponent*)> build =
        [&](const Object& obj, TComponent* enclosing, TComponent* scope) -> TComponent* {
        vcl::TClassEvidence evidence;
        evidence.isRoot = enclosing == nullptr;
        const std::string_view className = obj.ClassName();
        // A descendant form writes its ancestor's frames as `inherited`: the class name tells.
        evidence.isInline = obj.Kind() == ObjectKind::Inline ||
                            (className.size() > 5 && vcl::SameText(className.substr(className.size() - 5), "Frame") &&
                             !obj.Children().empty());
        evidence.underMenu = vcl::Is<vcl::TMenu>(enclosing) || vcl::Is<vcl::TMenuItem>(enclosing);
        evidence.hasChildren = !obj.Children().empty();
        if (evidence.isRoot) {
            evidence.hasChildren = false;
            for (Object child : obj.Children())
                evidence.hasChildren = evidence.hasChildren || HasAny(child, {"Width", "Height"});
        }
        // Data modules store a size too; only a form stores a client size, caption or text height.
        evidence.hasSize = evidence.isRoot ? HasAny(obj, {"ClientWidth", "ClientHeight", "Caption", "TextHeight"})
                                           : HasAny(obj, {"Width", "Height", "ClientWidth", "ClientHeight"});
        evidence.hasTabOrder = HasAny(obj, {"TabOrder", "TabStop"});
        const vcl::TClassInfo& cls = catalogue.Infer(className, evidence);

        TComponent* owner = scope;
        if (auto* book = dynamic_cast<vcl::TNotebookBase*>(enclosing);
            book && (cls.InheritsFrom("TPage") || cls.InheritsFrom("TTabPage")))
            owner = book;
        TComponent* c = enclosing == nullptr ? root_ : nullptr;
        if (c == nullptr) {
            try {
                c = catalogue.CreateComponent(cls, owner);
            } catch (const vcl::Exception& e) {
                Refuse(doc_, obj.Position(), e.Message());
            }
            if (enclosing == nullptr) ownedRoot_.reset(root_ = c);
        }
        c->SetLoading(true);
        try {
            c->SetName(std::string(obj.Name()));
        } catch (const vcl::Exception& e) {
            Refuse(doc_, obj.Position(), e.Message());
        }
        if (auto* control = dynamic_cast<vcl::TControl*>(c)) {
            if (auto* parent = dynamic_cast<vcl::TWinControl*>(enclosing)) control->SetParent(parent);
        } else if (auto* item = dynamic_cast<vcl::TMenuItem*>(c)) {
            if (auto* menu = dynamic_cast<vcl::TMenu*>(enclosing)) menu->Items()->Add(item);
            else if (auto* above = dynamic_cast<vcl::TMenuItem*>(enclosing)) above->Add(item);
        }

        const bool visual = vcl::Is<vcl::TControl>(c);
        uint32_t design = 0;
        for (Property prop : obj.Properties()) {
            const std::string_view name = prop.Name();
            if (name.find('.') != std::string_view::npos) continue;  // a sub-object's property
            const Value value = prop.GetValue();
            if (!visual && IsDesignPosition(name) && value.Kind() == ValueKind::Integer) {
                const auto v = uint32_t(value.AsInteger()) & 0xFFFFu;
                design = vcl::SameText(name, "Left") ? (design & 0xFFFF0000u) | v : (design & 0xFFFFu) | (v << 16);
                continue;
            }
            const TPropInfo* info = vcl::GetPropInfo(c, name);
            if (info == nullptr) {
                const TTypeKind kind = KindOfValue(value);
                if (kind == TTypeKind::tkUnknown) continue;
                info = &catalogue.LearnProperty(cls, name, kind);
            }
            if (!info->Stored) continue;
            try {
                if (info->Kind == TTypeKind::tkClass) {
                    if (value.Kind() == ValueKind::Ident)
                        references.push_back({c, info, std::string(value.AsIdent()), scope, prop.Position()});
                    continue;
                }
                if (auto v = ModelValue(value)) vcl::SetPropValue(c, info, *v);
            } catch (const vcl::Exception& e) {
                Refuse(doc_, prop.Position(), std::string(name) + ": " + e.Message());
            }
        }
        if (!visual) c->SetDesignInfo(int32_t(design));
        entries_.push_back({c, obj, false, 0});

        TComponent* childScope = evidence.isRoot || vcl::Is<vcl::TFrame>(c) ? c : scope;
        for (Object child : obj.Children()) build(child, c, childScope);
        return c;
    };
    build(doc_.Root(), nullptr, nullptr);

    for (const auto& ref : references) {
        TComponent* target = Resolve(ref.text, ref.scope);
        try {
            // Anything not found (another module's component) stays known by its name.
            vcl::SetPropValue(ref.component, ref.prop, vcl::TReference{ref.text, target});
        } catch (const vcl::Exception& e) {
            Refuse(doc_, ref.pos, ref.prop->Name + ": " + e.Message());
        }
    }
    // Children finish loading before their parents, as the platform's reader has it.
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) it->component->Loaded();
    for (uint32_t i = 0; i < entries_.size(); ++i) entries_[i].component->Watch(this, i);
}

void TFormFile::Destroyed(vcl::TPersistent& object) {
    if (closing_) return;
    const uint32_t i = object.WatchCookie();
    if (i < entries_.size() && entries_[i].component == &object) entries_[i].component = nullptr;
}

void TFormFile::BeforeFirstChange(vcl::TPersistent& object) {
    if (closing_) return;
    const uint32_t i = object.WatchCookie();
    if (i >= entries_.size() || entries_[i].component != &object) return;
    Snapshot(i);
    entries_[i].changed = true;
}

const TFormFile::Writable& TFormFile::WritableProperties(const vcl::TClassInfo& cls) {
    auto [it, fresh] = propertyCache_.try_emplace(&cls);
    if (fresh) {
        for (const TPropInfo* p : cls.AllProperties()) {
            if (!p->Stored || vcl::SameText(p->Name, "Name")) continue;
            // Sub-objects (Font, Lines) live in the file as dotted properties only.
            if (p->Kind == TTypeKind::tkClass && p->PropClass && !p->PropClass->InheritsFrom("TComponent")) continue;
            if (p->Kind == TTypeKind::tkMethod) continue;
            it->second.place.emplace(p->Name, uint16_t(it->second.props.size()));
            it->second.props.push_back(p);
        }
    }
    return it->second;
}

uint64_t TFormFile::Fingerprint(const TComponent& component) {
    uint64_t h = Mix(HashText(component.Name()), uint64_t(uint32_t(component.DesignInfo())));
    for (const TPropInfo* p : WritableProperties(component.ClassType()).props)
        h = Mix(h, HashValue(component.ReadProperty(*p)));
    return h;
}

// Computes the fingerprint as Fingerprint does, and on the way keeps the values the file
// does not give.
void TFormFile::Snapshot(uint32_t index) {
    Entry& entry = entries_[index];
    const TComponent& c = *entry.component;
    const Writable& writable = WritableProperties(c.ClassType());
    std::vector<char> inFile(writable.props.size(), 0);
    for (Property prop : entry.object.Properties())
        if (auto it = writable.place.find(prop.Name()); it != writable.place.end()) inFile[it->second] = 1;
    uint64_t h = Mix(HashText(c.Name()), uint64_t(uint32_t(c.DesignInfo())));
    Absent& absent = absent_[index];
    absent.clear();
    for (size_t i = 0; i < writable.props.size(); ++i) {
        const TValue v = c.ReadProperty(*writable.props[i]);
        const uint64_t hv = HashValue(v);
        h = Mix(h, hv);
        if (!inFile[i] && !std::holds_alternative<std::monostate>(v)) absent.emplace_back(uint16_t(i), hv);
    }
    entry.fingerprint = h;
}

TComponent* TFormFile::Resolve(const std::string& text, TComponent* scope) const {
    if (text.empty()) return nullptr;
    if (scope == nullptr) scope = root_;
    const size_t dot = text.find('.');
    if (dot == std::string::npos) {
        if (TComponent* c = scope->FindComponent(text)) return c;
        if (TComponent* c = root_->FindComponent(text)) return c;
        return vcl::SameText(text, root_->Name()) ? root_ : nullptr;
    }
    const std::string module = text.substr(0, dot);
    if (vcl::SameText(module, root_->Name())) return root_->FindComponent(text.substr(dot + 1));
    if (TComponent* frame = root_->FindComponent(module)) return frame->FindComponent(text.substr(dot + 1));
    return nullptr;
}

// A component freed during the run keeps its object in the file: nothing here can tell a
// deletion the user wanted from one the program made.
bool TFormFile::ApplyChanges() {
    std::vector<Rename> renames;
    for (uint32_t i = 0; i < entries_.size(); ++i) {
        Entry& entry = entries_[i];
        if (!entry.changed || entry.component == nullptr) continue;
        if (Fingerprint(*entry.component) != entry.fingerprint) ApplyComponent(i, renames);
        entry.changed = false;
        entry.component->Watch(this, i);
    }
    absent_.clear();
    if (!renames.empty()) RewriteReferences(renames);
    return doc_.IsModified() && doc_.Write() != doc_.Source();
}

void TFormFile::ApplyComponent(uint32_t index, std::vector<Rename>& renames) {
    Entry& entry = entries_[index];
    TComponent& c = *entry.component;
    Object& obj = entry.object;
    if (const std::string written(obj.Name()); c.Name() != written) {
        obj.SetName(c.Name());
        renames.push_back({written, c.Name()});
    }
    const bool visual = vcl::Is<vcl::TControl>(&c);
    const auto& props = WritableProperties(c.ClassType()).props;
    for (size_t i = 0; i < props.size(); ++i) {
        const TPropInfo& p = *props[i];
        const TValue current = c.ReadProperty(p);
        std::optional<Property> inFile = obj.FindProperty(p.Name);
        if (inFile) {
            const Value fileValue = inFile->GetValue();
            std::optional<TValue> was;
            if (p.Kind == TTypeKind::tkClass && fileValue.Kind() == ValueKind::Ident) {
                const std::string text(fileValue.AsIdent());
                TComponent* target = Resolve(text, c.Owner());
                auto* r = std::get_if<vcl::TReference>(&current);
                if (r && r->target == target) continue;  // unresolved names compare equal too
                was = TValue(vcl::TReference{text, target});
            } else {
                was = ModelValue(fileValue);
            }
            if (!was || std::holds_alternative<std::monostate>(current) || SameValue(*was, current)) continue;
            if (auto def = DefaultValue(p); def && SameValue(*def, current)) {
                obj.RemoveProperty(p.Name);
                continue;
            }
            obj.SetProperty(inFile->Name(), FileValue(current, root_, fileValue.IsWideString()));
        } else {
            if (std::holds_alternative<std::monostate>(current)) continue;
            const uint64_t now = HashValue(current);
            bool unchanged = false;
            for (const auto& [place, hash] : absent_[index])
                if (place == i) unchanged = hash == now;
            if (unchanged) continue;
            if (auto def = DefaultValue(p); def && SameValue(*def, current)) continue;
            obj.SetProperty(p.Name, FileValue(current, root_, false));
        }
    }
    if (!visual) {
        const uint32_t design = uint32_t(c.DesignInfo());
        const int64_t left = design & 0xFFFFu, top = design >> 16;
        for (auto [name, v] : {std::pair<const char*, int64_t>{"Left", left}, {"Top", top}}) {
            std::optional<Property> prop = obj.FindProperty(name);
            const bool same = prop ? prop->GetValue().Kind() == ValueKind::Integer && prop->GetValue().AsInteger() == v
                                   : v == 0;
            if (!same) obj.SetProperty(prop ? prop->Name() : std::string_view(name), ValueData::Integer(v));
        }
    }
}

// Every reference in the file to a renamed component follows it. Only properties that hold
// references are looked at: an enumeration value may spell the same word.
void TFormFile::RewriteReferences(const std::vector<Rename>& renames) {
    for (auto& entry : entries_) {
        for (Property prop : entry.object.Properties()) {
            const TPropInfo* info = vcl::GetPropInfo(entry.component, prop.Name());
            if (info == nullptr || info->Kind != TTypeKind::tkClass) continue;
            const Value v = prop.GetValue();
            if (v.Kind() != ValueKind::Ident) continue;
            const std::string_view text = v.AsIdent();
            const size_t dot = text.rfind('.');
            const std::string_view prefix = dot == std::string_view::npos ? std::string_view() : text.substr(0, dot + 1);
            const std::string_view name = dot == std::string_view::npos ? text : text.substr(dot + 1);
            for (const auto& r : renames)
                if (vcl::SameText(name, r.from)) {
                    prop.SetValue(ValueData::Ident(std::string(prefix) + r.to));
                    break;
                }
        }
    }
}

std::string TFormFile::Bytes() {
    ApplyChanges();
    return doc_.Write();
}

void TFormFile::Save(const std::string& path) { zorbase::WriteFileAtomically(path, Bytes()); }

}  // namespace formfile
