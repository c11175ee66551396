#include "host/vcl/Controls.h"

#include <algorithm>

#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/TypInfo.h"

namespace vcl {

// Children go last-first when their parent or owner goes, so the search starts at the end.
template <typename T>
static void EraseOne(std::vector<T*>& list, const void* item) {
    auto it = std::find(list.rbegin(), list.rend(), item);
    if (it != list.rend()) list.erase(std::next(it).base());
}

// ---- TControl

TControl::TControl(TComponent* owner, const TClassInfo* cls)
    : TComponent(owner, cls ? cls : ClassByName("TControl")) {
    AddKind(ckControl);
}

TControl::~TControl() {
    Unwatch();
    SetParent(nullptr);
    DropKind(ckControl);
}

void TControl::SetParent(TWinControl* newParent) {
    if (newParent == parent_) return;
    if (newParent != nullptr) {
        if (newParent == this) throw EComponentError("A control cannot be its own parent");
        if (windowed_ && static_cast<TWinControl*>(this)->ContainsControl(newParent))
            throw EComponentError("A control cannot be placed inside one of its own children");
    }
    Changing();
    if (parent_ != nullptr) parent_->RemoveControl(this);
    parent_ = newParent;
    if (parent_ != nullptr) parent_->InsertControl(this);
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    Changing();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void TControl::SetName(const std::string& newName) {
    const std::string& oldName = Name();
    const bool textFollows = !Loading() && !oldName.empty() && text_ == oldName &&
                             !InheritsFrom("TCustomMemo") &&
                             (GetPropInfo(this, "Caption") != nullptr || GetPropInfo(this, "Text") != nullptr);
    TComponent::SetName(newName);
    if (textFollows) text_ = Name();
}

bool TControl::ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const {
    if (NameIs(name, "left")) out = int64_t(left_);
    else if (NameIs(name, "top")) out = int64_t(top_);
    else if (NameIs(name, "width")) out = int64_t(width_);
    else if (NameIs(name, "height")) out = int64_t(height_);
    else if (NameIs(name, "caption") || NameIs(name, "text")) out = text_;
    else if (NameIs(name, "hint")) out = hint_.Str();
    else if (NameIs(name, "showhint")) out = TIdent{showHint_ ? "True" : "False"};
    else if (NameIs(name, "enabled")) out = TIdent{enabled_ ? "True" : "False"};
    else if (NameIs(name, "visible")) out = TIdent{visible_ ? "True" : "False"};
    else return TComponent::ReadNative(name, prop, out);
    return true;
}

bool TControl::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (NameIs(name, "left")) left_ = ValueToInt32(value, prop);
    else if (NameIs(name, "top")) top_ = ValueToInt32(value, prop);
    else if (NameIs(name, "width")) width_ = ValueToInt32(value, prop);
    else if (NameIs(name, "height")) height_ = ValueToInt32(value, prop);
    else if (NameIs(name, "caption") || NameIs(name, "text")) text_ = TakeString(value, prop);
    else if (NameIs(name, "hint")) hint_.Set(this, TakeString(value, prop));
    else if (NameIs(name, "showhint")) showHint_ = ValueToBool(value, prop);
    else if (NameIs(name, "enabled")) enabled_ = ValueToBool(value, prop);
    else if (NameIs(name, "visible")) visible_ = ValueToBool(value, prop);
    else return TComponent::WriteNative(name, prop, value);
    return true;
}

TGraphicControl::TGraphicControl(TComponent* owner, const TClassInfo* cls)
    : TControl(owner, cls ? cls : ClassByName("TGraphicControl")) {}

TCustomControl::TCustomControl(TComponent* owner, const TClassInfo* cls)
    : TWinControl(owner, cls ? cls : ClassByName("TCustomControl")) {}

// ---- TWinControl

TWinControl::TWinControl(TComponent* owner, const TClassInfo* cls)
    : TControl(owner, cls ? cls : ClassByName("TWinControl")) {
    windowed_ = true;
}

TWinControl::~TWinControl() {
    Unwatch();
    // Leave the parent while still a windowed control: its tab list is kept by that type.
    SetParent(nullptr);
    DropTabList();
    DestroyComponents();
    // A windowed control takes its child controls with it, whoever owns them.
    while (ControlCount() > 0) delete Controls(ControlCount() - 1);
}

int TWinControl::ControlCount() const {
    return children_ ? static_cast<int>(children_->controls.size() + children_->windowed.size()) : 0;
}

TControl* TWinControl::Controls(int i) const {
    if (i < 0 || i >= ControlCount()) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    const size_t k = size_t(i);
    const auto& plain = children_->controls;
    return k < plain.size() ? plain[k] : children_->windowed[k - plain.size()];
}

const std::vector<TWinControl*>& TWinControl::TabList() const {
    static const std::vector<TWinControl*> none;
    return children_ ? children_->tabList : none;
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c != nullptr; c = c->Parent())
        if (c == this) return true;
    return false;
}

void TWinControl::InsertControl(TControl* control) {
    if (!children_) children_ = std::make_unique<Children>();
    if (control->windowed_) {
        auto* win = static_cast<TWinControl*>(control);
        children_->windowed.push_back(win);
        win->tabIndex_ = static_cast<int>(children_->tabList.size());
        children_->tabList.push_back(win);
    } else {
        children_->controls.push_back(control);
    }
}

// Going as a whole, with this control or its owner: no child's tab order is worth keeping
// up to date, whatever order the children go in.
void TWinControl::DropTabList() {
    if (!children_) return;
    for (TWinControl* child : children_->tabList) child->tabIndex_ = -1;
    children_->tabList.clear();
}

void TWinControl::RemoveControl(TControl* control) {
    if (!children_) return;
    if (!control->windowed_) {
        EraseOne(children_->controls, control);
        return;
    }
    if (Owner() != nullptr && Owner()->Destroying()) DropTabList();
    auto* win = static_cast<TWinControl*>(control);
    EraseOne(children_->windowed, win);
    auto& tabs = children_->tabList;
    const int at = win->tabIndex_;
    win->tabIndex_ = -1;
    if (at < 0 || size_t(at) >= tabs.size() || tabs[size_t(at)] != win) return;
    // The siblings after it move up one place.
    for (size_t i = size_t(at) + 1; i < tabs.size(); ++i) tabs[i]->Changing();
    tabs.erase(tabs.begin() + at);
    Renumber(size_t(at), tabs.size());
}

void TWinControl::Renumber(size_t from, size_t to) {
    auto& tabs = children_->tabList;
    for (size_t i = from; i < to; ++i) tabs[i]->tabIndex_ = static_cast<int>(i);
}

int TWinControl::TabOrder() const { return Parent() == nullptr ? -1 : tabIndex_; }

void TWinControl::SetTabOrder(int value) {
    if (value < -1 || value > 32767)
        throw ERangeError("Range check error: tab order " + std::to_string(value) + " is outside -1..32767");
    if (Loading()) {
        loadedTabOrder_ = value;
        return;
    }
    const int current = TabOrder();
    if (current < 0) return;
    TWinControl* parent = Parent();
    auto& list = parent->children_->tabList;
    const int count = static_cast<int>(list.size());
    if (value < 0 || value >= count) value = count - 1;
    if (value == current) return;
    // Only the places between the old and the new one change.
    const size_t lo = size_t(std::min(current, value)), hi = size_t(std::max(current, value)) + 1;
    for (size_t i = lo; i < hi; ++i) list[i]->Changing();
    const auto at = list.begin();
    if (value < current)
        std::rotate(at + value, at + current, at + current + 1);
    else
        std::rotate(at + current, at + current + 1, at + value + 1);
    parent->Renumber(lo, hi);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* child : TabList()) {
        list.push_back(child);
        child->GetTabOrderList(list);
    }
}

void TWinControl::Loaded() {
    FixupTabList();
    TControl::Loaded();
}

// Children that were read with a tab order take that place when it is free; the rest fill
// the places left, in the order they were read.
void TWinControl::FixupTabList() {
    if (!children_) return;
    const size_t count = children_->windowed.size();
    std::vector<TWinControl*> slots(count, nullptr);
    std::vector<TWinControl*> rest;
    for (TWinControl* child : children_->windowed) {
        const int wanted = child->loadedTabOrder_;
        if (wanted >= 0 && size_t(wanted) < count && slots[size_t(wanted)] == nullptr)
            slots[size_t(wanted)] = child;
        else
            rest.push_back(child);
        child->loadedTabOrder_ = -1;
    }
    auto next = rest.begin();
    for (auto& slot : slots)
        if (slot == nullptr) slot = *next++;
    children_->tabList = std::move(slots);
    Renumber(0, count);
}

bool TWinControl::ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const {
    if (NameIs(name, "taborder")) out = int64_t(Loading() ? loadedTabOrder_ : TabOrder());
    else if (NameIs(name, "tabstop")) out = TIdent{tabStop_ ? "True" : "False"};
    else return TControl::ReadNative(name, prop, out);
    return true;
}

bool TWinControl::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (NameIs(name, "taborder")) SetTabOrder(static_cast<int>(std::clamp<int64_t>(ValueToInt(value, prop), -2, 32768)));
    else if (NameIs(name, "tabstop")) tabStop_ = ValueToBool(value, prop);
    else return TControl::WriteNative(name, prop, value);
    return true;
}

// The page area of a page control with its tabs drawn in the system's standard sizes: a
// 2-pixel frame with 2 pixels inside it, and a row of tabs 20 pixels deep on the tabs' side.
std::optional<TPlace> PlacedByParent(const TControl& control) {
    const TWinControl* book = control.Parent();
    if (book == nullptr || !control.InheritsFrom("TTabSheet") || !book->InheritsFrom("TPageControl")) return {};
    constexpr int32_t kEdge = 4, kTabs = 20;
    const TPropInfo* side = GetPropInfo(book, "TabPosition");
    const std::string at = side != nullptr && side->Kind == TTypeKind::tkEnumeration ? GetEnumProp(book, side) : "";
    TPlace place{kEdge, kEdge, book->Width() - 2 * kEdge, book->Height() - 2 * kEdge};
    const bool left = SameText(at, "tpLeft"), right = SameText(at, "tpRight"), bottom = SameText(at, "tpBottom");
    if (left || right) place.width -= kTabs;
    else place.height -= kTabs;
    if (left) place.left += kTabs;
    else if (!bottom && !right) place.top += kTabs;
    place.width = std::max(place.width, 0);
    place.height = std::max(place.height, 0);
    return place;
}

}  // namespace vcl
