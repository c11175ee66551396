// The data side of the program as a user runs it: datainfo on the example form over the
// bundled sample database, the alias commands, the catalogue lists, and bad databases.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestSupport.h"

namespace {

const std::string kForm = std::string(TAVRIN_SOURCE_DIR) + "/examples/CustomerOrders.dfm";

using testsupport::Outcome;

// Runs tavrinqa with a shell-quoted argument string and its settings in home.
Outcome RunTavrinqa(const std::string& home, const std::string& args) {
    const std::string errFile = home + "/stderr";
    const std::string cmd = "TAVRINQA_HOME='" + home + "' " + TAVRINQA_BINARY + " " + args;
    return testsupport::RunShell(cmd, errFile);
}

TEST(DataCommands, DatainfoPrintsTheExampleOverTheSampleDatabase) {
    testsupport::TempDir home;
    const std::string before = testsupport::ReadFile(kForm);
    Outcome r = RunTavrinqa(home.Path(), "datainfo '" + kForm + "' --print");
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
    Outcome listed = RunTavrinqa(home.Path(), "alias list");
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out.find("DBDEMOS\tSQLITE\tPATH="), 0u);  // out of the box

    EXPECT_EQ(RunTavrinqa(home.Path(), "alias add Folder '" + data.Path() + "'").status, 0);
    EXPECT_EQ(RunTavrinqa(home.Path(), "alias add Work '" + db + "'").status, 0);
    EXPECT_EQ(RunTavrinqa(home.Path(), "alias add Uri 'file:" + db + "?mode=ro'").status, 0);
    EXPECT_EQ(RunTavrinqa(home.Path(), "alias add Work '" + db + "'").status, 1);  // the name is taken
    EXPECT_EQ(RunTavrinqa(home.Path(), "alias add Gone '" + data.File("missing") + "'").status, 2);
    EXPECT_EQ(RunTavrinqa(home.Path(), "alias add Net 'postgresql://tavrin@server:5433/db'").status, 0);
    EXPECT_EQ(RunTavrinqa(home.Path(), "alias add Secret 'postgresql://tavrin:pw@server/db'").status, 2);
    EXPECT_EQ(RunTavrinqa(home.Path(), "alias add Other 'mysql://server/db'").status, 2);
    EXPECT_EQ(RunTavrinqa(home.Path(), "alias add 'Bad:Name' '" + db + "'").status, 1);
    EXPECT_EQ(RunTavrinqa(home.Path(), "alias frobnicate").status, 2);
    listed = RunTavrinqa(home.Path(), "alias list");
    EXPECT_NE(listed.out.find("Folder\tSTANDARD\tPATH=" + data.Path() + "\n"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("Work\tSQLITE\tPATH=" + db + "\n"), std::string::npos);
    EXPECT_NE(listed.out.find("Uri\tSQLITE\tPATH=file:"), std::string::npos);
    EXPECT_NE(listed.out.find("Net\tPOSTGRESQL\tPATH=postgresql://tavrin@server:5433/db\n"), std::string::npos);
    EXPECT_EQ(listed.out.find("Secret"), std::string::npos);  // a password is never kept

    EXPECT_EQ(RunTavrinqa(home.Path(), "alias remove work").status, 0);
    EXPECT_EQ(RunTavrinqa(home.Path(), "alias remove work").status, 1);
    EXPECT_EQ(RunTavrinqa(home.Path(), "alias list").out.find("Work\t"), std::string::npos);
    EXPECT_NE(testsupport::ReadFile(home.File("aliases.conf")).find("[Folder]\nDRIVER=STANDARD\n"), std::string::npos);
}

TEST(DataCommands, CatalogueListsPrintTheirRows) {
    testsupport::TempDir home;
    Outcome tables = RunTavrinqa(home.Path(), "catalogue tables DBDEMOS --extended");
    ASSERT_EQ(tables.status, 0) << tables.err;
    EXPECT_EQ(tables.out.find("NAME\tEXTENSION\tTYPE\tVIEW\tSYSTEM\tFIELDS\tINDEXES\n"), 0u);
    EXPECT_NE(tables.out.find("\ncustomer\t\tTABLE\tFalse\tFalse\t13\t2\n"), std::string::npos) << tables.out;
    EXPECT_EQ(RunTavrinqa(home.Path(), "catalogue tables DBDEMOS").out.find("sqlite_master"), std::string::npos);
    EXPECT_NE(RunTavrinqa(home.Path(), "catalogue tables DBDEMOS --system").out.find("sqlite_master"), std::string::npos);
    Outcome fields = RunTavrinqa(home.Path(), "catalogue fields DBDEMOS BIOLIFE.DB");
    EXPECT_NE(fields.out.find("\n7\tNotes\t3\t22\t50\t0\t"), std::string::npos) << fields.out;
    Outcome indexes = RunTavrinqa(home.Path(), "catalogue indexes DBDEMOS items");
    EXPECT_NE(indexes.out.find("\n\tTrue\tTrue\tFalse\t2\tOrderNo;ItemNo\n"), std::string::npos) << indexes.out;
    EXPECT_EQ(RunTavrinqa(home.Path(), "catalogue procedures DBDEMOS").out, "NAME\n");
    EXPECT_NE(RunTavrinqa(home.Path(), "catalogue databases").out.find("\nDBDEMOS\t"), std::string::npos);

    Outcome unknown = RunTavrinqa(home.Path(), "catalogue fields NOSUCH customer");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "tavrinqa: EDBEngineError: Unknown database or alias 'NOSUCH'\n");
    EXPECT_EQ(RunTavrinqa(home.Path(), "catalogue fields DBDEMOS").status, 2);
    EXPECT_EQ(RunTavrinqa(home.Path(), "catalogue everything").status, 2);
}

TEST(DataCommands, FormsOverBadDatabasesFailClearlyAndLoadWithWarnings) {
    testsupport::TempDir home;
    const std::string form = home.File("Bad.dfm");
    testsupport::WriteFile(form, "object F: TForm\n  object T: TTable\n    DatabaseName = 'NOWHERE'\n"
                                 "    TableName = 'x.db'\n  end\nend\n");
    Outcome r = RunTavrinqa(home.Path(), "datainfo '" + form + "' --print");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tavrinqa: EDBEngineError: Unknown database or alias 'NOWHERE'\n");

    // Stored open, the dataset cannot open: the form loads, the tool runs, a warning says why.
    testsupport::WriteFile(form, "object F: TForm\n  object T: TTable\n    Active = True\n    DatabaseName = 'DBDEMOS'\n"
                                 "    TableName = 'nosuch'\n  end\n  object Q: TQuery\n    Active = True\n"
                                 "    DatabaseName = 'DBDEMOS'\n    SQL.Strings = (\n      'select 1 as One')\n  end\nend\n");
    r = RunTavrinqa(home.Path(), "parentage '" + form + "' --print");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("tavrinqa: warning: T stays closed: Table 'nosuch' does not exist in "), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);  // the query opened
}

}  // namespace
