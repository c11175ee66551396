// Index files of the standard driver: Paradox secondary indexes (.Xnn/.Ynn, .XGn/.YGn) and
// dBASE production (.mdx) and single (.ndx) indexes, read from their headers; files that are
// no index or are damaged are left out with a warning; damaged tables are engine errors; a
// table's memo file never matters. Real tables from ../shared/data are used on copies.
#include <sys/stat.h>

#include <filesystem>

#include "host/db/Dbase.h"
#include "host/db/EngineWarnings.h"
#include "host/db/ParadoxHeader.h"
#include "tests/data/DataTestSupport.h"
#include "tests/data/ParadoxFiles.h"

namespace {

using datatest::Lines;
using pxtest::Field;

const std::vector<Field> kCustomer = {{"CustNo", pxtest::kNumber, 8}, {"Company", pxtest::kAlpha, 30},
                                      {"City", pxtest::kAlpha, 20}, {"Since", pxtest::kDate, 4}};
const Field kHint{"Hint", pxtest::kShort, 2};

std::string SharedData() { return std::string(TAVRIN_SOURCE_DIR) + "/../shared/data"; }

class StandardIndex : public datatest::DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        dbe::SetWarningHandler([this](const std::string& w) { engineWarnings.push_back(w); });
        folder = home.File("tables");
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    }
    void TearDown() override {
        dbe::SetWarningHandler(nullptr);
        DataTest::TearDown();
    }
    std::string File(const std::string& name) const { return folder + "/" + name; }
    // Every index as "name: fields" with " primary", " unique", " descending" as they apply.
    Lines Indexes(const std::string& table) {
        Lines lines;
        for (const dbe::TIndexInfo& i : dbe::Engine().OpenDatabase(folder, nullptr)->Indexes(table))
            lines.push_back(i.name + ": " + i.FieldsText() + (i.primary ? " primary" : "") + (i.unique ? " unique" : "") +
                            (i.descending ? " descending" : ""));
        return lines;
    }
    bool Warned(const std::string& file) const {
        return std::any_of(engineWarnings.begin(), engineWarnings.end(),
                           [&](const std::string& w) { return w.find(file) != std::string::npos; });
    }
    // Copies the real tables of a folder of ../shared/data into the test's folder; false
    // without them.
    bool CopyShared(const std::string& name) {
        const std::string from = SharedData() + "/" + name;
        if (!std::filesystem::is_directory(from)) return false;
        for (const auto& e : std::filesystem::directory_iterator(from)) {
            const std::string to = File(e.path().filename().string());
            std::filesystem::copy_file(e.path(), to);
            std::filesystem::permissions(to, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
        }
        return true;
    }
    void SkipWithoutShared(const std::string& name) {
        if (CopyShared(name)) return;
        if (std::getenv("TAVRIN_REQUIRE_FORMS") != nullptr) FAIL() << "no " << SharedData() << "/" << name;
        GTEST_SKIP() << "no " << SharedData() << "/" << name;
    }

    std::string folder;
    std::vector<std::string> engineWarnings;
};

// A single-field index and a composite one, each with the index of its index file.
void WriteCustomerIndexes(const std::string& folder) {
    testsupport::WriteFile(folder + "/CUSTOMER.X02",
                           pxtest::SecondaryBytes({{{"Sec Key", pxtest::kAlpha, 30}, kCustomer[0], kHint}, {2, 1, 0}, "", 9, false}));
    testsupport::WriteFile(folder + "/CUSTOMER.Y02", pxtest::KeyIndexBytes({{"", pxtest::kAlpha, 30}, kCustomer[0]}, 4));
    pxtest::Secondary composite{{kCustomer[2], kCustomer[1], kCustomer[0], kHint}, {3, 2, 1, 0}, "ByPlace", 12, true};
    testsupport::WriteFile(folder + "/CUSTOMER.XG0", pxtest::SecondaryBytes(composite));
    testsupport::WriteFile(folder + "/CUSTOMER.YG0",
                           pxtest::KeyIndexBytes({kCustomer[2], kCustomer[1], kCustomer[0]}, 7));
}

TEST_F(StandardIndex, ParadoxSecondaryIndexesFromTheirHeaders) {
    pxtest::MakeTable(File("customer.db"), kCustomer, 1);
    WriteCustomerIndexes(folder);
    testsupport::WriteFile(File("CUSTOMER.PX"), pxtest::KeyIndexBytes({kCustomer[0]}, 1));
    EXPECT_EQ(Indexes("customer"),
              (Lines{": CustNo primary unique", "Company: Company", "ByPlace: City;Company descending"}));
    EXPECT_TRUE(engineWarnings.empty()) << engineWarnings[0];
}

TEST_F(StandardIndex, ParadoxFilesThatAreNoIndexAreLeftOutWithAWarning) {
    pxtest::MakeTable(File("customer.db"), kCustomer, 1);
    WriteCustomerIndexes(folder);
    testsupport::WriteFile(File("customer.X03"), "");                                   // empty
    testsupport::WriteFile(File("customer.X04"), pxtest::SecondaryBytes({{kCustomer[1], kCustomer[0], kHint}, {2, 1, 0}, "", 9, false}));  // says field 2
    std::string cut = pxtest::SecondaryBytes({{kCustomer[1], kCustomer[2], kCustomer[0], kHint}, {2, 3, 1, 0}, "Cut", 9, false});
    testsupport::WriteFile(File("customer.XG1"), cut.substr(0, 0x90));                 // cut inside its fields
    testsupport::WriteFile(File("customer.XG2"), pxtest::SecondaryBytes({{kCustomer[1], kCustomer[0], kHint}, {9, 1, 0}, "Far", 9, false}));
    testsupport::WriteFile(File("customer.XG3"), pxtest::SecondaryBytes({{kCustomer[1], kCustomer[0], kHint}, {2, 1, 0}, "NoY", 9, false}));
    testsupport::WriteFile(File("customer.YG3"), std::string(300, '\x7f'));           // its index is damaged
    testsupport::WriteFile(File("customer.px"), "not an index");
    EXPECT_EQ(Indexes("customer"),
              (Lines{": CustNo primary unique", "Company: Company", "ByPlace: City;Company descending"}));
    for (const char* file : {"customer.X03", "customer.X04", "customer.XG1", "customer.XG2", "customer.YG3", "customer.px"}) {
        EXPECT_TRUE(Warned(file)) << file;
    }
    EXPECT_EQ(engineWarnings.size(), 6u);
    for (const std::string& w : engineWarnings) {
        EXPECT_TRUE(w.find("left out") != std::string::npos || w.find("described from the table") != std::string::npos) << w;
    }
    // Once a file, however often the indexes are asked for.
    Indexes("customer");
    EXPECT_EQ(engineWarnings.size(), 6u);
    // A file that reads must be one of this table: the same header beside another table is not.
    pxtest::MakeTable(File("parts.db"), {{"PartNo", pxtest::kNumber, 8}, {"Name", pxtest::kAlpha, 10}}, 1);
    std::filesystem::copy_file(File("CUSTOMER.X02"), File("parts.X02"));
    EXPECT_EQ(Indexes("parts"), (Lines{": PartNo primary unique"}));
    EXPECT_TRUE(Warned("parts.X02"));
}

TEST_F(StandardIndex, RealParadoxTableWithItsPrimaryIndex) {
    SkipWithoutShared("paradox-wines");
    const Lines indexes = Indexes("Wines");
    ASSERT_EQ(indexes.size(), 1u);
    EXPECT_NE(indexes[0].find(" primary unique"), std::string::npos) << indexes[0];
    EXPECT_TRUE(engineWarnings.empty()) << engineWarnings[0];
    // The primary index of a table of other key fields does not fit.
    const dbe::TParadoxHeader wines = dbe::ReadParadoxHeader(File("Wines.DB"));
    dbe::TParadoxHeader other = wines;
    other.fields[0].size += 1;
    EXPECT_NO_THROW(dbe::ReadParadoxKeyIndex(File("Wines.PX"), wines, false));
    EXPECT_THROW(dbe::ReadParadoxKeyIndex(File("Wines.PX"), other, false), vcl::EDBEngineError);
    EXPECT_THROW(dbe::ReadParadoxKeyIndex(File("Wines.PX"), wines, true), vcl::EDBEngineError);  // no .Ynn
}

TEST_F(StandardIndex, RealDbaseProductionIndexesAndSingleIndexes) {
    SkipWithoutShared("dbase-addressbook");
    EXPECT_EQ(Indexes("mybook"), (Lines{"LASTNAME: LASTNAME"}));
    EXPECT_EQ(Indexes("mybook2.dbf"), (Lines{"LASTNAME: LASTNAME"}));
    testsupport::WriteFile(File("byname.ndx"), pxtest::NdxBytes("LASTNAME + firstname", true));
    testsupport::WriteFile(File("bytown.ndx"), pxtest::NdxBytes("UPPER(TOWN)+DTOS(BORN)"));  // BORN is no field
    testsupport::WriteFile(File("place.NDX"), pxtest::NdxBytes("UPPER(TOWN)+\"x\""));
    testsupport::WriteFile(File("other.ndx"), pxtest::NdxBytes("CUSTNO"));
    EXPECT_EQ(Indexes("mybook"), (Lines{"LASTNAME: LASTNAME", "byname.ndx: LASTNAME;FIRSTNAME unique",
                                        "place.NDX: UPPER(TOWN)+\"x\""}));
    EXPECT_TRUE(engineWarnings.empty()) << engineWarnings[0];

    // Damaged index files are left out with a warning; the table still describes.
    std::string mdx = testsupport::ReadFile(File("mybook.mdx"));
    testsupport::WriteFile(File("mybook.mdx"), mdx.substr(0, 600));
    testsupport::WriteFile(File("bad.ndx"), "short");
    EXPECT_EQ(Indexes("mybook"), (Lines{"byname.ndx: LASTNAME;FIRSTNAME unique", "place.NDX: UPPER(TOWN)+\"x\""}));
    EXPECT_TRUE(Warned("mybook.mdx"));
    EXPECT_TRUE(Warned("bad.ndx"));
    EXPECT_EQ(dbe::Engine().OpenDatabase(folder, nullptr)->Fields("mybook").size(), 11u);
    ASSERT_EQ(::mkfifo(File("mybook2.mdx.tmp").c_str(), 0600), 0);
    std::filesystem::remove(File("mybook2.mdx"));
    std::filesystem::rename(File("mybook2.mdx.tmp"), File("mybook2.mdx"));
    // A FIFO named like an index is never opened: no tags, and no wait.
    for (const std::string& index : Indexes("mybook2")) EXPECT_EQ(index.find("LASTNAME: LASTNAME"), std::string::npos) << index;
}

TEST_F(StandardIndex, KeyExpressions) {
    const std::vector<std::string> fields = {"LASTNAME", "FirstName", "TOWN"};
    EXPECT_EQ(dbe::KeyExpressionFields("lastname", fields), (Lines{"LASTNAME"}));
    EXPECT_EQ(dbe::KeyExpressionFields(" TOWN +LASTNAME+firstname ", fields), (Lines{"TOWN", "LASTNAME", "FirstName"}));
    EXPECT_TRUE(dbe::KeyExpressionFields("UPPER(TOWN)", fields).empty());
    EXPECT_TRUE(dbe::KeyExpressionFields("TOWN+", fields).empty());
    EXPECT_TRUE(dbe::KeyExpressionFields("TOWN+ZIP", fields).empty());
    EXPECT_EQ(dbe::ExpressionNames("UPPER(NAME) + DTOS( BORN)+'A+B'+STR(AGE,3)"), (Lines{"NAME", "BORN", "AGE"}));
}

// Every cut of a header, and every byte of it changed, is read or refused with an engine
// error naming the file: never a crash, never a loop that does not end.
TEST_F(StandardIndex, DamagedHeadersAreEngineErrorsNamingTheFile) {
    pxtest::MakeTable(File("customer.db"), kCustomer, 1);
    const std::string table = testsupport::ReadFile(File("customer.db"));
    const dbe::TParadoxHeader header = dbe::ParseParadoxHeader(table, "customer.db");
    const std::string x = pxtest::SecondaryBytes({{kCustomer[2], kCustomer[1], kCustomer[0], kHint}, {3, 2, 1, 0}, "ByPlace", 9, false});
    const std::string ndx = pxtest::NdxBytes("LASTNAME");
    int refused = 0;
    auto expectNamed = [&](auto read, const std::string& name) {
        try {
            read();
        } catch (const vcl::EDBEngineError& e) {
            ++refused;
            EXPECT_NE(e.Message().find(name), std::string::npos) << e.Message();
        }
    };
    for (size_t cut = 0; cut < 0x300; ++cut) {
        expectNamed([&] { dbe::ParseParadoxHeader(std::string_view(table).substr(0, cut), "t.db"); }, "t.db");
        expectNamed([&] { dbe::ParseParadoxIndex(std::string_view(x).substr(0, cut), "t.XG0", header, true); }, "t.XG0");
        expectNamed([&] { dbe::ParseNdx(std::string_view(ndx).substr(0, cut), "t.ndx"); }, "t.ndx");
    }
    EXPECT_GE(refused, 3 * 0x100);
    for (size_t at = 0; at < 0x200; ++at)
        for (char value : {'\0', '\x7f', '\xff'}) {
            std::string changed = x;
            changed[at] = value;
            expectNamed([&] { dbe::ParseParadoxIndex(changed, "t.XG0", header, true); }, "t.XG0");
            changed = table;
            changed[at] = value;
            expectNamed([&] { dbe::ParseParadoxHeader(changed, "t.db"); }, "t.db");
        }
    // Truncated dBASE tables, through shapelib's reader behind our check.
    pxtest::MakeTable(File("x.db"), kCustomer, 0);
    const std::string dbf = SharedData() + "/dbase-lookup/months.dbf";
    if (std::filesystem::exists(dbf)) {
        const std::string bytes = testsupport::ReadFile(dbf);
        for (size_t cut : {size_t(0), size_t(10), size_t(31), size_t(32), size_t(60), size_t(64), bytes.size() / 2}) {
            testsupport::WriteFile(File("cut.dbf"), bytes.substr(0, cut));
            expectNamed([&] { dbe::TDbaseFile file(File("cut.dbf")); }, "cut.dbf");
        }
    }
}

// A table with memo, binary and formatted memo fields describes from its header alone: its
// blob file (.MB) may be damaged or a FIFO. Run as a user runs the program.
TEST_F(StandardIndex, MemoTablesDescribeWhateverTheirBlobFile) {
    pxtest::MakeTable(File("notes.db"), {{"NoteNo", pxtest::kNumber, 8}, {"Body", pxtest::kMemo, 20},
                                         {"Picture", pxtest::kBlob, 10}, {"Styled", pxtest::kFmtMemo, 15}}, 1);
    const std::string form = home.File("Notes.dfm");
    testsupport::WriteFile(form, "object Form1: TForm1\n  object Notes: TTable\n    DatabaseName = '" + folder +
                                     "'\n    TableName = 'notes'\n  end\nend\n");
    for (const char* blob : {"", "damaged", "fifo"}) {
        std::filesystem::remove(File("notes.MB"));
        if (std::string(blob) == "damaged") testsupport::WriteFile(File("notes.MB"), std::string(5000, '\xee'));
        if (std::string(blob) == "fifo") {
            ASSERT_EQ(::mkfifo(File("notes.MB").c_str(), 0600), 0);
        }
        const testsupport::Outcome fields = testsupport::Tavrinqa("catalogue fields '" + folder + "' notes", home.Path());
        ASSERT_EQ(fields.status, 0) << blob << fields.err;
        EXPECT_NE(fields.out.find("\tBody\t3\t22\t10\t"), std::string::npos) << fields.out;        // memo, 10-byte leader
        EXPECT_NE(fields.out.find("\tPicture\t3\t23\t0\t"), std::string::npos) << fields.out;      // binary
        EXPECT_NE(fields.out.find("\tStyled\t3\t24\t5\t"), std::string::npos) << fields.out;       // formatted memo
        const testsupport::Outcome indexes = testsupport::Tavrinqa("catalogue indexes '" + folder + "' notes", home.Path());
        ASSERT_EQ(indexes.status, 0) << blob << indexes.err;
        EXPECT_NE(indexes.out.find("NoteNo"), std::string::npos) << indexes.out;
        const testsupport::Outcome tree = testsupport::Tavrinqa("datainfo '" + form + "' --print", home.Path());
        ASSERT_EQ(tree.status, 0) << blob << tree.err;
        for (const char* field : {"NoteNo", "Body", "Picture", "Styled"}) {
            EXPECT_NE(tree.out.find(field), std::string::npos) << tree.out;
        }
        EXPECT_EQ(tree.err, "") << blob;
    }
}

}  // namespace
