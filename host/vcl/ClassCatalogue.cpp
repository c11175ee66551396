#include "host/vcl/ClassCatalogue.h"

#include <algorithm>
#include <bit>
#include <fstream>
#include <sstream>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "host/vcl/Classes.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Forms.h"
#include "host/vcl/Menus.h"
#include "host/vcl/Notebooks.h"

extern const char kStandardClasses[];  // StandardClasses.txt, compiled in

namespace vcl {

namespace {

struct KindName {
    std::string_view name;
    TTypeKind kind;
};

constexpr KindName kKinds[] = {
    {"Integer", TTypeKind::tkInteger},   {"Int64", TTypeKind::tkInt64},
    {"Char", TTypeKind::tkChar},         {"WChar", TTypeKind::tkWChar},
    {"Enumeration", TTypeKind::tkEnumeration}, {"Float", TTypeKind::tkFloat},
    {"String", TTypeKind::tkString},     {"LString", TTypeKind::tkLString},
    {"WString", TTypeKind::tkWString},   {"Set", TTypeKind::tkSet},
    {"Class", TTypeKind::tkClass},       {"Method", TTypeKind::tkMethod},
    {"Variant", TTypeKind::tkVariant},
};

constexpr KindName kPredeclared[] = {
    {"Integer", TTypeKind::tkInteger},  {"Cardinal", TTypeKind::tkInteger},
    {"Word", TTypeKind::tkInteger},     {"Byte", TTypeKind::tkInteger},
    {"SmallInt", TTypeKind::tkInteger}, {"ShortInt", TTypeKind::tkInteger},
    {"LongInt", TTypeKind::tkInteger},  {"LongWord", TTypeKind::tkInteger},
    {"Int64", TTypeKind::tkInt64},      {"Boolean", TTypeKind::tkEnumeration},
    {"Char", TTypeKind::tkChar},        {"WideChar", TTypeKind::tkWChar},
    {"string", TTypeKind::tkLString},   {"AnsiString", TTypeKind::tkLString},
    {"WideString", TTypeKind::tkWString}, {"UnicodeString", TTypeKind::tkWString},
    {"Single", TTypeKind::tkFloat},     {"Double", TTypeKind::tkFloat},
    {"Extended", TTypeKind::tkFloat},   {"Currency", TTypeKind::tkFloat},
    {"TDateTime", TTypeKind::tkFloat},  {"Variant", TTypeKind::tkVariant},
};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Splits "a <sep> b" at the first sep; false when sep is absent.
bool SplitAt(std::string_view s, char sep, std::string_view& left, std::string_view& right) {
    const size_t at = s.find(sep);
    if (at == std::string_view::npos) return false;
    left = Trim(s.substr(0, at));
    right = Trim(s.substr(at + 1));
    return true;
}

// The first line of text, taken off it (without its line break). Inline: it runs for every
// line of a user's catalogue and every property line a class declares.
inline std::string_view TakeLine(std::string_view& text) {
    const size_t eol = std::min(text.find('\n'), text.size());
    const std::string_view line(text.data(), eol);
    text.remove_prefix(std::min(eol + 1, text.size()));
    return line;
}

// Where the first line at or after from (a line's start) that begins with neither a space nor
// a tab starts; text.size() when none does. Sixteen bytes at a time where the processor can:
// all but a tenth of the compiled-in catalogue's 10,500 lines are indented property lines, which
// the look at start passes over.
size_t NextUnindented(std::string_view text, size_t from) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin + from;
    auto unindented = [](char c) { return c != ' ' && c != '\t'; };
    if (p >= end || unindented(*p)) return size_t(p - begin);
#ifdef __SSE2__
    for (; end - p > 16; p += 16) {  // a line break found has its next byte inside the text
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        for (unsigned breaks = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')))); breaks != 0;
             breaks &= breaks - 1) {
            const char* line = p + std::countr_zero(breaks) + 1;
            if (unindented(*line)) return size_t(line - begin);
        }
    }
#endif
    for (; p < end; ++p)
        if (*p == '\n' && (p + 1 == end || unindented(p[1]))) return size_t(p + 1 - begin);
    return text.size();
}

// The kind a type line names ("Integer", "Set", ...); tkUnknown for none.
TTypeKind KindNamed(std::string_view text) {
    for (const auto& k : kKinds)
        if (SameText(k.name, text)) return k.kind;
    return TTypeKind::tkUnknown;
}

// What follows "class ": "NAME [: PARENT]", trimmed; parent empty without one.
void SplitClassHeader(std::string_view rest, std::string_view& name, std::string_view& parent) {
    parent = {};
    if (!SplitAt(rest, ':', name, parent)) name = Trim(rest);
}

// "Name: Type [= Default]", the names checked.
bool SplitPropertyLine(std::string_view line, std::string_view& name, std::string_view& type, std::string_view& def) {
    std::string_view rest;
    if (!SplitAt(line, ':', name, rest) || !IsValidIdent(name)) return false;
    def = {};
    if (!SplitAt(rest, '=', type, def)) type = rest;
    return IsValidIdent(type);
}

}  // namespace

TClassCatalogue::TClassCatalogue() {
    for (const auto& p : kPredeclared) types_[std::string(p.name)] = p.kind;
    // Checked line by line by the tests (Catalogue.TheStandardClassesPassEveryCheck), not at every start.
    IndexCompiledIn(kStandardClasses);
    Add("TApplication", Find("TComponent"));

    RegisterComponentClass<TComponent>("TComponent");
    RegisterComponentClass<TControl>("TControl");
    RegisterComponentClass<TGraphicControl>("TGraphicControl");
    RegisterComponentClass<TWinControl>("TWinControl");
    RegisterComponentClass<TCustomControl>("TCustomControl");
    RegisterComponentClass<TCustomForm>("TCustomForm");
    RegisterComponentClass<TForm>("TForm");
    RegisterComponentClass<TFrame>("TFrame");
    RegisterComponentClass<TDataModule>("TDataModule");
    RegisterComponentClass<TMenu>("TMenu");
    RegisterComponentClass<TMainMenu>("TMainMenu");
    RegisterComponentClass<TPopupMenu>("TPopupMenu");
    RegisterComponentClass<TMenuItem>("TMenuItem");
    RegisterComponentClass<TNotebook>("TNotebook");
    RegisterComponentClass<TPage>("TPage");
    RegisterComponentClass<TTabbedNotebook>("TTabbedNotebook");
    RegisterComponentClass<TTabPage>("TTabPage");
}

TClassCatalogue::~TClassCatalogue() = default;

TClassInfo& TClassCatalogue::Add(std::string_view name, const TClassInfo* parent) {
    if (TClassInfo* known = Lookup(name)) return *known;
    auto& slot = classes_[std::string(name)];
    slot = std::make_unique<TClassInfo>(std::string(name), parent);
    types_[std::string(name)] = TTypeKind::tkClass;
    return *slot;
}

void TClassCatalogue::IndexCompiledIn(std::string_view text) {
    unmadeList_.reserve(512);
    compiledInTypeList_.reserve(512);
    Unmade* current = nullptr;
    const char* linesBegin = nullptr;  // the current class's property lines so far
    const char* linesEnd = nullptr;
    auto keepLines = [&] {
        if (current != nullptr && linesBegin != nullptr) current->lines = std::string_view(linesBegin, size_t(linesEnd - linesBegin));
        linesBegin = linesEnd = nullptr;
    };
    // Only the unindented lines are read; the indented ones between them are passed over whole.
    for (size_t at = 0; at < text.size();) {
        const size_t eol = std::min(text.find('\n', at), text.size());
        const size_t nextLine = std::min(eol + 1, text.size());
        const size_t next = NextUnindented(text, nextLine);
        const std::string_view line = Trim(text.substr(at, eol - at));
        if (!line.empty() && line[0] != '#') {
            keepLines();
            current = nullptr;
            std::string_view left, right;
            if (line.starts_with("type ") && SplitAt(line.substr(5), '=', left, right)) {
                if (const TTypeKind kind = KindNamed(right); kind != TTypeKind::tkUnknown)
                    compiledInTypeList_.push_back({left, kind});
            } else if (line.starts_with("class ")) {
                std::string_view name, parent;
                SplitClassHeader(line.substr(6), name, parent);
                current = &unmadeList_.emplace_back(Unmade{name, parent, {}});
            }
        }
        if (next > nextLine && current != nullptr) {  // its property lines, without the last line break
            if (linesBegin == nullptr) linesBegin = text.data() + nextLine;
            linesEnd = text.data() + next - (text[next - 1] == '\n' ? 1 : 0);
        }
        at = next;
    }
    keepLines();
    // Indexed once all are in place: the entries do not move after.
    unmade_ = TFlatIndex<const Unmade, ByNameOf<Unmade>>(unmadeList_.size());
    for (const Unmade& u : unmadeList_) unmade_.Insert(&u);
    compiledInTypes_ = TFlatIndex<const CompiledInType, ByNameOf<CompiledInType>>(compiledInTypeList_.size());
    for (const CompiledInType& t : compiledInTypeList_) compiledInTypes_.Insert(&t);
}

TClassInfo* TClassCatalogue::Lookup(std::string_view name) const {
    if (auto it = classes_.find(name); it != classes_.end()) return it->second.get();
    const Unmade* const found = unmade_.Find(name);
    if (found == nullptr) return nullptr;
    const Unmade& u = *found;
    // Its parent first: declared above it in the text, so made (or makeable) already.
    const TClassInfo* parent = u.parent.empty() ? nullptr : Lookup(u.parent);
    auto& slot = classes_[std::string(u.name)];
    slot = std::make_unique<TClassInfo>(std::string(u.name), parent);
    if (!u.lines.empty()) slot->pending_.push_back({this, u.lines});
    return slot.get();
}

void TClassCatalogue::Load(std::string_view text, const std::string& sourceName) {
    texts_.push_back(std::make_unique<const std::string>(text));
    LoadText(*texts_.back(), sourceName);
}

void TClassCatalogue::LoadText(std::string_view text, const std::string& sourceName) {
    struct Unresolved {
        std::string_view type;
        int line;
    };
    std::vector<Unresolved> unresolved;  // may name a class declared further down
    TClassInfo* current = nullptr;
    const char* linesBegin = nullptr;  // the current class's property lines so far
    const char* linesEnd = nullptr;
    auto keepLines = [&] {
        if (linesBegin != nullptr)
            current->pending_.push_back({this, std::string_view(linesBegin, size_t(linesEnd - linesBegin))});
        linesBegin = linesEnd = nullptr;
    };
    int lineNo = 0;
    while (!text.empty()) {
        const std::string_view raw = TakeLine(text);
        ++lineNo;
        const bool indented = !raw.empty() && (raw[0] == ' ' || raw[0] == '\t');
        std::string_view line = Trim(raw);
        if (line.empty() || line[0] == '#') continue;
        auto fail = [&](const std::string& reason) { throw EParserError(sourceName, lineNo, 1, reason); };

        if (!indented && line.substr(0, 5) == "type ") {
            keepLines();
            std::string_view name, kindText;
            if (!SplitAt(line.substr(5), '=', name, kindText) || !IsValidIdent(name))
                fail("expected 'type NAME = KIND'");
            const TTypeKind kind = KindNamed(kindText);
            if (kind == TTypeKind::tkUnknown) fail("unknown kind '" + std::string(kindText) + "'");
            types_[std::string(name)] = kind;
            current = nullptr;
        } else if (!indented && line.substr(0, 6) == "class ") {
            keepLines();
            std::string_view name, parentName;
            SplitClassHeader(line.substr(6), name, parentName);
            if (!IsValidIdent(name)) fail("expected 'class NAME [: PARENT]'");
            const TClassInfo* parent = nullptr;
            if (!parentName.empty()) {
                parent = Find(parentName);
                if (parent == nullptr) fail("parent class '" + std::string(parentName) + "' is not declared before");
            }
            if (const TClassInfo* existing = Find(name); existing && parentName.size() && existing->Parent() != parent)
                fail("class '" + std::string(name) + "' is declared again with another parent");
            current = &Add(name, parent);
        } else if (indented && current != nullptr) {
            if (linesBegin == nullptr) linesBegin = raw.data();
            linesEnd = raw.data() + raw.size();
            std::string_view propName, typeName, defaultText;
            if (!SplitPropertyLine(line, propName, typeName, defaultText)) fail("expected 'Name: Type [= Default]'");
            if (KindOfType(typeName) == TTypeKind::tkUnknown) unresolved.push_back({typeName, lineNo});
        } else {
            fail("expected 'type', 'class' or an indented property line");
        }
    }
    keepLines();
    for (const auto& u : unresolved)
        if (KindOfType(u.type) == TTypeKind::tkUnknown)
            throw EParserError(sourceName, u.line, 1, "type '" + std::string(u.type) + "' is not declared");
}

void TClassCatalogue::DeclareProperties(TClassInfo& cls, std::string_view lines) const {
    while (!lines.empty()) {
        const std::string_view line = Trim(TakeLine(lines));
        std::string_view name, typeName, defaultText;
        if (line.empty() || line[0] == '#' || !SplitPropertyLine(line, name, typeName, defaultText)) continue;
        TPropInfo info;
        info.Name = std::string(name);
        info.TypeName = *InternedText(typeName);
        info.Kind = KindOfType(typeName);
        if (info.Kind == TTypeKind::tkClass) info.PropClass = Find(typeName);
        if (!defaultText.empty()) info.Default = InternedText(defaultText);
        cls.AddProperty(std::move(info));
    }
}

void TClassCatalogue::LoadFromFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EInOutError("Cannot open class catalogue " + path);
    std::ostringstream text;
    text << in.rdbuf();
    Load(text.str(), path);
}

const TClassInfo* TClassCatalogue::Find(std::string_view name) const { return Lookup(name); }

const TClassInfo& TClassCatalogue::Require(std::string_view name) const {
    if (const TClassInfo* cls = Find(name)) return *cls;
    throw EClassNotFound("Class " + std::string(name) + " not found");
}

TClassInfo& TClassCatalogue::Declare(std::string_view name, std::string_view parentName) {
    if (TClassInfo* known = Lookup(name)) return *known;
    return Add(name, &Require(parentName));
}

TTypeKind TClassCatalogue::KindOfType(std::string_view typeName) const {
    if (auto it = types_.find(typeName); it != types_.end()) return it->second;
    if (const CompiledInType* t = compiledInTypes_.Find(typeName)) return t->kind;
    return unmade_.Find(typeName) != nullptr ? TTypeKind::tkClass : TTypeKind::tkUnknown;
}

const TClassInfo* TInferredClasses::Find(std::string_view name) const {
    auto it = classes_.find(name);
    return it == classes_.end() ? nullptr : it->second.get();
}

TClassInfo& TInferredClasses::Add(std::string_view name, const TClassInfo& parent) {
    auto& slot = classes_[std::string(name)];
    if (!slot) {
        slot = std::make_unique<TClassInfo>(std::string(name), &parent);
        slot->SetInferred(true);
    }
    return *slot;
}

const TClassInfo& TClassCatalogue::Infer(std::string_view name, const TClassEvidence& e, TInferredClasses& form) {
    if (const TClassInfo* known = Find(name)) return *known;
    if (const TClassInfo* inferred = form.Find(name)) return *inferred;
    return form.Add(name, Require(InferredBase(e)));
}

const char* TClassCatalogue::InferredBase(const TClassEvidence& e) {
    return e.underMenu                   ? "TMenuItem"
           : e.underActionList           ? "TAction"
           : e.isInline                  ? "TFrame"
           : e.isRoot                    ? (e.hasSize ? "TForm" : e.hasChildren ? "TFrame" : "TDataModule")
           : e.hasChildren || e.hasTabOrder ? "TWinControl"
           : e.hasSize                   ? "TGraphicControl"
                                         : "TComponent";
}

const TPropInfo& TClassCatalogue::LearnProperty(const TClassInfo& cls, std::string_view name, TTypeKind kind) {
    if (const TPropInfo* known = cls.FindProperty(name)) return *known;
    return LearnUnpublished(cls, name, kind);
}

const TPropInfo& TClassCatalogue::LearnUnpublished(const TClassInfo& cls, std::string_view name, TTypeKind kind) {
    TPropInfo info;
    info.Name = std::string(name);
    info.TypeName = TypeKindName(kind);
    info.Kind = kind;
    info.Learned = true;
    return const_cast<TClassInfo&>(cls).AddProperty(std::move(info));
}

void TClassCatalogue::RegisterFactory(std::string_view className, TFactory factory) {
    factories_[&Require(className)] = std::move(factory);
}

TComponent* TClassCatalogue::CreateComponent(std::string_view className, TComponent* owner) const {
    return CreateComponent(Require(className), owner);
}

TComponent* TClassCatalogue::CreateComponent(const TClassInfo& cls, TComponent* owner) const {
    for (const TClassInfo* c = &cls; c != nullptr; c = c->Parent())
        if (auto it = factories_.find(c); it != factories_.end()) return it->second(owner, &cls);
    throw EClassNotFound("Class " + cls.Name() + " is not a component class");
}

TClassCatalogue& ClassCatalogue() {
    // Never taken down: it only holds memory, which the process gives back whole at its end,
    // and components that outlive static destruction may still ask it about their classes.
    static TClassCatalogue& catalogue = *new TClassCatalogue;
    return catalogue;
}

const TClassInfo* ClassByName(std::string_view name) { return &ClassCatalogue().Require(name); }

}  // namespace vcl
