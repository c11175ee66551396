// Every real form of the corpus through the data relations tool, with DBDEMOS made from the
// bundled sample script: a tree or an engine error, never anything else; the forms on DBDEMOS
// tables show their real fields and indexes.
#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/data/DataTestSupport.h"

namespace {

class DataCorpus : public datatest::DataTest {};

TEST_F(DataCorpus, EveryFormGivesATreeOrAnEngineError) {
    AddDatabase(testsupport::ReadFile(std::string(TAVRIN_SOURCE_DIR) + "/examples/sampledb/dbdemos.sql"), "DBDEMOS");
    int forms = 0, trees = 0, engineErrors = 0, demoTables = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TAVRIN_FORMS_DIR)) {
        const std::string path = entry.path().string();
        const std::string ext = vcl::LowerCase(entry.path().extension().string());
        if (ext != ".dfm" && ext != ".lfm" && ext != ".xfm") continue;
        try {
            file = formfile::TFormFile::Load(path);
        } catch (const vcl::EParserError&) {
            continue;  // a damaged file: the form file tests see to those
        }
        ++forms;
        const std::string before = testsupport::ReadFile(path);
        datatest::Lines tree;
        try {
            tree = Relations(file->Root());
        } catch (const vcl::EDatabaseError& e) {  // engine errors included
            ++engineErrors;
            EXPECT_FALSE(e.Message().empty()) << path;
            continue;
        }
        if (!tree.empty()) ++trees;
        // A table on DBDEMOS names a table of the sample: its fields and indexes are real.
        for (size_t i = 0; i + 2 < tree.size(); ++i) {
            if (!vcl::SameText(tree[i], "\t\t\tDataBaseName : DBDEMOS") || tree[i + 1].rfind("\t\t\tTableName : ", 0) != 0)
                continue;
            ++demoTables;
            bool fields = false;
            for (size_t j = i; j < tree.size() && tree[j] != "\t\tIndex List"; ++j)
                fields = fields || tree[j].rfind("\t\t\t\tField Type : ", 0) == 0;
            EXPECT_TRUE(fields) << path << ": " << tree[i + 1];
        }
        EXPECT_EQ(testsupport::ReadFile(path), before);
        file.reset();
    }
    EXPECT_GT(forms, 100);
    EXPECT_GT(trees, 20);
    EXPECT_GT(demoTables, 10);
    EXPECT_LT(engineErrors, 10);
}

// The tables classic demo forms open, with the keys and indexes the sample's script gives them.
TEST_F(DataCorpus, TheSampleHoldsTheClassicTablesWithTheirKeys) {
    AddDatabase(testsupport::ReadFile(std::string(TAVRIN_SOURCE_DIR) + "/examples/sampledb/dbdemos.sql"), "DBDEMOS");
    const std::vector<std::pair<std::string, datatest::Lines>> tables = {
        {"customer", {"Primary : CustNo", "ByCompany : Company"}},
        {"orders", {"Primary : OrderNo", "CustNo : CustNo"}},
        {"items", {"Primary : OrderNo;ItemNo", "ByPartNo : PartNo"}},
        {"parts", {"Primary : PartNo", "ByVendor : VendorNo"}},
        {"vendors", {"Primary : VendorNo"}},
        {"employee", {"Primary : EmpNo", "ByName : LastName;FirstName"}},
        {"country", {"Primary : Name"}},
        {"animals", {}},
        {"biolife", {"Primary : Species No"}},
        {"events", {"Primary : EventNo", "ByDate : Event_Date"}},
        {"venues", {"Primary : VenueNo"}},
        {"custoly", {"Primary : CustNo", "ByLastName : Last_Name;First_Name"}},
        {"holdings", {"ByAccount : ACCT_NBR"}},
        {"master", {"Primary : SYMBOL"}},
        {"industry", {"Primary : IND_CODE"}},
        {"reservat", {"Primary : ResNo", "ByEvent : EventNo", "ByCustomer : CustNo"}},
        {"clients", {"Primary : ACCT_NBR"}},
    };
    std::string form = "object Demo: TForm\n";
    for (size_t i = 0; i < tables.size(); ++i)
        form += "  object T" + std::to_string(i) + ": TTable\n    DatabaseName = 'DBDEMOS'\n    TableName = '" +
                tables[i].first + "'\n  end\n";
    const datatest::Lines tree = Relations(Load(form + "end\n"));
    for (size_t i = 0; i < tables.size(); ++i) {
        const datatest::Lines table = datatest::Subtree(tree, "T" + std::to_string(i) + " : TTable;");
        EXPECT_FALSE(datatest::ChildrenOf(table, "Fields List").empty()) << tables[i].first;
        datatest::Lines indexes = datatest::ChildrenOf(table, "Index List");
        datatest::Lines expected = tables[i].second;
        std::sort(indexes.begin(), indexes.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(indexes, expected) << tables[i].first;
    }
}

}  // namespace
