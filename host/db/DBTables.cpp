#include "host/db/DBTables.h"

#include <cctype>

#include "host/vcl/ClassCatalogue.h"

namespace vcl {

namespace {

constexpr const char* kTableTypeNames[] = {"ttDefault", "ttParadox", "ttDBase", "ttFoxPro", "ttASCII"};

bool IdentChar(char ch) { return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_'; }

// The :NAME parameters of an SQL text, in order; quoted text, :: and :ALIAS:table are no
// parameters.
std::vector<std::string> SqlParamNames(const std::string& sql) {
    std::vector<std::string> names;
    for (size_t i = 0; i < sql.size(); ++i) {
        const char ch = sql[i];
        if (ch == '\'' || ch == '"') {
            const size_t end = sql.find(ch, i + 1);
            if (end == std::string::npos) break;
            i = end;
            continue;
        }
        if (ch != ':' || i + 1 >= sql.size()) continue;
        if (sql[i + 1] == ':' || (i > 0 && (sql[i - 1] == ':' || IdentChar(sql[i - 1])))) {
            if (sql[i + 1] == ':') ++i;
            continue;
        }
        size_t j = i + 1;
        if (sql[j] == '"') {  // a quoted parameter name
            const size_t end = sql.find('"', j + 1);
            if (end == std::string::npos) break;
            names.push_back(sql.substr(j + 1, end - j - 1));
            i = end;
            continue;
        }
        while (j < sql.size() && IdentChar(sql[j])) ++j;
        if (j == i + 1) continue;
        if (j < sql.size() && sql[j] == ':') {  // :ALIAS:table
            i = j;
            continue;
        }
        names.push_back(sql.substr(i + 1, j - i - 1));
        i = j - 1;
    }
    return names;
}

std::vector<std::string> StringList(const TStoredObject& object, std::string_view name) {
    std::vector<std::string> lines;
    object.FindProperty(name, [&lines](const TStoredValue& list) {
        if (list.Kind() != TStoredKind::List) return;
        list.ForEachItem([&lines](const TStoredValue& item) {
            if (item.Kind() == TStoredKind::String) lines.push_back(item.AsString());
            else if (item.Kind() == TStoredKind::Ident) lines.emplace_back(item.AsIdent());
        });
    });
    return lines;
}

std::vector<TIndexDef> IndexDefsOf(const std::vector<dbe::TIndexInfo>& indexes) {
    std::vector<TIndexDef> defs;
    for (const dbe::TIndexInfo& i : indexes) {
        TIndexDef d;
        d.Name = i.name;
        d.Fields = i.FieldsText();
        d.Primary = i.primary;
        d.Unique = i.unique;
        d.Descending = i.descending;
        defs.push_back(std::move(d));
    }
    return defs;
}

}  // namespace

const char* TableTypeName(TTableType type) {
    return type >= ttDefault && type <= ttASCII ? kTableTypeNames[type] : "ttDefault";
}

void ReadParamData(const TStoredObject& object, TParams& params) {
    object.ForEachItemOf("ParamData", [&params](const TStoredObject& item) {
        TParam param;
        item.ForEachProperty([&param](std::string_view name, const TStoredValue& v) {
            if (SameText(name, "Name") && v.Kind() == TStoredKind::String) param.Name = v.AsString();
            else if (SameText(name, "DataType") && v.Kind() == TStoredKind::Ident)
                dbe::FieldTypeFromName(v.AsIdent(), param.DataType);
            else if (SameText(name, "ParamType") && v.Kind() == TStoredKind::Ident)
                param.ParamType = std::string(v.AsIdent());
        });
        if (TParam* known = params.FindParam(param.Name)) *known = std::move(param);
        else params.Add(std::move(param));
    });
}

// ---- TDBDataSet

TDBDataSet::TDBDataSet(TComponent* owner, const TClassInfo* cls) : TDataSet(owner, cls ? cls : ClassByName("TDBDataSet")) {}

void TDBDataSet::SetDatabaseName(const std::string& name) {
    if (Active()) throw EDatabaseError(Name() + ": Cannot perform this operation on an open dataset");
    SetPropValue(this, GetPropInfo(this, "DatabaseName"), name);
}

std::shared_ptr<dbe::TDatabaseHandle> TDBDataSet::GetDBHandle() const {
    return dbe::Engine().OpenDatabase(DatabaseName(), Owner());
}

// ---- TTable

TTable::TTable(TComponent* owner, const TClassInfo* cls)
    : TDBDataSet(owner, cls ? cls : ClassByName("TTable")), indexDefs_([this] {
          return IndexDefsOf(GetDBHandle()->Indexes(EngineTableName()));
      }) {}

void TTable::SetTableName(const std::string& name) {
    if (Active()) throw EDatabaseError(Name() + ": Cannot perform this operation on an open dataset");
    SetPropValue(this, GetPropInfo(this, "TableName"), name);
}

TTableType TTable::TableType() const {
    const std::string name = StoredString("TableType");
    for (int i = ttDefault; i <= ttASCII; ++i)
        if (SameText(name, kTableTypeNames[i])) return TTableType(i);
    return ttDefault;
}

std::string TTable::EngineTableName() const {
    const std::string name = TableName();
    const size_t slash = name.find_last_of("/\\");
    if (name.find('.', slash == std::string::npos ? 0 : slash + 1) != std::string::npos) return name;
    if (TableType() == ttParadox) return name + ".db";
    if (TableType() == ttDBase) return name + ".dbf";
    if (TableType() == ttASCII) return name + ".txt";
    return name;
}

TDataSource* TTable::MasterSource() const { return dynamic_cast<TDataSource*>(StoredReference("MasterSource")); }

void TTable::InitFieldDefs() {
    std::vector<dbe::TColumn> columns = GetDBHandle()->Fields(EngineTableName());
    FieldDefs().Clear();
    for (const dbe::TColumn& c : columns) FieldDefs().Add({c.name, c.type, c.size, c.required});
}

// Open at design time is described, never read: the table's columns, no rows.
std::unique_ptr<dbe::TCursor> TTable::CreateHandle() {
    if (TableName().empty()) throw EDatabaseError(Name() + ": Missing TableName property");
    return std::make_unique<dbe::TRowsCursor>(GetDBHandle()->Fields(EngineTableName()));
}

void TTable::ReadStoredData(const TStoredObject& object, TComponent* enclosing) {
    TDBDataSet::ReadStoredData(object, enclosing);
    object.ForEachItemOf("IndexDefs", [this](const TStoredObject& item) {
        TIndexDef def;
        item.ForEachProperty([&def](std::string_view name, const TStoredValue& v) {
            if (SameText(name, "Name") && v.Kind() == TStoredKind::String) def.Name = v.AsString();
            else if (SameText(name, "Fields") && v.Kind() == TStoredKind::String) def.Fields = v.AsString();
            else if (SameText(name, "Options") && v.Kind() == TStoredKind::Set)
                v.ForEachItem([&def](const TStoredValue& element) {
                    const std::string_view option = element.AsIdent();
                    def.Primary = def.Primary || SameText(option, "ixPrimary");
                    def.Unique = def.Unique || SameText(option, "ixUnique");
                    def.Descending = def.Descending || SameText(option, "ixDescending");
                });
        });
        indexDefs_.Add(std::move(def));
    });
}

// ---- TQuery

TQuery::TQuery(TComponent* owner, const TClassInfo* cls) : TDBDataSet(owner, cls ? cls : ClassByName("TQuery")) {}

void TQuery::SetSQL(std::vector<std::string> lines) {
    if (Active()) Close();
    sql_ = std::move(lines);
    prepared_ = false;
    params_.Assign(SqlParamNames(Text()));
}

std::string TQuery::Text() const {
    std::string text;
    for (const std::string& line : sql_) text += line + "\n";
    return text;
}

TDataSource* TQuery::DataSource() const { return dynamic_cast<TDataSource*>(StoredReference("DataSource")); }

void TQuery::Prepare() {
    bool blank = true;
    for (const std::string& line : sql_)
        for (char ch : line) blank = blank && std::isspace(static_cast<unsigned char>(ch));
    if (blank) throw EDatabaseError(Name() + ": No SQL statement available");
    described_ = GetDBHandle()->PrepareQuery(Text());
    params_.Assign(described_.ParamNames());
    // A server knows each parameter's type; a type the form stored stays.
    for (const dbe::TParamDesc& d : described_.params)
        if (TParam* p = params_.FindParam(d.name); p != nullptr && p->DataType == dbe::ftUnknown) p->DataType = d.type;
    prepared_ = true;
}

void TQuery::InitFieldDefs() {
    if (!prepared_) Prepare();
    FieldDefs().Clear();
    for (const dbe::TColumn& c : described_.columns) FieldDefs().Add({c.name, c.type, c.size, c.required});
}

// The form's statement is prepared for its columns and never run, whatever it says.
std::unique_ptr<dbe::TCursor> TQuery::CreateHandle() {
    if (!prepared_) Prepare();
    return std::make_unique<dbe::TRowsCursor>(described_.columns);
}

void TQuery::ReadStoredData(const TStoredObject& object, TComponent* enclosing) {
    TDBDataSet::ReadStoredData(object, enclosing);
    sql_ = StringList(object, "SQL.Strings");
    if (StoredBool("ParamCheck", true)) params_.Assign(SqlParamNames(Text()));
    ReadParamData(object, params_);
}

// ---- TStoredProc

TStoredProc::TStoredProc(TComponent* owner, const TClassInfo* cls)
    : TDBDataSet(owner, cls ? cls : ClassByName("TStoredProc")) {}

void TStoredProc::Prepare() {
    if (StoredProcName().empty()) throw EDatabaseError(Name() + ": Missing StoredProcName property");
    std::vector<dbe::TParamDesc> stored;
    for (const TParam& p : params_) stored.push_back({p.Name, p.DataType, dbe::ParamDirectionFromName(p.ParamType)});
    described_ = GetDBHandle()->PrepareProc(StoredProcName(), stored);
    params_.Assign(described_.ParamNames());
    // The procedure's own description wins over what the form stored.
    for (const dbe::TParamDesc& d : described_.params)
        if (TParam* p = params_.FindParam(d.name)) {
            p->DataType = d.type;
            p->ParamType = dbe::ParamDirectionName(d.direction);
        }
    prepared_ = true;
}

void TStoredProc::InitFieldDefs() {
    if (!prepared_) Prepare();
    FieldDefs().Clear();
    for (const dbe::TColumn& c : described_.columns) FieldDefs().Add({c.name, c.type, c.size, c.required});
}

// The procedure's result fields as its catalogue entry gives them; it is never called.
std::unique_ptr<dbe::TCursor> TStoredProc::CreateHandle() {
    if (!prepared_) Prepare();
    return std::make_unique<dbe::TRowsCursor>(described_.columns);
}

void TStoredProc::ReadStoredData(const TStoredObject& object, TComponent* enclosing) {
    TDBDataSet::ReadStoredData(object, enclosing);
    ReadParamData(object, params_);
}

// ---- TDatabase

TDatabase::TDatabase(TComponent* owner, const TClassInfo* cls)
    : TComponent(owner, cls ? cls : ClassByName("TDatabase")), TStoredDataReader(this) {}

dbe::TParamList TDatabase::DefinedParams() const {
    dbe::TParamList list;
    for (const std::string& line : params_) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) list.emplace_back(UpperCase(line.substr(0, eq)), line.substr(eq + 1));
    }
    return list;
}

void TDatabase::ReadStoredData(const TStoredObject& object, TComponent*) {
    params_ = StringList(object, "Params.Strings");
}

}  // namespace vcl
