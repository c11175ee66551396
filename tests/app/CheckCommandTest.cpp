// `tavrinqa check` as a user runs it: on the examples it reports, exits by
// what it found, and leaves every file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

using testsupport::Outcome;

Outcome Check(const testsupport::TempDir& dir, const std::string& args) {
    const std::string errFile = dir.File("stderr");
    const std::string cmd = std::string("cd '") + dir.Path() + "' && '" + TAVRINQA_BINARY + "' check " + args;
    return testsupport::RunShell(cmd, errFile);
}

// Every file under dir with its bytes and time of change.
std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> Snapshot(const std::string& dir) {
    std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        if (e.is_regular_file()) files[e.path().string()] = {testsupport::ReadFile(e.path().string()), e.last_write_time()};
    return files;
}

TEST(CheckCommand, ExamplesAreReportedRelativeToTheFolderAndNothingIsWritten) {
    testsupport::TempDir dir;
    std::filesystem::copy(std::string(TAVRIN_SOURCE_DIR) + "/examples", dir.File("examples"),
                          std::filesystem::copy_options::recursive);
    const auto before = Snapshot(dir.Path() + "/examples");
    Outcome r = Check(dir, "examples --fail-on note");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("examples/Customer.dfm:"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("3 forms checked"), std::string::npos) << r.err;
    EXPECT_EQ(Check(dir, "examples --format yaml").status, 2);
    EXPECT_EQ(Snapshot(dir.Path() + "/examples"), before);
}

// Rules on and off, the least severity and colour from the command line; mistakes are usage
// errors that name what is wrong. (Its help is the conventions test's; exit statuses by finding
// and the formats are the checker's own tests'.)
TEST(CheckCommand, OptionsChooseRulesSeverityAndColour) {
    testsupport::TempDir dir;
    std::filesystem::copy(std::string(TAVRIN_SOURCE_DIR) + "/examples", dir.File("examples"),
                          std::filesystem::copy_options::recursive);
    std::filesystem::create_directories(dir.File("empty/sub"));
    auto rules = [&](const std::string& args) {
        const Outcome r = Check(dir, "examples --format json --fail-on none " + args);
        EXPECT_EQ(r.status, 0) << args << r.err;
        std::multiset<std::string> out;
        const nlohmann::json report = nlohmann::json::parse(r.out);
        for (const auto& f : report["findings"])
            out.insert(f["severity"].get<std::string>() + " " + f["rule"].get<std::string>());
        return out;
    };
    const auto all = rules("");
    EXPECT_EQ(all.count("note tab-reading-order"), 2u);
    EXPECT_EQ(rules("--disable tab-reading-order").count("note tab-reading-order"), 0u);
    EXPECT_GT(rules("--enable hint-focusable,accel-duplicate").count("note hint-focusable"), 0u);
    for (const auto& found : rules("--min-severity warning")) EXPECT_FALSE(found.starts_with("note")) << found;
    EXPECT_LT(rules("--min-severity warning").size(), all.size());

    for (const char* bad : {"examples --enable tab-reading-order,no-such-rule", "examples --disable Tab", "empty",
                            "examples --color sometimes", "examples --min-severity info",
                            "examples --format json -o report.json"}) {
        const Outcome r = Check(dir, bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_EQ(r.out, "") << bad;
    }
    EXPECT_NE(Check(dir, "examples --disable Tab").err.find("no rule is called 'Tab'"), std::string::npos);
    EXPECT_NE(Check(dir, "examples empty").err.find("empty: no form files"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("report.json")));

    EXPECT_NE(Check(dir, "examples --color always").out.find("\033[1;36mnote:\033[0m"), std::string::npos);
    EXPECT_EQ(Check(dir, "examples").out.find('\033'), std::string::npos);  // a pipe
}

// The data rules against the sample database the build makes (DBDEMOS): the example itself
// is clean, each wrong name is found at its property, and a database that cannot be opened
// judges nothing but what the file alone tells.
TEST(CheckCommand, DataWiringAgainstTheSampleDatabase) {
    testsupport::TempDir dir;
    const std::string example = testsupport::ReadFile(std::string(TAVRIN_SOURCE_DIR) + "/examples/CustomerOrders.dfm");
    auto edited = [&](std::vector<std::pair<std::string, std::string>> edits) {
        std::string text = example;
        for (auto& [from, to] : edits) {
            const size_t at = text.find(from);
            EXPECT_NE(at, std::string::npos) << from;
            if (at != std::string::npos) text.replace(at, from.size(), to);
        }
        return text;
    };
    testsupport::WriteFile(dir.File("a_good.dfm"), example);
    testsupport::WriteFile(dir.File("b_names.dfm"),
                           edited({{"DataField = 'city'", "DataField = 'Town'"},
                                   {"IndexFieldNames = 'CustNo'", "IndexFieldNames = 'CustNo;Region'"},
                                   {"MasterFields = 'CustNo'", "MasterFields = 'CustNum'"},
                                   {":MinAmount", ":MinAmt"},
                                   {"TableName = 'ORDERS.DB'", "TableName = 'ORDERS.DB'\n    Active = True"}}));
    testsupport::WriteFile(dir.File("c_refused.dfm"),
                           edited({{"customer.db", "nosuch.db"}, {"'from \"orders.db\"'", "'form \"orders.db\"'"}}));
    std::string offline = edited({{"TableName = 'ORDERS.DB'", "TableName = 'ORDERS.DB'\n    Active = True"},
                                  {"DataField = 'city'", "DataField = 'Town'"}});
    for (size_t at; (at = offline.find("'DBDEMOS'")) != std::string::npos;) offline.replace(at, 9, "'NOWHERE'");
    testsupport::WriteFile(dir.File("d_offline.dfm"), offline);
    // A database of the form's own named DBDEMOS is not the sample, and this one cannot be opened.
    testsupport::WriteFile(dir.File("e_own.dfm"),
                           edited({{"DataField = 'city'", "DataField = 'Town'"},
                                   {"  object Customers: TTable", "  object Own: TDatabase\n    DatabaseName = 'DBDEMOS'\n"
                                                                  "    DriverName = 'STANDARD'\n    Params.Strings = (\n"
                                                                  "      'PATH=nowhere')\n  end\n  object Customers: TTable"}}));

    const Outcome r = testsupport::RunShell("cd '" + dir.Path() + "' && '" + TAVRINQA_BINARY +
                                                "' check --format json . --home '" + dir.Path() + "'",
                                            dir.File("stderr"));
    EXPECT_EQ(r.status, 1) << r.err;
    std::multiset<std::string> found;
    const nlohmann::json report = nlohmann::json::parse(r.out);
    for (const auto& f : report["findings"])
        if (f["rule"].get<std::string>().starts_with("data-")) {
            // What the sample judged says so.
            EXPECT_EQ(f["message"].get<std::string>().find("in the bundled sample database") != std::string::npos,
                      f["rule"] != "data-active-stored")
                << f["message"];
            found.insert(f["file"].get<std::string>().substr(2, 1) + " " + f["rule"].get<std::string>() + " " +
                         f["component"].get<std::string>() + ":" + std::to_string(f["line"].get<int>()));
        }
    EXPECT_EQ(found, (std::multiset<std::string>{
                         "b data-field-unknown EditCity:35", "b data-index-unknown Orders:92",
                         "b data-index-unknown Orders:93", "b data-active-stored Orders:96",
                         "b data-query-invalid BigOrders:117", "c data-table-unknown Customers:74",
                         "c data-query-invalid BigOrders:110", "d data-active-stored Orders:96"}));
}

}  // namespace
