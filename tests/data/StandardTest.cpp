// A folder of Paradox and dBASE tables (made here with pxlib and shapelib, the libraries the
// engine reads them with) under one form, the tree as a SQLite database gives it (DatainfoTest).
extern "C" {
#include <paradox.h>
}
#include <shapefil.h>

#include "tests/data/DataTestSupport.h"
#include "tests/data/ParadoxFiles.h"

namespace {

using datatest::ChildrenOf;
using datatest::Lines;

// customer.db: CustNo (number, the key), Company (alpha 30), Since (date), with two rows.
void MakeParadoxCustomer(const std::string& path) {
    PX_boot();
    pxdoc_t* doc = PX_new();
    ASSERT_NE(doc, nullptr);
    auto* fields = static_cast<pxfield_t*>(doc->malloc(doc, 3 * sizeof(pxfield_t), "test"));
    fields[0] = {PX_strdup(doc, "CustNo"), pxfNumber, 8, 0};
    fields[1] = {PX_strdup(doc, "Company"), pxfAlpha, 30, 0};
    fields[2] = {PX_strdup(doc, "Since"), pxfDate, 4, 0};
    ASSERT_EQ(PX_create_file(doc, fields, 3, path.c_str(), pxfFileTypIndexDB), 0);
    PX_set_value(doc, "numprimkeys", 1);
    const std::pair<double, const char*> rows[] = {{1, "Kelp Ltd"}, {2, "Reef plc"}};
    for (const auto& [no, company] : rows) {
        std::vector<char> record(size_t(PX_get_recordsize(doc)), 0);
        PX_put_data_double(doc, record.data(), 8, no);
        std::string name = company;
        PX_put_data_alpha(doc, record.data() + 8, 30, name.data());
        PX_put_data_long(doc, record.data() + 38, 4, PX_GregorianToSdn(2024, 2, 29) - 1721425);
        ASSERT_GE(PX_put_record(doc, record.data()), 0);
    }
    PX_close(doc);
    PX_delete(doc);
}

// customer.dbf: CUSTNO (N 10.2), COMPANY (C 30), with two rows.
void MakeDbaseCustomer(const std::string& path) {
    DBFHandle dbf = DBFCreate(path.c_str());
    ASSERT_NE(dbf, nullptr);
    DBFAddField(dbf, "CUSTNO", FTDouble, 10, 2);
    DBFAddField(dbf, "COMPANY", FTString, 30, 0);
    DBFAddNativeFieldType(dbf, "SINCE", 'D', 8, 0);
    DBFAddNativeFieldType(dbf, "ACTIVE", 'L', 1, 0);
    DBFWriteDoubleAttribute(dbf, 0, 0, 1);
    DBFWriteStringAttribute(dbf, 0, 1, "Kelp Ltd");
    char date[] = "20240229";  // a date is its digits, written as they are
    DBFWriteAttributeDirectly(dbf, 0, 2, date);
    DBFWriteLogicalAttribute(dbf, 0, 3, 'T');
    DBFWriteDoubleAttribute(dbf, 1, 0, 2);
    DBFWriteStringAttribute(dbf, 1, 1, "Reef plc");
    DBFWriteNULLAttribute(dbf, 1, 2);
    DBFWriteLogicalAttribute(dbf, 1, 3, 'F');
    DBFClose(dbf);
}

const std::string kForm = datatest::Form({testsupport::Dfm(
    "object Table1: TTable", {"DatabaseName = 'DATA'", "TableName = 'customer'"},
    {testsupport::Dfm("object Table1Company: TStringField", {"FieldName = 'Company'"})})});

class Standard : public datatest::DataTest {
protected:
    std::string Folder(const std::string& name) {
        const std::string folder = home.File(name);
        EXPECT_EQ(::mkdir(folder.c_str(), 0700), 0);
        return folder;
    }
};

TEST_F(Standard, TheSameFormOverParadoxAndDbase) {
    const std::string px = Folder("paradox");
    MakeParadoxCustomer(px + "/customer.db");
    // The secondary index on Company.
    testsupport::WriteFile(px + "/CUSTOMER.X02", pxtest::SecondaryBytes({{{"Sec Key", pxtest::kAlpha, 30},
                                                                          {"CustNo", pxtest::kNumber, 8},
                                                                          {"Hint", pxtest::kShort, 2}},
                                                                         {2, 1, 0}, "", 9, false}));
    const std::string dbf = Folder("dbase");
    MakeDbaseCustomer(dbf + "/customer.dbf");
    const std::string before = testsupport::ReadFile(px + "/customer.db") + testsupport::ReadFile(dbf + "/customer.dbf");

    ASSERT_EQ(dbe::Engine().AddAlias("DATA", "", "PATH:" + px, true), 0);
    Lines tree = Relations(Load(kForm));
    EXPECT_EQ(ChildrenOf(tree, "Fields List"), (Lines{"CustNo", "Company", "Since"}));
    EXPECT_EQ(ChildrenOf(tree, "CustNo"), (Lines{"Field Type : Float 0", "Primary Key"}));
    EXPECT_EQ(ChildrenOf(tree, "Company"), (Lines{"Field Type : String 30", "Indexed : Index Name Company",
                                                  "Table1Company : TStringField;"}));
    EXPECT_EQ(ChildrenOf(tree, "Index List"), (Lines{"Primary : CustNo", "Company : Company"}));
    auto* table = Find<vcl::TTable>("Table1");
    table->Open();
    EXPECT_EQ(table->FieldCount(), 1);  // the persistent field, bound to its column
    EXPECT_FALSE(table->First());       // described, never read
    table->Close();

    dbe::Engine().DeleteAlias("DATA");
    dbe::Engine().AddAlias("DATA", "", "PATH:" + dbf, true);
    tree = Relations(Load(kForm));
    EXPECT_EQ(ChildrenOf(tree, "Fields List"), (Lines{"CUSTNO", "COMPANY", "SINCE", "ACTIVE"}));
    EXPECT_EQ(ChildrenOf(tree, "CUSTNO"), (Lines{"Field Type : Float 0"}));
    EXPECT_EQ(ChildrenOf(tree, "COMPANY"), (Lines{"Field Type : String 30", "Table1Company : TStringField;"}));
    EXPECT_EQ(ChildrenOf(tree, "SINCE"), (Lines{"Field Type : Date 0"}));
    EXPECT_EQ(ChildrenOf(tree, "ACTIVE"), (Lines{"Field Type : Boolean 0"}));
    EXPECT_TRUE(ChildrenOf(tree, "Index List").empty());
    // Its table type gives a name without extension the file it means.
    Load("object Form1: TForm1\n  object Table1: TTable\n    DatabaseName = 'DATA'\n    TableName = 'customer'\n"
         "    TableType = ttDBase\n  end\nend\n");
    EXPECT_EQ(Find<vcl::TTable>("Table1")->EngineTableName(), "customer.dbf");
    Find<vcl::TTable>("Table1")->FieldDefs().Update();
    EXPECT_EQ(Find<vcl::TTable>("Table1")->FieldDefs().Count(), 4);
    // Without persistent fields the dataset makes one per column.
    Load("object Form1: TForm1\n  object Table1: TTable\n    DatabaseName = 'DATA'\n    TableName = 'CUSTOMER.DBF'\n  end\nend\n");
    table = Find<vcl::TTable>("Table1");
    table->Open();
    EXPECT_EQ(table->FieldCount(), 4);
    EXPECT_EQ(table->Fields(2)->DataType(), dbe::ftDate);
    table->Close();

    EXPECT_EQ(testsupport::ReadFile(px + "/customer.db") + testsupport::ReadFile(dbf + "/customer.dbf"), before);
}

TEST_F(Standard, FolderTablesListAndResolveByExtension) {
    const std::string folder = Folder("mixed");
    MakeParadoxCustomer(folder + "/Customer.DB");
    MakeDbaseCustomer(folder + "/orders.dbf");
    testsupport::WriteFile(folder + "/notes.txt", "not a table");
    ASSERT_EQ(dbe::Engine().AddAlias("MIXED", "", "PATH:" + folder + "/", true), 0);
    auto db = dbe::Engine().OpenDatabase("MIXED", nullptr);
    Lines names;
    for (const auto& t : db->Tables(true)) names.push_back(t.name + " " + t.type);
    EXPECT_EQ(names, (Lines{"Customer.DB PARADOX", "orders.dbf DBASE"}));
    EXPECT_EQ(db->Fields("customer").size(), 3u);
    EXPECT_EQ(db->Fields("CUSTOMER.db").size(), 3u);
    EXPECT_EQ(db->Fields("ORDERS").size(), 4u);
    EXPECT_EQ(db->Fields("C:\\DATA\\ORDERS.DBF").size(), 4u);
    EXPECT_THROW(db->Fields("customer.dbf"), vcl::EDBEngineError);
    EXPECT_THROW(db->Fields("notes.txt"), vcl::EDBEngineError);
    // Local SQL over the folder's tables, by file name or base name.
    const dbe::TPrepared p = db->PrepareQuery("select c.Company, o.COMPANY as Other from \"CUSTOMER.DB\" c, orders o "
                                              "where c.CustNo = o.CUSTNO and c.CustNo = :No");
    EXPECT_EQ(p.ParamNames(), (Lines{"No"}));
    ASSERT_EQ(p.columns.size(), 2u);
    EXPECT_EQ(p.columns[0].type, dbe::ftString);
    EXPECT_EQ(p.columns[0].size, 30);
    EXPECT_THROW(db->PrepareQuery("select * from nosuch"), vcl::EDBEngineError);
    // A folder named directly as the database works without an alias.
    EXPECT_EQ(dbe::Engine().OpenDatabase(folder, nullptr)->DriverName(), "STANDARD");
}

}  // namespace
