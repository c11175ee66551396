#include "data/mybdetable.h"

#include "host/vcl/ClassCatalogue.h"

namespace tavrin {

namespace {

using dbe::TColumn;
using dbe::TFieldValue;
using Row = std::vector<TFieldValue>;

constexpr size_t kNameBuffer = 256;  // characters, with the terminator

TColumn Text(const char* name, int size) { return dbe::ColumnFromDeclaredType(name, "VARCHAR(" + std::to_string(size) + ")"); }
TColumn Int(const char* name) { return dbe::ColumnFromDeclaredType(name, "SMALLINT"); }
TColumn Flag(const char* name) { return dbe::ColumnFromDeclaredType(name, "BOOLEAN"); }

TFieldValue I(int64_t v) { return TFieldValue(v); }
TFieldValue S(std::string v) { return TFieldValue(std::move(v)); }

std::string Extension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

const vcl::TClassInfo* Class(const char* name) { return vcl::ClassByName(name); }

}  // namespace

TDatabaseList::TDatabaseList(vcl::TComponent* owner, const vcl::TClassInfo* cls)
    : TDBDataSet(owner, cls ? cls : Class("TDatabaseList")) {}

std::unique_ptr<dbe::TCursor> TDatabaseList::CreateHandle() {
    std::vector<Row> rows;
    for (const dbe::TAlias& a : dbe::Engine().Aliases()) rows.push_back({S(a.name), S(a.driver), S(a.Param("PATH")), S(a.driver)});
    return std::make_unique<dbe::TRowsCursor>(
        std::vector<TColumn>{Text("NAME", 31), Text("DESCRIPTION", 127), Text("PHYNAME", 260), Text("DBTYPE", 31)},
        std::move(rows));
}

TTableList::TTableList(vcl::TComponent* owner, const vcl::TClassInfo* cls)
    : TDBDataSet(owner, cls ? cls : Class("TTableList")) {}

void TTableList::SetExtendedInfo(bool value) {
    vcl::SetPropValue(this, vcl::GetPropInfo(this, "ExtendedInfo"), vcl::TIdent{value ? "True" : "False"});
}

void TTableList::SetSystemTables(bool value) {
    vcl::SetPropValue(this, vcl::GetPropInfo(this, "SystemTables"), vcl::TIdent{value ? "True" : "False"});
}

std::unique_ptr<dbe::TCursor> TTableList::CreateHandle() {
    auto db = GetDBHandle();
    const bool extended = ExtendedInfo();
    std::vector<TColumn> columns = {Text("NAME", 260), Text("EXTENSION", 3), Text("TYPE", 31), Flag("VIEW"),
                                    Flag("SYSTEM")};
    if (extended) {
        columns.push_back(Int("FIELDS"));
        columns.push_back(Int("INDEXES"));
    }
    std::vector<Row> rows;
    for (const dbe::TTableInfo& t : db->Tables(SystemTables())) {
        Row row = {S(t.name), S(Extension(t.name)), S(t.type), I(t.type == "VIEW"), I(t.system)};
        if (extended) {
            row.push_back(I(int64_t(db->Fields(t.name).size())));
            row.push_back(I(t.type == "VIEW" ? 0 : int64_t(db->Indexes(t.name).size())));
        }
        rows.push_back(std::move(row));
    }
    return std::make_unique<dbe::TRowsCursor>(std::move(columns), std::move(rows));
}

TSPList::TSPList(vcl::TComponent* owner, const vcl::TClassInfo* cls) : TTableList(owner, cls ? cls : Class("TSPList")) {}

std::unique_ptr<dbe::TCursor> TSPList::CreateHandle() {
    std::vector<Row> rows;
    for (const std::string& name : GetDBHandle()->StoredProcs(SystemTables())) rows.push_back({S(name)});
    return std::make_unique<dbe::TRowsCursor>(std::vector<TColumn>{Text("NAME", 260)}, std::move(rows));
}

TTableItems::TTableItems(vcl::TComponent* owner, const vcl::TClassInfo* cls)
    : TDBDataSet(owner, cls ? cls : Class("TTableItems")) {}

void TTableItems::SetTableName(const std::string& name) {
    if (name.size() >= kNameBuffer)
        throw vcl::EDatabaseError(Name() + ": a table name has at most " + std::to_string(kNameBuffer - 1) + " characters");
    vcl::SetPropValue(this, vcl::GetPropInfo(this, "TableName"), name);
}

std::string TTableItems::CheckedTableName() const {
    std::string name = TableName();
    if (name.size() >= kNameBuffer)
        throw vcl::EDatabaseError(Name() + ": a table name has at most " + std::to_string(kNameBuffer - 1) + " characters");
    if (name.empty()) throw vcl::EDatabaseError(Name() + ": Missing TableName property");
    return name;
}

TFieldList::TFieldList(vcl::TComponent* owner, const vcl::TClassInfo* cls)
    : TTableItems(owner, cls ? cls : Class("TFieldList")) {}

std::unique_ptr<dbe::TCursor> TFieldList::CreateHandle() {
    const std::string table = CheckedTableName();
    std::vector<Row> rows;
    int number = 0, offset = 0;
    for (const dbe::TColumn& c : GetDBHandle()->Fields(table)) {
        rows.push_back({I(++number), S(c.name), I(c.logical), I(c.subtype), I(c.units1), I(c.units2), I(offset),
                        I(c.length), I(c.required)});
        offset += c.length;
    }
    return std::make_unique<dbe::TRowsCursor>(
        std::vector<TColumn>{Int("FLDNUM"), Text("NAME", 31), Int("TYPE"), Int("SUBTYPE"), Int("UNITS1"),
                             Int("UNITS2"), Int("OFFSET"), Int("LENGTH"), Flag("REQUIRED")},
        std::move(rows));
}

TIndexList::TIndexList(vcl::TComponent* owner, const vcl::TClassInfo* cls)
    : TTableItems(owner, cls ? cls : Class("TIndexList")) {}

std::unique_ptr<dbe::TCursor> TIndexList::CreateHandle() {
    const std::string table = CheckedTableName();
    std::vector<Row> rows;
    for (const dbe::TIndexInfo& i : GetDBHandle()->Indexes(table))
        rows.push_back({S(i.name), I(i.primary), I(i.unique), I(i.descending), I(int64_t(i.fields.size())),
                        S(i.FieldsText())});
    return std::make_unique<dbe::TRowsCursor>(
        std::vector<TColumn>{Text("NAME", 260), Flag("PRIMARY"), Flag("UNIQUE"), Flag("DESCENDING"),
                             Int("FIELDSINKEY"), Text("KEYFIELDS", 260)},
        std::move(rows));
}

namespace {

std::string CheckedDescriptionName(const std::string& name) {
    if (name.size() + 1 > 0xFFFF) throw vcl::ERangeError("A name of " + std::to_string(name.size()) + " characters is too long");
    return name;
}

}  // namespace

TDatabaseDesc::TDatabaseDesc(const std::string& name)
    : Description(dbe::Engine().DescribeDatabase(CheckedDescriptionName(name))) {}

TDriverDesc::TDriverDesc(const std::string& name) : Description(dbe::Engine().DescribeDriver(CheckedDescriptionName(name))) {}

void RegisterCatalogueDatasets() {
    static bool done = false;
    if (done) return;
    done = true;
    vcl::RegisterDatabaseClasses();
    auto& catalogue = vcl::ClassCatalogue();
    auto flag = [&](vcl::TClassInfo& cls, const char* name) {
        vcl::TPropInfo prop;
        prop.Name = name;
        prop.TypeName = "Boolean";
        prop.Kind = vcl::TTypeKind::tkEnumeration;
        cls.AddProperty(std::move(prop));
    };
    catalogue.Declare("TDatabaseList", "TDBDataSet");
    vcl::TClassInfo& tables = catalogue.Declare("TTableList", "TDBDataSet");
    flag(tables, "ExtendedInfo");
    flag(tables, "SystemTables");
    catalogue.Declare("TSPList", "TTableList");
    vcl::TClassInfo& items = catalogue.Declare("TTableItems", "TDBDataSet");
    vcl::TPropInfo name;
    name.Name = "TableName";
    name.TypeName = "string";
    name.Kind = vcl::TTypeKind::tkString;
    items.AddProperty(std::move(name));
    catalogue.Declare("TFieldList", "TTableItems");
    catalogue.Declare("TIndexList", "TTableItems");
    catalogue.RegisterComponentClass<TDatabaseList>("TDatabaseList");
    catalogue.RegisterComponentClass<TTableList>("TTableList");
    catalogue.RegisterComponentClass<TSPList>("TSPList");
    catalogue.RegisterComponentClass<TTableItems>("TTableItems");
    catalogue.RegisterComponentClass<TFieldList>("TFieldList");
    catalogue.RegisterComponentClass<TIndexList>("TIndexList");
}

}  // namespace tavrin
