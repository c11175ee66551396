// The views host/vcl/StoredObject.h declares, over a document's handles: what the datasets
// and the controls of designed windows read of their objects.
#pragma once

#include "host/formfile/FormFile.h"
#include "host/vcl/StoredObject.h"

namespace formfile {

class StoredValue final : public vcl::TStoredValue {
public:
    explicit StoredValue(Value value) : value_(value) {}
    vcl::TStoredKind Kind() const override;
    int64_t AsInteger() const override { return value_.AsInteger(); }
    std::string AsString() const override { return value_.AsString(); }
    std::string_view AsIdent() const override { return value_.AsIdent(); }
    std::string AsBinary() const override { return value_.AsBinary(); }
    void ForEachItem(const std::function<void(const vcl::TStoredValue& item)>& f) const override;
    void ForEachEntry(const std::function<void(const vcl::TStoredObject& entry)>& f) const override;

private:
    Value value_;
};

class StoredObject final : public vcl::TStoredObject {
public:
    explicit StoredObject(Object object) : object_(object) {}
    std::string_view Name() const override { return object_.Name(); }
    bool FindProperty(std::string_view name, const std::function<void(const vcl::TStoredValue&)>& f) const override;
    void ForEachProperty(const std::function<void(std::string_view, const vcl::TStoredValue&)>& f) const override;
    void ForEachChild(const std::function<void(const vcl::TStoredObject&)>& f) const override;

private:
    Object object_;
};

class StoredItem final : public vcl::TStoredObject {
public:
    explicit StoredItem(CollectionItem item) : item_(item) {}
    std::string_view Name() const override { return {}; }
    bool FindProperty(std::string_view name, const std::function<void(const vcl::TStoredValue&)>& f) const override;
    void ForEachProperty(const std::function<void(std::string_view, const vcl::TStoredValue&)>& f) const override;
    void ForEachChild(const std::function<void(const vcl::TStoredObject&)>&) const override {}

private:
    CollectionItem item_;
};

}  // namespace formfile
