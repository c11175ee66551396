#include "check/Rules.h"

#include "check/FontWidths.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "host/base/Installation.h"
#include "host/base/Zormanip.h"
#include "host/db/DBTables.h"
#include "host/formfile/FormModel.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Menus.h"
#include "host/vcl/Notebooks.h"
#include "host/vcl/TypInfo.h"

namespace check {

using formfile::Object;
using formfile::Property;
using formfile::SourcePos;
using formfile::ValueKind;
using vcl::TComponent;
using vcl::TControl;
using vcl::TWinControl;

const char* SeverityName(Severity s) {
    switch (s) {
        case Severity::Note: return "note";
        case Severity::Warning: return "warning";
        case Severity::Error: return "error";
    }
    return "warning";
}

std::optional<Severity> ParseSeverity(std::string_view text) {
    if (vcl::SameText(text, "note")) return Severity::Note;
    if (vcl::SameText(text, "warning")) return Severity::Warning;
    if (vcl::SameText(text, "error")) return Severity::Error;
    return std::nullopt;
}

const std::vector<RuleInfo>& AllRules() {
    static const std::vector<RuleInfo> rules = {
        {"tab-reading-order", Severity::Note, true, "siblings are tabbed to in another order than they are read",
         "Under one parent, the visible controls that take the focus are tabbed to in neither row order (top to"
         " bottom, then across in reading direction) nor column order, so the Tab key jumps around the window."},
        {"tab-order-sequence", Severity::Note, true, "siblings store the same tab order twice, or skip one",
         "Siblings store the same TabOrder twice, or their stored values skip a number; the designer never "
         "writes either, so the file was edited by hand or merged."},
        {"tab-stop-hidden-parent", Severity::Note, true, "tab stops inside a hidden or disabled container",
         "A container stored hidden or disabled holds controls that take the focus; they cannot be reached "
         "until code shows or enables it."},
        {"label-focus-order", Severity::Warning, true, "a label's FocusControl is not the tab stop that follows it",
         "A label's FocusControl is not the control beside or below it, so its accelerator key jumps to another"
         " field than the one it names."},
        {"accel-duplicate", Severity::Warning, true, "the same accelerator letter twice in one menu level or window",
         "Two captions in one menu level or on one window use the same accelerator letter; the key reaches only"
         " one of them."},
        {"accel-label-no-focus", Severity::Warning, true, "a label's accelerator has no FocusControl to go to",
         "A label shows an accelerator but has no FocusControl, so pressing the key does nothing."},
        {"accel-menu-clash", Severity::Warning, true, "a control's accelerator is also one of the main menu bar's",
         "A control on the window uses the accelerator letter of an item of the form's main menu bar; Alt and the "
         "letter reaches only one of them."},
        {"label-focus-target", Severity::Warning, true, "a label's FocusControl cannot take the focus",
         "A label's FocusControl is a control that cannot take the focus (a panel, a progress bar, another label) "
         "or is hidden or disabled, so its accelerator leads nowhere."},
        {"label-not-linked", Severity::Note, true, "an input control beside a label that is not linked to it",
         "An input control has no label whose FocusControl names it, although a label sits beside or above it: "
         "screen readers do not announce the label, and it has no accelerator to reach the control."},
        {"mouse-only", Severity::Warning, true, "a click handler only the mouse can reach",
         "An image, label, shape or panel has an OnClick handler that no control taking the focus, menu item or "
         "action shares: the keyboard cannot do what the click does."},
        {"dialog-default-cancel", Severity::Warning, true, "a dialog without a Default or a Cancel button",
         "A form with an OK button has no Default button (Enter does not accept it) or no Cancel button (Esc "
         "does not close it)."},
        {"hint-glyph-button", Severity::Warning, true, "a button that shows only a picture has no hint",
         "A button shows only a picture and has no hint: nothing tells a person what it does."},
        {"hint-focusable", Severity::Note, false, "a control that takes the focus has no hint",
         "A control that takes the focus has no hint."},
        {"hint-never-shown", Severity::Warning, true, "a hint that ShowHint along the parents never lets show",
         "A control has a hint, but ShowHint is off for it or along its parents, so the hint never appears."},
        {"hint-equals-caption", Severity::Note, true, "a hint that repeats the caption",
         "The hint only repeats the caption and tells nothing more."},
        {"geometry-outside-parent", Severity::Note, true, "a control lies outside its parent's area",
         "A control placed by hand lies wholly or partly outside its parent's client area and is cut off or "
         "unreachable."},
        {"geometry-zero-size", Severity::Warning, true, "a visible control with no width or no height",
         "A visible control placed by hand has no width or no height, so nobody can see it."},
        {"geometry-overlap", Severity::Note, true, "sibling controls overlap",
         "Two sibling controls placed by hand overlap, so one hides part of the other."},
        {"geometry-near-miss", Severity::Note, true, "an edge a few pixels off its neighbours' edges",
         "A control's edge is a few pixels off the edge its neighbours share."},
        {"caption-clipped", Severity::Warning, true, "a caption wider than its control",
         "A button's, check box's, radio button's, group box's or fixed-size label's caption is wider, in the form's"
         " font, than the control leaves it: the end of the text is cut off."},
        {"geometry-ppi", Severity::Warning, true, "the form was designed at another resolution than the project's",
         "The form was designed at another resolution than the project's, so it scales differently from the "
         "other forms."},
        {"component-default-name", Severity::Note, true, "a control the code likely uses keeps its default name",
         "A control the code handles or reads keeps the name the designer gave it (Button1), which says nothing"
         " about its purpose."},
        {"component-unresolved-reference", Severity::Error, true, "a reference names no component of the form",
         "A reference property names a component the form does not have; loading the form fails or leaves the "
         "reference empty."},
        {"property-unknown", Severity::Error, true, "a property the component's class does not publish",
         "The form stores a property its component's class does not publish (a misspelt Widht, a property of "
         "another version of the class): the form does not load in the IDE."},
        {"component-no-datasource", Severity::Note, true, "a data-aware control without a data source",
         "A data-aware control has no DataSource and shows no data unless code sets one."},
        {"data-table-unknown", Severity::Error, true, "a table the dataset's database does not have",
         "The dataset's database refuses its table: opening it fails at run time."},
        {"data-field-unknown", Severity::Error, true, "a field name the dataset's live fields do not have",
         "A data-aware control or persistent field names a field its dataset does not have: opening it fails at"
         " run time."},
        {"data-index-unknown", Severity::Error, true, "master, index fields or an index the live tables do not have",
         "A table's index fields, index name or master fields name what its tables do not have: opening it "
         "fails at run time."},
        {"data-query-invalid", Severity::Error, true, "SQL the database refuses, or parameters it does not have",
         "A query's SQL does not prepare, or its stored parameters differ from those the SQL uses."},
        {"data-active-stored", Severity::Warning, true, "a dataset stored open: the form needs its database to load",
         "A dataset that reads a database is stored open, so loading the form opens the database and fails "
         "where it cannot."},
    };
    return rules;
}

std::string Fingerprint(const Finding& finding) {
    // FNV-1a, 64 bits: stable across builds and machines, unlike std::hash.
    uint64_t h = 0xcbf29ce484222325ull;
    for (std::string_view part : {std::string_view(finding.rule), std::string_view(finding.path),
                                  std::string_view(finding.message)}) {
        for (unsigned char ch : part) h = (h ^ ch) * 0x100000001b3ull;
        h = (h ^ 0xff) * 0x100000001b3ull;  // a separator no UTF-8 text holds
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

const RuleInfo* FindRule(std::string_view id) {
    for (const RuleInfo& r : AllRules())
        if (id == r.id) return &r;
    return nullptr;
}

bool RuleSettings::Enabled(const RuleInfo& rule) const {
    auto it = enabled.find(rule.id);
    return it == enabled.end() ? rule.enabled : it->second;
}

Severity RuleSettings::SeverityOf(const RuleInfo& rule) const {
    auto it = severity.find(rule.id);
    return it == severity.end() ? rule.severity : it->second;
}

std::optional<std::string> Accelerator(std::string_view caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        const auto lead = static_cast<unsigned char>(caption[i + 1]);
        if (lead < 0x80) {
            if (std::isspace(lead)) return std::nullopt;
            return std::string(1, char(std::tolower(lead)));
        }
        // A letter beyond ASCII: its whole UTF-8 sequence, as written.
        size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        return std::string(caption.substr(i + 1, n));
    }
    return std::nullopt;
}

namespace {

std::string Trimmed(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return std::string(s.substr(b, e - b));
}

struct Rect {
    int64_t left, top, right, bottom;
};

// One form under check: its components, where they are in the file, and what was found.
class FormCheck {
public:
    FormCheck(const formfile::TFormFile& file, const RuleSettings& settings) : file_(file), settings_(settings) {
        Collect(file.Root());
    }

    std::vector<Finding> Run() {
        TabOrders();
        HiddenTabStops();
        LabelFocusOrder();
        Accelerators();
        LabelTargets();
        MouseOnly();
        Dialog();
        Hints();
        Geometry();
        Components();
        DataWiring();
        std::stable_sort(findings_.begin(), findings_.end(),
                         [](const Finding& a, const Finding& b) { return a.pos.offset < b.pos.offset; });
        return std::move(findings_);
    }

    std::vector<TabFix> Fixes() const {
        std::vector<TabFix> out;
        for (TWinControl* parent : Containers())
            if (auto order = ContradictedReadingOrder(parent)) out.push_back({parent, std::move(order->read)});
        return out;
    }

private:
    // ---- the file and the model ----

    // What an inline frame holds is the frame's file's business: judged there, not here.
    void Collect(TComponent* c, bool inFrame = false) {
        if (inFrame) framed_.insert(c);
        else all_.push_back(c);
        auto* control = vcl::Cast<TControl>(c);
        Part part{control, control ? dynamic_cast<TWinControl*>(control) : nullptr, file_.ObjectOf(*c)};
        part.firstStored = uint32_t(stored_.size());
        if (part.object)
            for (Property p : part.object->Properties()) stored_.push_back({NameKey(p.Name()), p});
        part.storedEnd = uint32_t(stored_.size());
        inFrame = inFrame || (part.object && part.object->Kind() == formfile::ObjectKind::Inline);
        partOf_.emplace(c, parts_.size());
        parts_.push_back(std::move(part));
        for (int i = 0; i < c->ComponentCount(); ++i) Collect(c->Components(i), inFrame);
    }
    bool Framed(const TComponent* c) const { return framed_.count(c) > 0; }
    bool IsFrame(const TComponent* c) const {
        auto obj = ObjectOf(c);
        return obj && obj->Kind() == formfile::ObjectKind::Inline;
    }

    // Each component of the form as the rules ask about it, found once: its class's place
    // among the controls (a dynamic_cast each time was a sixth of the check), its object in
    // the file and its stored properties, each with a key that tells most names apart without
    // comparing them (the rules ask for a few dozen names, many times over).
    struct Part {
        TControl* control;     // null for a component that is no control
        TWinControl* windowed;  // null for a control without a window
        std::optional<formfile::Object> object;
        uint32_t firstStored = 0, storedEnd = 0;  // its properties in stored_
        // What several rules ask of every control, answered once: -1 not yet, else 0 or 1.
        int8_t aligned = -1, page = -1, report = -1;
    };
    struct StoredName {
        uint64_t key;
        Property property;
    };
    // The length and three letters, case ignored: names that differ here are not the same.
    static uint64_t NameKey(std::string_view name) {
        if (name.empty()) return 0;
        auto lower = [](char ch) { return uint64_t(uint8_t(ch >= 'A' && ch <= 'Z' ? ch + ('a' - 'A') : ch)); };
        return uint64_t(name.size()) << 24 | lower(name.front()) << 16 | lower(name[name.size() / 2]) << 8 |
               lower(name.back());
    }
    template <class Answer>
    bool Once(const TComponent* c, int8_t Part::*slot, Answer answer) const {
        Part* part = PartOf(c);
        if (part && part->*slot >= 0) return part->*slot != 0;
        const bool yes = answer();
        if (part) part->*slot = yes;
        return yes;
    }
    Part* PartOf(const TComponent* c) const {
        auto it = partOf_.find(c);
        return it == partOf_.end() ? nullptr : &parts_[it->second];
    }
    TControl* AsControl(const TComponent* c) const {
        if (const Part* part = PartOf(c)) return part->control;
        return vcl::Cast<TControl>(const_cast<TComponent*>(c));
    }
    TWinControl* AsWindowed(const TComponent* c) const {
        if (const Part* part = PartOf(c)) return part->windowed;
        return dynamic_cast<TWinControl*>(const_cast<TComponent*>(c));
    }
    std::optional<formfile::Object> ObjectOf(const TComponent* c) const {
        if (const Part* part = PartOf(c)) return part->object;
        return file_.ObjectOf(*c);
    }

    // The first property of the name the component's object stores, as the file's search finds it.
    std::optional<Property> Stored(const TComponent* c, std::string_view name) const {
        const Part* part = PartOf(c);
        if (!part) {
            auto obj = file_.ObjectOf(*c);
            return obj ? obj->FindProperty(name) : std::nullopt;
        }
        const uint64_t key = NameKey(name);
        for (uint32_t i = part->firstStored; i < part->storedEnd; ++i)
            if (stored_[i].key == key && stored_[i].property.IsSameName(name)) return stored_[i].property;
        return std::nullopt;
    }
    std::optional<int64_t> StoredInt(const TComponent* c, std::string_view name) const {
        auto p = Stored(c, name);
        if (!p || p->GetValue().Kind() != ValueKind::Integer) return std::nullopt;
        return p->GetValue().AsInteger();
    }
    std::optional<bool> StoredBool(const TComponent* c, std::string_view name) const {
        auto p = Stored(c, name);
        if (!p || p->GetValue().Kind() != ValueKind::Boolean) return std::nullopt;
        return p->GetValue().AsBoolean();
    }
    std::optional<std::string> StoredIdent(const TComponent* c, std::string_view name) const {
        auto p = Stored(c, name);
        if (!p || p->GetValue().Kind() != ValueKind::Ident) return std::nullopt;
        return std::string(p->GetValue().AsIdent());
    }
    // An `inherited` or `inline` object stores only what differs from its ancestor's file:
    // an absent value there says nothing.
    bool Complete(const TComponent* c) const {
        auto obj = ObjectOf(c);
        return obj && obj->Kind() == formfile::ObjectKind::Object;
    }
    SourcePos Where(const TComponent* c, std::string_view prop = {}) const {
        if (!prop.empty())
            if (auto p = Stored(c, prop)) return p->Position();
        if (auto obj = ObjectOf(c)) return obj->Position();
        return {};
    }
    static std::string NameOf(const TComponent* c) {
        return c->Name().empty() ? "(" + c->ClassName() + ")" : c->Name();
    }
    static bool Publishes(const TComponent* c, std::string_view prop) { return vcl::GetPropInfo(c, prop) != nullptr; }
    // One walk up the class's ancestors for all the names.
    static bool Inherits(const TComponent* c, std::initializer_list<std::string_view> classes) {
        for (const vcl::TClassInfo* k = &c->ClassType(); k != nullptr; k = k->Parent())
            for (std::string_view name : classes)
                if (vcl::SameText(k->Name(), name)) return true;
        return false;
    }
    // A class no catalogue knows: only its name tells what it is.
    static bool ClassNameHas(const TComponent* c, std::initializer_list<const char*> words) {
        const std::string lower = vcl::LowerCase(c->ClassName());
        for (const char* w : words)
            if (lower.find(w) != std::string::npos) return true;
        return false;
    }

    void Report(const char* rule, const TComponent* c, std::string message, SourcePos pos) {
        const Rule& r = RuleOf(rule);
        if (r.info == nullptr || !r.enabled) return;
        findings_.push_back({rule, r.severity, c ? NameOf(c) : std::string(), std::move(message), pos,
                             PathOf(c ? c : file_.Root())});
    }
    // Parents' names down to the component: a control's parents, a menu item's items and menu,
    // any other component's owner.
    std::string PathOf(const TComponent* c) const {
        std::string path = NameOf(c);
        while (c != file_.Root() && c != nullptr) {
            const TComponent* up = c->Owner();
            if (auto* control = AsControl(c); control && control->Parent()) up = control->Parent();
            if (auto* item = vcl::Cast<const vcl::TMenuItem>(c)) {
                up = item->Parent() && item->Parent()->Parent() ? item->Parent()
                                                                : static_cast<const TComponent*>(item->GetParentMenu());
                if (!up) up = c->Owner();
            }
            c = up;
            if (c) path = NameOf(c) + "." + path;
        }
        return path;
    }
    bool On(const char* rule) const { return RuleOf(rule).enabled; }
    // Rules are asked for by name for every component: looked up once per form, by the
    // literal's address (a literal spelt twice just takes two entries).
    struct Rule {
        const RuleInfo* info;
        bool enabled;
        Severity severity;
    };
    const Rule& RuleOf(const char* rule) const {
        auto [it, fresh] = rules_.try_emplace(rule, Rule{nullptr, false, Severity::Note});
        if (fresh)
            if (const RuleInfo* info = FindRule(rule))
                it->second = {info, settings_.Enabled(*info), settings_.SeverityOf(*info)};
        return it->second;
    }

    // A report page (QuickReport's bands and printed labels): printed, never laid out on screen.
    bool OnReport(const TControl* c) const {
        return Once(c, &Part::report, [&] {
            auto startsWith = [](std::string_view name, std::string_view prefix) {
                return name.size() >= prefix.size() && vcl::SameText(name.substr(0, prefix.size()), prefix);
            };
            if (startsWith(c->ClassName(), "tqr") || startsWith(c->ClassName(), "tquickrep")) return true;
            return c->Parent() != nullptr && OnReport(c->Parent());
        });
    }
    bool IsPageHolder(const TComponent* c) const {
        return (AsWindowed(c) && vcl::Is<vcl::TNotebookBase>(c)) ||
               Inherits(c, {"TCustomTabControl", "TNotebook", "TPageControl"});
    }
    bool IsPage(const TControl* c) const {
        return Once(c, &Part::page, [&] {
            return (c->Parent() && IsPageHolder(c->Parent())) || Inherits(c, {"TTabSheet", "TPage", "TTabPage"});
        });
    }
    // Placed by the layout rather than by hand: aligned, or anchored to other controls.
    // Asked by several rules for every control: answered once.
    bool Aligned(const TControl* c) const {
        return Once(c, &Part::aligned, [&] {
            auto align = StoredIdent(c, "Align");
            if (const vcl::TPropInfo* p = vcl::GetPropInfo(c, "Align"); !align && p && p->Default) align = *p->Default;  // a tool bar's alTop
            if (align && !vcl::SameText(*align, "alNone")) return true;
            for (const char* side : {"AnchorSideLeft.Control", "AnchorSideTop.Control", "AnchorSideRight.Control",
                                     "AnchorSideBottom.Control"})
                if (Stored(c, side)) return true;
            return false;
        });
    }
    // Whether the control takes the focus when tabbed to: as stored, else as its class sets it.
    bool TabStop(const TWinControl* c) const {
        if (auto stored = StoredBool(c, "TabStop")) return *stored;
        return Focusable(c);
    }
    // Whether the class takes the focus at all (TabStop aside: SetFocus and labels reach it).
    // Asked for every control by several rules: answered once per class.
    bool Focusable(const TWinControl* c) const {
        auto [known, fresh] = focusable_.try_emplace(&c->ClassType(), false);
        if (fresh) known->second = FocusableClass(c);
        return known->second;
    }
    static bool FocusableClass(const TWinControl* c) {
        if (Inherits(c, {"TCustomEdit", "TButtonControl", "TCustomCombo", "TCustomComboBox", "TCustomListBox",
                         "TCustomListControl", "TCustomGrid", "TCustomTreeView", "TCustomListView", "TScrollBar",
                         "TTrackBar", "TCommonCalendar", "TDBLookupControl", "TCustomTabControl", "TCustomCheckBox",
                         "TRadioButton", "TCustomRadioGroup", "TCustomHotKey", "TDBImage", "TCustomEditButton"}))
            return true;
        if (c->ClassType().Inferred())
            return ClassNameHas(c, {"edit", "combo", "button", "check", "radio", "listbox", "memo", "grid",
                                    "treeview", "listview", "picker", "spin"});
        return false;
    }
    bool Shown(const TControl* c) const { return c->Visible(); }

    // The children that tabbing visits: visible windowed ones that stop or hold something.
    std::vector<TWinControl*> TabSiblings(const TWinControl* parent) const {
        std::vector<TWinControl*> out;
        for (TWinControl* w : parent->TabList())
            if (Shown(w) && (TabStop(w) || HoldsTabStop(w))) out.push_back(w);
        return out;
    }
    // A container that tabbing passes through: it holds a visible tab stop somewhere inside.
    // Panels of labels and pictures are read but never tabbed to.
    bool HoldsTabStop(const TWinControl* w) const {
        auto [it, fresh] = holdsTabStop_.try_emplace(w, false);
        if (!fresh) return it->second;
        bool holds = false;
        for (int i = 0; i < w->ControlCount() && !holds; ++i)
            if (auto* child = AsWindowed(w->Controls(i)); child && Shown(child))
                holds = TabStop(child) || HoldsTabStop(child);
        return holdsTabStop_[w] = holds;
    }

    bool RightToLeft(const TControl* c) const {
        for (const TControl* p = c; p != nullptr; p = p->Parent())
            if (auto mode = StoredIdent(p, "BiDiMode")) return vcl::SameText(*mode, "bdRightToLeft");
        return false;
    }

    // Reading order: rows from top to bottom (tops within the tolerance share a row), and
    // in a row from left to right, or right to left on mirrored forms. Ties keep tab order.
    // Forms laid out in columns are read down each column, then across: either order will do.
    template <class Control>
    std::vector<Control*> ColumnOrder(std::vector<Control*> controls, bool rtl) const {
        auto x = [rtl](const Control* c) { return rtl ? -(int64_t(c->Left()) + c->Width()) : int64_t(c->Left()); };
        std::vector<Control*> byX = controls;
        std::stable_sort(byX.begin(), byX.end(), [&](auto* a, auto* b) { return x(a) < x(b); });
        std::unordered_map<const Control*, int> column;
        int k = -1;
        int64_t columnX = 0;
        for (Control* c : byX) {
            if (k < 0 || x(c) - columnX > settings_.rowTolerance) ++k, columnX = x(c);
            column[c] = k;
        }
        std::stable_sort(controls.begin(), controls.end(), [&](auto* a, auto* b) {
            return column[a] != column[b] ? column[a] < column[b] : a->Top() < b->Top();
        });
        return controls;
    }

    template <class Control>
    std::vector<Control*> ReadingOrder(std::vector<Control*> controls, bool rtl) const {
        std::vector<Control*> byTop = controls;
        std::stable_sort(byTop.begin(), byTop.end(), [](auto* a, auto* b) { return a->Top() < b->Top(); });
        std::unordered_map<const Control*, int> row;
        int r = -1;
        int64_t rowTop = 0;
        for (Control* c : byTop) {
            if (r < 0 || c->Top() - rowTop > settings_.rowTolerance) ++r, rowTop = c->Top();
            row[c] = r;
        }
        auto x = [rtl](const Control* c) { return rtl ? -(int64_t(c->Left()) + c->Width()) : int64_t(c->Left()); };
        std::stable_sort(controls.begin(), controls.end(), [&](auto* a, auto* b) {
            return row[a] != row[b] ? row[a] < row[b] : x(a) < x(b);
        });
        return controls;
    }

    std::vector<TWinControl*> Containers() const {
        std::vector<TWinControl*> out;
        for (TComponent* c : all_)
            if (auto* w = AsWindowed(c);
                w && w->ControlCount() > 0 && !IsPageHolder(w) && !IsFrame(w) && !OnReport(w))
                out.push_back(w);
        return out;
    }

    // ---- tab order ----

    void TabOrders() {
        for (TWinControl* parent : Containers()) {
            if (On("tab-reading-order")) ReadingOrderOf(parent);
            if (On("tab-order-sequence")) StoredTabOrders(parent);
        }
    }

    // Whether the file tells where a control is and when it is tabbed to: an inherited
    // object without its own Left, Top and TabOrder leaves them to its ancestor.
    bool TabPlaceKnown(const TWinControl* w) const {
        return Complete(w) || (Stored(w, "Left") && Stored(w, "Top") && Stored(w, "TabOrder"));
    }

    // The tab stops under a parent in tab order and in reading order, when the two contradict
    // each other: not when the tab order reads by rows or by columns, nor when the file does
    // not tell where the stops are.
    struct TabReading {
        std::vector<TWinControl*> tabbed, read;
        bool rtl = false;
    };
    std::optional<TabReading> ContradictedReadingOrder(const TWinControl* parent) const {
        TabReading order{TabSiblings(parent), {}, RightToLeft(parent)};
        if (!std::all_of(order.tabbed.begin(), order.tabbed.end(), [&](TWinControl* w) { return TabPlaceKnown(w); }))
            return std::nullopt;
        order.read = ReadingOrder(order.tabbed, order.rtl);
        if (order.tabbed == order.read || order.tabbed == ColumnOrder(order.tabbed, order.rtl)) return std::nullopt;
        return order;
    }

    void ReadingOrderOf(const TWinControl* parent) {
        const auto order = ContradictedReadingOrder(parent);
        if (!order) return;
        const auto& [tabbed, read, rtl] = *order;
        for (size_t i = 0; i < tabbed.size(); ++i) {
            if (tabbed[i] == read[i]) continue;
            Report("tab-reading-order", tabbed[i],
                   NameOf(tabbed[i]) + " is tabbed to before " + NameOf(read[i]) +
                       ", which comes first in reading order (top to bottom, " +
                       (rtl ? "right to left" : "left to right") + ") under " + NameOf(parent),
                   Where(tabbed[i], "TabOrder"));
            return;
        }
    }

    void StoredTabOrders(const TWinControl* parent) {
        std::vector<std::pair<int64_t, TWinControl*>> orders;
        bool everyOne = true;
        for (TWinControl* w : parent->TabList()) {
            if (!Complete(w)) return;  // the ancestor's file holds the rest
            auto v = StoredInt(w, "TabOrder");
            if (v) orders.emplace_back(*v, w);
            else everyOne = false;
        }
        std::stable_sort(orders.begin(), orders.end(), [](auto& a, auto& b) { return a.first < b.first; });
        for (size_t i = 1; i < orders.size(); ++i)
            if (orders[i].first == orders[i - 1].first)
                Report("tab-order-sequence", orders[i].second,
                       NameOf(orders[i].second) + " stores TabOrder " + std::to_string(orders[i].first) + " as " +
                           NameOf(orders[i - 1].second) + " does",
                       Where(orders[i].second, "TabOrder"));
        if (!everyOne || orders.empty()) return;
        // A number may be held by a sibling that keeps its tab order to itself: one that publishes
        // TabOrder without storing it (a splitter), or a class no catalogue knows.
        for (int i = 0; i < parent->ControlCount(); ++i) {
            const TControl* c = parent->Controls(i);
            if (c->ClassType().Inferred() || (Publishes(c, "TabOrder") && !Stored(c, "TabOrder"))) return;
        }
        int64_t expected = 0;
        for (auto& [v, w] : orders) {
            if (v > expected) {
                Report("tab-order-sequence", w,
                       "the tab orders under " + NameOf(parent) + " skip " + std::to_string(expected) +
                           (v - 1 > expected ? " to " + std::to_string(v - 1) : std::string()) + " before " +
                           NameOf(w) + "'s " + std::to_string(v),
                       Where(w, "TabOrder"));
                break;
            }
            expected = v + 1;
        }
    }

    void HiddenTabStops() {
        if (!On("tab-stop-hidden-parent")) return;
        // The outermost hidden or disabled container of each tab stop, and the tab stops in it.
        std::vector<std::pair<const TControl*, std::vector<const TWinControl*>>> groups;
        std::unordered_map<const TControl*, size_t> groupOf;
        for (TComponent* c : all_) {
            auto* w = AsWindowed(c);
            if (!w || !Shown(w) || !w->Enabled() || !TabStop(w)) continue;
            const TControl* outer = nullptr;
            for (const TWinControl* p = w->Parent(); p && p->Parent(); p = p->Parent())
                if (!IsPage(p) && (!p->Visible() || !p->Enabled())) outer = p;
            if (!outer) continue;
            auto [it, fresh] = groupOf.try_emplace(outer, groups.size());
            if (fresh) groups.push_back({outer, {}});
            groups[it->second].second.push_back(w);
        }
        for (auto& [outer, stops] : groups) {
            std::string names;
            for (size_t i = 0; i < stops.size() && i < 3; ++i) names += (i ? ", " : "") + NameOf(stops[i]);
            if (stops.size() > 3) names += " and " + std::to_string(stops.size() - 3) + " more";
            const bool hidden = !outer->Visible();
            Report("tab-stop-hidden-parent", outer,
                   NameOf(outer) + " is " + (hidden ? "hidden" : "disabled") + " but holds tab stops: " + names,
                   Where(outer, hidden ? "Visible" : "Enabled"));
        }
    }

    void LabelFocusOrder() {
        if (!On("label-focus-order")) return;
        for (TComponent* c : all_) {
            auto* label = AsControl(c);
            if (!label || AsWindowed(label) || !label->Parent() || !Shown(label)) continue;
            if (!Publishes(label, "FocusControl")) continue;
            auto* focus = dynamic_cast<TWinControl*>(vcl::GetObjectProp(label, vcl::GetPropInfo(label, "FocusControl")));
            if (!focus) continue;
            // The sibling that is, or holds, the focus control, and the one nearest the label:
            // beside it on its row (after it in reading direction) or below it, overlapping.
            const bool rtl = RightToLeft(label);
            const Rect l = Bounds(label);
            const int t = settings_.rowTolerance;
            const TWinControl* target = nullptr;
            // Beside it on its row first; below it only when nothing is beside it.
            const TWinControl* nearest[2] = {nullptr, nullptr};
            int64_t best[2] = {0, 0};
            for (TWinControl* w : TabSiblings(label->Parent())) {
                if (w->ContainsControl(focus)) target = w;
                const Rect r = Bounds(w);
                int side = -1;
                int64_t distance = 0;
                if (r.top < l.bottom && r.bottom > l.top) {
                    const int64_t gap = rtl ? l.left - r.right : r.left - l.right;
                    if (gap >= -t) side = 0, distance = std::max<int64_t>(gap, 0);
                } else if (r.left < l.right && r.right > l.left && r.top >= l.bottom - t) {
                    side = 1, distance = std::max<int64_t>(r.top - l.bottom, 0);
                }
                if (side >= 0 && (!nearest[side] || distance < best[side])) nearest[side] = w, best[side] = distance;
            }
            // A label just above its field, in a layout of stacked rows, pairs with that field
            // rather than with a control far off along its row (another column's).
            const bool stacked = nearest[1] && best[1] <= t && nearest[0] && best[0] > 3 * t;
            const TWinControl* next = nearest[0] && !stacked ? nearest[0] : nearest[1];
            if (!target || !next || next == target) continue;  // elsewhere: nothing to compare
            Report("label-focus-order", label,
                   NameOf(label) + " focuses " + NameOf(focus) + ", but the control next to it is " + NameOf(next),
                   Where(label, "FocusControl"));
        }
    }

    // ---- accelerators ----

    // The pages a control sits on, each with its page control: two controls are on screen
    // together unless they sit on different pages of one page control. A page's own caption
    // is its page control's, shown with every page.
    std::vector<std::pair<const TControl*, const TControl*>> PagesAbove(const TControl* c) const {
        std::vector<std::pair<const TControl*, const TControl*>> out;
        for (const TControl* p = c->Parent(); p && p->Parent(); p = p->Parent())
            if (IsPage(p)) out.emplace_back(p->Parent(), p);
        return out;
    }
    static bool TogetherOnScreen(const std::vector<std::pair<const TControl*, const TControl*>>& a,
                                 const std::vector<std::pair<const TControl*, const TControl*>>& b) {
        for (auto& [book, page] : a)
            for (auto& [otherBook, otherPage] : b)
                if (book == otherBook && page != otherPage) return false;
        return true;
    }

    static std::string FreeLetters(std::string_view caption, const std::set<std::string>& used) {
        std::string out;
        std::set<char> seen;
        for (char ch : vcl::StripHotkey(caption)) {
            const auto u = static_cast<unsigned char>(ch);
            if (!std::isalnum(u)) continue;
            const char lower = char(std::tolower(u));
            if (used.count(std::string(1, lower)) || !seen.insert(lower).second) continue;
            if (seen.size() > 5) break;
            out += out.empty() ? "" : ", ";
            out += lower;
        }
        return out.empty() ? "none in the caption" : out;
    }

    struct Keyed {
        const TComponent* component;
        std::string caption;
        std::string key;
    };
    // context(i) names what is on screen with item i (the same for items always together);
    // the letters in use are worked out once per context.
    void ReportDuplicates(const std::vector<Keyed>& items, const std::function<bool(size_t, size_t)>& together,
                          const std::function<size_t(size_t)>& context, const std::string& scope) {
        std::unordered_map<std::string, std::vector<size_t>> byKey;
        std::unordered_map<size_t, std::set<std::string>> usedIn;
        for (size_t i = 0; i < items.size(); ++i) {
            std::vector<size_t>& same = byKey[items[i].key];
            for (size_t j : same) {
                if (!together(i, j)) continue;
                auto [used, fresh] = usedIn.try_emplace(context(i));
                if (fresh)
                    for (size_t k = 0; k < items.size(); ++k)
                        if (together(i, k)) used->second.insert(items[k].key);
                Report("accel-duplicate", items[i].component,
                       "&" + items[i].key + " of " + NameOf(items[i].component) + " is taken by " +
                           NameOf(items[j].component) + " in " + scope + "; free letters: " +
                           FreeLetters(items[i].caption, used->second),
                       Where(items[i].component, "Caption"));
                break;
            }
            same.push_back(i);
        }
    }

    bool ShowsAccelerator(const TControl* c) const {
        if (!Publishes(c, "Caption")) return false;
        auto show = StoredBool(c, "ShowAccelChar");
        return !show || *show;
    }

    void Accelerators() {
        std::vector<Keyed> controls;
        std::vector<std::vector<std::pair<const TControl*, const TControl*>>> pages;
        for (TComponent* c : all_) {
            if (auto* item = vcl::Cast<vcl::TMenu>(c)) {
                MenuAccelerators(item->Items(), NameOf(c));
                continue;
            }
            auto* control = AsControl(c);
            // A plain notebook's pages show no tabs: their captions are never on screen.
            if (!control || !control->Parent() || !ShowsAccelerator(control) || control->InheritsFrom("TPage")) continue;
            auto key = Accelerator(control->Caption());
            if (!key) continue;
            if (On("accel-label-no-focus") && !AsWindowed(control) && Publishes(control, "FocusControl") &&
                vcl::GetObjectProp(control, vcl::GetPropInfo(control, "FocusControl")) == nullptr &&
                !Stored(control, "FocusControl"))
                Report("accel-label-no-focus", control,
                       "the accelerator &" + *key + " of " + NameOf(control) + " leads nowhere: it has no FocusControl",
                       Where(control, "Caption"));
            if (!Shown(control)) continue;
            controls.push_back({control, control->Caption(), *key});
            pages.push_back(PagesAbove(control));
        }
        if (On("accel-menu-clash")) MenuClashes(controls);
        if (On("accel-duplicate")) {
            std::map<std::vector<std::pair<const TControl*, const TControl*>>, size_t> contexts;
            std::vector<size_t> contextOf;
            for (auto& p : pages) contextOf.push_back(contexts.try_emplace(p, contexts.size()).first->second);
            ReportDuplicates(
                controls, [&](size_t a, size_t b) { return TogetherOnScreen(pages[a], pages[b]); },
                [&](size_t i) { return contextOf[i]; }, "this window");
        }
    }

    // The form's menu bar takes Alt and a letter as the window's controls do.
    void MenuClashes(const std::vector<Keyed>& controls) {
        const TComponent* root = file_.Root();
        const vcl::TPropInfo* prop = vcl::GetPropInfo(root, "Menu");
        auto* menu = prop && prop->Kind == vcl::TTypeKind::tkClass ? dynamic_cast<vcl::TMainMenu*>(vcl::GetObjectProp(root, prop))
                                                                   : nullptr;
        if (!menu) return;
        std::map<std::string, const vcl::TMenuItem*> bar;
        for (int i = 0; i < menu->Items()->Count(); ++i) {
            const vcl::TMenuItem* item = menu->Items()->Items(i);
            if (!item->Visible()) continue;
            if (auto key = Accelerator(item->Caption())) bar.try_emplace(*key, item);
        }
        for (const Keyed& k : controls)
            if (auto it = bar.find(k.key); it != bar.end())
                Report("accel-menu-clash", k.component,
                       "&" + k.key + " of " + NameOf(k.component) + " is also the menu bar's " + NameOf(it->second) +
                           ": Alt+" + k.key + " reaches only one of them",
                       Where(k.component, "Caption"));
    }

    void MenuAccelerators(const vcl::TMenuItem* level, const std::string& scope) {
        std::vector<Keyed> items;
        for (int i = 0; i < level->Count(); ++i) {
            const vcl::TMenuItem* item = level->Items(i);
            if (item->Count() > 0) MenuAccelerators(item, "the menu " + NameOf(item));
            if (!item->Visible() || item->Caption() == "-") continue;
            if (auto key = Accelerator(item->Caption())) items.push_back({item, item->Caption(), *key});
        }
        if (On("accel-duplicate"))
            ReportDuplicates(items, [](size_t, size_t) { return true; }, [](size_t) { return size_t(0); }, scope);
    }


    // ---- keyboard ----

    // A label's FocusControl, whatever its class; none when it names nothing.
    static TComponent* FocusOf(const TControl* label) {
        const vcl::TPropInfo* prop = vcl::GetPropInfo(label, "FocusControl");
        return prop && prop->Kind == vcl::TTypeKind::tkClass ? dynamic_cast<TComponent*>(vcl::GetObjectProp(label, prop))
                                                             : nullptr;
    }
    bool IsLabel(const TComponent* c) const {
        return AsControl(c) && !AsWindowed(c) && Publishes(c, "FocusControl");
    }
    // Hidden or disabled where it is stored, on itself or a parent: "hidden", "disabled" or none.
    const char* Unreachable(const TControl* c) const {
        for (const TControl* p = c; p && p->Parent(); p = p->Parent()) {
            if (!p->Visible() && !IsPage(p)) return "hidden";
            if (!p->Enabled()) return "disabled";
        }
        return nullptr;
    }

    void LabelTargets() {
        const bool target = On("label-focus-target"), linked = On("label-not-linked");
        if (!target && !linked) return;
        std::unordered_set<const TComponent*> focused;
        std::vector<const TControl*> labels;
        for (TComponent* c : all_) {
            if (!IsLabel(c)) continue;
            auto* label = static_cast<TControl*>(c);
            TComponent* focus = FocusOf(label);
            if (!focus) {
                if (Shown(label) && !Trimmed(label->Caption()).empty()) labels.push_back(label);
                continue;
            }
            focused.insert(focus);
            if (!target || !Shown(label)) continue;
            auto* w = AsWindowed(focus);
            std::string why;
            if (!w || (!Focusable(w) && !w->ClassType().Inferred())) why = "which cannot take the focus";
            else if (const char* state = Unreachable(w)) why = std::string("which is ") + state;
            if (!why.empty())
                Report("label-focus-target", label,
                       NameOf(label) + " focuses " + NameOf(focus) + ", " + why + ": its accelerator leads nowhere",
                       Where(label, "FocusControl"));
        }
        if (!linked) return;
        // An input beside a label (the label to its left on its row, or just above it) that no
        // label names.
        for (const TControl* label : labels) {
            const Rect l = Bounds(label);
            const TWinControl* best = nullptr;
            int64_t bestGap = 0;
            for (TWinControl* w : TabSiblings(label->Parent())) {
                if (!Inherits(w, {"TCustomEdit", "TCustomCombo", "TCustomComboBox", "TCustomListBox",
                                  "TCustomEditButton", "TCommonCalendar", "TCustomSpinEdit"}))
                    continue;
                const Rect r = Bounds(w);
                int64_t gap = -1;
                if (r.top < l.bottom && r.bottom > l.top && r.left >= l.right - 2) gap = r.left - l.right;
                else if (r.left < l.right && r.right > l.left && r.top >= l.bottom - 2) gap = r.top - l.bottom;
                if (gap < 0 || gap > 16) continue;
                if (!best || gap < bestGap) best = w, bestGap = gap;
            }
            if (best && !focused.count(best))
                Report("label-not-linked", best,
                       NameOf(best) + " has no label linked to it; " + NameOf(label) +
                           " beside it could name it (FocusControl)",
                       Where(best));
        }
    }

    // Controls only the mouse can click: their OnClick handler is nowhere the keyboard goes.
    void MouseOnly() {
        if (!On("mouse-only")) return;
        std::set<std::string> keyboard;  // handlers of focusable controls, menu items and actions
        auto handler = [&](const TComponent* c, const char* event) -> std::optional<std::string> {
            auto p = Stored(c, event);
            if (!p || p->GetValue().Kind() != ValueKind::Ident) return std::nullopt;
            return vcl::LowerCase(p->GetValue().AsIdent());
        };
        for (TComponent* c : all_) {
            auto* w = AsWindowed(c);
            const bool keys = (w && Focusable(w)) || (!AsControl(c) && vcl::Is<vcl::TMenuItem>(c)) ||
                              Publishes(c, "OnExecute");
            if (!keys) continue;
            for (const char* event : {"OnClick", "OnExecute", "OnChange"})
                if (auto h = handler(c, event)) keyboard.insert(*h);
        }
        for (TComponent* comp : all_) {
            auto* c = AsControl(comp);
            if (!c || !c->Parent() || !Shown(c) || Stored(c, "Action") || OnReport(c)) continue;
            if (!Inherits(c, {"TImage", "TCustomLabel", "TShape", "TPaintBox", "TCustomPanel"})) continue;
            auto h = handler(c, "OnClick");
            if (!h || keyboard.count(*h)) continue;
            Report("mouse-only", c,
                   "only the mouse reaches " + NameOf(c) + "'s OnClick (" + std::string(Stored(c, "OnClick")->GetValue().AsIdent()) +
                       "): no control taking the focus, menu item or action shares it",
                   Where(c, "OnClick"));
        }
    }

    // A dialog: a form with a button that accepts it (ModalResult mrOk, a bkOK bit button).
    void Dialog() {
        if (!On("dialog-default-cancel") || !file_.Root()->InheritsFrom("TCustomForm")) return;
        const TControl* ok = nullptr;
        bool hasDefault = false, hasCancel = false;
        for (TComponent* comp : all_) {
            auto* c = AsControl(comp);
            if (!c || !ButtonLike(c) || !AsWindowed(c) || !Shown(c) || !Complete(c)) continue;
            auto kind = StoredIdent(c, "Kind");
            auto is = [](const std::optional<std::string>& v, const char* what) { return v && vcl::SameText(*v, what); };
            // Form files store ModalResult as its number: mrOk is 1.
            if (!ok && (StoredInt(c, "ModalResult") == 1 || is(StoredIdent(c, "ModalResult"), "mrOk") || is(kind, "bkOK")))
                ok = c;
            hasDefault = hasDefault || StoredBool(c, "Default").value_or(false) || is(kind, "bkOK") || is(kind, "bkYes");
            hasCancel = hasCancel || StoredBool(c, "Cancel").value_or(false) || is(kind, "bkCancel") || is(kind, "bkNo") ||
                        is(kind, "bkClose");
        }
        if (!ok || (hasDefault && hasCancel)) return;
        Report("dialog-default-cancel", ok,
               std::string("the dialog has ") + NameOf(ok) + " to accept it but " +
                   (!hasDefault && !hasCancel ? "no Default and no Cancel button: neither Enter nor Esc answers it"
                    : !hasDefault             ? "no Default button: Enter does not accept it"
                                              : "no Cancel button: Esc does not close it"),
               Where(ok));
    }

    // ---- hints ----

    // Whether hints show for the control: its ShowHint, or its parent's while ParentShowHint
    // holds. None when an inherited object leaves the answer in its ancestor's file.
    std::optional<bool> ShowsHints(const TControl* c) const {
        for (const TControl* p = c; p != nullptr; p = p->Parent()) {
            if (auto show = StoredBool(p, "ShowHint")) return *show;
            if (!Complete(p)) return std::nullopt;
            auto parentShow = StoredBool(p, "ParentShowHint");
            if ((parentShow && !*parentShow) || !p->Parent()) return false;
        }
        return false;
    }

    bool GlyphOnly(const TControl* c) const {
        if (!Inherits(c, {"TSpeedButton", "TBitBtn", "TToolButton"}) &&
            !(c->ClassType().Inferred() && ClassNameHas(c, {"button"})))
            return false;
        // An action gives the button its caption and hint; a bit button's kind gives a caption.
        if (Stored(c, "Action")) return false;
        if (auto kind = StoredIdent(c, "Kind"); kind && !vcl::SameText(*kind, "bkCustom")) return false;
        const bool picture = Stored(c, "Glyph.Data") || (StoredInt(c, "ImageIndex").value_or(-1) >= 0) ||
                             Stored(c, "Images") || Inherits(c, {"TToolButton"});
        if (!picture) return false;
        if (Inherits(c, {"TToolButton"})) {
            auto style = StoredIdent(c, "Style");
            if (style && (vcl::SameText(*style, "tbsSeparator") || vcl::SameText(*style, "tbsDivider"))) return false;
            return !c->Parent() || !StoredBool(c->Parent(), "ShowCaptions").value_or(false) ||
                   Trimmed(vcl::StripHotkey(c->Caption())).empty();
        }
        return Trimmed(vcl::StripHotkey(c->Caption())).empty();
    }

    void Hints() {
        // A status bar with AutoHint shows every hint that passes over the window.
        const bool statusHints = std::any_of(all_.begin(), all_.end(), [&](const TComponent* c) {
            return Inherits(c, {"TCustomStatusBar"}) && StoredBool(c, "AutoHint").value_or(false);
        });
        for (TComponent* comp : all_) {
            auto* c = AsControl(comp);
            if (!c || !c->Parent()) continue;
            const std::string hint = Trimmed(c->Hint());
            if (hint.empty()) {
                if (!Shown(c)) continue;
                if (GlyphOnly(c))
                    Report("hint-glyph-button", c, NameOf(c) + " shows only a picture and has no hint", Where(c));
                else if (auto* w = AsWindowed(c); w && TabStop(w) && Complete(c) && On("hint-focusable"))
                    Report("hint-focusable", c, NameOf(c) + " takes the focus and has no hint", Where(c));
                continue;
            }
            if (auto shows = ShowsHints(c); shows && !*shows && !statusHints)
                Report("hint-never-shown", c,
                       "the hint of " + NameOf(c) + " never shows: ShowHint is off " +
                           (StoredBool(c, "ShowHint") ? "here" : "along its parents"),
                       Where(c, "Hint"));
            const std::string shortHint = Trimmed(hint.substr(0, hint.find('|')));
            const std::string caption = Trimmed(vcl::StripHotkey(c->Caption()));
            if (Publishes(c, "Caption") && !caption.empty() && vcl::SameText(shortHint, caption))
                Report("hint-equals-caption", c, "the hint of " + NameOf(c) + " only repeats its caption", Where(c, "Hint"));
        }
    }

    // ---- geometry ----

    Rect Bounds(const TControl* c) const {
        return {c->Left(), c->Top(), int64_t(c->Left()) + c->Width(), int64_t(c->Top()) + c->Height()};
    }
    bool Placed(const TControl* c) const {
        return Stored(c, "Left") && Stored(c, "Top") && Stored(c, "Width") && Stored(c, "Height");
    }
    // The area children are laid out in: a form's client size, else the parent's size.
    std::optional<std::pair<int64_t, int64_t>> ClientArea(const TWinControl* p) const {
        if (!p->Parent()) return FormClientArea(p);
        auto w = StoredInt(p, "Width"), h = StoredInt(p, "Height");
        if (w && h) return std::make_pair(*w, *h);
        return std::nullopt;
    }
    // Lazarus stores a form's client size as its Width and Height, at 96 pixels per inch where
    // the children are at DesignTimePPI. Delphi stores the outer size where no client size is
    // stored: the smallest frame Windows draws (a thin border, a caption, a menu bar) is left out.
    std::optional<std::pair<int64_t, int64_t>> FormClientArea(const TWinControl* form) const {
        auto w = StoredInt(form, "ClientWidth"), h = StoredInt(form, "ClientHeight");
        const auto ppi = StoredInt(form, "DesignTimePPI");
        const bool lazarus = ppi || Stored(form, "LCLVersion");
        if (!w || !h) {
            w = StoredInt(form, "Width"), h = StoredInt(form, "Height");
            if (!w || !h) return std::nullopt;
            auto border = StoredIdent(form, "BorderStyle");
            if (!lazarus && !(border && vcl::SameText(*border, "bsNone")))
                *w -= 8, *h -= 27 + (Stored(form, "Menu") ? 19 : 0);
        }
        if (lazarus && ppi && *ppi > 0 && *ppi != 96) *w = *w * *ppi / 96, *h = *h * *ppi / 96;
        return std::make_pair(*w, *h);
    }
    // The font a control draws its caption in: its own Font.* or, while ParentFont holds, its
    // parent's, up to the form. Sizes are pixels at the form's resolution, as its geometry.
    struct FontFace {
        std::string name = "MS Sans Serif";
        int64_t pixels = 11;  // the em; 8 points at 96 pixels per inch
        bool bold = false;
    };
    const FontFace& FontOf(const TControl* c) const {
        if (auto it = fonts_.find(c); it != fonts_.end()) return it->second;
        FontFace face = c->Parent() && StoredBool(c, "ParentFont").value_or(true) ? FontOf(c->Parent()) : FontFace{};
        const TComponent* root = file_.Root();
        if (auto p = Stored(c, "Font.Name"); p && p->GetValue().Kind() == ValueKind::String)
            face.name = p->GetValue().AsString();
        if (auto h = StoredInt(c, "Font.Height"); h && *h != 0) {
            face.pixels = *h < 0 ? -*h : *h * 4 / 5;
        } else if (auto pt = StoredInt(c, "Font.Size"); pt && *pt > 0) {
            const int64_t ppi = StoredInt(root, "DesignTimePPI").value_or(StoredInt(root, "PixelsPerInch").value_or(96));
            face.pixels = (*pt * ppi + 36) / 72;
        }
        if (auto style = Stored(c, "Font.Style"); style && style->GetValue().Kind() == ValueKind::Set) {
            face.bold = false;
            for (size_t i = 0; i < style->GetValue().Count(); ++i)
                face.bold = face.bold || vcl::SameText(style->GetValue().Item(i).AsIdent(), "fsBold");
        }
        return fonts_.emplace(c, std::move(face)).first->second;
    }
    // The caption's width in pixels from the font table (each character rounded, as the
    // screen draws it); none for a symbol font, whose glyphs the table does not know.
    static std::optional<int64_t> TextWidth(std::string_view text, const FontFace& face) {
        const std::string lower = vcl::LowerCase(face.name);
        for (const char* symbols : {"symbol", "wingdings", "webdings", "marlett"})
            if (lower.find(symbols) != std::string::npos) return std::nullopt;
        bool mono = false;
        for (const char* fixed : {"courier", "mono", "fixedsys", "consolas", "console", "terminal"})
            mono = mono || lower.find(fixed) != std::string::npos;
        namespace fw = fontwidths;
        int64_t width = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            const auto ch = static_cast<unsigned char>(text[i]);
            if ((ch & 0xC0) == 0x80) continue;  // inside a UTF-8 sequence
            const int units = mono ? fw::kMono
                              : ch >= 32 && ch < 127 ? (face.bold ? fw::kSansBold : fw::kSans)[ch - 32]
                                                     : (face.bold ? fw::kSansBoldOther : fw::kSansOther);
            width += (int64_t(units) * face.pixels + fw::kUnitsPerEm / 2) / fw::kUnitsPerEm;
        }
        return width;
    }
    // Labels size themselves unless told not to; a caption that wraps is not cut. The room is
    // the width less the frame, box or inset the control draws; the fonts these forms name
    // differ from the table's by a few per cent, so only a caption longer by more than a tenth
    // (and 3 pixels) is reported.
    void Clipped(const TControl* c) {
        if (c->ClassType().Inferred() || c->Caption().empty() || Inherits(c, {"TBitBtn", "TSpeedButton"})) return;
        const bool lazarus = Stored(file_.Root(), "LCLVersion") || Stored(file_.Root(), "DesignTimePPI");
        int64_t frame = 0;
        if (Inherits(c, {"TCustomLabel"})) {
            if (StoredBool(c, "AutoSize").value_or(true)) return;
        } else if (Inherits(c, {"TCustomCheckBox", "TRadioButton"})) {
            if (lazarus && StoredBool(c, "AutoSize").value_or(true)) return;  // the LCL sizes them
            frame = 17;  // the box and the gap after it
        } else if (Inherits(c, {"TButton"})) {
            frame = 6;
        } else if (Inherits(c, {"TCustomGroupBox"})) {
            frame = 16;  // the caption's inset from each side
        } else {
            return;
        }
        if (!Complete(c) || Aligned(c) || StoredBool(c, "WordWrap").value_or(false) ||
            StoredBool(c, "AutoSize").value_or(false))
            return;
        const std::string caption = vcl::StripHotkey(c->Caption());
        if (caption.find_first_of("\r\n") != std::string::npos) return;
        const std::optional<int64_t> text = TextWidth(caption, FontOf(c));
        const int64_t room = int64_t(c->Width()) - frame;
        if (text && *text > room + std::max<int64_t>(3, *text / 10))
            Report("caption-clipped", c,
                   "the caption of " + NameOf(c) + " needs about " + std::to_string(*text) + " pixels, " +
                       NameOf(c) + " leaves it " + std::to_string(room) + ": its end is cut off",
                   Where(c, "Caption"));
    }
    static bool Decoration(const TControl* c) {
        return Inherits(c, {"TBevel", "TShape", "TImage", "TSplitter", "TCustomGroupBox", "TCustomPanel"});
    }
    // The siblings geometry compares: visible, placed in the file, laid out by hand.
    std::vector<TControl*> LaidOut(const TWinControl* parent) const {
        std::vector<TControl*> out;
        for (int i = 0; i < parent->ControlCount(); ++i) {
            TControl* c = parent->Controls(i);
            if (Shown(c) && !Aligned(c) && !IsPage(c) && Placed(c)) out.push_back(c);
        }
        return out;
    }

    void Geometry() {
        if (On("geometry-ppi")) {
            const TComponent* root = file_.Root();
            for (const char* prop : {"PixelsPerInch", "DesignTimePPI"})
                if (auto ppi = StoredInt(root, prop); ppi && *ppi != settings_.ppi)
                    Report("geometry-ppi", root,
                           "the form was designed at " + std::to_string(*ppi) + " pixels per inch (" + prop +
                               "), the project at " + std::to_string(settings_.ppi),
                           Where(root, prop));
        }
        for (TComponent* comp : all_) {
            auto* c = AsControl(comp);
            if (!c || !c->Parent() || !Shown(c) || Aligned(c) || IsPage(c) || c->ClassType().Inferred() || OnReport(c))
                continue;
            auto w = StoredInt(c, "Width"), h = StoredInt(c, "Height");
            if ((w && *w <= 0) || (h && *h <= 0))
                Report("geometry-zero-size", c,
                       NameOf(c) + " is " + std::to_string(c->Width()) + " x " + std::to_string(c->Height()) +
                           " pixels: nobody can see it",
                       Where(c, w && *w <= 0 ? "Width" : "Height"));
        }
        if (On("caption-clipped"))
            for (TComponent* comp : all_)
                if (auto* c = AsControl(comp); c && c->Parent() && Shown(c) && !OnReport(c)) Clipped(c);
        for (TWinControl* parent : Containers()) {
            const std::vector<TControl*> siblings = LaidOut(parent);
            if (On("geometry-outside-parent")) Outside(parent, siblings);
            if (On("geometry-overlap")) Overlaps(parent, siblings);
            if (On("geometry-near-miss")) NearMisses(siblings);
        }
    }

    void Outside(const TWinControl* parent, const std::vector<TControl*>& siblings) {
        // Scrolling boxes and bars lay out their own children.
        if (Inherits(parent, {"TScrollBox", "TToolWindow", "TToolBar", "TCoolBar", "TControlBar", "TCustomStatusBar"}) ||
            (parent->Parent() && parent->InheritsFrom("TScrollingWinControl")))
            return;
        auto area = ClientArea(parent);
        if (!area) return;
        const auto [pw, ph] = *area;
        const int t = settings_.outsideTolerance;
        for (TControl* c : siblings) {
            const Rect r = Bounds(c);
            const bool wholly = r.left >= pw || r.top >= ph || r.right <= 0 || r.bottom <= 0;
            const bool partly = r.left < -t || r.top < -t || r.right > pw + t || r.bottom > ph + t;
            if (!wholly && !partly) continue;
            Report("geometry-outside-parent", c,
                   NameOf(c) + " at " + std::to_string(r.left) + "," + std::to_string(r.top) + " size " +
                       std::to_string(c->Width()) + " x " + std::to_string(c->Height()) + " lies " +
                       (wholly ? "outside " : "partly outside ") + NameOf(parent) + " (" + std::to_string(pw) + " x " +
                       std::to_string(ph) + ")",
                   Where(c, "Left"));
        }
    }

    void Overlaps(const TWinControl* parent, std::vector<TControl*> siblings) {
        siblings.erase(std::remove_if(siblings.begin(), siblings.end(), [](TControl* c) { return Decoration(c); }),
                       siblings.end());
        std::stable_sort(siblings.begin(), siblings.end(), [](auto* a, auto* b) { return a->Left() < b->Left(); });
        const int t = settings_.overlapTolerance;
        int64_t tallest = 0;
        for (TControl* c : siblings) tallest = std::max<int64_t>(tallest, c->Height());
        // A sweep from left to right over the controls that still reach past the current left
        // edge, kept by top: a column of a thousand controls costs a thousand short looks.
        std::set<std::pair<int64_t, size_t>> active;  // top, index
        std::multimap<int64_t, size_t> byRight;
        int reported = 0;
        for (size_t i = 0; i < siblings.size() && reported < 50; ++i) {
            const Rect a = Bounds(siblings[i]);
            while (!byRight.empty() && byRight.begin()->first <= a.left + t) {
                const size_t gone = byRight.begin()->second;
                active.erase({Bounds(siblings[gone]).top, gone});
                byRight.erase(byRight.begin());
            }
            for (auto it = active.lower_bound({a.top - tallest, 0}); it != active.end() && it->first < a.bottom - t;
                 ++it) {
                const Rect b = Bounds(siblings[it->second]);
                const int64_t dx = std::min(a.right, b.right) - a.left;
                const int64_t dy = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
                if (dx <= t || dy <= t) continue;
                // The one later in the file is the one placed over the other.
                TControl* x = siblings[i];
                TControl* y = siblings[it->second];
                TControl* later = x->ComponentIndex() > y->ComponentIndex() ? x : y;
                TControl* earlier = later == x ? y : x;
                Report("geometry-overlap", later,
                       NameOf(later) + " overlaps " + NameOf(earlier) + " by " + std::to_string(dx) + " x " +
                           std::to_string(dy) + " pixels in " + NameOf(parent),
                       Where(later, "Left"));
                if (++reported >= 50) break;
            }
            active.insert({a.top, i});
            byRight.emplace(a.right, i);
        }
    }

    // Left edges a few pixels off a column that more controls share; tops likewise among
    // controls of one class (a label sits a little lower than its edit on purpose).
    void NearMisses(const std::vector<TControl*>& siblings) {
        auto edge = [&](const char* prop, auto value, auto groupOf) {
            std::map<std::pair<std::string, int64_t>, std::vector<TControl*>> at;
            for (TControl* c : siblings) at[{groupOf(c), value(c)}].push_back(c);
            for (auto& [key, controls] : at) {
                std::pair<std::string, int64_t> best{};
                size_t bestCount = 0;
                for (int64_t d = -settings_.nearMiss; d <= settings_.nearMiss; ++d) {
                    if (d == 0) continue;
                    auto it = at.find({key.first, key.second + d});
                    if (it != at.end() && it->second.size() > controls.size() && it->second.size() > bestCount)
                        best = it->first, bestCount = it->second.size();
                }
                if (bestCount < 2) continue;
                for (TControl* c : controls)
                    Report("geometry-near-miss", c,
                           std::string(prop) + " of " + NameOf(c) + " is " + std::to_string(key.second) + ", " +
                               std::to_string(std::abs(best.second - key.second)) + " px off the " +
                               std::to_string(bestCount) + " controls at " + std::to_string(best.second),
                           Where(c, prop));
            }
        };
        edge("Left", [](const TControl* c) { return int64_t(c->Left()); }, [](const TControl*) { return std::string(); });
        edge("Top", [](const TControl* c) { return int64_t(c->Top()); }, [](const TControl* c) { return c->ClassName(); });
    }

    // ---- components ----

    static bool ButtonLike(const TComponent* c) {
        if (Inherits(c, {"TCustomCheckBox", "TRadioButton"})) return false;
        return Inherits(c, {"TButton", "TBitBtn", "TCustomButton", "TSpeedButton"}) ||
               (c->ClassType().Inferred() && ClassNameHas(c, {"button", "btn"}) &&
                !ClassNameHas(c, {"edit", "check", "radio", "combo"}));
    }
    static bool DefaultName(const TComponent* c) {
        std::string_view cls = c->ClassName(), name = c->Name();
        if (cls.size() > 1 && (cls[0] == 'T' || cls[0] == 't')) cls.remove_prefix(1);
        if (name.size() <= cls.size() || !vcl::SameText(name.substr(0, cls.size()), cls)) return false;
        for (char ch : name.substr(cls.size()))
            if (!std::isdigit(static_cast<unsigned char>(ch))) return false;
        return true;
    }
    bool HasEvents(const TComponent* c) const {
        auto obj = ObjectOf(c);
        if (!obj) return false;
        for (Property p : obj->Properties())
            if (p.Name().size() > 2 && vcl::SameText(p.Name().substr(0, 2), "On") &&
                p.GetValue().Kind() == ValueKind::Ident)
                return true;
        return false;
    }

    void Components() {
        for (TComponent* c : all_) {
            if (On("property-unknown")) UnknownProperties(c);
            if (c == file_.Root()) continue;
            if (On("component-default-name") && DefaultName(c)) {
                auto* w = AsWindowed(c);
                // Buttons act through their events or ModalResult, page controls and frames
                // are navigation and parts, data-aware controls are read through their data.
                const bool input = w && TabStop(w) && !IsPage(w) && !IsPageHolder(w) && !ButtonLike(w) &&
                                   !Publishes(w, "DataSource") && !Inherits(w, {"TCustomFrame", "TFrame"}) &&
                                   Complete(w);
                if (input || HasEvents(c))
                    Report("component-default-name", c,
                           NameOf(c) + " keeps its default name although the code " +
                               (HasEvents(c) ? "handles its events" : "likely reads it"),
                           Where(c));
            }
            if (On("component-unresolved-reference")) Unresolved(c);
            if (On("component-no-datasource") && AsControl(c) && Publishes(c, "DataSource") &&
                (Publishes(c, "DataField") || Inherits(c, {"TCustomDBGrid", "TDBNavigator"})) && !Stored(c, "DataSource"))
                Report("component-no-datasource", c, NameOf(c) + " is data-aware but has no DataSource", Where(c));
        }
    }

    // A class the catalogue declares knows what it publishes; one inferred from this form
    // publishes whatever the form stores, and saying otherwise would be a guess.
    void UnknownProperties(const TComponent* c) {
        if (c->ClassType().Inferred()) return;
        auto obj = ObjectOf(c);
        if (!obj) return;
        const bool control = AsControl(c) != nullptr;  // once, not for every property
        for (Property p : obj->Properties()) {
            const std::string_view name = p.Name();
            if (name.find('.') != std::string_view::npos || Defined(control, name)) continue;
            if (const vcl::TPropInfo* info = vcl::GetPropInfo(c, name); info && info->Learned)
                Report("property-unknown", c,
                       std::string(name) + " is no published property of " + c->ClassName() + " (" + NameOf(c) + ")",
                       p.Position());
        }
    }
    // What the writer stores beside the published properties (DefineProperties): the IDE reads
    // these back although no class publishes them.
    static bool Defined(bool control, std::string_view name) {
        using namespace std::string_view_literals;
        for (std::string_view d : {"ExplicitLeft"sv, "ExplicitTop"sv, "ExplicitWidth"sv, "ExplicitHeight"sv,
                                   "DesignSize"sv, "TextHeight"sv, "IsControl"sv, "DesignLeft"sv, "DesignTop"sv})
            if (vcl::SameText(name, d)) return true;
        if (control) return false;
        for (std::string_view d : {"Left"sv, "Top"sv, "Width"sv, "Height"sv, "HorizontalOffset"sv, "VerticalOffset"sv,
                                   "PixelsPerInch"sv})
            if (vcl::SameText(name, d)) return true;
        return false;
    }

    // Only what the file stores can name a component: the class's other properties are not
    // looked at (building the list of all of them for every component was most of the check).
    void Unresolved(const TComponent* c) {
        auto obj = ObjectOf(c);
        if (!obj) return;
        for (Property p : obj->Properties()) {
            if (p.GetValue().Kind() != ValueKind::Ident) continue;
            const vcl::TPropInfo* prop = vcl::GetPropInfo(c, p.Name());
            if (!prop || prop->Kind != vcl::TTypeKind::tkClass || !prop->PropClass ||
                !prop->PropClass->InheritsFrom("TComponent"))
                continue;
            const vcl::TValue v = vcl::GetPropValue(c, prop);
            auto* ref = std::get_if<vcl::TReference>(&v);
            if (!ref || ref->target != nullptr || ref->name.empty()) continue;
            if (ref->name.find('.') != std::string::npos) continue;  // another module's component
            Report("component-unresolved-reference", c,
                   prop->Name + " of " + NameOf(c) + " names " + ref->name + ", which the form does not have",
                   p.Position());
        }
    }

    // ---- data wiring ----

    // What the live database says of a dataset; none when its database cannot be opened, or
    // for a dataset the rules do not judge (stored procedures, a table without a name).
    struct LiveData {
        std::vector<std::string> fields;  // the table's columns or the query's result columns
        std::vector<dbe::TIndexInfo> indexes;
        std::vector<std::string> params;  // the SQL's
        std::string refused;              // the table or the SQL the open database refuses
        std::string in;                   // " in the bundled sample database" when judged by it
    };
    // The sample database stands in for the alias DBDEMOS only: a form's own database of that
    // name (a TDatabase with its own driver or folder) is not the sample, whatever the alias.
    static bool OwnDatabaseNamed(const vcl::TComponent* owner, const std::string& name) {
        for (int i = 0; owner != nullptr && i < owner->ComponentCount(); ++i)
            if (const auto* def = dynamic_cast<const dbe::TDatabaseDefinition*>(owner->Components(i));
                def && vcl::SameText(def->DefinedDatabaseName(), name) && !vcl::SameText(def->DefinedAliasName(), name))
                return true;
        return false;
    }
    const LiveData* Live(vcl::TDataSet* ds) {
        auto [it, fresh] = live_.try_emplace(ds);
        if (!fresh) return it->second ? &*it->second : nullptr;
        auto* table = dynamic_cast<vcl::TTable*>(ds);
        auto* query = dynamic_cast<vcl::TQuery*>(ds);
        if ((!table || table->TableName().empty()) && (!query || query->Text().find_first_not_of(" \t\r\n") == std::string::npos))
            return nullptr;
        std::shared_ptr<dbe::TDatabaseHandle> db;
        bool sample = false;
        try {
            auto* dbs = static_cast<vcl::TDBDataSet*>(ds);
            static const std::string samplePath = zorbase::FindInstalledFile(zorbase::FileKind::Data, "dbdemos.sqlite");
            const dbe::TAlias alias = dbe::Engine().ResolveDatabase(dbs->DatabaseName(), dbs->Owner());
            sample = !samplePath.empty() && vcl::SameText(alias.driver, "SQLITE") && alias.Param("PATH") == samplePath;
            if (sample && (!vcl::SameText(alias.name, "DBDEMOS") || OwnDatabaseNamed(dbs->Owner(), dbs->DatabaseName())))
                return nullptr;  // not the form's database
            db = dbs->GetDBHandle();
        } catch (const vcl::Exception&) {
            return nullptr;  // no database to judge by: documented, no finding
        }
        if (!db) return nullptr;
        LiveData& live = it->second.emplace();
        if (sample) live.in = " in the bundled sample database";
        try {
            if (table) {
                for (const dbe::TColumn& c : db->Fields(table->EngineTableName())) live.fields.push_back(c.name);
                live.indexes = db->Indexes(table->EngineTableName());
            } else {
                dbe::TPrepared prepared = db->PrepareQuery(query->Text());
                for (const dbe::TColumn& c : prepared.columns) live.fields.push_back(c.name);
                live.params = prepared.ParamNames();
            }
        } catch (const vcl::Exception& e) {
            live.refused = e.Message();
        }
        return &live;
    }
    static bool HasName(const std::vector<std::string>& names, std::string_view name) {
        return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return vcl::SameText(n, name); });
    }
    // The names of a "A;B;C" list that are not among names.
    static std::vector<std::string> Missing(const std::string& list, const std::vector<std::string>& names) {
        std::vector<std::string> parts, out;
        zorbase::Split_line(list, ';', parts);
        for (const std::string& part : parts)
            if (const std::string name = Trimmed(part); !name.empty() && !HasName(names, name)) out.push_back(name);
        return out;
    }
    static std::string Joined(const std::vector<std::string>& names) {
        std::string out;
        for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
        return out;
    }
    // A dataset's fields as a control may name them: the live ones and its persistent
    // calculated and lookup fields.
    std::vector<std::string> FieldNames(vcl::TDataSet* ds, const LiveData& live) const {
        std::vector<std::string> names = live.fields;
        for (int i = 0; i < ds->FieldCount(); ++i)
            if (!DataField(ds->Fields(i))) names.push_back(ds->Fields(i)->FieldName());
        return names;
    }
    // A field the dataset reads from its table, not one it works out (calculated, lookup):
    // by FieldKind, or the Calculated and Lookup flags older files store.
    bool DataField(const vcl::TField* f) const {
        auto kind = StoredIdent(f, "FieldKind");
        return (!kind || vcl::SameText(*kind, "fkData")) && !StoredBool(f, "Calculated").value_or(false) &&
               !StoredBool(f, "Lookup").value_or(false);
    }

    void DataWiring() {
        for (TComponent* c : all_) {
            if (auto* ds = vcl::Cast<vcl::TDataSet>(c)) {
                // Only a dataset that reads a database: a client dataset keeps its rows in the form.
                if (On("data-active-stored") && StoredBool(ds, "Active").value_or(false) &&
                    (vcl::Is<vcl::TDBDataSet>(ds) || Stored(ds, "DatabaseName") || Stored(ds, "Connection") ||
                     Stored(ds, "ConnectionString")))
                    Report("data-active-stored", ds,
                           NameOf(ds) + " is stored open: loading the form opens its database, or fails without it",
                           Where(ds, "Active"));
                DataSetWiring(ds);
                continue;
            }
            auto* field = vcl::Cast<vcl::TField>(c);
            if (field && field->DataSet() && On("data-field-unknown")) {
                const LiveData* live = Live(field->DataSet());
                if (live && live->refused.empty() && DataField(field) &&
                    !field->FieldName().empty() && !HasName(live->fields, field->FieldName()))
                    Report("data-field-unknown", field,
                           "the field " + NameOf(field) + " reads " + field->FieldName() + ", which " +
                               NameOf(field->DataSet()) + " does not have" + live->in,
                           Where(field, "FieldName"));
                continue;
            }
            const vcl::TPropInfo* sourceProp = vcl::GetPropInfo(c, "DataSource");
            if (!On("data-field-unknown") || !Publishes(c, "DataField") || !sourceProp ||
                sourceProp->Kind != vcl::TTypeKind::tkClass)
                continue;
            auto* source = dynamic_cast<vcl::TDataSource*>(vcl::GetObjectProp(c, sourceProp));
            auto dataField = Stored(c, "DataField");
            if (!source || !source->DataSet() || !dataField || dataField->GetValue().Kind() != ValueKind::String) continue;
            const LiveData* live = Live(source->DataSet());
            if (!live || !live->refused.empty()) continue;
            const auto missing = Missing(dataField->GetValue().AsString(), FieldNames(source->DataSet(), *live));
            if (!missing.empty())
                Report("data-field-unknown", c,
                       "DataField of " + NameOf(c) + " names " + Joined(missing) + ", which " +
                           NameOf(source->DataSet()) + " does not have" + live->in,
                       Where(c, "DataField"));
        }
    }

    void DataSetWiring(vcl::TDataSet* ds) {
        const LiveData* live = Live(ds);
        if (!live) return;
        auto* table = dynamic_cast<vcl::TTable*>(ds);
        if (!live->refused.empty()) {
            const char* rule = table ? "data-table-unknown" : "data-query-invalid";
            if (On(rule))
                Report(rule, ds,
                       (table ? "the table of " : "the SQL of ") + NameOf(ds) + " is refused" + live->in + ": " + live->refused,
                       Where(ds, table ? "TableName" : "SQL.Strings"));
            return;
        }
        if (table && On("data-index-unknown")) {
            if (auto fields = Missing(vcl::StoredText(table, "IndexFieldNames"), live->fields); !fields.empty())
                Report("data-index-unknown", ds,
                       "IndexFieldNames of " + NameOf(ds) + " names " + Joined(fields) + ", which its table does not have" + live->in,
                       Where(ds, "IndexFieldNames"));
            const std::string index = Trimmed(vcl::StoredText(table, "IndexName"));
            if (!index.empty() && std::none_of(live->indexes.begin(), live->indexes.end(),
                                               [&](const dbe::TIndexInfo& i) { return vcl::SameText(i.name, index); }))
                Report("data-index-unknown", ds,
                       "IndexName of " + NameOf(ds) + " is " + index + ", which its table does not have" + live->in,
                       Where(ds, "IndexName"));
            vcl::TDataSource* master = table->MasterSource();
            if (master && master->DataSet())
                if (const LiveData* m = Live(master->DataSet()); m && m->refused.empty())
                    if (auto fields = Missing(table->GetMasterFields(), FieldNames(master->DataSet(), *m));
                        !fields.empty())
                        Report("data-index-unknown", ds,
                               "MasterFields of " + NameOf(ds) + " names " + Joined(fields) + ", which " +
                                   NameOf(master->DataSet()) + " does not have" + m->in,
                               Where(ds, "MasterFields"));
        }
        auto* query = dynamic_cast<vcl::TQuery*>(ds);
        if (query && On("data-query-invalid")) {
            std::vector<std::string> stored, extra, absent;
            // The parameters as the file stores them: the reader also takes them from the SQL.
            if (auto data = Stored(ds, "ParamData"); data && data->GetValue().Kind() == ValueKind::Collection)
                for (size_t i = 0; i < data->GetValue().Count(); ++i)
                    if (auto name = data->GetValue().Entry(i).FindProperty("Name");
                        name && name->GetValue().Kind() == ValueKind::String)
                        stored.push_back(name->GetValue().AsString());
            for (const std::string& p : stored)
                if (!HasName(live->params, p)) extra.push_back(p);
            for (const std::string& p : live->params)
                if (!HasName(stored, p)) absent.push_back(p);
            if (!extra.empty() || !absent.empty())
                Report("data-query-invalid", ds,
                       "the parameters of " + NameOf(ds) + " differ from its SQL's" + live->in + ": " +
                           (extra.empty() ? "" : "stored but not in the SQL: " + Joined(extra)) +
                           (extra.empty() || absent.empty() ? "" : "; ") +
                           (absent.empty() ? "" : "in the SQL but not stored: " + Joined(absent)),
                       Where(ds, "ParamData"));
        }
    }

    const formfile::TFormFile& file_;
    const RuleSettings& settings_;
    mutable std::unordered_map<const vcl::TClassInfo*, bool> focusable_;
    std::unordered_map<const vcl::TDataSet*, std::optional<LiveData>> live_;
    mutable std::unordered_map<const TWinControl*, bool> holdsTabStop_;
    mutable std::unordered_map<const TControl*, FontFace> fonts_;
    mutable std::unordered_map<const char*, Rule> rules_;
    std::vector<TComponent*> all_;
    std::unordered_set<const TComponent*> framed_;
    mutable std::vector<Part> parts_;  // every component of the form, framed ones too
    std::unordered_map<const TComponent*, size_t> partOf_;
    std::vector<StoredName> stored_;
    std::vector<Finding> findings_;
};

}  // namespace

std::vector<Finding> CheckForm(const formfile::TFormFile& file, const RuleSettings& settings) {
    return FormCheck(file, settings).Run();
}

std::vector<TabFix> TabFixes(const formfile::TFormFile& file, const RuleSettings& settings) {
    return FormCheck(file, settings).Fixes();
}

}  // namespace check
