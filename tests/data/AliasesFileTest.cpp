// The aliases file read and edited in place: old files read as they always did, edits keep
// every other line, values hold any byte, and a damaged or unreadable file is never replaced.
#include "host/db/AliasesFile.h"

#include <filesystem>

#include "data/Zordata.h"
#include "tests/data/DataTestSupport.h"

namespace {

using dbe::TAlias;
using dbe::TAliasesFile;

// A file as a person keeps it: comments of both kinds, a key the drivers do not know, blanks
// around '=', and values with ';', '\' and '%' that older versions wrote as they are.
const std::string kOldFile =
    "# Database aliases of tavrinqa: [NAME], then DRIVER= and the driver's parameters.\n"
    "; kept by hand\n"
    "\n"
    "[Work]\n"
    "DRIVER=STANDARD\n"
    "PATH = /data/a;b\n"
    "# the old server\n"
    "NOTE=ask Kim\n"
    "\n"
    "[Net]\n"
    "DRIVER=POSTGRESQL\n"
    "PATH=postgresql://me@db/sales%20q\n"
    "\n"
    "[Win]\n"
    "DRIVER=STANDARD\n"
    "PATH=C:\\DATA\n";

TEST(AliasesFile, OldFilesReadAsBeforeAndAnAddAndRemoveLeaveTheirBytes) {
    TAliasesFile file(kOldFile);
    ASSERT_FALSE(file.Damage()) << *file.Damage();
    ASSERT_EQ(file.Aliases().size(), 3u);
    EXPECT_EQ(file.Aliases()[0].params, (dbe::TParamList{{"PATH", "/data/a;b"}, {"NOTE", "ask Kim"}}));
    EXPECT_EQ(file.Aliases()[1].driver, "POSTGRESQL");
    EXPECT_EQ(file.Aliases()[1].params[0].second, "postgresql://me@db/sales%20q");
    EXPECT_EQ(file.Aliases()[2].params[0].second, "C:\\DATA");

    file.Add({"New", "SQLITE", {{"PATH", "/x.sqlite"}}});
    EXPECT_EQ(file.Text(), kOldFile + "\n[New]\nDRIVER=SQLITE\nPATH=/x.sqlite\n");
    ASSERT_TRUE(file.Remove("NEW"));
    EXPECT_EQ(file.Text(), kOldFile);
    EXPECT_FALSE(file.Remove("New"));
}

TEST(AliasesFile, RemovingAnAliasKeepsEveryCommentAndTheOtherAliases) {
    TAliasesFile file(kOldFile);
    ASSERT_TRUE(file.Remove("work"));
    // Its header and keys go; the comment in it and the blank lines parting sections stay.
    const size_t work = kOldFile.find("[Work]"), net = kOldFile.find("\n[Net]");
    EXPECT_EQ(file.Text(), kOldFile.substr(0, work) + "# the old server\n" + kOldFile.substr(net));
    ASSERT_TRUE(file.Remove("Win"));
    EXPECT_TRUE(file.Text().ends_with("[Net]\nDRIVER=POSTGRESQL\nPATH=postgresql://me@db/sales%20q\n")) << file.Text();
    // Line ends of a file kept on another system stay as they are.
    TAliasesFile crlf("\xEF\xBB\xBF# c\r\n[A]\r\nDRIVER=SQLITE\r\nPATH=/a\r\n");
    crlf.Add({"B", "STANDARD", {}});
    EXPECT_EQ(crlf.Text(), "\xEF\xBB\xBF# c\r\n[A]\r\nDRIVER=SQLITE\r\nPATH=/a\r\n\r\n[B]\r\nDRIVER=STANDARD\r\n");
}

TEST(AliasesFile, ValuesHoldAnyByteAndOnlyOddOnesAreEncoded) {
    const std::vector<std::string> values = {"/data/a;b", "a=b:c;d", "C:\\x\\%41", " lead", "trail\t", "line\nbreak",
                                             "cr\r", std::string("nul\0byte", 8), "100%", "Grüße", "", "%0A", "x*"};
    TAliasesFile file("");
    for (size_t i = 0; i < values.size(); ++i) file.Add({"A" + std::to_string(i), "STANDARD", {{"PATH", values[i]}}});
    const TAliasesFile again(file.Text());
    ASSERT_FALSE(again.Damage()) << *again.Damage() << "\n" << file.Text();
    ASSERT_EQ(again.Aliases().size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(again.Aliases()[i].params.at(0).second, values[i]) << i;
    const std::string text = file.Text();
    EXPECT_EQ(text.rfind("# Database aliases of tavrinqa", 0), 0u);
    for (const char* plain : {"\nPATH=/data/a;b\n", "\nPATH=C:\\x\\%41\n", "\nPATH=100%\n", "\nPATH=%0A\n"})
        EXPECT_NE(text.find(plain), std::string::npos) << plain;
    for (const char* encoded : {"\nPATH*=%20lead\n", "\nPATH*=trail%09\n", "\nPATH*=line%0Abreak\n", "\nPATH*=nul%00byte\n"})
        EXPECT_NE(text.find(encoded), std::string::npos) << encoded;
}

TEST(AliasesFile, DamagedLinesAreNamedAndGiveNoAliasTheirKeys) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[A]\nDRIVER=SQLITE\n[B\nPATH=/evil\n", "line 3: a section header without its closing ']'"},
        {"[A]\nPATH /a\n", "line 2: neither [NAME], KEY=VALUE nor a comment"},
        {"PATH=/a\n[A]\n", "line 1: a parameter before the first [NAME]"},
        {"[A]\nPATH*=/a%4\n", "line 2: a '%' not followed by two hexadecimal digits"},
        {"[A]\nPATH*=%zz\n", "line 2: a '%' not followed"},
        {"[A]\n[a]\nPATH=/evil\n", "line 2: a second section for the alias 'a' (the first is on line 1)"},
        {"[ ]\nPATH=/evil\n", "line 1: a section without an alias name"},
        {"[A]\n=/a\n", "line 2: a value without a parameter name"},
    };
    for (const auto& [text, damage] : cases) {
        const TAliasesFile file(text);
        ASSERT_TRUE(file.Damage()) << text;
        EXPECT_EQ(file.Damage()->rfind(damage, 0), 0u) << *file.Damage();
        // What a damaged header would have held belongs to no alias.
        for (const TAlias& a : file.Aliases())
            for (const auto& [k, v] : a.params) EXPECT_NE(v, "/evil") << text;
    }
    EXPECT_EQ(TAliasesFile("[A]\nDRIVER=SQLITE\n[B\nPATH=/evil\n").Aliases().size(), 1u);
    EXPECT_EQ(TAliasesFile(std::string("[A]\nPATH=/a\0b\n", 13)).Damage(), std::string("line 2: a NUL byte"));
}

TEST(AliasesFile, ParameterNamesThatWouldReadBackOtherwiseAreNamed) {
    for (const char* bad : {"", " PATH", "PA=TH", "[PATH", "#PATH", ";PATH", "PATH*", "driver", "PA\nTH"})
        EXPECT_NE(dbe::BadAliasKey(bad), "") << bad;
    for (const char* good : {"PATH", "SERVER NAME", "x.y", "USER_NAME"}) EXPECT_EQ(dbe::BadAliasKey(good), "") << good;
}

class AliasesOnDisk : public datatest::DataTest {
protected:
    dbe::TEngine& engine = dbe::Engine();
    std::string File() const { return home.File("aliases.conf"); }
};

// A damaged file is left as it is: HostileInputTest (HostileAliases) runs that through the program.
TEST_F(AliasesOnDisk, AnOversizedOrUnreadableFileIsNeverReplaced) {
    // Too large to be an aliases file: refused unread.
    const std::string huge = "[A]\nNOTE=" + std::string(dbe::kMaxAliasesFileSize, 'x') + "\n";
    testsupport::WriteFile(File(), huge);
    EXPECT_EQ(engine.AddAlias("New", "", "PATH:/new", true), dbe::DBIERR_CANTWRITE);
    EXPECT_NE(engine.ConfigError().find("larger than the limit"), std::string::npos) << engine.ConfigError();
    EXPECT_EQ(std::filesystem::file_size(File()), huge.size());

    std::filesystem::remove(File());
    std::filesystem::create_directory(File());
    EXPECT_EQ(engine.AddAlias("New", "", "PATH:/new", true), dbe::DBIERR_CANTWRITE);
    EXPECT_NE(engine.ConfigError().find("aliases.conf"), std::string::npos) << engine.ConfigError();
    EXPECT_TRUE(std::filesystem::is_directory(File()));
    std::filesystem::remove(File());
}

TEST_F(AliasesOnDisk, PathsKeepTheirSemicolonsThroughEveryWayOfAddingThem) {
    EXPECT_EQ(tavrin::MakeAlias("Folder", "/data/a;b"), dbe::DBIERR_NONE);
    EXPECT_EQ(engine.AddAlias("Listed", "SQLITE", dbe::TParamList{{"PATH", "/data/c;d:e.sqlite"}}, true), dbe::DBIERR_NONE);
    // A line break in a value is part of it, and never a line of the file.
    EXPECT_EQ(engine.AddAlias("Line", "", dbe::TParamList{{"PATH", "/x\n[Evil]\nPATH=/y"}}, true), dbe::DBIERR_NONE);
    EXPECT_EQ(engine.AddAlias("BadKey", "", dbe::TParamList{{"DRIVER", "SQLITE"}}, true), dbe::DBIERR_INVALIDPARAM);
    dbe::TEngine other;  // reads the file afresh
    other.SetConfigFile(File());
    dbe::TAlias alias;
    ASSERT_TRUE(other.FindAlias("FOLDER", alias));
    EXPECT_EQ(alias.driver, "STANDARD");
    EXPECT_EQ(alias.Param("PATH"), "/data/a;b");
    ASSERT_TRUE(other.FindAlias("listed", alias));
    EXPECT_EQ(alias.Param("PATH"), "/data/c;d:e.sqlite");
    ASSERT_TRUE(other.FindAlias("Line", alias));
    EXPECT_EQ(alias.Param("PATH"), "/x\n[Evil]\nPATH=/y");
    EXPECT_FALSE(other.FindAlias("Evil", alias));
    EXPECT_EQ(other.ConfigError(), "");
}

}  // namespace
