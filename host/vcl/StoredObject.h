// What a form file stores for an object, as the components that keep more than published
// values read it: collections, string lists, sets and the properties of sub-objects. The
// datasets (host/db) and the controls of designed windows (host/controls) read through these
// views; the form file reader (host/formfile) implements them, so those layers never see the
// file's syntax tree.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "host/vcl/Classes.h"

namespace vcl {

class TComponent;
class TStoredObject;

enum class TStoredKind : uint8_t { Other, Integer, String, Ident, Set, List, Collection, Binary };

// One value. A view handed to a call is valid for that call only.
class TStoredValue {
public:
    virtual TStoredKind Kind() const = 0;
    // Each raises EConvertError when the value is of another kind, as the file reader does.
    virtual int64_t AsInteger() const = 0;
    virtual std::string AsString() const = 0;  // wide strings as UTF-8
    virtual std::string_view AsIdent() const = 0;
    virtual std::string AsBinary() const = 0;  // the bytes of binary data ({ hex })
    // The items of a list or the elements of a set (identifiers), in order.
    virtual void ForEachItem(const std::function<void(const TStoredValue& item)>& f) const = 0;
    // The items of a collection, each with its properties.
    virtual void ForEachEntry(const std::function<void(const TStoredObject& entry)>& f) const = 0;

protected:
    ~TStoredValue() = default;
};

// An object of the file, or an item of a collection.
class TStoredObject {
public:
    // Empty for an unnamed object and for collection items.
    virtual std::string_view Name() const = 0;
    // Calls f with the value of the property of that name (ASCII case ignored); false when
    // there is none.
    virtual bool FindProperty(std::string_view name, const std::function<void(const TStoredValue&)>& f) const = 0;
    // Every property in file order, dotted names of sub-objects' properties included.
    virtual void ForEachProperty(const std::function<void(std::string_view name, const TStoredValue&)>& f) const = 0;
    // The objects nested in this one (none for collection items).
    virtual void ForEachChild(const std::function<void(const TStoredObject& child)>& f) const = 0;
    // Calls f with each item of the named collection; nothing when the object has no such
    // property or it holds no collection.
    void ForEachItemOf(std::string_view collection, const std::function<void(const TStoredObject& item)>& f) const {
        FindProperty(collection, [&f](const TStoredValue& value) {
            if (value.Kind() == TStoredKind::Collection) value.ForEachEntry(f);
        });
    }

protected:
    ~TStoredObject() = default;
};

// A component that keeps more of its object than published values: collections, string
// lists, defined properties, and the object it is nested in (a field in its dataset). Called
// once its published values are read, before the references are resolved.
class TStoredDataReader {
public:
    virtual void ReadStoredData(const TStoredObject& object, TComponent* enclosing) = 0;

protected:
    // The component marks itself a reader, so the form reader asks no dynamic_cast of the others.
    explicit TStoredDataReader(TComponent* self) { self->AddKind(ckStoredData); }
    ~TStoredDataReader() = default;
};

template <>
inline constexpr uint8_t kKindOf<TStoredDataReader> = ckStoredData;


// Reads a designed form's text into root, which exists already, as a window's constructor
// reads its own form: the root object's properties go to root, its children are created.
// Then calls designed with the text's root object, for what the model reader leaves to the
// window. Raises EParserError for a malformed text. Defined by the form file reader
// (host/formfile), which every program with windows links.
void ReadDesignedForm(TComponent& root, std::string_view text, const std::string& fileName,
                      const std::function<void(const TStoredObject& object)>& designed);

}  // namespace vcl
