#include "host/vcl/Classes.h"

#include <algorithm>

#include "host/vcl/ClassCatalogue.h"

namespace vcl {

// ---- TStringList

void TStringList::Check(int i) const {
    if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
}

const std::string& TStringList::Strings(int i) const {
    Check(i);
    return items_[size_t(i)].first;
}

TObject* TStringList::Objects(int i) const {
    Check(i);
    return items_[size_t(i)].second;
}

int TStringList::AddObject(const std::string& s, TObject* object) {
    items_.emplace_back(s, object);
    return Count() - 1;
}

int TStringList::IndexOf(std::string_view s) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(items_[size_t(i)].first, s)) return i;
    return -1;
}

void TStringList::Delete(int i) {
    Check(i);
    items_.erase(items_.begin() + i);
}

// ---- TPersistent

TPersistent::TPersistent(const TClassInfo* cls) : class_(cls) {
    if (class_ == nullptr) throw EClassNotFound("An object needs a class");
}

const std::string& TPersistent::ClassName() const { return class_->Name(); }

bool TPersistent::InheritsFrom(std::string_view className) const { return class_->InheritsFrom(className); }

bool TPersistent::InheritsFrom(const TClassInfo* cls) const { return class_->InheritsFrom(cls); }

TValue TPersistent::ReadProperty(const TPropInfo& prop) const {
    TValue out;
    if (ReadNative(prop.LowerName, prop, out)) return out;
    for (const auto& [p, v] : stored_)
        if (p == &prop || SameText(p->Name, prop.Name)) return v;
    return {};
}

void TPersistent::WriteProperty(const TPropInfo& prop, const TValue& value) {
    Changing();
    if (WriteNative(prop.LowerName, prop, value)) return;
    for (auto& [p, v] : stored_)
        if (p == &prop || SameText(p->Name, prop.Name)) {
            v = value;
            return;
        }
    stored_.emplace_back(&prop, value);
}

bool TPersistent::ReadNative(std::string_view, const TPropInfo&, TValue&) const { return false; }

bool TPersistent::WriteNative(std::string_view, const TPropInfo&, const TValue&) { return false; }

void TPersistent::ClearStoredReferencesTo(const TComponent* target) {
    for (auto& entry : stored_)
        if (auto* r = std::get_if<TReference>(&entry.second); r && r->target == target) {
            Changing();
            *r = TReference{};
        }
}

// ---- TComponent

TComponent::TComponent(TComponent* owner, const TClassInfo* cls)
    : TPersistent(cls ? cls : ClassByName("TComponent")) {
    if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    Unwatch();
    DestroyComponents();
    for (TComponent* other : std::vector<TComponent*>(freeNotifies_)) {
        other->RemoveFreeNotification(this);
        other->Notification(this, TOperation::opRemove);
    }
    if (owner_ != nullptr) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
    destroying_ = true;
    // Each owned component takes itself out of components_ as it goes.
    while (!components_.empty()) delete components_.back();
}

TComponent* TComponent::Components(int i) const {
    if (i < 0 || i >= ComponentCount())
        throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    return components_[size_t(i)];
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty() || components_.empty()) return nullptr;
    if (!names_) {
        auto index = std::make_unique<std::unordered_map<std::string, TComponent*, CaseInsensitiveHash, CaseInsensitiveEqual>>();
        for (TComponent* c : components_)
            if (!c->name_.empty()) index->emplace(c->name_, c);
        const_cast<TComponent*>(this)->names_ = std::move(index);
    }
    auto it = names_->find(name);
    return it == names_->end() ? nullptr : it->second;
}

void TComponent::ValidateRename(const std::string& newName) const {
    if (!newName.empty() && !IsValidIdent(newName))
        throw EComponentError("'" + newName + "' is not a valid component name");
    if (owner_ != nullptr && !SameText(name_, newName)) {
        TComponent* other = owner_->FindComponent(newName);
        if (other != nullptr && other != this)
            throw EComponentError("A component named " + newName + " already exists");
    }
}

void TComponent::ChangeName(const std::string& newName) {
    if (owner_ != nullptr && owner_->names_) {
        auto& index = *owner_->names_;
        if (!name_.empty()) {
            auto it = index.find(name_);
            if (it != index.end() && it->second == this) index.erase(it);
        }
        if (!newName.empty()) index[newName] = this;
    }
    name_ = newName;
}

void TComponent::SetName(const std::string& newName) {
    if (newName == name_) return;
    Changing();
    ValidateRename(newName);
    ChangeName(newName);
}

void TComponent::InsertComponent(TComponent* component) {
    if (component->owner_ != nullptr) component->owner_->RemoveComponent(component);
    if (!component->name_.empty() && FindComponent(component->name_) != nullptr)
        throw EComponentError("A component named " + component->name_ + " already exists");
    component->owner_ = this;
    component->index_ = ComponentCount();
    components_.push_back(component);
    if (names_ && !component->name_.empty()) (*names_)[component->name_] = component;
}

void TComponent::RemoveComponent(TComponent* component) {
    const int at = component->index_;
    if (at < 0 || at >= ComponentCount() || components_[size_t(at)] != component) return;
    auto it = components_.begin() + at;
    // Removing the last one (the common case while destroying) renumbers nothing.
    for (auto later = it + 1; later != components_.end(); ++later) --(*later)->index_;
    components_.erase(it);
    if (names_ && !component->name_.empty()) {
        auto n = names_->find(component->name_);
        if (n != names_->end() && n->second == component) names_->erase(n);
    }
    component->owner_ = nullptr;
    component->index_ = -1;
    // While the whole owner goes, nobody is left to hold a reference worth clearing.
    if (!destroying_) Notification(component, TOperation::opRemove);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove) {
        ClearStoredReferencesTo(component);
        RemoveFreeNotification(component);
    }
    for (TComponent* c : components_) c->Notification(component, operation);
}

void TComponent::FreeNotification(TComponent* other) {
    if (other == nullptr || other == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end()) {
        freeNotifies_.push_back(other);
        other->FreeNotification(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    auto it = std::find(freeNotifies_.begin(), freeNotifies_.end(), other);
    if (it != freeNotifies_.end()) freeNotifies_.erase(it);
}

void TComponent::Loaded() { loading_ = false; }

bool TComponent::ReadNative(std::string_view lname, const TPropInfo& prop, TValue& out) const {
    if (lname == "name") out = name_;
    else if (lname == "tag") out = int64_t(tag_);
    else return TPersistent::ReadNative(lname, prop, out);
    return true;
}

bool TComponent::WriteNative(std::string_view lname, const TPropInfo& prop, const TValue& value) {
    if (lname == "name") SetName(ValueToString(value, prop));
    else if (lname == "tag") tag_ = ValueToInt32(value, prop);
    else {
        // A stored reference across owners must hear when its target goes.
        if (auto* r = std::get_if<TReference>(&value); r && r->target && r->target->owner_ != owner_)
            FreeNotification(r->target);
        return TPersistent::WriteNative(lname, prop, value);
    }
    return true;
}

}  // namespace vcl
