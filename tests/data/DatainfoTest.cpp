// The data relations tool and its detail reports, run on forms read from form-file text
// against real SQLite databases.
#include <sys/stat.h>

#include "tests/data/DataTestSupport.h"

namespace {

using datatest::ChildrenOf;
using datatest::Form;
using datatest::Lines;
using datatest::Sql;
using testsupport::Dfm;

class Datainfo : public datatest::DataTest {};

// The tool's own example: a table with a primary and a named index, a source, an edit on a
// field, a grid on the source, a persistent field.
const std::string kExampleForm = Dfm("object Form1: TForm1", {"Caption = 'Example'"},
    {Dfm("object DBEdit1: TDBEdit", {"DataField = 'Company'", "DataSource = DataSource1"}),
     Dfm("object DBGrid1: TDBGrid", {"DataSource = DataSource1"}),
     Dfm("object Table1: TTable", {"DatabaseName = 'DATA'", "TableName = 'customer.db'"},
         {Dfm("object Table1Company: TStringField", {"FieldName = 'Company'", "Size = 30"})}),
     Dfm("object DataSource1: TDataSource", {"DataSet = Table1"})});

TEST_F(Datainfo, BuildsTheExampleTreeFromAFormFileAgainstARealTable) {
    AddDatabase(datatest::kCustomerSql);
    const Lines tree = Relations(Load(kExampleForm));
    const Lines expected = {
        "Form1 : TForm1;",
        "\tTable1 : TTable;",
        "\t\tDetails",
        "\t\t\tDataBaseName : DATA",
        "\t\t\tTableName : customer.db",
        "\t\t\tTable Type : DEFAULT",
        "\t\t\tExclusive : False",
        "\t\tFields List",
        "\t\t\tCustNo",
        "\t\t\t\tField Type : Float 0",
        "\t\t\t\tPrimary Key",
        "\t\t\tCompany",
        "\t\t\t\tField Type : String 30",
        "\t\t\t\tIndexed : Index Name ByCompany",
        "\t\t\t\tDBEdit1 : TDBEdit;",
        "\t\t\t\tTable1Company : TStringField;",
        "\t\tIndex List",
        "\t\t\tPrimary : CustNo",
        "\t\t\tByCompany : Company",
        "\t\tData Source List",
        "\t\t\tDataSource1 : TDataSource;",
        "\t\t\t\tDBGrid1 : TDBGrid;",
    };
    EXPECT_EQ(tree, expected);
    EXPECT_EQ(backend.caption, "Data Information for Form1 : TForm1;");
    // The table was closed before the report and is closed again.
    EXPECT_FALSE(Find<vcl::TTable>("Table1")->Active());
}

TEST_F(Datainfo, TablesWithoutIndexesMastersAndIndexesOnTwoFields) {
    AddDatabase(
        "create table plain (A INTEGER, B VARCHAR(4));"
        "create table detail (Id INTEGER, Part INTEGER, Name VARCHAR(10));"
        "create index ByIdPart on detail (Id, Part);");
    Lines tree = Relations(Load(Form(
        {Dfm("object Plain: TTable", {"DatabaseName = 'DATA'", "TableName = 'plain'"}),
         Dfm("object PlainSource: TDataSource", {"DataSet = Plain"}),
         Dfm("object Detail: TTable",
             {"DatabaseName = 'DATA'", "TableName = 'DETAIL'", "MasterSource = PlainSource", "MasterFields = 'A'"})})));
    // No index: the list is there and empty, no field has a marker.
    EXPECT_EQ(ChildrenOf(tree, "Plain : TTable;"), (Lines{"Details", "Fields List", "Index List", "Data Source List"}));
    EXPECT_EQ(ChildrenOf(tree, "A"), (Lines{"Field Type : Integer 0"}));
    EXPECT_TRUE(ChildrenOf(tree, "Index List").empty());
    // The master comes before the fields; one index on two fields marks both.
    EXPECT_EQ(ChildrenOf(tree, "Detail : TTable;"), (Lines{"Details", "Master Detail", "Fields List", "Index List"}));
    EXPECT_EQ(ChildrenOf(tree, "Master Detail"),
              (Lines{"Mastersource : PlainSource = Source on Table : Plain", "Masterfield = A"}));
    EXPECT_EQ(ChildrenOf(tree, "Id"), (Lines{"Field Type : Integer 0", "Indexed : Index Name ByIdPart"}));
    EXPECT_EQ(ChildrenOf(tree, "Part"), (Lines{"Field Type : Integer 0", "Indexed : Index Name ByIdPart"}));
    EXPECT_EQ(ChildrenOf(tree, "Name"), (Lines{"Field Type : String 10"}));
}

TEST_F(Datainfo, QueriesShowTheirLinesParametersAndResultFields) {
    AddDatabase(datatest::kCustomerSql);
    Lines tree = Relations(Load(Form(
        {Dfm("object Customers: TTable", {"DatabaseName = 'DATA'", "TableName = 'customer'"}),
         Dfm("object CustSource: TDataSource", {"DataSet = Customers"}),
         Dfm("object Query1: TQuery",
             {"DatabaseName = 'DATA'", "DataSource = CustSource",
              Sql({"select Company from \"CUSTOMER.DB\"", "", "where CustNo = :CUSTNO"}),
              "ParamData = " + testsupport::Collection({{"DataType = ftInteger", "Name = 'CUSTNO'", "ParamType = ptUnknown"}})}),
         Dfm("object Broken: TQuery", {"DatabaseName = 'DATA'", Sql({"select Nothing from nowhere"})})})));
    EXPECT_EQ(ChildrenOf(tree, "Query1 : TQuery;", 1), (Lines{"Details", "Master Detail", "SQL"}));
    EXPECT_EQ(ChildrenOf(tree, "Details")[0], "DataBaseName : DATA");
    EXPECT_EQ(ChildrenOf(tree, "Master Detail"), (Lines{"Datasource : CustSource = Source on DataSet : Customers"}));
    EXPECT_EQ(ChildrenOf(tree, "Lines"), (Lines{"select Company from \"CUSTOMER.DB\"", "", "where CustNo = :CUSTNO"}));
    EXPECT_EQ(ChildrenOf(tree, "Params"), (Lines{"CUSTNO : Integer"}));
    EXPECT_EQ(ChildrenOf(tree, "Fields"), (Lines{"Company"}));
    // The query is a data control of its master's source (it has no DataField).
    EXPECT_EQ(ChildrenOf(tree, "CustSource : TDataSource;"), (Lines{"Query1 : TQuery;"}));
    // A query that does not prepare keeps its lines, and the failure is its last node.
    EXPECT_EQ(ChildrenOf(tree, "Broken : TQuery;"), (Lines{"Details", "SQL", "Could not Prepare Query"}));
    EXPECT_EQ(ChildrenOf(datatest::Subtree(tree, "Broken : TQuery;"), "SQL"), (Lines{"Lines"}));
}

TEST_F(Datainfo, StoredProceduresFailToPrepareOnADriverWithoutThem) {
    AddDatabase(datatest::kCustomerSql);
    Lines tree = Relations(Load(Form({Dfm("object Proc1: TStoredProc", {"DatabaseName = 'DATA'", "StoredProcName = 'GET_CUSTOMER'"}),
                                      Dfm("object Table1: TTable", {"DatabaseName = 'DATA'", "TableName = 'customer'"})})));
    EXPECT_EQ(ChildrenOf(tree, "Proc1 : TStoredProc;"), (Lines{"Details", "Could not Prepare Stored Proc"}));
    EXPECT_EQ(ChildrenOf(tree, "Details"), (Lines{"DataBaseName : DATA", "StoredProcName : GET_CUSTOMER"}));
}

TEST_F(Datainfo, ActiveStatesArePutBack) {
    AddDatabase(datatest::kCustomerSql);
    vcl::TComponent* form =
        Load(Form({Dfm("object Open1: TTable", {"Active = True", "DatabaseName = 'DATA'", "TableName = 'customer'"}),
                   Dfm("object Query1: TQuery", {"Active = True", "DatabaseName = 'DATA'", Sql({"select * from customer"})})}));
    auto* table = Find<vcl::TTable>("Open1");
    auto* query = Find<vcl::TQuery>("Query1");
    ASSERT_TRUE(table->Active());  // opened as the form loaded
    ASSERT_TRUE(query->Active());
    ASSERT_TRUE(warnings.empty());
    Relations(form);
    EXPECT_TRUE(table->Active());
    EXPECT_TRUE(query->Active());
    EXPECT_TRUE(query->Prepared());
    EXPECT_TRUE(table->FindField("Company") != nullptr);
}

TEST_F(Datainfo, ControlsAndFieldsLandUnderTheirFieldsCaseIgnored) {
    AddDatabase(datatest::kCustomerSql);
    Lines tree = Relations(Load(Form(
        {Dfm("object EmptyField: TDBEdit", {"DataField = ''", "DataSource = Source1"}),
         Dfm("object LowerCase: TDBEdit", {"DataField = 'company'", "DataSource = Source1"}),
         Dfm("object Unknown: TDBEdit", {"DataField = 'Nowhere'", "DataSource = Source1"}),
         Dfm("object Table1: TTable", {"DatabaseName = 'DATA'", "TableName = 'customer'"},
             {Dfm("object Table1Company: TStringField", {"FieldName = 'Company'"}),
              Dfm("object Table1Gone: TStringField", {"FieldName = 'Gone'"})}),
         Dfm("object Source1: TDataSource", {"DataSet = Table1"}),
         Dfm("object Other: TClientDataSet", {}, {Dfm("object OtherCompany: TStringField", {"FieldName = 'Company'"})}),
         Dfm("object OtherSource: TDataSource", {"DataSet = Other"}),
         Dfm("object OtherEdit: TDBEdit", {"DataField = 'Company'", "DataSource = OtherSource"})})));
    EXPECT_EQ(ChildrenOf(tree, "Company"), (Lines{"Field Type : String 30", "Indexed : Index Name ByCompany",
                                                  "LowerCase : TDBEdit;", "Table1Company : TStringField;"}));
    EXPECT_EQ(ChildrenOf(tree, "Source1 : TDataSource;"), (Lines{"EmptyField : TDBEdit;"}));
    // A dataset without a report has no field list: nothing of it lands under another's fields.
    EXPECT_EQ(ChildrenOf(tree, "Other : TClientDataSet;"), (Lines{"Data Source List"}));
    EXPECT_TRUE(ChildrenOf(tree, "OtherSource : TDataSource;").empty());
    for (const std::string& line : tree) {
        EXPECT_EQ(line.find("Unknown"), std::string::npos);
        EXPECT_EQ(line.find("Gone"), std::string::npos);
        EXPECT_EQ(line.find("OtherEdit"), std::string::npos);
        EXPECT_EQ(line.find("OtherCompany"), std::string::npos);
    }
}

// Only field nodes take controls: not the "Primary Key" marker under a field, nor a line of a
// query's SQL that reads like the field (the query failed to prepare and has no fields).
TEST_F(Datainfo, OnlyFieldNodesTakeControls) {
    AddDatabase(datatest::kCustomerSql);
    Lines tree = Relations(Load(Form(
        {Dfm("object Marker: TDBEdit", {"DataField = 'Primary Key'", "DataSource = TableSource"}),
         Dfm("object Line: TDBEdit", {"DataField = 'CustNo'", "DataSource = QuerySource"}),
         Dfm("object Table1: TTable", {"DatabaseName = 'DATA'", "TableName = 'customer'"}),
         Dfm("object TableSource: TDataSource", {"DataSet = Table1"}),
         Dfm("object Query1: TQuery", {"DatabaseName = 'DATA'", Sql({"select CustNo from nowhere", "CustNo"})}),
         Dfm("object QuerySource: TDataSource", {"DataSet = Query1"})})));
    EXPECT_EQ(ChildrenOf(tree, "Primary Key"), Lines{});
    EXPECT_EQ(ChildrenOf(tree, "CustNo", 6), Lines{});
    const Lines query = ChildrenOf(tree, "Query1 : TQuery;");
    EXPECT_NE(std::find(query.begin(), query.end(), "Could not Prepare Query"), query.end());
    for (const std::string& line : tree) {
        EXPECT_EQ(line.find("Marker"), std::string::npos) << line;
        EXPECT_EQ(line.find("Line : TDBEdit"), std::string::npos) << line;
    }
}

TEST_F(Datainfo, FormsWithoutDatasetsAndSourcesWithoutDatasets) {
    AddDatabase(datatest::kCustomerSql);
    EXPECT_TRUE(Relations(Load(Form({Dfm("object Lonely: TDataSource", {})}))).empty());
    EXPECT_EQ(backend.windows, 1);  // the window opens all the same
    // A query whose source has no dataset names none in its master line.
    Lines tree = Relations(Load(Form({Dfm("object Lonely: TDataSource", {}),
                                      Dfm("object Q: TQuery", {"DatabaseName = 'DATA'", "DataSource = Lonely", Sql({"select 1 as One"})})})));
    EXPECT_EQ(ChildrenOf(tree, "Master Detail"), (Lines{"Datasource : Lonely = Source on DataSet : (no dataset)"}));
    EXPECT_EQ(ChildrenOf(tree, "One"), (Lines{"Field Type : Unknown 0"}));
}

TEST_F(Datainfo, ATableThatCannotOpenEndsTheRunBeforeTheWindowShows) {
    AddDatabase(datatest::kCustomerSql);
    for (const char* table : {"DatabaseName = 'NOSUCHALIAS'\n    TableName = 'customer'",
                              "DatabaseName = '/no/such/folder'\n    TableName = 'customer'",
                              "DatabaseName = 'DATA'\n    TableName = 'missing.db'"}) {
        vcl::TComponent* form = Load(std::string("object Form1: TForm1\n  object T: TTable\n    ") + table + "\n  end\nend\n");
        backend.windows = 0;
        EXPECT_THROW(Relations(form), vcl::EDBEngineError) << table;
        EXPECT_EQ(backend.windows, 0);
        EXPECT_EQ(tavrin::ZorDataInfo, nullptr);
        EXPECT_EQ(tavrin::FrmInfo, nullptr);
    }
}

TEST_F(Datainfo, ReportsNeverWriteTheDatabase) {
    const std::string path = AddDatabase(std::string(datatest::kCustomerSql) + "create table t (x INTEGER);");
    const std::string before = testsupport::ReadFile(path);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    const auto mtime = st.st_mtim;
    Relations(Load(Form({Dfm("object Q: TQuery", {"Active = True", "DatabaseName = 'DATA'", Sql({"insert into t values (1)"})}),
                         Dfm("object T: TTable", {"DatabaseName = 'DATA'", "TableName = 'customer'"})})));
    ASSERT_EQ(warnings.size(), 1u);  // the insert cannot run: the engine reads only
    EXPECT_NE(warnings[0].find("Q stays closed"), std::string::npos) << warnings[0];
    EXPECT_EQ(testsupport::ReadFile(path), before);
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, mtime.tv_sec);
    EXPECT_EQ(st.st_mtim.tv_nsec, mtime.tv_nsec);
}

}  // namespace
