// Forms and data folders are untrusted: what a form stores is described, never run, a form
// never names a server or changes a limit, and damaged or special files are errors, never a
// crash or a wait without end.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "host/db/ParadoxHeader.h"
#include "tests/data/DataTestSupport.h"

namespace {

using datatest::Lines;
using testsupport::ErrorOf;
using testsupport::Has;

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

class Untrusted : public datatest::DataTest {};

TEST_F(Untrusted, AFormsSqliteStatementsArePreparedAndNeverRun) {
    const std::string path = AddDatabase(datatest::kCustomerSql);
    const std::string before = testsupport::ReadFile(path);
    const std::string stolen = home.File("stolen.db"), attached = home.File("attached.db");
    auto query = [](const std::string& name, const std::string& sql) {
        return testsupport::Dfm("object " + name + ": TQuery", {"Active = True", "DatabaseName = 'DATA'", datatest::Sql({sql})});
    };
    vcl::TComponent* form = Load(datatest::Form({query("Vacuum", "vacuum into '" + stolen + "'"),
                                                 query("Attach", "attach '" + attached + "' as other"),
                                                 query("Insert", "insert into customer values (3, 'Mole Inc')"),
                                                 query("Pragma", "pragma writable_schema = on"),
                                                 query("Reading", "select Company from customer where CustNo = 1")}));
    Relations(form);
    EXPECT_FALSE(Exists(stolen));
    EXPECT_FALSE(Exists(attached));
    EXPECT_EQ(testsupport::ReadFile(path), before);
    for (const char* name : {"Vacuum", "Attach", "Insert", "Pragma"}) EXPECT_FALSE(Find<vcl::TQuery>(name)->Active()) << name;
    ASSERT_EQ(warnings.size(), 4u);
    for (const std::string& w : warnings) EXPECT_NE(w.find("not prepared"), std::string::npos) << w;
    // The reading statement is open as the IDE shows it: its field, and no row read.
    auto* reading = Find<vcl::TQuery>("Reading");
    EXPECT_TRUE(reading->Active());
    EXPECT_EQ(reading->FieldCount(), 1);
    EXPECT_FALSE(reading->First());
}

TEST_F(Untrusted, AFormsDatabaseNamesAFolderOrFileNeverAServerNorItsLimits) {
    const std::string path = AddDatabase(datatest::kCustomerSql);
    auto resolve = [&](const std::string& driverAndParams) {
        vcl::TComponent* form = Load("object Form1: TForm1\n  object Db: TDatabase\n    DatabaseName = 'Mine'\n" +
                                     driverAndParams + "  end\nend\n");
        return dbe::Engine().ResolveDatabase("Mine", form);
    };
    const dbe::TAlias local = resolve("    DriverName = 'SQLITE'\n    Params.Strings = (\n      'PATH=" + path +
                                      "'\n      'STATEMENT TIMEOUT=100000'\n      'CONNECT TIMEOUT=0'\n"
                                      "      'SERVER NAME=evil.example'\n      'READ ONLY=FALSE')\n");
    EXPECT_EQ(local.driver, "SQLITE");
    EXPECT_EQ(local.params, (dbe::TParamList{{"PATH", path}}));
    for (const std::string& hostile :
         {std::string("    DriverName = 'POSTGRESQL'\n    Params.Strings = (\n      'PATH=postgresql://me@db/x')\n"),
          std::string("    DriverName = 'POSTGRESQL'\n    Params.Strings = (\n      'SERVER NAME=/run/postgresql')\n"),
          std::string("    DriverName = 'SQLITE'\n    Params.Strings = (\n      'PATH=file:" + path + "?mode=rw')\n"),
          std::string("    DriverName = 'SQLITE'\n    Params.Strings = (\n      'DATABASE NAME=postgres://db/x')\n")}) {
        EXPECT_TRUE(Has(ErrorOf<vcl::EDBEngineError>([&] { resolve(hostile); }), "only through your own aliases"));
    }
}

// A copy of a real Paradox table, shortened or damaged in each way a reader could trip on.
TEST_F(Untrusted, DamagedParadoxTablesAreErrorsNamingTheFile) {
    const std::string wines = std::string(TAVRIN_SOURCE_DIR) + "/../shared/data/paradox-wines/Wines.DB";
    if (!Exists(wines)) {
        if (std::getenv("TAVRIN_REQUIRE_FORMS") != nullptr) FAIL() << wines << " is missing";
        GTEST_SKIP() << wines << " is missing";
    }
    const std::string good = testsupport::ReadFile(wines);
    const dbe::TParadoxHeader header = dbe::ParseParadoxHeader(good, "Wines.DB");
    Lines fields;
    for (const auto& f : header.fields) fields.push_back(f.name + " " + dbe::ParadoxDeclaredType(f));
    EXPECT_EQ(fields, (Lines{"Name VARCHAR(32)", "Number FLOAT", "Source VARCHAR(32)", "Vintage VARCHAR(4)", "Purchased DATE"}));
    EXPECT_EQ(header.keyFields, 1);
    EXPECT_EQ(header.codePage, 1252);

    const std::string folder = home.File("tables");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    auto damaged = [&](const std::string& name, std::string bytes) {
        testsupport::WriteFile(folder + "/" + name + ".db", bytes);
        return bytes;
    };
    std::vector<std::pair<std::string, std::string>> cases;
    for (size_t cut : {size_t(0), size_t(0x20), size_t(0x60), size_t(0x80), size_t(0xA0), size_t(0xEB)})
        cases.emplace_back("cut" + std::to_string(cut), good.substr(0, cut));
    std::string manyFields = good;
    manyFields[0x21] = '\xff';
    manyFields[0x22] = '\xff';
    cases.emplace_back("manyfields", manyFields);
    std::string badType = good;
    badType[0x78] = '\x42';
    cases.emplace_back("badtype", badType);
    std::string noNames = good;
    std::fill(noNames.begin() + 0xE9, noNames.begin() + 0x800, 'x');
    cases.emplace_back("nonames", noNames);
    std::string longHeader = good;
    longHeader[0x02] = '\xff';
    longHeader[0x03] = '\xff';
    cases.emplace_back("longheader", longHeader);
    for (auto& [name, bytes] : cases) damaged(name, bytes);
    ASSERT_EQ(dbe::Engine().AddAlias("WINES", "", "PATH:" + folder, true), 0);
    auto db = dbe::Engine().OpenDatabase("WINES", nullptr);
    for (const auto& [name, bytes] : cases) {
        EXPECT_TRUE(Has(ErrorOf<vcl::EDBEngineError>([&] { db->Fields(name); }), folder + "/" + name + ".db"));
        EXPECT_EQ(testsupport::ReadFile(folder + "/" + name + ".db"), bytes) << name;
    }
}

// A FIFO or a device named like a table, a memo file or a database is never opened to wait.
TEST_F(Untrusted, SpecialFilesAreRefusedWithoutWaiting) {
    const std::string folder = home.File("special");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::mkfifo((folder + "/piped.db").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((folder + "/orders.mb").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (folder + "/zero.db").c_str()), 0);
    const std::string wines = std::string(TAVRIN_SOURCE_DIR) + "/../shared/data/paradox-wines/Wines.DB";
    if (Exists(wines)) testsupport::WriteFile(folder + "/orders.db", testsupport::ReadFile(wines));
    ASSERT_EQ(dbe::Engine().AddAlias("SPECIAL", "", "PATH:" + folder, true), 0);
    auto db = dbe::Engine().OpenDatabase("SPECIAL", nullptr);
    EXPECT_THROW(db->Fields("piped"), vcl::EDBEngineError);
    EXPECT_THROW(db->Fields("zero"), vcl::EDBEngineError);
    if (Exists(wines)) {
        EXPECT_EQ(db->Fields("orders").size(), 5u);  // its memo FIFO is never opened
    }
    ASSERT_EQ(dbe::Engine().AddAlias("PIPED", "SQLITE", "PATH:" + folder + "/piped.db", true), 0);
    EXPECT_TRUE(Has(ErrorOf<vcl::EDBEngineError>([] { dbe::Engine().OpenDatabase("PIPED", nullptr); }), "no regular file"));
}

}  // namespace
