#include "host/db/DB.h"

#include <algorithm>
#include <cmath>
#include <iostream>

#include "host/db/DBTables.h"
#include "host/vcl/ClassCatalogue.h"

namespace vcl {

namespace {

std::function<void(const std::string&)>& WarningHandler() {
    static std::function<void(const std::string&)> handler;
    return handler;
}

struct FieldClass {
    const char* name;
    TFieldType type;
};
// Most derived first, so that the first ancestor found names the type.
constexpr FieldClass kFieldClasses[] = {
    {"TWideStringField", dbe::ftWideString}, {"TGuidField", dbe::ftGuid}, {"TStringField", dbe::ftString},
    {"TSmallintField", dbe::ftSmallint}, {"TWordField", dbe::ftWord}, {"TAutoIncField", dbe::ftAutoInc},
    {"TIntegerField", dbe::ftInteger}, {"TLargeintField", dbe::ftLargeint}, {"TCurrencyField", dbe::ftCurrency},
    {"TFloatField", dbe::ftFloat}, {"TBCDField", dbe::ftBCD}, {"TBooleanField", dbe::ftBoolean},
    {"TDateField", dbe::ftDate}, {"TTimeField", dbe::ftTime}, {"TDateTimeField", dbe::ftDateTime},
    {"TVarBytesField", dbe::ftVarBytes}, {"TBytesField", dbe::ftBytes}, {"TMemoField", dbe::ftMemo},
    {"TGraphicField", dbe::ftGraphic}, {"TBlobField", dbe::ftBlob}, {"TADTField", dbe::ftADT},
    {"TArrayField", dbe::ftArray}, {"TReferenceField", dbe::ftReference}, {"TDataSetField", dbe::ftDataSet},
    {"TVariantField", dbe::ftVariant},
};

std::string ValueText(const TFieldValue& v) {
    if (auto* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
    if (auto* d = std::get_if<double>(&v)) {
        std::string s = std::to_string(*d);
        s.erase(s.find_last_not_of('0') + 1);
        if (!s.empty() && s.back() == '.') s.pop_back();
        return s;
    }
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    return {};
}

void SetStored(TPersistent* c, std::string_view name, const TValue& value) {
    const TPropInfo* p = GetPropInfo(c, name);
    if (p == nullptr) throw EPropertyError("No property " + std::string(name) + " in " + c->ClassName());
    SetPropValue(c, p, value);
}

}  // namespace

std::string StoredText(const TPersistent* c, std::string_view name) {
    const TPropInfo* p = GetPropInfo(c, name);
    if (p == nullptr) return {};
    const TValue v = GetPropValue(c, p);
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    if (auto* id = std::get_if<TIdent>(&v)) return id->name;
    return {};
}

bool StoredFlag(const TPersistent* c, std::string_view name, bool def) {
    const TPropInfo* p = GetPropInfo(c, name);
    if (p == nullptr) return def;
    const TValue v = GetPropValue(c, p);
    if (auto* id = std::get_if<TIdent>(&v)) return SameText(id->name, "True");
    if (auto* i = std::get_if<int64_t>(&v)) return *i != 0;
    return def;
}

TComponent* StoredTarget(const TPersistent* c, std::string_view name) {
    const TPropInfo* p = GetPropInfo(c, name);
    if (p == nullptr) return nullptr;
    const TValue v = GetPropValue(c, p);
    auto* r = std::get_if<TReference>(&v);
    return r != nullptr ? r->target : nullptr;
}

// ---- definitions

void TFieldDefs::Update() { dataset_->InitFieldDefs(); }

int TFieldDefs::IndexOf(std::string_view name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(items_[size_t(i)].Name, name)) return i;
    return -1;
}

TParam* TParams::FindParam(std::string_view name) {
    for (TParam& p : items_)
        if (SameText(p.Name, name)) return &p;
    return nullptr;
}

TParam& TParams::ParamByName(std::string_view name) {
    if (TParam* p = FindParam(name)) return *p;
    throw EDatabaseError("Parameter '" + std::string(name) + "' not found");
}

void TParams::Assign(const std::vector<std::string>& names) {
    std::vector<TParam> next;
    for (const std::string& name : names) {
        bool seen = false;
        for (const TParam& p : next) seen = seen || (name != "?" && SameText(p.Name, name));
        if (seen) continue;
        TParam* known = FindParam(name);
        if (known != nullptr) {
            next.push_back(*known);
        } else {
            TParam p;
            p.Name = name;
            next.push_back(std::move(p));
        }
    }
    items_ = std::move(next);
}

// ---- TField

TField::TField(TComponent* owner, const TClassInfo* cls) : TComponent(owner, cls ? cls : ClassByName("TField")) {
    AddKind(ckField);
}

TField::~TField() {
    Unwatch();
    if (dataset_ != nullptr) dataset_->RemoveField(this);
    DropKind(ckField);
}

void TField::SetDataSet(TDataSet* dataset) {
    if (dataset == dataset_) return;
    if (dataset_ != nullptr) dataset_->RemoveField(this);
    dataset_ = dataset;
    if (dataset_ != nullptr) dataset_->AddField(this);
}

std::string TField::FieldName() const { return StoredText(this, "FieldName"); }
void TField::SetFieldName(const std::string& name) { SetStored(this, "FieldName", name); }

TFieldType TField::TypeOfClass(const TClassInfo& cls) {
    for (const TClassInfo* c = &cls; c != nullptr; c = c->Parent())
        for (const FieldClass& f : kFieldClasses)
            if (SameText(c->Name(), f.name)) return f.type;
    return dbe::ftUnknown;
}

const char* TField::ClassOfType(TFieldType type) {
    if (type == dbe::ftFixedChar) return "TStringField";
    if (type == dbe::ftFmtMemo) return "TMemoField";
    if (type == dbe::ftParadoxOle || type == dbe::ftDBaseOle || type == dbe::ftTypedBinary) return "TBlobField";
    for (const FieldClass& f : kFieldClasses)
        if (f.type == type) return f.name;
    return "TField";
}

TFieldType TField::DataType() const { return TypeOfClass(ClassType()); }

TFieldValue TField::Value() const {
    if (dataset_ == nullptr || column_ < 0) return {};
    return dataset_->CurrentValue(column_);
}

bool TField::IsNull() const { return std::holds_alternative<std::monostate>(Value()); }

std::string TField::AsString() const {
    const TFieldValue v = Value();
    if (DataType() == dbe::ftBoolean && std::holds_alternative<int64_t>(v)) return std::get<int64_t>(v) ? "True" : "False";
    return ValueText(v);
}

int64_t TField::AsInteger() const {
    const TFieldValue v = Value();
    if (auto* i = std::get_if<int64_t>(&v)) return *i;
    if (auto* d = std::get_if<double>(&v)) {
        if (!(std::fabs(*d) < 9.2e18)) throw EConvertError("'" + ValueText(v) + "' is not a valid integer value");
        return int64_t(std::llround(*d));
    }
    if (auto* s = std::get_if<std::string>(&v)) return StrToInt64(*s);
    return 0;
}

double TField::AsFloat() const {
    const TFieldValue v = Value();
    if (auto* i = std::get_if<int64_t>(&v)) return double(*i);
    if (auto* d = std::get_if<double>(&v)) return *d;
    if (auto* s = std::get_if<std::string>(&v)) {
        try {
            size_t used = 0;
            const double d = std::stod(*s, &used);
            if (used == s->size()) return d;
        } catch (const std::exception&) {
        }
        throw EConvertError("'" + *s + "' is not a valid floating point value");
    }
    return 0;
}

// ---- TDataSet

TDataSet::TDataSet(TComponent* owner, const TClassInfo* cls)
    : TComponent(owner, cls ? cls : ClassByName("TDataSet")), TStoredDataReader(this), fieldDefs_(this) {
    AddKind(ckDataSet);
}

TDataSet::~TDataSet() {
    Unwatch();
    for (TField* f : fields_) f->dataset_ = nullptr;
    for (auto& f : defaultFields_) f->dataset_ = nullptr;
    DropKind(ckDataSet);
}

void TDataSet::SetWarningHandler(std::function<void(const std::string&)> handler) {
    WarningHandler() = std::move(handler);
}

void TDataSet::Warn(const std::string& message) const {
    if (WarningHandler()) WarningHandler()(message);
    else std::cerr << "tavrinqa: warning: " << PrintableText(message) << "\n";
}

void TDataSet::RemoveField(TField* field) {
    fields_.erase(std::remove(fields_.begin(), fields_.end(), field), fields_.end());
}

TField* TDataSet::Fields(int i) const {
    const int persistent = int(fields_.size());
    if (persistent > 0) {
        if (i < 0 || i >= persistent) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
        return fields_[size_t(i)];
    }
    if (i < 0 || i >= int(defaultFields_.size())) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    return defaultFields_[size_t(i)].get();
}

TField* TDataSet::FindField(std::string_view name) const {
    for (TField* f : fields_)
        if (SameText(f->FieldName(), name)) return f;
    for (const auto& f : defaultFields_)
        if (SameText(f->FieldName(), name)) return f.get();
    return nullptr;
}

TField* TDataSet::FieldByName(std::string_view name) const {
    if (TField* f = FindField(name)) return f;
    throw EDatabaseError(Name() + ": Field '" + std::string(name) + "' not found");
}

void TDataSet::SetActive(bool value) {
    if (Loading()) {
        streamedActive_ = value;
        return;
    }
    if (value == active_) return;
    Changing();
    if (value) {
        // Nothing changes until the cursor has read its first row: a failure leaves the dataset closed.
        std::unique_ptr<dbe::TCursor> cursor = CreateHandle();
        const bool any = cursor->First();
        cursor_ = std::move(cursor);
        active_ = true;
        eof_ = !any;
        if (fields_.empty()) {
            for (const dbe::TColumn& c : cursor_->Columns()) {
                auto field = std::make_unique<TField>(nullptr, ClassByName(TField::ClassOfType(c.type)));
                field->SetFieldName(c.name);
                field->dataset_ = this;
                defaultFields_.push_back(std::move(field));
            }
        }
        BindFields();
    } else {
        for (TField* f : fields_) f->column_ = -1;
        defaultFields_.clear();
        cursor_.reset();
        active_ = false;
        eof_ = true;
    }
}

void TDataSet::BindFields() {
    const auto& columns = cursor_->Columns();
    auto bind = [&](TField* f) {
        f->column_ = -1;
        const std::string name = f->FieldName();
        for (size_t i = 0; i < columns.size(); ++i)
            if (SameText(columns[i].name, name)) {
                f->column_ = int(i);
                break;
            }
    };
    for (TField* f : fields_) bind(f);
    for (auto& f : defaultFields_) bind(f.get());
}

bool TDataSet::First() {
    if (!cursor_) throw EDatabaseError(Name() + ": Cannot perform this operation on a closed dataset");
    eof_ = !cursor_->First();
    return !eof_;
}

bool TDataSet::Next() {
    if (!cursor_) throw EDatabaseError(Name() + ": Cannot perform this operation on a closed dataset");
    if (!eof_) eof_ = !cursor_->Next();
    return !eof_;
}

TFieldValue TDataSet::CurrentValue(int column) const {
    if (!cursor_ || eof_) return {};
    return cursor_->Value(column);
}

std::unique_ptr<dbe::TCursor> TDataSet::CreateHandle() {
    throw EDatabaseError(Name() + ": " + ClassName() + " has no database engine behind it");
}

void TDataSet::InitFieldDefs() {
    fieldDefs_.Clear();
    if (active_) {
        for (const dbe::TColumn& c : cursor_->Columns()) fieldDefs_.Add({c.name, c.type, c.size, c.required});
        return;
    }
    std::unique_ptr<dbe::TCursor> cursor = CreateHandle();
    for (const dbe::TColumn& c : cursor->Columns()) fieldDefs_.Add({c.name, c.type, c.size, c.required});
}

void TDataSet::ReadStoredData(const TStoredObject& object, TComponent*) {
    object.ForEachItemOf("FieldDefs", [this](const TStoredObject& item) {
        TFieldDef def;
        item.ForEachProperty([&def](std::string_view name, const TStoredValue& v) {
            if (SameText(name, "Name") && v.Kind() == TStoredKind::String) def.Name = v.AsString();
            else if (SameText(name, "DataType") && v.Kind() == TStoredKind::Ident)
                dbe::FieldTypeFromName(v.AsIdent(), def.DataType);
            else if (SameText(name, "Size") && v.Kind() == TStoredKind::Integer) def.Size = int(v.AsInteger());
            else if (SameText(name, "Precision") && v.Kind() == TStoredKind::Integer)
                def.Precision = int(v.AsInteger());
        });
        fieldDefs_.Add(std::move(def));
    });
}

void TDataSet::Loaded() {
    TComponent::Loaded();
    if (!streamedActive_) return;
    streamedActive_ = false;
    try {
        SetActive(true);
    } catch (const Exception& e) {
        Warn(Name() + " stays closed: " + e.Message());
    }
}

void TDataSet::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove)
        if (auto* f = Cast<TField>(component); f != nullptr && f->dataset_ == this) {
            RemoveField(f);
            f->dataset_ = nullptr;
        }
    TComponent::Notification(component, operation);
}

bool TDataSet::ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const {
    if (!NameIs(name, "active")) return TComponent::ReadNative(name, prop, out);
    out = TIdent{(Loading() ? streamedActive_ : active_) ? "True" : "False"};
    return true;
}

bool TDataSet::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (!NameIs(name, "active")) return TComponent::WriteNative(name, prop, value);
    SetActive(ValueToBool(value, prop));
    return true;
}

std::string TDataSet::StoredString(std::string_view name) const { return StoredText(this, name); }
bool TDataSet::StoredBool(std::string_view name, bool def) const { return StoredFlag(this, name, def); }
TComponent* TDataSet::StoredReference(std::string_view name) const { return StoredTarget(this, name); }

// ---- TDataSource

TDataSource::TDataSource(TComponent* owner, const TClassInfo* cls)
    : TComponent(owner, cls ? cls : ClassByName("TDataSource")) {
    AddKind(ckDataSource);
}

TDataSource::~TDataSource() { DropKind(ckDataSource); }

TDataSet* TDataSource::DataSet() const { return dynamic_cast<TDataSet*>(StoredTarget(this, "DataSet")); }

void TDataSource::SetDataSet(TDataSet* dataset) {
    SetStored(this, "DataSet", TReference{dataset != nullptr ? dataset->Name() : std::string(), dataset});
}

// ---- registration

namespace {

class TFieldReader : public TField, public TStoredDataReader {
public:
    TFieldReader(TComponent* owner, const TClassInfo* cls) : TField(owner, cls), TStoredDataReader(this) {}
    ~TFieldReader() override { Unwatch(); }
    void ReadStoredData(const TStoredObject&, TComponent* enclosing) override {
        if (auto* dataset = dynamic_cast<TDataSet*>(enclosing)) SetDataSet(dataset);
    }
};

}  // namespace

void RegisterDatabaseClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    auto& catalogue = ClassCatalogue();
    catalogue.RegisterComponentClass<TFieldReader>("TField");
    catalogue.RegisterComponentClass<TDataSet>("TDataSet");
    catalogue.RegisterComponentClass<TDataSource>("TDataSource");
    catalogue.RegisterComponentClass<TDBDataSet>("TDBDataSet");
    catalogue.RegisterComponentClass<TTable>("TTable");
    catalogue.RegisterComponentClass<TQuery>("TQuery");
    catalogue.RegisterComponentClass<TStoredProc>("TStoredProc");
    catalogue.RegisterComponentClass<TDatabase>("TDatabase");
}

}  // namespace vcl
