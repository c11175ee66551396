#include "host/vcl/Classes.h"

#include <algorithm>

#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/ComponentArena.h"

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
    if (ReadNative(prop.Name, prop, out)) return out;
    stored_.Read(prop, out);
    return out;
}

void TPersistent::WriteProperty(const TPropInfo& prop, TValue&& value) {
    Changing();
    if (!WriteNative(prop.Name, prop, value)) stored_.Write(prop, value);
}

void TPersistent::ReserveStored(size_t count) { stored_.Reserve(count); }

bool TPersistent::ReadNative(std::string_view, const TPropInfo&, TValue&) const { return false; }

bool TPersistent::WriteNative(std::string_view, const TPropInfo&, TValue&) { return false; }

void TPersistent::ClearStoredReferencesTo(const TComponent* target) {
    if (!stored_.RefersTo(target)) return;
    Changing();
    stored_.ClearReferencesTo(target);
}

// ---- TComponent

void* TComponent::operator new(size_t bytes) { return TComponentArena::Allocate(bytes); }

void TComponent::operator delete(void* memory) { TComponentArena::Release(memory); }

TComponent::TComponent(TComponent* owner, const TClassInfo* cls)
    : TPersistent(cls ? cls : ClassByName("TComponent")) {
    if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    Unwatch();
    DestroyComponents();
    if (ties_ && !ties_->freeNotifies.empty()) {
        for (TComponent* other : std::vector<TComponent*>(ties_->freeNotifies)) {
            other->RemoveFreeNotification(this);
            other->Notification(this, TOperation::opRemove);
        }
    }
    if (owner_ != nullptr) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
    destroying_ = true;
    if (!ties_) return;
    ties_->names.reset();  // nobody looks a name up in a component that goes
    // Each owned component takes itself out of the list as it goes.
    while (!ties_->components.empty()) delete ties_->components.back();
}

TComponent* TComponent::Components(int i) const {
    if (i < 0 || i >= ComponentCount())
        throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    return ties_->components[size_t(i)];
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    return FindComponentHashed(name, TComponentNameKey::Hash(name));
}

TComponent* TComponent::FindComponentHashed(std::string_view name, size_t hash) const {
    if (name.empty() || ComponentCount() == 0) return nullptr;
    if (!ties_->names) {
        auto index = std::make_unique<TNameIndex>(ties_->components.size());
        for (TComponent* c : ties_->components)
            if (!c->name_.empty()) index->Insert(c);
        ties_->names = std::move(index);
    }
    return ties_->names->FindHashed(name, hash);
}

void TComponent::ValidateRename(const std::string& newName, size_t hash) const {
    // A name read from a file keeps its bytes (newer compilers take other scripts); a name
    // given now must be one every compiler of the dialect takes.
    if (!newName.empty() && !(Loading() ? IsValidIdent(newName) : IsAsciiIdent(newName)))
        throw EComponentError("'" + newName + "' is not a valid component name");
    if (owner_ != nullptr && !SameText(name_, newName)) {
        TComponent* other = owner_->FindComponentHashed(newName, hash);
        if (other != nullptr && other != this)
            throw EComponentError("A component named " + newName + " already exists");
    }
}

void TComponent::ChangeName(const std::string& newName, size_t hash) {
    // The index hashes the name itself: out under the old name, back in under the new one.
    auto* index = owner_ != nullptr && owner_->ties_ ? owner_->ties_->names.get() : nullptr;
    if (index != nullptr && !name_.empty()) index->Erase(this);
    name_ = newName;
    if (index != nullptr && !name_.empty()) index->InsertHashed(this, hash);
}

void TComponent::SetName(const std::string& newName) {
    if (newName == name_) return;
    // A named component keeps a name: the unit and the form's references know it by it.
    if (newName.empty()) throw EComponentError("The name of " + name_ + " cannot be made empty");
    Changing();
    const size_t hash = owner_ != nullptr ? TComponentNameKey::Hash(newName) : 0;
    ValidateRename(newName, hash);
    ChangeName(newName, hash);
}

void TComponent::InsertComponent(TComponent* component) {
    if (component->owner_ != nullptr) component->owner_->RemoveComponent(component);
    if (!component->name_.empty() && FindComponent(component->name_) != nullptr)
        throw EComponentError("A component named " + component->name_ + " already exists");
    component->owner_ = this;
    component->index_ = ComponentCount();
    Ties& ties = MakeTies();
    ties.components.push_back(component);
    if (ties.names && !component->name_.empty()) ties.names->Insert(component);
}

void TComponent::RemoveComponent(TComponent* component) {
    const int at = component->index_;
    if (at < 0 || at >= ComponentCount() || ties_->components[size_t(at)] != component) return;
    auto& list = ties_->components;
    auto it = list.begin() + at;
    // Removing the last one (the common case while destroying) renumbers nothing.
    for (auto later = it + 1; later != list.end(); ++later) --(*later)->index_;
    list.erase(it);
    if (ties_->names && !component->name_.empty()) ties_->names->Erase(component);
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
    if (ties_)
        for (TComponent* c : ties_->components) c->Notification(component, operation);
}

void TComponent::FreeNotification(TComponent* other) {
    if (other == nullptr || other == this) return;
    auto& list = MakeTies().freeNotifies;
    if (std::find(list.begin(), list.end(), other) == list.end()) {
        list.push_back(other);
        other->FreeNotification(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!ties_) return;
    auto& list = ties_->freeNotifies;
    auto it = std::find(list.begin(), list.end(), other);
    if (it != list.end()) list.erase(it);
}

void TComponent::Loaded() { loading_ = false; }

bool TComponent::ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const {
    if (NameIs(name, "name")) out = name_;
    else if (NameIs(name, "tag")) out = int64_t(tag_);
    else return TPersistent::ReadNative(name, prop, out);
    return true;
}

bool TComponent::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (NameIs(name, "name")) SetName(TakeString(value, prop));
    else if (NameIs(name, "tag")) tag_ = ValueToInt32(value, prop);
    else {
        // A stored reference across owners must hear when its target goes.
        if (auto* r = std::get_if<TReference>(&value); r && r->target && r->target->owner_ != owner_)
            FreeNotification(r->target);
        return TPersistent::WriteNative(name, prop, value);
    }
    return true;
}

}  // namespace vcl
