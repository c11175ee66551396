// The program as a user runs it on inputs made to hurt it: a damaged aliases file, a settings
// home that is not there yet and an oversized settings file.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestSupport.h"

namespace {

using testsupport::Outcome;

const std::string kExample = std::string(TAVRIN_SOURCE_DIR) + "/examples/Customer.dfm";

using testsupport::Tavrinqa;

TEST(HostileAliases, ADamagedFileIsLeftByteForByteAndTheDamageNamed) {
    testsupport::TempDir home, data;
    const std::string damaged = "# mine\n[Work]\nDRIVER=STANDARD\nPATH=" + data.Path() + "\nPATH " + data.Path() + "\n";
    testsupport::WriteFile(home.File("aliases.conf"), damaged);
    Outcome r = Tavrinqa("alias add New '" + data.Path() + "'", home.Path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("aliases.conf', line 5: neither [NAME], KEY=VALUE nor a comment; the file is left as it is"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(Tavrinqa("alias remove Work", home.Path()).status, 1);
    EXPECT_EQ(testsupport::ReadFile(home.File("aliases.conf")), damaged);
    // Listing still shows what is sound, and warns of the rest.
    r = Tavrinqa("alias list", home.Path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Work\tSTANDARD\tPATH=" + data.Path() + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("warning: '" + home.File("aliases.conf") + "', line 5"), std::string::npos) << r.err;
}

TEST(HostileAliases, AddingMakesASettingsHomeThatIsNotThereYet) {
    testsupport::TempDir dir, data;
    const std::string home = dir.File("new/home");
    const Outcome r = testsupport::RunShell(std::string(TAVRINQA_BINARY) + " --home '" + home + "' alias add W '" +
                                                data.Path() + "'",
                                            dir.File("stderr"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(testsupport::ReadFile(home + "/aliases.conf").find("[W]\nDRIVER=STANDARD\nPATH=" + data.Path() + "\n"),
              std::string::npos);
}

// An endless script on standard input is ScriptTest's (the limit) and CommandLineTest's (a
// script error is status 2, the form untouched).
TEST(HostileInput, AnOversizedSettingsFileIsOnlyWarnedOf) {
    testsupport::TempDir home;
    const std::string huge = "[Tab Order Editor]\nWindow Left=1\n" + std::string(size_t(1) << 20, ';') + "\n";
    testsupport::WriteFile(home.File("tavrinqa.ini"), huge);
    const Outcome r = Tavrinqa("tabs '" + kExample + "' --script - --no-save", home.Path(), "echo ok |");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("larger than the limit of 1 MiB"), std::string::npos) << r.err;
    EXPECT_EQ(testsupport::ReadFile(home.File("tavrinqa.ini")), huge);
}

}  // namespace
