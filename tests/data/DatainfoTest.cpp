// The data relations tool and its detail reports, run on forms read from form-file text
// against real SQLite databases.
#include <sys/stat.h>

#include "tests/data/DataTestSupport.h"

namespace {

using datatest::ChildrenOf;
using datatest::Lines;

class Datainfo : public datatest::DataTest {};

// The tool's own example: a table with a primary and a named index, a source, an edit on a
// field, a grid on the source, a persistent field.
constexpr const char* kExampleForm = R"(object Form1: TForm1
  Caption = 'Example'
  object DBEdit1: TDBEdit
    DataField = 'Company'
    DataSource = DataSource1
  end
  object DBGrid1: TDBGrid
    DataSource = DataSource1
  end
  object Table1: TTable
    DatabaseName = 'DATA'
    TableName = 'customer.db'
    object Table1Company: TStringField
      FieldName = 'Company'
      Size = 30
    end
  end
  object DataSource1: TDataSource
    DataSet = Table1
  end
end
)";

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
    Lines tree = Relations(Load(R"(object Form1: TForm1
  object Plain: TTable
    DatabaseName = 'DATA'
    TableName = 'plain'
  end
  object PlainSource: TDataSource
    DataSet = Plain
  end
  object Detail: TTable
    DatabaseName = 'DATA'
    TableName = 'DETAIL'
    MasterSource = PlainSource
    MasterFields = 'A'
  end
end
)"));
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
    Lines tree = Relations(Load(R"(object Form1: TForm1
  object Customers: TTable
    DatabaseName = 'DATA'
    TableName = 'customer'
  end
  object CustSource: TDataSource
    DataSet = Customers
  end
  object Query1: TQuery
    DatabaseName = 'DATA'
    DataSource = CustSource
    SQL.Strings = (
      'select Company from "CUSTOMER.DB"'
      ''
      'where CustNo = :CUSTNO')
    ParamData = <
      item
        DataType = ftInteger
        Name = 'CUSTNO'
        ParamType = ptUnknown
      end>
  end
  object Broken: TQuery
    DatabaseName = 'DATA'
    SQL.Strings = (
      'select Nothing from nowhere')
  end
end
)"));
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
    Lines tree = Relations(Load(R"(object Form1: TForm1
  object Proc1: TStoredProc
    DatabaseName = 'DATA'
    StoredProcName = 'GET_CUSTOMER'
  end
  object Table1: TTable
    DatabaseName = 'DATA'
    TableName = 'customer'
  end
end
)"));
    EXPECT_EQ(ChildrenOf(tree, "Proc1 : TStoredProc;"), (Lines{"Details", "Could not Prepare Stored Proc"}));
    EXPECT_EQ(ChildrenOf(tree, "Details"), (Lines{"DataBaseName : DATA", "StoredProcName : GET_CUSTOMER"}));
}

TEST_F(Datainfo, ActiveStatesArePutBack) {
    AddDatabase(datatest::kCustomerSql);
    vcl::TComponent* form = Load(R"(object Form1: TForm1
  object Open1: TTable
    Active = True
    DatabaseName = 'DATA'
    TableName = 'customer'
  end
  object Query1: TQuery
    Active = True
    DatabaseName = 'DATA'
    SQL.Strings = (
      'select * from customer')
  end
end
)");
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
    Lines tree = Relations(Load(R"(object Form1: TForm1
  object EmptyField: TDBEdit
    DataField = ''
    DataSource = Source1
  end
  object LowerCase: TDBEdit
    DataField = 'company'
    DataSource = Source1
  end
  object Unknown: TDBEdit
    DataField = 'Nowhere'
    DataSource = Source1
  end
  object Table1: TTable
    DatabaseName = 'DATA'
    TableName = 'customer'
    object Table1Company: TStringField
      FieldName = 'Company'
    end
    object Table1Gone: TStringField
      FieldName = 'Gone'
    end
  end
  object Source1: TDataSource
    DataSet = Table1
  end
  object Other: TClientDataSet
    object OtherCompany: TStringField
      FieldName = 'Company'
    end
  end
  object OtherSource: TDataSource
    DataSet = Other
  end
  object OtherEdit: TDBEdit
    DataField = 'Company'
    DataSource = OtherSource
  end
end
)"));
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
    Lines tree = Relations(Load(R"(object Form1: TForm1
  object Marker: TDBEdit
    DataField = 'Primary Key'
    DataSource = TableSource
  end
  object Line: TDBEdit
    DataField = 'CustNo'
    DataSource = QuerySource
  end
  object Table1: TTable
    DatabaseName = 'DATA'
    TableName = 'customer'
  end
  object TableSource: TDataSource
    DataSet = Table1
  end
  object Query1: TQuery
    DatabaseName = 'DATA'
    SQL.Strings = (
      'select CustNo from nowhere'
      'CustNo')
  end
  object QuerySource: TDataSource
    DataSet = Query1
  end
end
)"));
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
    EXPECT_TRUE(Relations(Load(R"(object Form1: TForm1
  object Lonely: TDataSource
  end
end
)")).empty());
    EXPECT_EQ(backend.windows, 1);  // the window opens all the same
    // A query whose source has no dataset names none in its master line.
    Lines tree = Relations(Load(R"(object Form1: TForm1
  object Lonely: TDataSource
  end
  object Q: TQuery
    DatabaseName = 'DATA'
    DataSource = Lonely
    SQL.Strings = (
      'select 1 as One')
  end
end
)"));
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
    Relations(Load(R"(object Form1: TForm1
  object Q: TQuery
    Active = True
    DatabaseName = 'DATA'
    SQL.Strings = (
      'insert into t values (1)')
  end
  object T: TTable
    DatabaseName = 'DATA'
    TableName = 'customer'
  end
end
)"));
    ASSERT_EQ(warnings.size(), 1u);  // the insert cannot run: the engine reads only
    EXPECT_NE(warnings[0].find("Q stays closed"), std::string::npos) << warnings[0];
    EXPECT_EQ(testsupport::ReadFile(path), before);
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, mtime.tv_sec);
    EXPECT_EQ(st.st_mtim.tv_nsec, mtime.tv_nsec);
}

}  // namespace
