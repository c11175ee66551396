// The component framework's root classes: objects, persistent objects with published
// properties, components with owners and names, and the platform's lists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/vcl/FlatIndex.h"
#include "host/vcl/StoredValues.h"
#include "host/vcl/SysUtils.h"
#include "host/vcl/TypInfo.h"

namespace vcl {

class TObject {
public:
    virtual ~TObject() = default;
};

// An ordered list with the platform's bounds check: a bad index raises EListError.
template <typename T>
class TList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    const T& operator[](int i) const { return items_[Check(i)]; }
    T& operator[](int i) { return items_[Check(i)]; }
    int Add(const T& item) {
        items_.push_back(item);
        return Count() - 1;
    }
    void Insert(int i, const T& item) {
        if (i < 0 || i > Count()) ThrowIndexError(i);
        items_.insert(items_.begin() + i, item);
    }
    void Delete(int i) { items_.erase(items_.begin() + Check(i)); }
    void Clear() { items_.clear(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    size_t Check(int i) const {
        if (i < 0 || i >= Count()) ThrowIndexError(i);
        return static_cast<size_t>(i);
    }
    [[noreturn]] static void ThrowIndexError(int i) {
        throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    }
    std::vector<T> items_;
};

// Strings, each with an associated object, as the platform's string lists hold them.
class TStringList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& Strings(int i) const;
    TObject* Objects(int i) const;
    int Add(const std::string& s) { return AddObject(s, nullptr); }
    int AddObject(const std::string& s, TObject* object);
    int IndexOf(std::string_view s) const;  // case ignored; -1 when absent
    void Delete(int i);
    void Clear() { items_.clear(); }

private:
    void Check(int i) const;
    std::vector<std::pair<std::string, TObject*>> items_;
};

class TPersistent;

// Sees an object as it is just before its first change: a form file keeps, for the objects
// that change, what they were, and needs nothing for the rest.
class TChangeWatcher {
public:
    virtual void BeforeFirstChange(TPersistent& object) = 0;
    virtual void Destroyed(TPersistent& object) = 0;

protected:
    ~TChangeWatcher() = default;
};

// An object whose class is a catalogue class: class tests, and published properties that
// have no C++ meaning kept as values so that nothing read from a form file is lost.
class TPersistent : public TObject {
public:
    explicit TPersistent(const TClassInfo* cls);

    // The watcher is told once, before the first change that follows (Watch again to hear
    // of the next), and when the object goes. Every setter with an effect on a form file
    // calls Changing() before it changes anything.
    void Watch(TChangeWatcher* watcher, uint32_t cookie = 0) {
        watcher_ = watcher;
        cookie_ = cookie;
        seen_ = false;
    }
    // What the watcher asked to be given back with its calls: where it keeps this object.
    uint32_t WatchCookie() const { return cookie_; }
    void Changing() {
        if (watcher_ == nullptr || seen_) return;
        seen_ = true;
        watcher_->BeforeFirstChange(*this);
    }

    const TClassInfo& ClassType() const { return *class_; }
    const std::string& ClassName() const;
    bool InheritsFrom(std::string_view className) const;
    bool InheritsFrom(const TClassInfo* cls) const;

    // Property values by descriptor. Classes with C++ meaning for a property take it in
    // ReadNative/WriteNative; anything else is kept as a stored value.
    TValue ReadProperty(const TPropInfo& prop) const;
    void WriteProperty(const TPropInfo& prop, const TValue& value) {
        TValue copy = value;
        WriteProperty(prop, std::move(copy));
    }
    // A value made for the call (one read from a file) is moved into place.
    void WriteProperty(const TPropInfo& prop, TValue&& value);
    // The values kept for properties without C++ meaning, in the order first set.
    const TStoredValues& StoredValues() const { return stored_; }
    // Room for about count stored values at once, found by name: for an object a file gives
    // any number of properties.
    void ReserveStored(size_t count);

protected:
    // True when this class handles the property (its declared name, to be compared ignoring
    // case); out receives the value.
    // A class that keeps the value written may take it (TakeString): the caller is done with it.
    virtual bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const;
    virtual bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value);
    // The most derived destructor calls this first: what goes is no change to its form.
    void Unwatch() {
        if (watcher_ != nullptr) watcher_->Destroyed(*this);
        watcher_ = nullptr;
    }
    // Called for every reference held in a stored value when its target goes away.
    void ClearStoredReferencesTo(const TComponent* target);

private:
    const TClassInfo* class_;
    TChangeWatcher* watcher_ = nullptr;
    uint32_t cookie_ = 0;
    bool seen_ = false;
    TStoredValues stored_;
};

enum class TOperation { opInsert, opRemove };

// The framework classes the reader and the tools ask about of every component, each a bit
// its constructor sets: a dynamic_cast walks the whole class tree of a control that is also
// an event source, and a large form asks it tens of thousands of times.
enum TComponentKind : uint8_t {
    ckControl = 1,
    ckMenuItem = 2,
    ckNotebook = 4,     // TNotebookBase
    ckStoredData = 8,   // a TStoredDataReader
    ckDataSet = 16,
    ckDataSource = 32,
    ckField = 64,
    ckMenu = 128,
};
// The kind bit of a class that has one, for Is and Cast; 0 for the rest.
template <class T>
inline constexpr uint8_t kKindOf = 0;

class TComponent;

// An owner's named components by name, case ignored.
struct TComponentNameKey {
    static std::string_view Key(const TComponent& c);
    static size_t Hash(std::string_view name) { return CaseInsensitiveHash{}(name); }
    static bool Equal(std::string_view a, std::string_view b) { return SameText(a, b); }
};
using TNameIndex = TFlatIndex<TComponent, TComponentNameKey>;

class TComponent : public TPersistent {
public:
    // Inserted at the end of owner's component list (when there is an owner). cls null:
    // the catalogue class named after the C++ class, "TComponent".
    explicit TComponent(TComponent* owner, const TClassInfo* cls = nullptr);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    // From the arena of the form being read, if any (TComponentArena).
    static void* operator new(size_t bytes);
    static void operator delete(void* memory);
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return name_; }
    // Raises EComponentError for a name that is not a valid identifier (empty only while
    // the component has no name yet) or that another component of the same owner has,
    // case ignored.
    virtual void SetName(const std::string& newName);

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return ties_ ? static_cast<int>(ties_->components.size()) : 0; }
    TComponent* Components(int i) const;  // EListError outside 0..ComponentCount-1
    int ComponentIndex() const { return index_; }  // position in the owner's list, or -1
    TComponent* FindComponent(std::string_view name) const;  // case ignored; null if none

    int32_t Tag() const { return tag_; }
    void SetTag(int32_t v) {
        Changing();
        tag_ = v;
    }
    // The value the form designer keeps for the component: for a non-visual component
    // the place of its icon, left in the low 16 bits and top in the high 16 bits.
    int32_t DesignInfo() const { return designInfo_; }
    void SetDesignInfo(int32_t v) {
        Changing();
        designInfo_ = v;
    }

    bool IsKind(TComponentKind kind) const { return (kinds_ & kind) != 0; }

    // True while this component and everything it owns are being freed.
    bool Destroying() const { return destroying_; }
    // While a form file is read: setters that depend on siblings are deferred.
    bool Loading() const { return loading_; }
    void SetLoading(bool v) { loading_ = v; }
    // Called once after the whole form has been read (children first).
    virtual void Loaded();

    // Tell every component of the owner (and components registered for free
    // notification) that component went away, so that none keeps a stale reference.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;

    // Frees the owned components, last first, and marks this component as going, so that
    // nothing is renumbered or notified on its behalf. Windowed controls call it before they
    // free their child controls, as the platform does.
    void DestroyComponents();

    void AddKind(TComponentKind kind) { kinds_ |= kind; }
    // Each class that adds a kind drops it as its destructor ends: a base destructor's
    // notifications must not find the object cast to a class it no longer is.
    void DropKind(TComponentKind kind) { kinds_ &= uint8_t(~kind); }
    friend class TStoredDataReader;

    // Default name behaviour for subclasses that add their own rename effects. hash: the new
    // name's in the owner's index, worked out once for both.
    void ValidateRename(const std::string& newName, size_t hash) const;
    void ChangeName(const std::string& newName, size_t hash);

private:
    TComponent* FindComponentHashed(std::string_view name, size_t hash) const;
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    // Fields ordered so that the small ones share one word: a form holds tens of thousands.
    std::string name_;
    TComponent* owner_ = nullptr;
    // What only owners and the ends of cross-owner references have: most components (a form's
    // buttons, labels, menu items) have neither, and go without the room.
    struct Ties {
        std::vector<TComponent*> components;  // owned; destroyed with this component
        // The named ones among them, by their own names with case ignored; built on first need.
        std::unique_ptr<TNameIndex> names;
        std::vector<TComponent*> freeNotifies;  // told when this component goes
    };
    Ties& MakeTies() {
        if (!ties_) ties_ = std::make_unique<Ties>();
        return *ties_;
    }
    std::unique_ptr<Ties> ties_;
    int index_ = -1;
    int32_t tag_ = 0;
    int32_t designInfo_ = 0;
    bool loading_ = false;
    bool destroying_ = false;
    uint8_t kinds_ = 0;
};

inline std::string_view TComponentNameKey::Key(const TComponent& c) { return c.Name(); }

// Cast to a C++ framework class; null when the object is not one.
template <typename T, typename U>
T* Cast(U* object) {
    using Bare = std::remove_const_t<T>;
    using From = std::remove_const_t<U>;
    if constexpr (kKindOf<Bare> != 0 && std::is_base_of_v<TComponent, From>) {
        if (object == nullptr || !object->IsKind(TComponentKind(kKindOf<Bare>))) return nullptr;
        if constexpr (std::is_base_of_v<From, Bare>) return static_cast<T*>(object);
        else return dynamic_cast<T*>(object);  // a side base, asked only of components that have it
    } else {
        return dynamic_cast<T*>(object);
    }
}

// Checked cast to a C++ framework class: EInvalidCast when the object is not one.
template <typename T, typename U>
T* As(U* object) {
    if (object == nullptr) return nullptr;
    if (auto* p = Cast<T>(object)) return p;
    throw EInvalidCast("Invalid class typecast");
}

// Class test against a C++ framework class (true for derived classes too).
template <typename T, typename U>
bool Is(const U* object) {
    return Cast<const T>(object) != nullptr;
}

}  // namespace vcl
