// The database engine and the data classes: aliases and how names resolve, the SQLite driver
// (tables, keys, indexes, views, Local SQL), what form files store for datasets, and the
// engine's errors for bad input.
#include <filesystem>

#include "tests/data/DataTestSupport.h"

namespace {

using datatest::Form;
using datatest::Lines;
using testsupport::Collection;
using testsupport::Dfm;
using testsupport::ErrorOf;
using testsupport::Has;

class Engine : public datatest::DataTest {
protected:
    dbe::TEngine& engine = dbe::Engine();
};

// A second engine reading what the first wrote, names taken or refused and removing are the
// aliases file's and the program's tests'; here the default alias, shadowed and listed last.
TEST_F(Engine, AliasesShadowTheDefaultsAndListAfterTheUsersOwn) {
    engine.SetDefaultAlias({"SAMPLE", "SQLITE", {{"PATH", "/default.sqlite"}}});
    EXPECT_EQ(engine.AddAlias("Work", "", "PATH:/data/work;TYPE:Standard", true), dbe::DBIERR_NONE);
    EXPECT_EQ(engine.AddAlias("Db", "sqlite", "PATH:/x.sqlite", true), dbe::DBIERR_NONE);
    EXPECT_EQ(engine.AddAlias("Bad", "NOSUCHDRIVER", "PATH:/x", true), dbe::DBIERR_UNKNOWNDRIVER);
    dbe::TAlias alias;
    ASSERT_TRUE(engine.FindAlias("work", alias));
    EXPECT_EQ(alias.params.size(), 1u);  // TYPE:Standard is what a standard alias is, not a parameter

    Lines names;
    for (const auto& a : engine.Aliases()) names.push_back(a.name);
    EXPECT_EQ(names, (Lines{"Work", "Db", "SAMPLE"}));
    EXPECT_EQ(engine.AddAlias("sample", "SQLITE", "PATH:/mine.sqlite", true), dbe::DBIERR_NONE);
    ASSERT_TRUE(engine.FindAlias("SAMPLE", alias));
    EXPECT_EQ(alias.Param("PATH"), "/mine.sqlite");

    EXPECT_EQ(engine.DeleteAlias("WORK"), dbe::DBIERR_NONE);
    engine.SetDefaultAlias({"SAMPLE", "", {}});
}

TEST_F(Engine, NamesResolveByAliasThenTheFormsDatabaseThenPath) {
    const std::string path = AddDatabase(datatest::kCustomerSql);
    vcl::TComponent* form = Load(Form(
        {Dfm("object ByAlias: TDatabase", {"AliasName = 'DATA'", "DatabaseName = 'Local'"}),
         Dfm("object ByDriver: TDatabase", {"DatabaseName = 'Direct'", "DriverName = 'SQLITE'", "Params.Strings = (\n  'PATH=" + path + "')"}),
         Dfm("object ByNothing: TDatabase", {"AliasName = 'NOWHERE'", "DatabaseName = 'Broken'"})}));
    EXPECT_EQ(engine.ResolveDatabase("data", form).driver, "SQLITE");
    EXPECT_EQ(engine.ResolveDatabase("LOCAL", form).Param("PATH"), path);
    const dbe::TAlias direct = engine.ResolveDatabase("Direct", form);
    EXPECT_EQ(direct.driver, "SQLITE");
    EXPECT_EQ(direct.Param("PATH"), path);
    EXPECT_EQ(engine.ResolveDatabase(path, nullptr).driver, "SQLITE");
    EXPECT_EQ(engine.ResolveDatabase(home.Path(), nullptr).driver, "STANDARD");
    EXPECT_THROW(engine.ResolveDatabase("Broken", form), vcl::EDBEngineError);
    EXPECT_THROW(engine.ResolveDatabase("Local", nullptr), vcl::EDBEngineError);
    EXPECT_THROW(engine.ResolveDatabase("", form), vcl::EDBEngineError);
    EXPECT_TRUE(Has(ErrorOf<vcl::EDBEngineError>([&] { engine.ResolveDatabase(home.File("missing/folder"), nullptr); }),
                    "does not exist"));
    // Both databases of the form reach the same open handle.
    EXPECT_EQ(engine.OpenDatabase("Local", form), engine.OpenDatabase("DATA", form));
    // A relative path is the form's folder's, not the folder the tools were started in.
    const std::filesystem::path file(path);
    vcl::TComponent* relative = Load(Dfm("object Form2: TForm2", {},
        {Dfm("object Beside: TDatabase", {"DatabaseName = 'Beside'", "DriverName = 'SQLITE'",
                                          "Params.Strings = (\n  'PATH=./" + file.filename().string() + "')"})}));
    engine.SetFormFolder(file.parent_path().string());
    EXPECT_EQ(engine.ResolveDatabase("Beside", relative).Param("PATH"), path);
    engine.SetFormFolder("");
}

TEST_F(Engine, SqliteDescribesTablesKeysIndexesViewsAndSystemTables) {
    AddDatabase(
        "create table Parts (PartNo INTEGER primary key, Descr VARCHAR(30) not null, Price NUMERIC(15,2),"
        " Notes MEMO(10), Pic GRAPHIC, Stamp TIMESTAMP, Flag BOOLEAN, Big BIGINT, Code CHAR(3) unique);"
        "create index ByPrice on Parts (Price desc);"
        "create view Cheap as select PartNo, Descr from Parts where Price < 10;"
        "create table Seq (Id INTEGER primary key autoincrement);");
    auto db = engine.OpenDatabase("DATA", nullptr);
    Lines plain, all;
    for (const auto& t : db->Tables(false)) plain.push_back(t.name + " " + t.type);
    for (const auto& t : db->Tables(true)) all.push_back(t.name);
    EXPECT_EQ(plain, (Lines{"Parts TABLE", "Cheap VIEW", "Seq TABLE"}));
    EXPECT_EQ(all, (Lines{"sqlite_master", "Parts", "Cheap", "Seq", "sqlite_sequence"}));

    Lines fields;
    for (const auto& c : db->Fields("parts.db"))
        fields.push_back(c.name + " " + dbe::FieldTypeName(c.type) + " " + std::to_string(c.size) + (c.required ? " required" : ""));
    EXPECT_EQ(fields, (Lines{"PartNo ftInteger 0", "Descr ftString 30 required", "Price ftBCD 2", "Notes ftMemo 10",
                             "Pic ftGraphic 0", "Stamp ftDateTime 0", "Flag ftBoolean 0", "Big ftLargeint 0",
                             "Code ftString 3"}));
    Lines indexes;
    for (const auto& i : db->Indexes("PARTS"))
        indexes.push_back(i.name + ":" + i.FieldsText() + (i.primary ? " primary" : "") + (i.unique ? " unique" : "") +
                          (i.descending ? " desc" : ""));
    ASSERT_EQ(indexes.size(), 3u);
    EXPECT_EQ(indexes[0], ":PartNo primary unique");
    EXPECT_EQ(indexes[1].substr(indexes[1].find(':')), ":Code unique");  // the unique constraint's own index
    EXPECT_EQ(indexes[2], "ByPrice:Price desc");
    EXPECT_EQ(db->Fields("Cheap").size(), 2u);
    EXPECT_THROW(db->Fields("nosuch"), vcl::EDBEngineError);
    EXPECT_THROW(db->PrepareProc("anything"), vcl::EDBEngineError);
    EXPECT_TRUE(db->StoredProcs(true).empty());
}

TEST_F(Engine, LocalSqlNamesTablesAsFilesOrThroughAliases) {
    AddDatabase(datatest::kCustomerSql);
    auto db = engine.OpenDatabase("DATA", nullptr);
    for (const char* sql : {"select Company from \"customer.db\" where CustNo = :No",
                            "select Company from \"C:\\DATA\\CUSTOMER.DB\" where CustNo = :No",
                            "select Company from :DATA:customer where CustNo = :No",
                            "select Company from :DATA:\"customer.db\" where CustNo = :No"}) {
        const dbe::TPrepared p = db->PrepareQuery(sql);
        ASSERT_EQ(p.ParamNames(), (Lines{"No"})) << sql;
        ASSERT_EQ(p.columns.size(), 1u) << sql;
        EXPECT_EQ(p.columns[0].type, dbe::ftString) << sql;
    }
    EXPECT_THROW(db->PrepareQuery("select 1; select 2"), vcl::EDBEngineError);
    EXPECT_THROW(db->PrepareQuery("  "), vcl::EDBEngineError);
}

TEST_F(Engine, BadDatabaseFilesAreReadableErrors) {
    const std::string corrupt = home.File("corrupt.sqlite");
    testsupport::WriteFile(corrupt, std::string("SQLite format 3") + '\0' + std::string(200, 'x'));
    const std::string text = home.File("notes.txt");
    testsupport::WriteFile(text, "just text, long enough to be read as a header of some kind......\n");
    ASSERT_EQ(engine.AddAlias("CORRUPT", "SQLITE", "PATH:" + corrupt, true), 0);
    ASSERT_EQ(engine.AddAlias("TEXT", "SQLITE", "PATH:" + text, true), 0);
    ASSERT_EQ(engine.AddAlias("GONE", "SQLITE", "PATH:" + home.File("gone.sqlite"), true), 0);
    ASSERT_EQ(engine.AddAlias("NOPATH", "SQLITE", "", true), 0);
    for (const char* name : {"CORRUPT", "TEXT", "GONE", "NOPATH"}) {
        const std::string error = ErrorOf<vcl::EDBEngineError>([&] { engine.OpenDatabase(name, nullptr); });
        EXPECT_TRUE(error != "no error" && !error.empty()) << name;
    }
    EXPECT_EQ(testsupport::ReadFile(text), "just text, long enough to be read as a header of some kind......\n");
    // A text file is no database: as a path it is not taken for one.
    EXPECT_THROW(engine.ResolveDatabase(text, nullptr), vcl::EDBEngineError);
}

TEST_F(Engine, DeclaredTypesMapToFieldTypesAndLogicalDescriptions) {
    struct Case {
        const char* declared;
        dbe::TFieldType type;
        int size;
        uint16_t logical, subtype, units1, units2;
    };
    for (const Case& c : {Case{"VARCHAR(20)", dbe::ftString, 20, dbe::fldZSTRING, 0, 20, 0},
                          Case{"numeric(15, 2)", dbe::ftBCD, 2, dbe::fldBCD, 0, 15, 2},
                          Case{"MONEY", dbe::ftCurrency, 0, dbe::fldFLOAT, dbe::fldstMONEY, 0, 0},
                          Case{"MEMO(10)", dbe::ftMemo, 10, dbe::fldBLOB, dbe::fldstMEMO, 10, 0},
                          Case{"TEXT", dbe::ftMemo, 0, dbe::fldBLOB, dbe::fldstMEMO, 0, 0},
                          Case{"SMALLINT", dbe::ftSmallint, 0, dbe::fldINT16, 0, 0, 0},
                          Case{"AUTOINC", dbe::ftAutoInc, 0, dbe::fldINT32, dbe::fldstAUTOINC, 0, 0},
                          Case{"DATE", dbe::ftDate, 0, dbe::fldDATE, 0, 0, 0},
                          Case{"BYTES(8)", dbe::ftBytes, 8, dbe::fldBYTES, 0, 8, 0},
                          Case{"UNSIGNED BIG INT", dbe::ftInteger, 0, dbe::fldINT32, 0, 0, 0},
                          Case{"NATIVE CHARACTER(70)", dbe::ftString, 70, dbe::fldZSTRING, 0, 70, 0},
                          Case{"", dbe::ftUnknown, 0, dbe::fldUNKNOWN, 0, 0, 0}}) {
        const dbe::TColumn col = dbe::ColumnFromDeclaredType("F", c.declared);
        EXPECT_EQ(col.type, c.type) << c.declared;
        EXPECT_EQ(col.size, c.size) << c.declared;
        EXPECT_EQ(col.logical, c.logical) << c.declared;
        EXPECT_EQ(col.subtype, c.subtype) << c.declared;
        EXPECT_EQ(col.units1, c.units1) << c.declared;
        EXPECT_EQ(col.units2, c.units2) << c.declared;
    }
    dbe::TFieldType type{};
    EXPECT_TRUE(dbe::FieldTypeFromName("FTCURRENCY", type));
    EXPECT_EQ(type, dbe::ftCurrency);
    EXPECT_FALSE(dbe::FieldTypeFromName("ftNothing", type));
}

TEST_F(Engine, FormFilesGiveDatasetsWhatTheyStore) {
    AddDatabase(datatest::kCustomerSql);
    Load(Form(
        {Dfm("object Table1: TTable",
             {"DatabaseName = 'DATA'",
              "FieldDefs = " + Collection({{"Name = 'CustNo'", "DataType = ftFloat"},
                                           {"Name = 'Company'", "DataType = ftString", "Size = 30"}}),
              "IndexDefs = " + Collection({{"Name = 'ByCompany'", "Fields = 'Company'", "Options = [ixCaseInsensitive]"},
                                           {"Fields = 'CustNo'", "Options = [ixPrimary, ixUnique]"}}),
              "TableName = 'customer'", "TableType = ttParadox", "Exclusive = True"},
             {Dfm("object Table1CustNo: TFloatField", {"FieldName = 'CustNo'"}),
              Dfm("object Table1Company: TStringField", {"FieldName = 'Company'"})}),
         Dfm("object Query1: TQuery",
             {datatest::Sql({"select * from customer", "where CustNo = :A and Company <> ':B' and x = :A",
                             "and y = :\"Quoted Name\""}),
              "ParamData = " + Collection({{"DataType = ftInteger", "Name = 'A'", "ParamType = ptInput"}})})}));
    auto* table = Find<vcl::TTable>("Table1");
    ASSERT_EQ(table->FieldDefs().Count(), 2);
    EXPECT_EQ(table->FieldDefs().Items(1).DataType, dbe::ftString);
    EXPECT_EQ(table->FieldDefs().Items(1).Size, 30);
    ASSERT_EQ(table->IndexDefs().Count(), 2);
    EXPECT_TRUE(table->IndexDefs().Items(1).Primary);
    EXPECT_EQ(table->IndexDefs().Items(0).GetFields(), "Company");
    EXPECT_EQ(table->TableType(), vcl::ttParadox);
    EXPECT_TRUE(table->Exclusive());
    ASSERT_EQ(table->FieldCount(), 2);
    EXPECT_EQ(table->Fields(0)->Name(), "Table1CustNo");
    EXPECT_EQ(table->Fields(0)->DataType(), dbe::ftFloat);
    EXPECT_EQ(table->Fields(0)->DataSet(), table);

    auto* query = Find<vcl::TQuery>("Query1");
    EXPECT_EQ(query->SQL().size(), 3u);
    ASSERT_EQ(query->GetParamsCount(), 2);
    EXPECT_EQ(query->Params().Items(0).Name, "A");
    EXPECT_EQ(query->Params().Items(0).GetDataType(), dbe::ftInteger);
    EXPECT_EQ(query->Params().Items(1).Name, "Quoted Name");
    EXPECT_THROW(query->Params().ParamByName("B"), vcl::EDatabaseError);

    // Opened, the table is described and not read: fields bound to its columns, no rows.
    table->Open();
    EXPECT_TRUE(table->Active());
    EXPECT_TRUE(table->Eof());
    EXPECT_FALSE(table->First());
    EXPECT_TRUE(table->FieldByName("Company")->IsNull());
    EXPECT_THROW(table->FieldByName("Addr1"), vcl::EDatabaseError);
    EXPECT_THROW(table->SetTableName("other"), vcl::EDatabaseError);
    table->Close();
    EXPECT_THROW(table->First(), vcl::EDatabaseError);

    // A freed dataset leaves its fields without one, and a freed field leaves the list.
    delete Find<vcl::TField>("Table1Company");
    EXPECT_EQ(table->FieldCount(), 1);
    delete table;
    EXPECT_EQ(Find<vcl::TField>("Table1CustNo")->DataSet(), nullptr);
}

}  // namespace
