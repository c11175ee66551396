#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "host/formfile/FormFile.h"
#include "tests/support/TestSupport.h"

namespace {

const std::string kExample = std::string(TAVRIN_SOURCE_DIR) + "/examples/Customer.dfm";

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Runs tavrinqa with a shell-quoted argument string.
Outcome Tavrinqa(const std::string& args) {
    testsupport::TempDir dir;
    const std::string errFile = dir.File("stderr");
    const std::string cmd = std::string(TAVRINQA_BINARY) + " " + args + " 2>" + errFile;
    FILE* pipe = popen(cmd.c_str(), "r");
    std::string out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, testsupport::ReadFile(errFile)};
}

}  // namespace

TEST(CommandLine, ConvertsTextToBinaryAndBackKeepingTheForm) {
    testsupport::TempDir dir;
    const std::string binary = dir.File("Customer.dfm");
    ASSERT_EQ(Tavrinqa("convert '" + kExample + "' --to binary -o '" + binary + "'").status, 0);
    const std::string bytes = testsupport::ReadFile(binary);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(uint8_t(bytes[0]), 0xFF);  // a .dfm gets the resource header
    EXPECT_NE(bytes.find("TPF0"), std::string::npos);
    EXPECT_EQ(formfile::DetectFormat(Tavrinqa("convert '" + kExample + "' --to binary").out), formfile::Format::Binary);

    Outcome back = Tavrinqa("convert '" + binary + "'");  // the other format by default
    ASSERT_EQ(back.status, 0) << back.err;
    const formfile::Document original = formfile::Document::ParseFile(kExample);
    EXPECT_EQ(back.out, formfile::ToText(original));
}

TEST(CommandLine, BadUsageAndUnreadableFormsExitWithTwo) {
    EXPECT_EQ(Tavrinqa("").status, 2);
    EXPECT_EQ(Tavrinqa("--no-such-option x y").status, 2);
    Outcome unknown = Tavrinqa("frobnicate '" + kExample + "'");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown verb 'frobnicate'"), std::string::npos);
    EXPECT_EQ(Tavrinqa("convert '" + kExample + "' --to pdf").status, 2);

    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("bad.dfm"), "object Form1: TForm1\n  Caption = 'unterminated\nend\n");
    Outcome bad = Tavrinqa("parentage '" + dir.File("bad.dfm") + "'");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("tavrinqa: EParserError: " + dir.File("bad.dfm") + ":2:"), std::string::npos) << bad.err;
    Outcome missing = Tavrinqa("convert '" + dir.File("none.dfm") + "'");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("none.dfm"), std::string::npos);
    EXPECT_EQ(Tavrinqa("--version").status, 0);
    EXPECT_EQ(Tavrinqa("--version").out, "tavrinqa 0.1.0\n");
}

TEST(CommandLine, VerbsAreMatchedIgnoringCaseAndBlanks) {
    for (const char* verb : {"PARENTAGE", "'All Components'", "'Form Data'", "tabs"}) {
        Outcome r = Tavrinqa(std::string(verb) + " '" + kExample + "' --no-save");
        EXPECT_EQ(r.err.find("unknown verb"), std::string::npos) << verb << ": " << r.err;
    }
}

TEST(CommandLine, ScriptsDriveTheWindowsAndScriptFaultsExitWithTwo) {
    testsupport::TempDir dir;
    const std::string form = dir.File("Customer.dfm");
    testsupport::WriteFile(form, testsupport::ReadFile(kExample));
    testsupport::WriteFile(dir.File("ok.txt"), "# look, then leave\n\ndump\nclose\n");
    Outcome ok = Tavrinqa("about '" + form + "' --home '" + dir.Path() + "' --script '" + dir.File("ok.txt") + "'");
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out, "window\tTZorAboutBox\tAbout Tavrin QA\n");

    testsupport::WriteFile(dir.File("bad.txt"), "dump\nclick NoSuchButton\n");
    Outcome bad = Tavrinqa("about '" + form + "' --script '" + dir.File("bad.txt") + "'");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("line 2"), std::string::npos) << bad.err;

    testsupport::WriteFile(dir.File("long.txt"), "close\nclose\n");  // nothing left to close
    EXPECT_EQ(Tavrinqa("about '" + form + "' --script '" + dir.File("long.txt") + "'").status, 2);
    EXPECT_EQ(Tavrinqa("about '" + form + "' --script '" + dir.File("missing.txt") + "'").status, 2);
    EXPECT_EQ(testsupport::ReadFile(form), testsupport::ReadFile(kExample));
}

TEST(CommandLine, PaletteListsTheRegisteredComponentEditorsAndVerbs) {
    testsupport::TempDir dir;
    Outcome r = Tavrinqa("--palette --home '" + dir.Path() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("component\tTavrin\tTTavrinQA\n"), 0u);
    EXPECT_NE(r.out.find("property editor\tTTavrinQA.FormData\tTComponent\n"), std::string::npos);
    EXPECT_NE(r.out.find("verb\t7\tAll Components\n"), std::string::npos);
}
