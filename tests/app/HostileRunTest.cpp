// Runs on hostile ground: outputs aimed at the form, output that cannot be written, memory
// running out in the middle of a report.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

using testsupport::kSwapped;
using testsupport::Tavrinqa;

const std::string kExample = std::string(TAVRIN_SOURCE_DIR) + "/examples/Customer.dfm";


using testsupport::Has;

}  // namespace

TEST(HostileRun, NoOutputReplacesTheFormItComesFromByAnyPathOrLink) {
    testsupport::TempDir dir;
    const std::string form = dir.File("Customer.dfm"), original = testsupport::ReadFile(kExample);
    testsupport::WriteFile(form, original);
    std::filesystem::create_hard_link(form, dir.File("hard.png"));
    std::filesystem::create_hard_link(form, dir.File("hard.pas"));
    std::filesystem::create_hard_link(form, dir.File("hard.bin"));
    std::filesystem::create_symlink("Customer.dfm", dir.File("soft.dfm"));
    for (const std::string& args :
         {"preview '" + form + "' -o '" + dir.File("hard.png") + "'", "convert '" + form + "' -o '" + form + "'",
          "convert '" + form + "' -o '" + dir.File("soft.dfm") + "'",
          "convert '" + dir.File("soft.dfm") + "' --to binary -o '" + dir.File("hard.bin") + "'",
          "formdata '" + form + "' --unit '" + dir.File("hard.pas") + "' --script /dev/null",
          "formdata '" + dir.File("soft.dfm") + "' --unit '" + form + "' --print"}) {
        const testsupport::Outcome r = Tavrinqa(args);
        EXPECT_EQ(r.status, 2) << args << "\n" << r.err;
        EXPECT_TRUE(Has(r.err, "' is the form '")) << args << "\n" << r.err;
        EXPECT_EQ(testsupport::ReadFile(form), original) << args;
    }
    // A path that does not exist yet is no form.
    const testsupport::Outcome fresh = Tavrinqa("convert '" + form + "' --to binary -o '" + dir.File("new.dfm") + "'");
    EXPECT_EQ(fresh.status, 0) << fresh.err;
    // A text export chosen in a window's save dialog never lands on the form either: the
    // window shows the error and stays open.
    testsupport::WriteFile(dir.File("export.txt"), "save " + dir.File("hard.png") + "\nclick PrintBtn\ndump\ncancel\n");
    const testsupport::Outcome exported = Tavrinqa("parentage '" + form + "' --script '" + dir.File("export.txt") + "'");
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_TRUE(Has(exported.err, "it is the form being edited")) << exported.err;
    EXPECT_TRUE(Has(exported.out, "window\tTFrmInfo\t")) << exported.out;
    EXPECT_EQ(testsupport::ReadFile(form), original);
}

TEST(HostileRun, OutputThatCannotBeWrittenFailsEveryCommand) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("swapped.dfm"), kSwapped);
    testsupport::WriteFile(dir.File("paste.txt"), "set Memo1 x := 1;\nclick BitBtn1\nok\n");
    testsupport::WriteFile(dir.File("dump.txt"), "dump\nok\n");
    const std::string form = "'" + kExample + "'", swapped = "'" + dir.File("swapped.dfm") + "'";
    for (const std::string& args :
         {"convert " + form, "tabs " + form + " --print", "hints " + form + " --print",
          "formdata " + form + " --script '" + dir.File("paste.txt") + "' --no-save",
          "parentage " + form + " --script '" + dir.File("dump.txt") + "' --no-save",
          "check " + swapped + " --fail-on none", "check " + swapped + " --format json --fail-on none",
          "check " + swapped + " --format sarif --fail-on none", "check " + swapped + " --diff --fail-on none",
          std::string("--palette"), std::string("alias list"), std::string("catalogue databases"),
          std::string("--help"), std::string("--version")}) {
        const testsupport::Outcome r = Tavrinqa(args + " > /dev/full");
        EXPECT_EQ(r.status, 1) << args << "\n" << r.err;
        EXPECT_TRUE(Has(r.err, "tavrinqa: cannot write to standard output: No space left on device")) << args << "\n"
                                                                                                       << r.err;
        EXPECT_EQ(testsupport::ReadFile(dir.File("swapped.dfm")), kSwapped) << args;
    }
    // The same runs with somewhere to write succeed.
    EXPECT_EQ(Tavrinqa("check " + swapped + " --format sarif --fail-on none > /dev/null").status, 0);
    EXPECT_EQ(Tavrinqa("convert " + form + " > /dev/null").status, 0);
}

// Out of memory at any point of a check that writes a large SARIF log: a message and status 1,
// never an abort. The limits step through the whole run, from reading the forms to the log.
TEST(HostileRun, ACheckOutOfMemoryAnywhereEndsWithAMessageAndOne) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than any limit here";
#else
    testsupport::TempDir dir;
    std::string big = "object Form1: TForm1\n  ClientWidth = 800\n  ClientHeight = 600\n";
    for (int i = 0; i < 6000; ++i)
        big += "  object Button" + std::to_string(i) + ": TButton\n    Left = " + std::to_string(i % 50) +
               "\n    Top = 8\n    Width = 75\n    Height = 25\n    Caption = '&Go'\n    TabOrder = " +
               std::to_string(5999 - i) + "\n  end\n";
    std::filesystem::create_directories(dir.File("forms"));
    for (int i = 0; i < 3; ++i) testsupport::WriteFile(dir.File("forms/big" + std::to_string(i) + ".dfm"), big + "end\n");
    int ranOut = 0, finished = 0;
    for (int megabytes = 14; megabytes <= 32; megabytes += 2) {
        const testsupport::Outcome r = Tavrinqa("check '" + dir.File("forms") + "' --format sarif --fail-on none > /dev/null", {},
                                                   "ulimit -v " + std::to_string(megabytes * 1024) + ";");
        const std::string at = std::to_string(megabytes) + " MB: ";
        EXPECT_TRUE(r.status == 0 || r.status == 1) << at << r.status << "\n" << r.err;
        EXPECT_FALSE(Has(r.err, "terminate")) << at << r.err;
        EXPECT_EQ(r.status == 1, Has(r.err, "tavrinqa: out of memory")) << at << r.err;
        ranOut += r.status == 1;
        finished += r.status == 0;
    }
    EXPECT_GT(ranOut, 0);
    EXPECT_GT(finished, 0);
#endif
}
