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

size_t TPersistent::StoredAt(const TPropInfo& prop) const {
    if (storedIndex_) {
        auto it = storedIndex_->find(prop.Name);
        return it == storedIndex_->end() ? stored_.size() : it->second;
    }
    for (size_t i = 0; i < stored_.size(); ++i)
        if (stored_[i].first == &prop || SameText(stored_[i].first->Name, prop.Name)) return i;
    return stored_.size();
}

TValue TPersistent::ReadProperty(const TPropInfo& prop) const {
    TValue out;
    if (ReadNative(prop.LowerName, prop, out)) return out;
    const size_t at = StoredAt(prop);
    return at < stored_.size() ? stored_[at].second : TValue{};
}

void TPersistent::WriteProperty(const TPropInfo& prop, const TValue& value) {
    Changing();
    if (WriteNative(prop.LowerName, prop, value)) return;
    if (const size_t at = StoredAt(prop); at < stored_.size()) {
        stored_[at].second = value;
        return;
    }
    stored_.emplace_back(&prop, value);
    // A handful is searched faster than hashed.
    constexpr size_t kIndexFrom = 8;
    if (storedIndex_) {
        storedIndex_->emplace(prop.Name, uint32_t(stored_.size() - 1));
    } else if (stored_.size() > kIndexFrom) {
        storedIndex_ = std::make_unique<StoredIndex>();
        for (uint32_t i = 0; i < stored_.size(); ++i) storedIndex_->emplace(stored_[i].first->Name, i);
    }
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

void* TComponent::operator new(size_t bytes) { return TComponentArena::Allocate(bytes); }

void TComponent::operator delete(void* memory) { TComponentArena::Release(memory); }

TComponent::TComponent(TComponent* owner, const TClassInfo* cls)
    : TPersistent(cls ? cls : ClassByName("TComponent")) {
    if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    Unwatch();
    DestroyComponents();
    if (freeNotifies_) {
        for (TComponent* other : std::vector<TComponent*>(*freeNotifies_)) {
            other->RemoveFreeNotification(this);
            other->Notification(this, TOperation::opRemove);
        }
    }
    if (owner_ != nullptr) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
    destroying_ = true;
    names_.reset();  // nobody looks a name up in a component that goes
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
        auto index = std::make_unique<TNameIndex>(components_.size());
        for (TComponent* c : components_)
            if (!c->name_.empty()) index->Insert(c);
        const_cast<TComponent*>(this)->names_ = std::move(index);
    }
    return names_->Find(name);
}

void TComponent::ValidateRename(const std::string& newName) const {
    // A name read from a file keeps its bytes (newer compilers take other scripts); a name
    // given now must be one every compiler of the dialect takes.
    if (!newName.empty() && !(Loading() ? IsValidIdent(newName) : IsAsciiIdent(newName)))
        throw EComponentError("'" + newName + "' is not a valid component name");
    if (owner_ != nullptr && !SameText(name_, newName)) {
        TComponent* other = owner_->FindComponent(newName);
        if (other != nullptr && other != this)
            throw EComponentError("A component named " + newName + " already exists");
    }
}

void TComponent::ChangeName(const std::string& newName) {
    // The index hashes the name itself: out under the old name, back in under the new one.
    auto* index = owner_ != nullptr ? owner_->names_.get() : nullptr;
    if (index != nullptr && !name_.empty()) index->Erase(this);
    name_ = newName;
    if (index != nullptr && !name_.empty()) index->Insert(this);
}

void TComponent::SetName(const std::string& newName) {
    if (newName == name_) return;
    // A named component keeps a name: the unit and the form's references know it by it.
    if (newName.empty()) throw EComponentError("The name of " + name_ + " cannot be made empty");
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
    if (names_ && !component->name_.empty()) names_->Insert(component);
}

void TComponent::RemoveComponent(TComponent* component) {
    const int at = component->index_;
    if (at < 0 || at >= ComponentCount() || components_[size_t(at)] != component) return;
    auto it = components_.begin() + at;
    // Removing the last one (the common case while destroying) renumbers nothing.
    for (auto later = it + 1; later != components_.end(); ++later) --(*later)->index_;
    components_.erase(it);
    if (names_ && !component->name_.empty()) names_->Erase(component);
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
    if (!freeNotifies_) freeNotifies_ = std::make_unique<std::vector<TComponent*>>();
    auto& list = *freeNotifies_;
    if (std::find(list.begin(), list.end(), other) == list.end()) {
        list.push_back(other);
        other->FreeNotification(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!freeNotifies_) return;
    auto& list = *freeNotifies_;
    auto it = std::find(list.begin(), list.end(), other);
    if (it != list.end()) list.erase(it);
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
