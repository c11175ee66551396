#include "host/formfile/FormModel.h"

#include <filesystem>
#include <algorithm>
#include <cstring>
#include <optional>

#include "host/base/AtomicFile.h"
#include "host/formfile/StoredView.h"
#include "host/vcl/ActnList.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Forms.h"
#include "host/vcl/LargePages.h"
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
    // Made where the result lies: a value for every property of a large form, each a move and
    // a destruction fewer.
    using std::in_place;
    switch (v.Kind()) {
        case ValueKind::Integer: return std::optional<TValue>(in_place, v.AsInteger());
        case ValueKind::Float: return std::optional<TValue>(in_place, double(v.AsFloat()));
        case ValueKind::String: return std::optional<TValue>(in_place, v.AsString());
        case ValueKind::Ident: return std::optional<TValue>(in_place, vcl::TIdent{std::string(v.AsIdent())});
        case ValueKind::Boolean: return std::optional<TValue>(in_place, vcl::TIdent{v.AsBoolean() ? "True" : "False"});
        case ValueKind::Nil: return std::optional<TValue>(in_place, vcl::TReference{});
        case ValueKind::Set: {
            vcl::TSetValue set;
            for (size_t i = 0; i < v.Count(); ++i) set.elements.emplace_back(v.Item(i).AsIdent());
            return std::optional<TValue>(in_place, std::move(set));
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

// As the platform's writer names a component: plainly among the components of the scope
// the reference is written in, through its owner otherwise (a frame's component from the
// form, the form's from inside a frame).
std::string ReferenceText(const vcl::TReference& r, const TComponent* scope) {
    if (r.target == nullptr) return r.name;
    const TComponent* owner = r.target->Owner();
    if (owner == scope || owner == nullptr || owner->Name().empty()) return r.target->Name();
    return owner->Name() + "." + r.target->Name();
}

ValueData FileValue(const TValue& v, const TComponent* scope, bool wide) {
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
        std::string text = ReferenceText(*r, scope);
        return text.empty() ? ValueData::Nil() : ValueData::Ident(text);
    }
    return ValueData::Nil();
}

[[noreturn]] void Refuse(const std::string& file, SourcePos pos, const std::string& reason) {
    throw vcl::EParserError(file, pos.line, pos.column, reason);
}

[[noreturn]] void Refuse(const Document& doc, SourcePos pos, const std::string& reason) {
    Refuse(doc.FileName(), pos, reason);
}

}  // namespace

TFormFile::TFormFile() = default;

TFormFile::TFormFile(Document doc) : doc_(std::move(doc)) {}

TFormFile::~TFormFile() { FreeComponents(); }

void TFormFile::FreeComponents() {
    closing_ = true;
    ownedRoot_.reset();
    root_ = nullptr;
}

namespace {

// One spelling per file, whatever links and dots the path takes to reach it.
std::string CanonicalPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
    return ec ? std::filesystem::absolute(path, ec).lexically_normal().string() : canonical.string();
}

}  // namespace

// Room for what the file will hold: its components in an arena of their own, and about twice
// the file in small objects (names, texts, stored values, the tools' rows) on a heap that grows
// once, in large pages (when the reading has made its own room: Builder::ObjectRead). The file is
// not read yet: its components are guessed from its size, and the guess bettered as it is read.
void TFormFile::PrepareMemory(size_t fileBytes) {
    arena_ = std::make_unique<vcl::TComponentArena>(fileBytes);  // a component takes about what its text does
    constexpr size_t kFileBytesPerObject = 256;
    entries_.reserve(fileBytes / kFileBytesPerObject + 1);
}

void TFormFile::ReadInto(vcl::TComponent& root, std::string text, const std::string& name) {
    TFormFile file(Document::Parse(std::move(text), name));
    file.root_ = &root;
    file.Build();
    // A window is never written back: nobody needs to watch its controls.
    for (auto& entry : file.entries_) entry.component->Watch(nullptr);
    // The window outlives this reading, and so must any class its design made us infer.
    static std::vector<std::unique_ptr<vcl::TInferredClasses>> kept;
    if (!file.inferred_->Empty()) kept.push_back(std::move(file.inferred_));
}

namespace {

struct PendingReference {
    TComponent* component;
    const TPropInfo* prop;
    std::string text;
    uint32_t scope;  // entry whose components the name is looked up among first
    uint32_t where;  // its place in the file; its line is worked out only for a message
};

constexpr uint32_t kNoEntry = 0xFFFFFFFFu;

bool HasAny(const Object& obj, std::initializer_list<const char*> names) {
    for (PropertyWalk walk(obj); walk.Next();)
        for (Property p : walk.Batch())
            for (const char* n : names)
                if (p.IsSameName(n)) return true;
    return false;
}

// Whether an object of the file could be a control: its class is one, or, unknown, it stores
// a size or a tab order or holds something that could be. Persistent fields, actions and the
// items of a dataset or list are no controls, so they never make their holder one.
bool MayBeControl(const Object& obj, const vcl::TClassCatalogue& catalogue, const vcl::TInferredClasses& inferred) {
    const vcl::TClassInfo* cls = catalogue.Find(obj.ClassName());
    if (cls == nullptr) cls = inferred.Find(obj.ClassName());
    if (cls != nullptr) return cls->InheritsFrom("TControl");
    if (HasAny(obj, {"Width", "Height", "ClientWidth", "ClientHeight", "TabOrder", "TabStop"})) return true;
    for (Object child : obj.Children())
        if (MayBeControl(child, catalogue, inferred)) return true;
    return false;
}

using NameCounts = std::unordered_map<std::string_view, uint32_t, vcl::CaseInsensitiveHash, vcl::CaseInsensitiveEqual>;

void CountNames(const Object& obj, NameCounts& counts) {
    for (Object child : obj.Children()) {
        if (!child.Name().empty()) ++counts[child.Name()];
        CountNames(child, counts);
    }
}

// Whether a name inside obj is also used outside it in the file.
bool RepeatsNameOutside(const Object& obj, const NameCounts& inFile) {
    NameCounts inside;
    CountNames(obj, inside);
    for (const auto& [name, n] : inside)
        if (inFile.at(name) > n) return true;
    return false;
}

}  // namespace

// Builds the components as the platform's reader does: everything is owned by the root,
// except notebook pages (owned by their notebook) and what a frame holds (owned by the
// frame); controls get the enclosing control as parent; menu items nest under their item or
// the menu's root item; a non-visual component's Left/Top become its design value.
//
// Which objects are frames comes from the file's structure: an `inline` object is one, and
// an `inherited` object that holds objects is one when the catalogue does not know its class
// (a panel or page control of the frame is no frame) and either it stands inside a frame (the
// writer marks a frame nested in a frame `inherited`: it belongs to the outer frame's class)
// or a name inside it is used elsewhere in the file (an inherited component is found by name
// among its frame's components, so a repeated name shows a frame of the ancestor form). A
// class the catalogue knows as a frame is one wherever it stands.
// The components are built as the form is read (Load, LoadBytes): each as soon as its
// properties are read, so that they are read once. An object whose building needs what follows
// it in the file (an unknown class that only its children tell, an inherited object that may be
// a frame) stops that: it and everything after it are built once the whole file is read, in
// the same order. A failure to build is kept until the reading is done, so that a fault the
// reading finds later in the file is the one reported, as when building followed the reading.
class TFormFile::Builder final : public ReadListener {
public:
    // fileBytes: the size of the file being read, when it is read with the building.
    Builder(TFormFile& file, std::string fileName, size_t fileBytes = 0)
        : file_(file), fileName_(std::move(fileName)), fileBytes_(fileBytes) {}

    // After a reading: builds whatever the reading did not, then resolves and finishes.
    void Finish(size_t objects);
    // Builds every object of the file, read whole.
    void BuildAll() {
        file_.entries_.reserve(file_.doc_.ObjectCount());
        BuildTree(file_.doc_.Root(), Holder{}, kNoEntry);
        Complete();
    }

    void Started(Format) override {}
    void ObjectRead(Object obj) override;
    void ObjectEnded(Object) override {
        if (!stopped_) open_.pop_back();
    }
    // Hints read so far are views of the bytes the failed reading is about to let go.
    void Abandoned() override { file_.FreeComponents(); }

private:
    // What a component's place in the file tells its children: asked once per holder, not
    // once per child (a panel of 60 buttons, a menu of 30 items).
    struct Holder {
        TComponent* component = nullptr;
        vcl::TWinControl* parent = nullptr;   // for child controls
        vcl::TMenu* menu = nullptr;           // for top menu items
        vcl::TMenuItem* item = nullptr;       // for nested menu items
        vcl::TNotebookBase* book = nullptr;   // owner of pages
        bool underActionList = false;
    };
    static Holder HolderOf(TComponent* c) {
        Holder h;
        h.component = c;
        h.parent = dynamic_cast<vcl::TWinControl*>(c);
        h.menu = vcl::Cast<vcl::TMenu>(c);
        h.item = vcl::Cast<vcl::TMenuItem>(c);
        h.book = vcl::Cast<vcl::TNotebookBase>(c);
        h.underActionList = c->InheritsFrom("TCustomActionList");
        return h;
    }
    // Ordinary objects have a few dozen properties at most, mostly with C++ meaning.
    static constexpr size_t kManyProperties = 64;
    // What a class is, asked once per class of the file.
    struct Kind {
        bool frame = false;  // a frame wherever it stands
        bool page = false;   // placed by its notebook
        // The properties the last object of the class stored, in order, with what each names:
        // objects of one class store the same names in the same order, so most names are
        // compared rather than looked up. Only the first kManyProperties are kept: an object of
        // any number more would hold a copy of its whole list for the next one of its class.
        std::vector<std::pair<std::string_view, const TPropInfo*>> lastProps;
    };
    Kind& KindOf(const vcl::TClassInfo& cls) {
        auto [it, fresh] = kinds_.try_emplace(&cls);
        if (fresh) {
            it->second.frame = !cls.Inferred() && cls.InheritsFrom("TCustomFrame");
            it->second.page = cls.InheritsFrom("TPage") || cls.InheritsFrom("TTabPage");
        }
        return it->second;
    }
    // An object being read whose component is built: where its children go.
    struct Open {
        uint32_t object;
        TComponent* component;
        uint32_t childScope;
        std::optional<Holder> forChildren;  // made with the first child
        const Holder& ForChildren() {
            if (!forChildren) forChildren = HolderOf(component);
            return *forChildren;
        }
    };

    // What an object's class and place tell before its properties and children are asked.
    struct Sight {
        bool isRoot = false;
        const vcl::TClassInfo* known = nullptr;  // by the catalogue
        bool declared = false;                   // known and not inferred
        bool frame = false;                      // by its keyword or its declared class
        bool inheritedFrame = false;             // a frame if its children say so
    };
    Sight Look(const Object& obj, const Holder& holder);
    // The catalogue's class of that name. Objects come in runs of one class (a panel's
    // buttons, a menu's items): the last one found is asked first.
    const vcl::TClassInfo* KnownClass(std::string_view name) {
        if (lastClass_ == nullptr || name != lastClassName_) {
            const vcl::TClassInfo* found = catalogue_.Find(name);
            if (found == nullptr) return nullptr;
            lastClassName_ = name;
            lastClass_ = found;
        }
        return lastClass_;
    }
    // The component of one object, its children aside; childScope gets the entry whose
    // components its children's references name first.
    TComponent* BuildObject(const Object& obj, const Holder& holder, uint32_t scopeEntry, const Sight& sight,
                            uint32_t& childScope);
    void BuildTree(const Object& obj, const Holder& holder, uint32_t scopeEntry) {
        uint32_t childScope = 0;
        TComponent* c = BuildObject(obj, holder, scopeEntry, Look(obj, holder), childScope);
        if (obj.Children().empty()) return;
        const Holder forChildren = HolderOf(c);
        for (Object child : obj.Children()) BuildTree(child, forChildren, childScope);
    }
    // Where the next object read goes: among the children of the innermost one open.
    Holder HolderHere() { return open_.empty() ? Holder{} : open_.back().ForChildren(); }
    uint32_t ScopeHere() const { return open_.empty() ? kNoEntry : open_.back().childScope; }
    // What an object stores tells of its unknown class, its children aside.
    vcl::TClassEvidence Evidence(const Object& obj, const Holder& holder, const Sight& sight, bool frame) const;
    // Whether building the object asks about its children or the rest of the file.
    bool NeedsWhatFollows(const Object& obj, const Holder& holder, const Sight& sight);
    // The references, then the components told they are loaded, then watched.
    void Complete();

    TFormFile& file_;
    std::string fileName_;
    size_t fileBytes_;
    vcl::TClassCatalogue& catalogue_ = vcl::ClassCatalogue();
    std::vector<PendingReference> references_;
    std::optional<NameCounts> namesInFile_;  // counted when first needed
    std::unordered_map<const vcl::TClassInfo*, Kind> kinds_;
    std::string lastClassName_;
    const vcl::TClassInfo* lastClass_ = nullptr;
    std::vector<Open> open_;  // from the root to the object being read
    bool heapPrepared_ = false;
    bool stopped_ = false;    // the rest is built after the reading
    std::optional<uint32_t> firstLeft_;  // the object the building stopped at
    std::exception_ptr failed_;
};

void TFormFile::Builder::ObjectRead(Object obj) {
    if (stopped_) return;
    // The heap grows once the reading has made its own room, which it keeps apart from it, by
    // what the components' names, texts, stored values and lists take: 0.6 to 0.9 of the file.
    // Grown by twice the file, as it was, the pages made present and never filled (a tool's rows
    // come later, mostly in blocks of their own) were a megabyte at 8,000 components and four
    // at 32,767, for no measurable time.
    if (!heapPrepared_ && fileBytes_ > 0) vcl::PrepareHeap(fileBytes_ * 3 / 5);
    heapPrepared_ = true;
    try {
        const Holder holder = HolderHere();
        const Sight sight = Look(obj, holder);
        if (NeedsWhatFollows(obj, holder, sight)) {
            stopped_ = true;
            firstLeft_ = obj.Index();
            return;
        }
        uint32_t childScope = 0;
        TComponent* c = BuildObject(obj, holder, ScopeHere(), sight, childScope);
        open_.push_back({obj.Index(), c, childScope, std::nullopt});
        // The rest of the file will take what its part read so far took, in proportion: a block
        // of the arena far larger than its fill holds a large page that is mostly empty.
        if (vcl::TComponentArena* arena = file_.arena_.get(); arena != nullptr && obj.Offset() > 0)
            arena->Expect(arena->Used() * (fileBytes_ - obj.Offset()) / obj.Offset());
    } catch (...) {
        failed_ = std::current_exception();
        stopped_ = true;
    }
}

TFormFile::Builder::Sight TFormFile::Builder::Look(const Object& obj, const Holder& holder) {
    Sight s;
    s.isRoot = holder.component == nullptr;
    s.known = KnownClass(obj.ClassName());
    s.declared = s.known != nullptr && !s.known->Inferred();
    s.frame = !s.isRoot && (obj.Kind() == ObjectKind::Inline || (s.declared && KindOf(*s.known).frame));
    // An inherited object the catalogue does not declare may be a frame: its children tell.
    s.inheritedFrame = !s.isRoot && !s.frame && !s.declared && obj.Kind() == ObjectKind::Inherited;
    return s;
}

vcl::TClassEvidence TFormFile::Builder::Evidence(const Object& obj, const Holder& holder, const Sight& sight,
                                                 bool frame) const {
    vcl::TClassEvidence evidence;
    evidence.isRoot = sight.isRoot;
    evidence.isInline = frame;
    evidence.underMenu = holder.menu != nullptr || holder.item != nullptr;
    evidence.underActionList = holder.underActionList;
    // Data modules store a size too; only a form stores a client size, caption or text height.
    evidence.hasSize = sight.isRoot ? HasAny(obj, {"ClientWidth", "ClientHeight", "Caption", "TextHeight"})
                                    : HasAny(obj, {"Width", "Height", "ClientWidth", "ClientHeight"});
    evidence.hasTabOrder = HasAny(obj, {"TabOrder", "TabStop"});
    return evidence;
}

bool TFormFile::Builder::NeedsWhatFollows(const Object& obj, const Holder& holder, const Sight& sight) {
    if (sight.inheritedFrame) return true;
    if (sight.known != nullptr || file_.inferred_->Find(obj.ClassName()) != nullptr) return false;
    // A class first met here: whether what it holds could change what it is made.
    vcl::TClassEvidence evidence = Evidence(obj, holder, sight, sight.frame);
    const char* without = vcl::TClassCatalogue::InferredBase(evidence);
    evidence.hasChildren = true;
    return std::strcmp(without, vcl::TClassCatalogue::InferredBase(evidence)) != 0;
}

void TFormFile::Builder::Finish(size_t objects) {
    if (failed_) std::rethrow_exception(failed_);
    if (firstLeft_) {
        // The object the building stopped at, then the rest of each enclosing object's
        // children, innermost first: the order of the file.
        const Document& doc = file_.doc_;
        uint32_t after = *firstLeft_;
        file_.entries_.reserve(objects);
        BuildTree(doc.ObjectAt(after), HolderHere(), ScopeHere());
        for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
            bool past = false;
            for (Object child : doc.ObjectAt(it->object).Children()) {
                if (past) BuildTree(child, it->ForChildren(), it->childScope);
                past = past || child.Index() == after;
            }
            after = it->object;
        }
    }
    Complete();
}

TComponent* TFormFile::Builder::BuildObject(const Object& obj, const Holder& holder, uint32_t scopeEntry,
                                            const Sight& sight, uint32_t& childScope) {
    // An object's properties only while it is built, a batch at a time (PropertyWalk): a large
    // form never holds them all. What is told of a class first met here reads them several
    // times, and reads them once while they are held.
    std::optional<PropertyScope> held;
    TComponent* const enclosing = holder.component;
    TComponent* scope = scopeEntry == kNoEntry ? nullptr : file_.entries_[scopeEntry].component;
    if (scopeEntry == kNoEntry) scopeEntry = 0;  // the root's references name its own components
    bool frame = sight.frame;
    if (sight.inheritedFrame && !obj.Children().empty()) {
        if (scope != file_.root_) {
            frame = true;
        } else {
            if (!namesInFile_) CountNames(file_.doc_.Root(), namesInFile_.emplace());
            frame = RepeatsNameOutside(obj, *namesInFile_);
        }
    }
    const std::string_view className = obj.ClassName();
    const vcl::TClassInfo* named = sight.known != nullptr ? sight.known : file_.inferred_->Find(className);
    if (named == nullptr) {  // a class first met here: what the object stores tells what it is
        held.emplace(obj);
        vcl::TClassEvidence evidence = Evidence(obj, holder, sight, frame);
        for (Object child : obj.Children())
            evidence.hasChildren = evidence.hasChildren || (sight.isRoot ? HasAny(child, {"Width", "Height"})
                                                                         : MayBeControl(child, catalogue_, *file_.inferred_));
        named = &catalogue_.Infer(className, evidence, *file_.inferred_);
    }
    const vcl::TClassInfo& cls = *named;
    Kind& kind = KindOf(cls);

    TComponent* owner = holder.book != nullptr && kind.page ? holder.book : scope;
    TComponent* c = enclosing == nullptr ? file_.root_ : nullptr;
    if (c == nullptr) {
        try {
            // Only what the file holds: a component that loading makes for someone else
            // (a session's database) may outlive the file, so it comes from the heap.
            vcl::TComponentArena::Scope inArena(file_.arena_.get());
            c = catalogue_.CreateComponent(cls, owner);
        } catch (const vcl::Exception& e) {
            Refuse(fileName_, obj.Position(), e.Message());
        }
        if (enclosing == nullptr) file_.ownedRoot_.reset(file_.root_ = c);
    }
    c->SetLoading(true);
    try {
        c->SetName(std::string(obj.Name()));
    } catch (const vcl::Exception& e) {
        Refuse(fileName_, obj.Position(), e.Message());
    }
    auto* control = vcl::Cast<vcl::TControl>(c);
    if (control != nullptr) {
        if (holder.parent != nullptr) control->SetParent(holder.parent);
    } else if (auto* item = vcl::Cast<vcl::TMenuItem>(c)) {
        if (holder.menu != nullptr) holder.menu->Items()->Add(item);
        else if (holder.item != nullptr) holder.item->Add(item);
    }

    const bool visual = control != nullptr;
    uint32_t design = 0;
    const vcl::TClassInfo& own = c->ClassType();
    size_t at = 0;  // among the properties below, in kind.lastProps
    for (PropertyWalk walk(obj); walk.Next();) {
        // An object given any number of properties keeps most of them as stored values: room
        // for them a batch at once.
        if (const size_t count = at + walk.Batch().size(); count > kManyProperties) c->ReserveStored(count);
        for (Property prop : walk.Batch()) {
            const std::string_view name = prop.Name();
            if (name.find('.') != std::string_view::npos) continue;  // a sub-object's property
            const Value value = prop.GetValue();
            if (!visual && IsDesignPosition(name) && value.Kind() == ValueKind::Integer) {
                const auto v = uint32_t(value.AsInteger()) & 0xFFFFu;
                design = vcl::SameText(name, "Left") ? (design & 0xFFFF0000u) | v : (design & 0xFFFFu) | (v << 16);
                continue;
            }
            const TPropInfo* info = nullptr;
            if (at < kind.lastProps.size() && kind.lastProps[at].first == name && &own == &cls) {
                info = kind.lastProps[at].second;
            } else {
                info = own.FindProperty(name);
                if (info == nullptr) {
                    const TTypeKind valueKind = KindOfValue(value);
                    if (valueKind == TTypeKind::tkUnknown) continue;
                    info = &own == &cls ? &catalogue_.LearnUnpublished(cls, name, valueKind)
                                        : &catalogue_.LearnProperty(cls, name, valueKind);
                }
                if (&own == &cls && at < kManyProperties) {
                    kind.lastProps.resize(at);
                    kind.lastProps.emplace_back(name, info);
                }
            }
            ++at;
            if (!info->Stored) continue;
            try {
                if (info->Kind == TTypeKind::tkClass) {
                    if (value.Kind() == ValueKind::Ident)
                        references_.push_back({c, info, std::string(value.AsIdent()), scopeEntry, prop.Offset()});
                    continue;
                }
                if (auto v = ModelValue(value)) {
                    // Read, not edited: a text's bytes are the file's, which the components go
                    // before. Only a text is kept as a view of them.
                    std::optional<vcl::TComponentArena::OfferedBytes> offered;
                    if (value.Kind() == ValueKind::String) offered.emplace(file_.arena_.get(), value.Raw());
                    vcl::SetPropValue(c, info, std::move(*v));
                }
            } catch (const vcl::Exception& e) {
                Refuse(fileName_, prop.Position(), std::string(name) + ": " + e.Message());
            }
        }
    }
    if (!visual) c->SetDesignInfo(int32_t(design));
    if (auto* reader = vcl::Cast<vcl::TStoredDataReader>(c)) {
        if (!held) held.emplace(obj);  // its properties, read once for all it looks for
        try {
            reader->ReadStoredData(StoredObject(obj), enclosing);
        } catch (const vcl::Exception& e) {
            Refuse(fileName_, obj.Position(), e.Message());
        }
    }
    held.reset();
    const auto self = uint32_t(file_.entries_.size());
    if (file_.entries_.size() >= Entry::kMostEntries)
        Refuse(fileName_, obj.Position(), "form files of more than " + std::to_string(Entry::kMostEntries) + " objects are not supported");
    file_.entries_.push_back({c, obj.Index(), scopeEntry});

    childScope = sight.isRoot || frame ? self : scopeEntry;
    return c;
}

void TFormFile::Builder::Complete() {
    std::vector<TComponent*> linked;  // to an action, in the order of the file
    for (const auto& ref : references_) {
        TComponent* target = file_.Resolve(ref.text, file_.entries_[ref.scope].component);
        try {
            // Anything not found (another module's component) stays known by its name.
            vcl::SetPropValue(ref.component, ref.prop, vcl::TReference{ref.text, target});
        } catch (const vcl::Exception& e) {
            Refuse(file_.doc_, file_.doc_.PositionOf(ref.where), ref.prop->Name + ": " + e.Message());
        }
        if (target != nullptr && vcl::SameText(ref.prop->Name, "Action")) linked.push_back(ref.component);
    }
    for (TComponent* client : linked) vcl::ApplyActionLink(*client);
    // Children finish loading before their parents, as the platform's reader has it.
    for (auto it = file_.entries_.rbegin(); it != file_.entries_.rend(); ++it) it->component->Loaded();
    for (uint32_t i = 0; i < file_.entries_.size(); ++i) file_.entries_[i].component->Watch(&file_, i);
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
    entries_[i].changed = entries_[i].noticed = true;
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

// Computes the fingerprint as Fingerprint does, and on the way keeps each value's hash.
void TFormFile::Snapshot(uint32_t index) {
    Entry& entry = entries_[index];
    const TComponent& c = *entry.component;
    const Writable& writable = WritableProperties(c.ClassType());
    uint64_t h = Mix(HashText(c.Name()), uint64_t(uint32_t(c.DesignInfo())));
    Before& before = before_[index];
    before.design = c.DesignInfo();
    before.name = c.Name();
    before.values.resize(writable.props.size());
    for (size_t i = 0; i < writable.props.size(); ++i) {
        before.values[i] = HashValue(c.ReadProperty(*writable.props[i]));
        h = Mix(h, before.values[i]);
    }
    before.fingerprint = h;
}

void TFormFile::OldNames::Add(TComponent* component, std::string_view name) {
    byComponent_.emplace(component, std::string(name));
    byName_.emplace(std::string(name), component);
}

TComponent* TFormFile::OldNames::Find(const TComponent* owner, std::string_view name) const {
    for (auto [it, end] = byName_.equal_range(name); it != end; ++it)
        if (it->second->Owner() == owner) return it->second;
    return nullptr;
}

std::string_view TFormFile::OldNames::NameOf(const TComponent& component) const {
    auto it = byComponent_.find(&component);
    return it == byComponent_.end() ? std::string_view(component.Name()) : std::string_view(it->second);
}

void TFormFile::Build() { Builder(*this, doc_.FileName()).BuildAll(); }

std::unique_ptr<TFormFile> TFormFile::Read(std::string bytes, const std::string& fileName) {
    std::unique_ptr<TFormFile> file(new TFormFile());
    file->PrepareMemory(bytes.size());
    Builder builder(*file, fileName, bytes.size());
    const vcl::TComponentArena::TextsScope texts(file->arena_.get());
    file->doc_ = Document::Parse(std::move(bytes), fileName, &builder);
    builder.Finish(file->doc_.ObjectCount());
    return file;
}

std::unique_ptr<TFormFile> TFormFile::Load(const std::string& path) {
    zorbase::FileStamp stamp;
    std::optional<std::string> bytes = zorbase::ReadWholeFile(path, &stamp);
    if (!bytes) throw vcl::EInOutError("cannot open form file '" + path + "': No such file or directory");
    std::unique_ptr<TFormFile> file = Read(std::move(*bytes), path);
    file->loadedFrom_ = CanonicalPath(path);
    file->stamp_ = stamp;
    return file;
}

std::unique_ptr<TFormFile> TFormFile::LoadBytes(std::string bytes, const std::string& fileName) {
    return Read(std::move(bytes), fileName);
}

std::optional<Object> TFormFile::ObjectOf(const TComponent& component) const {
    const uint32_t i = component.WatchCookie();
    if (i < entries_.size() && entries_[i].component == &component) return doc_.ObjectAt(entries_[i].object);
    return std::nullopt;
}

TComponent* TFormFile::ScopeOf(uint32_t index) const {
    TComponent* c = entries_[entries_[index].scope].component;
    return c != nullptr ? c : root_;
}

std::vector<TComponent*> TFormFile::ResolvePath(std::string_view text, TComponent* scope, const OldNames* old,
                                                bool prefix) const {
    std::vector<TComponent*> path;
    if (text.empty()) return path;
    auto find = [&](const TComponent* owner, std::string_view name) -> TComponent* {
        if (old != nullptr) {
            if (TComponent* c = old->Find(owner, name)) return c;
            TComponent* c = owner->FindComponent(name);
            return c != nullptr && !old->Renamed(c) ? c : nullptr;
        }
        return owner->FindComponent(name);
    };
    const std::string_view rootName = old != nullptr ? old->NameOf(*root_) : std::string_view(root_->Name());
    size_t dot = text.find('.');
    const std::string_view first = text.substr(0, dot);
    TComponent* c = nullptr;
    if (dot != std::string_view::npos && vcl::SameText(first, rootName)) {
        c = root_;
    } else {
        for (TComponent* s = scope != nullptr ? scope : root_; s != nullptr && c == nullptr;
             s = s == root_ ? nullptr : s->Owner())
            c = find(s, first);
        if (c == nullptr && vcl::SameText(first, rootName)) c = root_;
    }
    while (c != nullptr) {
        path.push_back(c);
        if (dot == std::string_view::npos) return path;
        const size_t next = text.find('.', dot + 1);
        c = find(c, text.substr(dot + 1, next == std::string_view::npos ? next : next - dot - 1));
        dot = next;
    }
    if (!prefix) path.clear();
    return path;
}

TComponent* TFormFile::Resolve(std::string_view text, TComponent* scope, const OldNames* old) const {
    std::vector<TComponent*> path = ResolvePath(text, scope, old);
    return path.empty() ? nullptr : path.back();
}

// A component freed during the run keeps its object in the file: nothing here can tell a
// deletion the user wanted from one the program made.
void TFormFile::CarryChanges() {
    std::vector<uint32_t> due;
    for (uint32_t i = 0; i < entries_.size(); ++i) {
        Entry& entry = entries_[i];
        if (!entry.changed || entry.component == nullptr) continue;
        if (Fingerprint(*entry.component) != before_.at(i).fingerprint) due.push_back(i);
        entry.changed = false;
        entry.component->Watch(this, i);
    }
    // References in the file still use the old names until they follow the renames.
    OldNames old;
    for (uint32_t i : due) {
        const Entry& entry = entries_[i];
        if (Renamed(i)) old.Add(entry.component, doc_.ObjectAt(entry.object).Name());
    }
    bool carried = false;
    for (uint32_t i : due)
        if (ApplyComponent(i, old)) {
            entries_[i].carried = true;
            carried = true;
        }
    before_.clear();
    if (!old.Empty()) RewriteReferences(old);
    if (carried) {
        changedNames_.clear();
        for (uint32_t i = 0; i < entries_.size(); ++i) {
            if (!entries_[i].carried) continue;
            const Object obj = doc_.ObjectAt(entries_[i].object);
            std::string name = obj.Name().empty() ? "(" + std::string(obj.ClassName()) + ")" : std::string(obj.Name());
            if (auto it = readName_.find(i); it != readName_.end() && it->second != name)
                name = (it->second.empty() ? "(" + std::string(obj.ClassName()) + ")" : it->second) + " -> " + name;
            changedNames_.push_back(std::move(name));
        }
    }
}

std::vector<uint64_t> TFormFile::Fingerprints() {
    std::vector<uint64_t> all;
    for (const Entry& entry : entries_) all.push_back(entry.component ? Fingerprint(*entry.component) : 0);
    return all;
}

std::vector<std::string> TFormFile::UnnoticedChanges(const std::vector<uint64_t>& then) {
    std::vector<std::string> names;
    for (uint32_t i = 0; i < entries_.size() && i < then.size(); ++i) {
        const Entry& entry = entries_[i];
        if (entry.component != nullptr && !entry.noticed && Fingerprint(*entry.component) != then[i])
            names.push_back(entry.component->Name() + ": " + entry.component->ClassName());
    }
    return names;
}

std::optional<std::string> TFormFile::ChangedBytes() const {
    if (!doc_.IsModified()) return std::nullopt;
    std::string bytes = doc_.Write();
    if (bytes == doc_.Source()) return std::nullopt;
    return bytes;
}

void TFormFile::ForgetPendingChanges() {
    for (uint32_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].changed && entries_[i].component != nullptr) Snapshot(i);
}

// Renamed since it was last seen unchanged, and to other than the file holds.
bool TFormFile::Renamed(uint32_t index) const {
    const Entry& entry = entries_[index];
    return entry.component->Name() != before_.at(index).name &&
           entry.component->Name() != doc_.ObjectAt(entry.object).Name();
}

// True when the document changed.
bool TFormFile::ApplyComponent(uint32_t index, const OldNames& old) {
    Entry& entry = entries_[index];
    TComponent& c = *entry.component;
    Object obj = doc_.ObjectAt(entry.object);
    TComponent* scope = ScopeOf(index);
    bool wrote = false;
    if (Renamed(index)) {
        readName_.try_emplace(index, std::string(obj.Name()));
        obj.SetName(c.Name());
        wrote = true;
    }
    const bool visual = vcl::Is<vcl::TControl>(&c);
    const Before& before = before_.at(index);
    const auto& props = WritableProperties(c.ClassType()).props;
    for (size_t i = 0; i < props.size(); ++i) {
        const TPropInfo& p = *props[i];
        const TValue current = c.ReadProperty(p);
        if (HashValue(current) == before.values[i]) continue;
        std::optional<Property> inFile = obj.FindProperty(p.Name);
        if (inFile) {
            const Value fileValue = inFile->GetValue();
            std::optional<TValue> was;
            if (p.Kind == TTypeKind::tkClass && fileValue.Kind() == ValueKind::Ident) {
                const std::string text(fileValue.AsIdent());
                TComponent* target = Resolve(text, scope, &old);
                auto* r = std::get_if<vcl::TReference>(&current);
                if (r && r->target == target) continue;  // unresolved names compare equal too
                was = TValue(vcl::TReference{text, target});
            } else {
                was = ModelValue(fileValue);
            }
            if (!was || std::holds_alternative<std::monostate>(current) || SameValue(*was, current)) continue;
            wrote = true;
            if (auto def = DefaultValue(p); def && SameValue(*def, current)) {
                obj.RemoveProperty(p.Name);
                continue;
            }
            obj.SetProperty(inFile->Name(), FileValue(current, scope, fileValue.IsWideString()));
        } else {
            if (std::holds_alternative<std::monostate>(current)) continue;
            if (auto def = DefaultValue(p); def && SameValue(*def, current)) continue;
            obj.SetProperty(p.Name, FileValue(current, scope, false));
            wrote = true;
        }
    }
    if (!visual && c.DesignInfo() != before.design) {
        const uint32_t design = uint32_t(c.DesignInfo());
        const int64_t left = design & 0xFFFFu, top = design >> 16;
        for (auto [name, v] : {std::pair<const char*, int64_t>{"Left", left}, {"Top", top}}) {
            std::optional<Property> prop = obj.FindProperty(name);
            const bool same = prop ? prop->GetValue().Kind() == ValueKind::Integer && prop->GetValue().AsInteger() == v
                                   : v == 0;
            if (!same) {
                obj.SetProperty(prop ? prop->Name() : std::string_view(name), ValueData::Integer(v));
                wrote = true;
            }
        }
    }
    return wrote;
}

namespace {

// A property the catalogue declares with a type that is not a class: its identifiers are
// values of that type (an enumeration value may spell a component's name). A property met
// only in form files has its kind's bare name as type: nothing is known of it.
bool DeclaredNotReference(const vcl::TClassInfo* cls, std::string_view path) {
    for (;;) {
        if (cls == nullptr) return false;
        const size_t dot = path.find('.');
        const TPropInfo* p = cls->FindProperty(path.substr(0, dot));
        if (p == nullptr) return false;
        if (dot == std::string_view::npos)
            return p->Kind != TTypeKind::tkClass && p->TypeName != vcl::TypeKindName(p->Kind);
        if (p->Kind != TTypeKind::tkClass) return false;
        cls = p->PropClass;
        path.remove_prefix(dot + 1);
    }
}

// Lists of strings or numbers (the lines of a memo) are not worth decoding.
bool HoldsIdent(const Value& list) {
    for (size_t i = 0; i < list.Count(); ++i) {
        const Value item = list.Item(i);
        if (item.Kind() == ValueKind::Ident || item.Kind() == ValueKind::Collection ||
            (item.Kind() == ValueKind::List && HoldsIdent(item)))
            return true;
    }
    return false;
}

bool AnyOldName(std::string_view text, const auto& old) {
    for (size_t from = 0;;) {
        const size_t dot = text.find('.', from);
        if (old.IsOldName(text.substr(from, dot == std::string_view::npos ? dot : dot - from))) return true;
        if (dot == std::string_view::npos) return false;
        from = dot + 1;
    }
}

}  // namespace

// The reference's text with every name of a renamed component replaced by its new name;
// nothing when it names no renamed component of this form. The names after the last one this
// file shows stay ("Frame1.Action1": an action of the frame's class, not written here).
std::optional<std::string> TFormFile::FollowRename(std::string_view text, TComponent* scope, const OldNames& old) const {
    if (!AnyOldName(text, old)) return std::nullopt;
    const std::vector<TComponent*> path = ResolvePath(text, scope, &old, true);
    bool renamed = false;
    for (TComponent* c : path) renamed = renamed || old.Renamed(c);
    if (!renamed) return std::nullopt;
    std::string out;
    size_t from = 0;
    for (TComponent* c : path) {
        const size_t dot = text.find('.', from);
        if (!out.empty()) out += '.';
        out += old.Renamed(c) ? std::string_view(c->Name())
                              : text.substr(from, dot == std::string_view::npos ? dot : dot - from);
        from = dot + 1;
    }
    if (path.size() < size_t(std::count(text.begin(), text.end(), '.')) + 1) out += text.substr(from - 1);
    return out;
}

// Lists are rewritten as a whole; their items have no place of their own to edit.
bool TFormFile::RewriteData(ValueData& value, TComponent* scope, const OldNames& old) const {
    bool changed = false;
    if (value.kind == ValueKind::Ident) {
        if (auto text = FollowRename(value.text, scope, old)) {
            value.text = std::move(*text);
            changed = true;
        }
    }
    if (value.kind == ValueKind::List)
        for (ValueData& item : value.items) changed = RewriteData(item, scope, old) || changed;
    for (ItemData& item : value.collection)
        for (NamedValue& p : item.properties) changed = RewriteData(p.value, scope, old) || changed;
    return changed;
}

bool TFormFile::RewriteValue(Property prop, TComponent* scope, const OldNames& old) {
    const Value v = prop.GetValue();
    switch (v.Kind()) {
        case ValueKind::Ident:
            if (auto text = FollowRename(v.AsIdent(), scope, old)) {
                prop.SetValue(ValueData::Ident(std::move(*text)));
                return true;
            }
            return false;
        case ValueKind::List: {
            if (!HoldsIdent(v)) return false;
            ValueData data = v.ToData();
            if (!RewriteData(data, scope, old)) return false;
            prop.SetValue(data);
            return true;
        }
        case ValueKind::Collection: {
            bool changed = false;
            for (size_t i = 0; i < v.Count(); ++i)
                for (Property item : v.Entry(i).Properties()) changed = RewriteValue(item, scope, old) || changed;
            return changed;
        }
        default: return false;
    }
}

// Every reference in the file to a renamed component follows it: in properties, their
// sub-properties, collection items and lists. Identifiers in properties the catalogue
// declares with another type are left alone, and so are names of other modules' components.
void TFormFile::RewriteReferences(const OldNames& old) {
    auto& catalogue = vcl::ClassCatalogue();
    for (uint32_t i = 0; i < entries_.size(); ++i) {
        Entry& entry = entries_[i];
        TComponent* scope = ScopeOf(i);
        const Object obj = doc_.ObjectAt(entry.object);
        const vcl::TClassInfo* cls =
            entry.component != nullptr ? &entry.component->ClassType() : catalogue.Find(obj.ClassName());
        for (Property prop : obj.Properties()) {
            const ValueKind kind = prop.GetValue().Kind();
            if (kind != ValueKind::Ident && kind != ValueKind::List && kind != ValueKind::Collection) continue;
            if (kind == ValueKind::Ident &&
                (!AnyOldName(prop.GetValue().AsIdent(), old) || DeclaredNotReference(cls, prop.Name())))
                continue;
            const std::string before = kind == ValueKind::Ident ? std::string(prop.GetValue().AsIdent()) : std::string();
            try {
                if (!RewriteValue(prop, scope, old)) continue;
            } catch (const vcl::EPropertyError&) {
                // Inside a value an earlier edit set: that value is set again as a whole.
                ValueData data = prop.GetValue().ToData();
                if (!RewriteData(data, scope, old)) continue;
                prop.SetValue(data);
            }
            // A property the model keeps as a plain identifier follows as well, or a later
            // change of the component would write the old name back.
            if (kind != ValueKind::Ident || entry.component == nullptr) continue;
            const TPropInfo* info = vcl::GetPropInfo(entry.component, prop.Name());
            if (info == nullptr || info->Kind == TTypeKind::tkClass) continue;
            const TValue model = entry.component->ReadProperty(*info);
            if (auto* id = std::get_if<vcl::TIdent>(&model); id && vcl::SameText(id->name, before)) {
                entry.component->Watch(nullptr);
                entry.component->WriteProperty(*info, vcl::TIdent{std::string(prop.GetValue().AsIdent())});
                entry.component->Watch(this, i);
            }
        }
    }
}

std::string TFormFile::Bytes() {
    CarryChanges();
    return doc_.Write();
}

void TFormFile::Save(const std::string& path, std::string bytes) {
    // The file read, by whatever path or link: it must still hold the bytes read (or last saved).
    const bool same = !loadedFrom_.empty() && (CanonicalPath(path) == loadedFrom_ || zorbase::SameFile(path, loadedFrom_));
    if (!same) {
        zorbase::WriteFileAtomically(path, bytes, nullptr);
        return;
    }
    zorbase::WriteFileAtomically(path, bytes, &stamp_, saved_ ? std::string_view(*saved_) : doc_.Source());
    saved_ = std::move(bytes);
}

}  // namespace formfile
