// The data classes of the component framework: datasets with their field and index
// definitions, parameters, field components and data sources. A dataset reads its rows
// through an engine cursor (host/db/Engine.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/db/Engine.h"
#include "host/vcl/Classes.h"
#include "host/vcl/StoredObject.h"

namespace vcl {

using dbe::TFieldType;
using dbe::TFieldValue;

class TDataSet;
class TDataSource;

class TFieldDef {
public:
    TFieldDef() = default;
    TFieldDef(std::string name, TFieldType type, int size, bool required = false)
        : Name(std::move(name)), DataType(type), Size(size), Required(required) {}
    std::string Name;
    TFieldType DataType = dbe::ftUnknown;
    int Size = 0;
    int Precision = 0;
    bool Required = false;
    int GetSize() const { return Size; }
};

class TIndexDef {
public:
    std::string Name;
    std::string Fields;  // separated by ";"
    bool Primary = false;
    bool Unique = false;
    bool Descending = false;
    const std::string& GetFields() const { return Fields; }
};

class TParam {
public:
    std::string Name;
    TFieldType DataType = dbe::ftUnknown;
    std::string ParamType = "ptUnknown";
    TFieldValue Value;
    TFieldType GetDataType() const { return DataType; }
};

// The definitions a dataset keeps: those its form file stored, replaced by what the engine
// reports when Update is called.
template <typename T>
class TDefs {
public:
    int Count() const { return int(items_.size()); }
    const T& Items(int i) const {
        if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
        return items_[size_t(i)];
    }
    void Add(T item) { items_.push_back(std::move(item)); }
    void Clear() { items_.clear(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

protected:
    std::vector<T> items_;
};

class TFieldDefs : public TDefs<TFieldDef> {
public:
    explicit TFieldDefs(TDataSet* dataset) : dataset_(dataset) {}
    void Update();
    int IndexOf(std::string_view name) const;  // case ignored, -1 when absent

private:
    TDataSet* dataset_;
};

class TIndexDefs : public TDefs<TIndexDef> {
public:
    explicit TIndexDefs(std::function<std::vector<TIndexDef>()> read) : read_(std::move(read)) {}
    void Update() { items_ = read_(); }

private:
    std::function<std::vector<TIndexDef>()> read_;
};

class TParams : public TDefs<TParam> {
public:
    TParam* FindParam(std::string_view name);  // case ignored; null when absent
    TParam& ParamByName(std::string_view name);  // EDatabaseError when absent
    // Parameters named in that order, keeping what is known of each name.
    void Assign(const std::vector<std::string>& names);
};

// A field component: persistent when the form file holds it, made by the dataset otherwise.
class TField : public TComponent {
public:
    TField(TComponent* owner, const TClassInfo* cls = nullptr);
    ~TField() override;

    TDataSet* DataSet() const { return dataset_; }
    void SetDataSet(TDataSet* dataset);
    std::string FieldName() const;
    void SetFieldName(const std::string& name);
    // The field type the class stands for (TStringField: ftString).
    TFieldType DataType() const;
    static TFieldType TypeOfClass(const TClassInfo& cls);
    static const char* ClassOfType(TFieldType type);

    bool IsNull() const;
    TFieldValue Value() const;
    std::string AsString() const;
    int64_t AsInteger() const;  // EConvertError for text that is no number
    double AsFloat() const;

private:
    friend class TDataSet;
    TDataSet* dataset_ = nullptr;
    int column_ = -1;  // in the open cursor
};

class TDataSet : public TComponent, public TStoredDataReader {
public:
    TDataSet(TComponent* owner, const TClassInfo* cls = nullptr);
    ~TDataSet() override;

    bool Active() const { return active_; }
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }

    TFieldDefs& FieldDefs() { return fieldDefs_; }
    // Persistent fields when the form file holds any, else fields made on opening.
    int FieldCount() const { return int(fields_.empty() ? defaultFields_.size() : fields_.size()); }
    TField* Fields(int i) const;
    TField* FindField(std::string_view name) const;
    TField* FieldByName(std::string_view name) const;  // EDatabaseError when absent

    bool First();
    bool Next();
    bool Eof() const { return eof_; }
    TFieldValue CurrentValue(int column) const;

    // The data source this dataset takes values from (a table's master, a query's DataSource).
    virtual TDataSource* GetDataSource() const { return nullptr; }

    // Fills the field definitions as the engine describes them.
    virtual void InitFieldDefs();

    void ReadStoredData(const TStoredObject& object, TComponent* enclosing) override;
    void Loaded() override;

    // Where warnings of loading go (a dataset stored open that cannot open).
    static void SetWarningHandler(std::function<void(const std::string&)> handler);

protected:
    // The cursor the dataset reads while open.
    virtual std::unique_ptr<dbe::TCursor> CreateHandle();
    void Notification(TComponent* component, TOperation operation) override;
    bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;

    std::string StoredString(std::string_view name) const;
    bool StoredBool(std::string_view name, bool def = false) const;
    TComponent* StoredReference(std::string_view name) const;
    void Warn(const std::string& message) const;

private:
    friend class TField;
    void AddField(TField* field) { fields_.push_back(field); }
    void RemoveField(TField* field);
    void BindFields();

    TFieldDefs fieldDefs_;
    std::vector<TField*> fields_;  // persistent ones, owned by the form
    std::vector<std::unique_ptr<TField>> defaultFields_;
    std::unique_ptr<dbe::TCursor> cursor_;
    bool active_ = false;
    bool streamedActive_ = false;
    bool eof_ = true;
};

class TDataSource : public TComponent {
public:
    TDataSource(TComponent* owner, const TClassInfo* cls = nullptr);
    ~TDataSource() override;
    TDataSet* DataSet() const;
    void SetDataSet(TDataSet* dataset);
};

template <>
inline constexpr uint8_t kKindOf<TDataSet> = ckDataSet;
template <>
inline constexpr uint8_t kKindOf<TDataSource> = ckDataSource;
template <>
inline constexpr uint8_t kKindOf<TField> = ckField;

// Binds the data classes to their catalogue classes; call once before reading forms.
void RegisterDatabaseClasses();

// A stored value of a component by property name: text, Boolean, reference target.
std::string StoredText(const TPersistent* c, std::string_view name);
bool StoredFlag(const TPersistent* c, std::string_view name, bool def = false);
TComponent* StoredTarget(const TPersistent* c, std::string_view name);

}  // namespace vcl
