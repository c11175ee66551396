// The data side of the program as a user runs it: datainfo on the example form over the
// bundled sample database, the alias commands, the catalogue lists, and bad databases.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestSupport.h"

namespace {

const std::string kForm = std::string(TAVRIN_SOURCE_DIR) + "/examples/CustomerOrders.dfm";

using testsupport::Outcome;

using testsupport::Tavrinqa;

TEST(DataCommands, DatainfoPrintsTheExampleOverTheSampleDatabase) {
    testsupport::TempDir home;
    const std::string before = testsupport::ReadFile(kForm);
    Outcome r = Tavrinqa("datainfo '" + kForm + "' --print", home.Path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.find("{Data Information for CustomerOrdersForm : TCustomerOrdersForm;}\n"), 0u);
    for (const char* line : {"\n\tCustomers : TTable;\n", "\n\t\t\tTableName : customer.db\n",
                             "\n\t\t\tMastersource : CustomerSource = Source on Table : Customers\n",
                             "\n\t\t\t\tIndexed : Index Name ByCompany\n\t\t\t\tEditCompany : TDBEdit;\n",
                             "\n\t\t\t\tCustNo : Float\n\t\t\t\tMinAmount : Currency\n",
                             "\n\t\t\t\tPaidEdit : TDBEdit;\n\t\t\t\tOrdersAmountPaid : TCurrencyField;\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
    EXPECT_EQ(testsupport::ReadFile(kForm), before);
}

TEST(DataCommands, AliasesAreAddedListedAndRemoved) {
    testsupport::TempDir home;
    testsupport::TempDir data;
    const std::string db = data.File("work.sqlite");
    testsupport::WriteFile(db, "");
    Outcome listed = Tavrinqa("alias list", home.Path());
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out.find("DBDEMOS\tSQLITE\tPATH="), 0u);  // out of the box

    EXPECT_EQ(Tavrinqa("alias add Folder '" + data.Path() + "'", home.Path()).status, 0);
    EXPECT_EQ(Tavrinqa("alias add Work '" + db + "'", home.Path()).status, 0);
    EXPECT_EQ(Tavrinqa("alias add Uri 'file:" + db + "?mode=ro'", home.Path()).status, 0);
    EXPECT_EQ(Tavrinqa("alias add Work '" + db + "'", home.Path()).status, 1);  // the name is taken
    EXPECT_EQ(Tavrinqa("alias add Gone '" + data.File("missing") + "'", home.Path()).status, 2);
    EXPECT_EQ(Tavrinqa("alias add Net 'postgresql://tavrin@server:5433/db'", home.Path()).status, 0);
    EXPECT_EQ(Tavrinqa("alias add Secret 'postgresql://tavrin:pw@server/db'", home.Path()).status, 2);
    EXPECT_EQ(Tavrinqa("alias add Other 'mysql://server/db'", home.Path()).status, 2);
    EXPECT_EQ(Tavrinqa("alias add 'Bad:Name' '" + db + "'", home.Path()).status, 1);
    EXPECT_EQ(Tavrinqa("alias frobnicate", home.Path()).status, 2);
    listed = Tavrinqa("alias list", home.Path());
    EXPECT_NE(listed.out.find("Folder\tSTANDARD\tPATH=" + data.Path() + "\n"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("Work\tSQLITE\tPATH=" + db + "\n"), std::string::npos);
    EXPECT_NE(listed.out.find("Uri\tSQLITE\tPATH=file:"), std::string::npos);
    EXPECT_NE(listed.out.find("Net\tPOSTGRESQL\tPATH=postgresql://tavrin@server:5433/db\n"), std::string::npos);
    EXPECT_EQ(listed.out.find("Secret"), std::string::npos);  // a password is never kept

    EXPECT_EQ(Tavrinqa("alias remove work", home.Path()).status, 0);
    EXPECT_EQ(Tavrinqa("alias remove work", home.Path()).status, 1);
    EXPECT_EQ(Tavrinqa("alias list", home.Path()).out.find("Work\t"), std::string::npos);
    EXPECT_NE(testsupport::ReadFile(home.File("aliases.conf")).find("[Folder]\nDRIVER=STANDARD\n"), std::string::npos);
}

TEST(DataCommands, CatalogueListsPrintTheirRows) {
    testsupport::TempDir home;
    Outcome tables = Tavrinqa("catalogue tables DBDEMOS --extended", home.Path());
    ASSERT_EQ(tables.status, 0) << tables.err;
    EXPECT_EQ(tables.out.find("NAME\tEXTENSION\tTYPE\tVIEW\tSYSTEM\tFIELDS\tINDEXES\n"), 0u);
    EXPECT_NE(tables.out.find("\ncustomer\t\tTABLE\tFalse\tFalse\t13\t2\n"), std::string::npos) << tables.out;
    EXPECT_EQ(Tavrinqa("catalogue tables DBDEMOS", home.Path()).out.find("sqlite_master"), std::string::npos);
    EXPECT_NE(Tavrinqa("catalogue tables DBDEMOS --system", home.Path()).out.find("sqlite_master"), std::string::npos);
    Outcome fields = Tavrinqa("catalogue fields DBDEMOS BIOLIFE.DB", home.Path());
    EXPECT_NE(fields.out.find("\n7\tNotes\t3\t22\t50\t0\t"), std::string::npos) << fields.out;
    Outcome indexes = Tavrinqa("catalogue indexes DBDEMOS items", home.Path());
    EXPECT_NE(indexes.out.find("\n\tTrue\tTrue\tFalse\t2\tOrderNo;ItemNo\n"), std::string::npos) << indexes.out;
    EXPECT_EQ(Tavrinqa("catalogue procedures DBDEMOS", home.Path()).out, "NAME\n");
    EXPECT_NE(Tavrinqa("catalogue databases", home.Path()).out.find("\nDBDEMOS\t"), std::string::npos);

    Outcome unknown = Tavrinqa("catalogue fields NOSUCH customer", home.Path());
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "tavrinqa: EDBEngineError: Unknown database or alias 'NOSUCH'\n");
    EXPECT_EQ(Tavrinqa("catalogue fields DBDEMOS", home.Path()).status, 2);
    EXPECT_EQ(Tavrinqa("catalogue everything", home.Path()).status, 2);
}

// A database that is not there ends datainfo before its window (DatainfoTest) with the engine's
// message and status 1 (the catalogue's NOSUCH above).
TEST(DataCommands, AFormOverABadDatabaseLoadsWithAWarning) {
    testsupport::TempDir home;
    const std::string form = home.File("Bad.dfm");
    // Stored open, the dataset cannot open: the form loads, the tool runs, a warning says why.
    testsupport::WriteFile(form, "object F: TForm\n  object T: TTable\n    Active = True\n    DatabaseName = 'DBDEMOS'\n"
                                 "    TableName = 'nosuch'\n  end\n  object Q: TQuery\n    Active = True\n"
                                 "    DatabaseName = 'DBDEMOS'\n    SQL.Strings = (\n      'select 1 as One')\n  end\nend\n");
    const Outcome r = Tavrinqa("parentage '" + form + "' --print", home.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("tavrinqa: warning: T stays closed: Table 'nosuch' does not exist in "), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);  // the query opened
}

}  // namespace
