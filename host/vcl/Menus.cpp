#include "host/vcl/Menus.h"

#include <algorithm>

#include "host/vcl/ClassCatalogue.h"

namespace vcl {

std::string StripHotkey(std::string_view caption) {
    std::string out;
    out.reserve(caption.size());
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        out += caption[i];
    }
    return out;
}

TMenuItem::TMenuItem(TComponent* owner, const TClassInfo* cls)
    : TComponent(owner, cls ? cls : ClassByName("TMenuItem")) {
    AddKind(ckMenuItem);
}

TMenuItem::~TMenuItem() {
    Unwatch();
    while (!items_.empty()) delete items_.back();
    if (parent_ != nullptr) parent_->Remove(this);
    DropKind(ckMenuItem);
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* item = this;
    while (item->parent_ != nullptr) item = item->parent_;
    return item->menu_;
}

TMenuItem* TMenuItem::Items(int i) const {
    if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    return items_[size_t(i)];
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : int(it - items_.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (item == nullptr) return;
    for (const TMenuItem* p = this; p != nullptr; p = p->parent_)
        if (p == item) throw EComponentError("A menu item cannot be placed under itself");
    if (item->parent_ != nullptr) item->parent_->Remove(item);
    if (index < 0 || index > Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    item->parent_ = nullptr;
}

bool TMenuItem::ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const {
    if (NameIs(name, "caption")) out = caption_;
    else if (NameIs(name, "hint")) out = hint_.Str();
    else if (NameIs(name, "checked")) out = TIdent{checked_ ? "True" : "False"};
    else if (NameIs(name, "enabled")) out = TIdent{enabled_ ? "True" : "False"};
    else if (NameIs(name, "visible")) out = TIdent{visible_ ? "True" : "False"};
    else return TComponent::ReadNative(name, prop, out);
    return true;
}

bool TMenuItem::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (NameIs(name, "caption")) caption_ = TakeString(value, prop);
    else if (NameIs(name, "hint")) hint_.Set(this, TakeString(value, prop));
    else if (NameIs(name, "checked")) checked_ = ValueToBool(value, prop);
    else if (NameIs(name, "enabled")) enabled_ = ValueToBool(value, prop);
    else if (NameIs(name, "visible")) visible_ = ValueToBool(value, prop);
    else return TComponent::WriteNative(name, prop, value);
    return true;
}

TMenu::TMenu(TComponent* owner, const TClassInfo* cls)
    : TComponent(owner, cls ? cls : ClassByName("TMenu")), items_(new TMenuItem(this)) {
    AddKind(ckMenu);
    items_->menu_ = this;
}

TMenu::~TMenu() { DropKind(ckMenu); }

TMainMenu::TMainMenu(TComponent* owner, const TClassInfo* cls)
    : TMenu(owner, cls ? cls : ClassByName("TMainMenu")) {}

TPopupMenu::TPopupMenu(TComponent* owner, const TClassInfo* cls)
    : TMenu(owner, cls ? cls : ClassByName("TPopupMenu")) {}

}  // namespace vcl
