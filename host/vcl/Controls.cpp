#include "host/vcl/Controls.h"

#include <algorithm>

#include "host/vcl/ClassCatalogue.h"

namespace vcl {

template <typename T>
static void EraseOne(std::vector<T*>& list, const void* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) list.erase(it);
}

// ---- TControl

TControl::TControl(TComponent* owner, const TClassInfo* cls)
    : TComponent(owner, cls ? cls : ClassByName("TControl")) {}

TControl::~TControl() {
    Unwatch();
    SetParent(nullptr);
}

void TControl::SetParent(TWinControl* newParent) {
    if (newParent == parent_) return;
    if (newParent != nullptr) {
        if (newParent == this) throw EComponentError("A control cannot be its own parent");
        if (auto* self = dynamic_cast<TWinControl*>(this); self && self->ContainsControl(newParent))
            throw EComponentError("A control cannot be placed inside one of its own children");
    }
    Changing();
    // The tab orders of the siblings after it change too.
    if (parent_ != nullptr) parent_->TabSiblingsChanging();
    if (newParent != nullptr) newParent->TabSiblingsChanging();
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
    const std::string oldName = Name();
    const bool textFollows = !Loading() && !oldName.empty() && text_ == oldName &&
                             !InheritsFrom("TCustomMemo") &&
                             (GetPropInfo(this, "Caption") != nullptr || GetPropInfo(this, "Text") != nullptr);
    TComponent::SetName(newName);
    if (textFollows) text_ = Name();
}

bool TControl::ReadNative(std::string_view lname, const TPropInfo& prop, TValue& out) const {
    if (lname == "left") out = int64_t(left_);
    else if (lname == "top") out = int64_t(top_);
    else if (lname == "width") out = int64_t(width_);
    else if (lname == "height") out = int64_t(height_);
    else if (lname == "caption" || lname == "text") out = text_;
    else if (lname == "hint") out = hint_;
    else if (lname == "showhint") out = TIdent{showHint_ ? "True" : "False"};
    else if (lname == "enabled") out = TIdent{enabled_ ? "True" : "False"};
    else if (lname == "visible") out = TIdent{visible_ ? "True" : "False"};
    else return TComponent::ReadNative(lname, prop, out);
    return true;
}

bool TControl::WriteNative(std::string_view lname, const TPropInfo& prop, const TValue& value) {
    if (lname == "left") left_ = ValueToInt32(value, prop);
    else if (lname == "top") top_ = ValueToInt32(value, prop);
    else if (lname == "width") width_ = ValueToInt32(value, prop);
    else if (lname == "height") height_ = ValueToInt32(value, prop);
    else if (lname == "caption" || lname == "text") text_ = ValueToString(value, prop);
    else if (lname == "hint") hint_ = ValueToString(value, prop);
    else if (lname == "showhint") showHint_ = ValueToBool(value, prop);
    else if (lname == "enabled") enabled_ = ValueToBool(value, prop);
    else if (lname == "visible") visible_ = ValueToBool(value, prop);
    else return TComponent::WriteNative(lname, prop, value);
    return true;
}

TGraphicControl::TGraphicControl(TComponent* owner, const TClassInfo* cls)
    : TControl(owner, cls ? cls : ClassByName("TGraphicControl")) {}

TCustomControl::TCustomControl(TComponent* owner, const TClassInfo* cls)
    : TWinControl(owner, cls ? cls : ClassByName("TCustomControl")) {}

// ---- TWinControl

TWinControl::TWinControl(TComponent* owner, const TClassInfo* cls)
    : TControl(owner, cls ? cls : ClassByName("TWinControl")) {}

TWinControl::~TWinControl() {
    Unwatch();
    DestroyComponents();
    // A windowed control takes its child controls with it, whoever owns them.
    while (ControlCount() > 0) delete Controls(ControlCount() - 1);
}

int TWinControl::ControlCount() const { return static_cast<int>(controls_.size() + winControls_.size()); }

TControl* TWinControl::Controls(int i) const {
    if (i < 0 || i >= ControlCount()) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    const size_t k = size_t(i);
    return k < controls_.size() ? controls_[k] : winControls_[k - controls_.size()];
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c != nullptr; c = c->Parent())
        if (c == this) return true;
    return false;
}

void TWinControl::InsertControl(TControl* control) {
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
        winControls_.push_back(win);
        tabList_.push_back(win);
    } else {
        controls_.push_back(control);
    }
}

void TWinControl::RemoveControl(TControl* control) {
    EraseOne(controls_, control);
    EraseOne(winControls_, control);
    EraseOne(tabList_, control);
}

int TWinControl::TabOrder() const {
    if (Parent() == nullptr) return -1;
    const auto& list = Parent()->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : int(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
    if (value < -1 || value > 32767)
        throw ERangeError("Range check error: tab order " + std::to_string(value) + " is outside -1..32767");
    if (Loading()) {
        loadedTabOrder_ = value;
        return;
    }
    const int current = TabOrder();
    if (current < 0) return;
    auto& list = Parent()->tabList_;
    const int count = static_cast<int>(list.size());
    if (value < 0 || value >= count) value = count - 1;
    if (value == current) return;
    Parent()->TabSiblingsChanging();
    list.erase(list.begin() + current);
    list.insert(list.begin() + value, this);
}

void TWinControl::TabSiblingsChanging() {
    for (TWinControl* child : tabList_) child->Changing();
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* child : tabList_) {
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
    const size_t count = winControls_.size();
    std::vector<TWinControl*> slots(count, nullptr);
    std::vector<TWinControl*> rest;
    for (TWinControl* child : winControls_) {
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
    tabList_ = std::move(slots);
}

bool TWinControl::ReadNative(std::string_view lname, const TPropInfo& prop, TValue& out) const {
    if (lname == "taborder") out = int64_t(Loading() ? loadedTabOrder_ : TabOrder());
    else if (lname == "tabstop") out = TIdent{tabStop_ ? "True" : "False"};
    else return TControl::ReadNative(lname, prop, out);
    return true;
}

bool TWinControl::WriteNative(std::string_view lname, const TPropInfo& prop, const TValue& value) {
    if (lname == "taborder") SetTabOrder(static_cast<int>(std::clamp<int64_t>(ValueToInt(value, prop), -2, 32768)));
    else if (lname == "tabstop") tabStop_ = ValueToBool(value, prop);
    else return TControl::WriteNative(lname, prop, value);
    return true;
}

}  // namespace vcl
