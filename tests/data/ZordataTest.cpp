// The table type lookups, GetFieldType over a field descriptor, the catalogue lists, and
// MakeAlias with the engine's configuration file.
#include "data/Zordata.h"
#include "data/mybdetable.h"
#include "tests/data/DataTestSupport.h"

namespace {

using namespace tavrin;

// A dataset whose one record is an engine field descriptor with the given values.
class Descriptor : public vcl::TDataSet {
public:
    Descriptor(std::vector<std::string> names, std::vector<int64_t> values)
        : vcl::TDataSet(nullptr), names_(std::move(names)), values_(std::move(values)) {
        Open();
    }

protected:
    std::unique_ptr<dbe::TCursor> CreateHandle() override {
        std::vector<dbe::TColumn> columns;
        std::vector<dbe::TFieldValue> row;
        for (size_t i = 0; i < names_.size(); ++i) {
            columns.push_back(dbe::ColumnFromDeclaredType(names_[i], "INTEGER"));
            row.emplace_back(values_[i]);
        }
        return std::make_unique<dbe::TRowsCursor>(std::move(columns), std::vector<std::vector<dbe::TFieldValue>>{row});
    }

private:
    std::vector<std::string> names_;
    std::vector<int64_t> values_;
};

std::string Describe(int64_t type, int64_t subtype, int64_t units1, int64_t units2, int64_t length) {
    Descriptor d({"TYPE", "SUBTYPE", "UNITS1", "UNITS2", "LENGTH"}, {type, subtype, units1, units2, length});
    return GetFieldType(&d);
}

TEST(Zordata, TableTypesFromWordsAndExtensions) {
    EXPECT_EQ(str_to_tabletype("paradox"), vcl::ttParadox);
    EXPECT_EQ(str_to_tabletype("dBase"), vcl::ttDBase);
    EXPECT_EQ(str_to_tabletype("Text"), vcl::ttASCII);
    EXPECT_EQ(str_to_tabletype("FoxPro"), vcl::ttDefault);
    EXPECT_EQ(str_to_tabletype("DEFAULT"), vcl::ttDefault);
    EXPECT_EQ(str_to_tabletype(""), vcl::ttDefault);
    EXPECT_EQ(tabletypefromext("CUSTOMER"), vcl::ttParadox);
    EXPECT_EQ(tabletypefromext("CUSTOMER.DB"), vcl::ttParadox);
    EXPECT_EQ(tabletypefromext("ORDERS.DBF"), vcl::ttDBase);
    EXPECT_EQ(tabletypefromext("NOTES.TXT"), vcl::ttASCII);
    EXPECT_EQ(tabletypefromext("orders.dbf"), vcl::ttDefault);
    EXPECT_EQ(tabletypefromext("C:\\DATA.V2\\ORDERS"), vcl::ttParadox);  // the folder's period is not the name's
    EXPECT_EQ(tabletypefromext("ORDERS.DBT"), vcl::ttDefault);
}

TEST(Zordata, GetFieldTypeDescribesTheCurrentRecord) {
    EXPECT_EQ(Describe(8, 0, 15, 2, 0), "Decimal(15,2)");
    EXPECT_EQ(Describe(3, 22, 10, 0, 0), "Blob:Memo(10,0)");
    EXPECT_EQ(Describe(7, 21, 0, 0, 0), "Float64:Money");
    EXPECT_EQ(Describe(7, 0, 1, 0, 0), "Float64");
    EXPECT_EQ(Describe(1, 0, 20, 0, 21), "String(20)");
    EXPECT_EQ(Describe(6, 0, 0, 0, 4), "Int32");
    EXPECT_EQ(Describe(40, 0, 0, 0, 4), "Unknown(4)");
    EXPECT_EQ(Describe(5, 22, 0, 0, 2), "Int16");
    EXPECT_EQ(Describe(3, 29, 0, 0, 0), "Blob");  // a subtype beyond the table is none
    EXPECT_EQ(Describe(15, 0, 300, 0, 302), "VarBytes(300)");
    EXPECT_THROW(Describe(1, 0, 65536, 0, 0), vcl::ERangeError);
    EXPECT_THROW(Describe(1, 0, -1, 0, 0), vcl::ERangeError);
    Descriptor partial({"TYPE", "SUBTYPE", "UNITS1"}, {1, 0, 4});
    EXPECT_THROW(GetFieldType(&partial), vcl::EDatabaseError);
}

class ZordataEngine : public datatest::DataTest {};

TEST_F(ZordataEngine, ParamsFromStringsAndMakeAlias) {
    EXPECT_EQ(ParamsFromStrings({"PATH=C:\\DATA", "TYPE=Standard"}), "PATH:C:\\DATA;TYPE:Standard");
    EXPECT_EQ(ParamsFromStrings({"PATH=", "TYPE=Standard"}), "TYPE:Standard");
    EXPECT_EQ(ParamsFromStrings({"A=" + std::string(300, 'x')}), "A:" + std::string(255, 'x'));
    EXPECT_EQ(ParamsFromStrings({}), "");

    EXPECT_EQ(MakeAlias("Work", "/data/work"), 0);
    dbe::TAlias alias;
    ASSERT_TRUE(dbe::Engine().FindAlias("WORK", alias));
    EXPECT_EQ(alias.driver, "STANDARD");
    EXPECT_EQ(alias.Param("PATH"), "/data/work");
    EXPECT_NE(testsupport::ReadFile(home.File("aliases.conf")).find("[Work]\nDRIVER=STANDARD\nPATH=/data/work\n"),
              std::string::npos);
    EXPECT_EQ(MakeAlias("Work", "/else"), dbe::DBIERR_NAMENOTUNIQUE);
    // Beyond the engine's 260 characters a name or path is refused, never cut.
    const std::string before = testsupport::ReadFile(home.File("aliases.conf"));
    EXPECT_EQ(MakeAlias("Long", "/" + std::string(241, 'd')), dbe::DBIERR_INVALIDPARAM);
    EXPECT_EQ(MakeAlias(std::string(261, 'N'), "/d"), dbe::DBIERR_INVALIDPARAM);
    EXPECT_EQ(testsupport::ReadFile(home.File("aliases.conf")), before);
    EXPECT_EQ(MakeAlias("Fits", "/" + std::string(239, 'd')), 0);
}

// The rows the catalogue lists give are the catalogue command's (DataCommandTest, over the
// sample database); here their limits and the descriptions of databases and drivers.
TEST_F(ZordataEngine, CatalogueListsKeepToTheEnginesLimits) {
    AddDatabase(datatest::kCustomerSql);
    // A name of 255 characters fits the engine's buffer with its terminator; 256 does not.
    TFieldList fields(nullptr);
    fields.SetDatabaseName("DATA");
    fields.SetTableName(std::string(255, 't'));
    EXPECT_THROW(fields.Open(), vcl::EDBEngineError);  // no such table, but asked
    EXPECT_THROW(fields.SetTableName(std::string(256, 't')), vcl::EDatabaseError);
    TFieldList unnamed(nullptr);
    unnamed.SetDatabaseName("DATA");
    EXPECT_THROW(unnamed.Open(), vcl::EDatabaseError);
    EXPECT_FALSE(unnamed.Active());

    TDatabaseDesc desc("data");
    EXPECT_EQ(desc.Description.type, "SQLITE");
    EXPECT_THROW(TDatabaseDesc("NOSUCH"), vcl::EDBEngineError);
    EXPECT_EQ(TDriverDesc("sqlite").Description.name, "SQLITE");
    EXPECT_THROW(TDriverDesc("NOSUCH"), vcl::EDBEngineError);
}

TEST_F(ZordataEngine, CatalogueListsLoadFromFormsWithTheirProperties) {
    AddDatabase(datatest::kCustomerSql);
    Load(datatest::Form(
        {testsupport::Dfm("object Tables: TTableList", {"DatabaseName = 'DATA'", "ExtendedInfo = True", "SystemTables = False"}),
         testsupport::Dfm("object Fields: TFieldList", {"Active = True", "DatabaseName = 'DATA'", "TableName = 'customer'"})}));
    EXPECT_TRUE(Find<TTableList>("Tables")->ExtendedInfo());
    EXPECT_FALSE(Find<TTableList>("Tables")->SystemTables());
    EXPECT_TRUE(Find<TFieldList>("Fields")->Active());
    EXPECT_EQ(GetFieldType(Find<TFieldList>("Fields")), "Float64");
}

}  // namespace
