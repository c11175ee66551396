// The command line's conventions: each command's help lists its own options, bad usage is one
// line with where help is and the nearest known word, output formats follow file names.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "host/formfile/FormFile.h"
#include "tests/support/TestSupport.h"

namespace {

const std::string kExample = std::string(TAVRIN_SOURCE_DIR) + "/examples/Customer.dfm";

using testsupport::Has;
using testsupport::Tavrinqa;

// The long options a help text lists in its Options section.
std::set<std::string> ListedOptions(const std::string& help) {
    std::set<std::string> options;
    for (size_t at = help.find("\n  -"); at != std::string::npos; at = help.find("\n  -", at + 1)) {
        const size_t end = help.find_first_of(" \n", at + 3);
        std::string names = help.substr(at + 3, end - at - 3);
        options.insert(names.substr(names.rfind(',') == std::string::npos ? 0 : names.rfind(',') + 1));
    }
    return options;
}

size_t Lines(const std::string& text) { return size_t(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

TEST(Conventions, EachCommandsHelpListsExactlyItsOptions) {
    using Set = std::set<std::string>;
    const Set verb{"--help", "--script", "--print", "--output", "--no-save", "--home", "--classes", "--unit", "--line"};
    EXPECT_EQ(ListedOptions(Tavrinqa("parentage --help").out), verb);
    EXPECT_EQ(ListedOptions(Tavrinqa("'Form Data' --help").out), verb);
    EXPECT_EQ(ListedOptions(Tavrinqa("check --help").out),
              (Set{"--help", "--format", "--output", "--fail-on", "--min-severity", "--enable", "--disable", "--color",
                   "--config", "--baseline", "--update-baseline", "--jobs", "--fix", "--diff", "--home", "--classes"}));
    EXPECT_EQ(ListedOptions(Tavrinqa("preview --help").out),
              (Set{"--help", "--output", "--overlay", "--codepage", "--home", "--classes"}));
    EXPECT_EQ(ListedOptions(Tavrinqa("convert --help").out), (Set{"--help", "--output", "--to", "--codepage", "--home"}));
    EXPECT_EQ(ListedOptions(Tavrinqa("catalogue --help").out), (Set{"--help", "--system", "--extended", "--home"}));
    EXPECT_EQ(Tavrinqa("check --help").status, 0);
}

TEST(Conventions, AMissingArgumentIsOneLineNamingIt) {
    testsupport::Outcome r = Tavrinqa("parentage");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tavrinqa parentage: missing FORM; see tavrinqa parentage --help\n");
    r = Tavrinqa("preview '" + kExample + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find("--output"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("see tavrinqa preview --help"), std::string::npos) << r.err;
    r = Tavrinqa("");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tavrinqa: missing VERB or COMMAND; see tavrinqa --help\n");
}

TEST(Conventions, UnknownVerbsAndOptionsSuggestTheNearest) {
    testsupport::Outcome r = Tavrinqa("parentag '" + kExample + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tavrinqa: unknown verb 'parentag'; did you mean 'parentage'?; see tavrinqa --help\n");
    r = Tavrinqa("check --hom /tmp .");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown option '--hom'; did you mean '--home'?"), std::string::npos) << r.err;
    // Nothing near: no guess.
    r = Tavrinqa("frobnicate '" + kExample + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.find("did you mean"), std::string::npos) << r.err;
    EXPECT_EQ(Tavrinqa("parentage '" + kExample + "' second.dfm --print").status, 2);
}

TEST(Conventions, EveryCommandTakesHome) {
    testsupport::TempDir dir;
    const std::string home = " --home '" + dir.Path() + "'";
    EXPECT_EQ(Tavrinqa("convert '" + kExample + "'" + home).status, 0);
    EXPECT_EQ(Tavrinqa("alias list" + home).status, 0);
    EXPECT_EQ(Tavrinqa("catalogue databases" + home).status, 0);
    EXPECT_EQ(Tavrinqa("about '" + kExample + "' --print" + home).status, 0);
    // preview's --home is taken; the picture's name is what stops it here.
    testsupport::Outcome r = Tavrinqa("preview '" + kExample + "' -o x.gif" + home);
    EXPECT_EQ(r.err.find("--home"), std::string::npos) << r.err;
}

TEST(Conventions, OutputFormatsFollowTheFileName) {
    testsupport::TempDir dir;
    testsupport::Outcome gif = Tavrinqa("preview '" + kExample + "' -o '" + dir.File("x.gif") + "'");
    EXPECT_EQ(gif.status, 2);
    EXPECT_NE(gif.err.find(".png, .jpg or .jpeg"), std::string::npos) << gif.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.gif")));

    testsupport::Outcome pdf = Tavrinqa("convert '" + kExample + "' -o '" + dir.File("x.pdf") + "'");
    EXPECT_EQ(pdf.status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.pdf")));
    EXPECT_EQ(Tavrinqa("convert '" + kExample + "' --to binary -o '" + dir.File("x.txt") + "'").status, 2);
    // .dfm: the resource header; .bin: a bare binary stream, whatever IN was; .txt: text. Without
    // a name, the other format; converted back, the form is the text it was.
    ASSERT_EQ(Tavrinqa("convert '" + kExample + "' --to binary -o '" + dir.File("x.dfm") + "'").status, 0);
    EXPECT_EQ(testsupport::ReadFile(dir.File("x.dfm")).substr(0, 1), "\xFF");
    EXPECT_EQ(Tavrinqa("convert '" + dir.File("x.dfm") + "'").out, formfile::ToText(formfile::Document::ParseFile(kExample)));
    ASSERT_EQ(Tavrinqa("convert '" + dir.File("x.dfm") + "' -o '" + dir.File("x.bin") + "'").status, 0);
    EXPECT_EQ(testsupport::ReadFile(dir.File("x.bin")).substr(0, 4), "TPF0");
    ASSERT_EQ(Tavrinqa("convert '" + dir.File("x.bin") + "' -o '" + dir.File("back.txt") + "'").status, 0);
    EXPECT_EQ(testsupport::ReadFile(dir.File("back.txt")).substr(0, 7), "object ");
    EXPECT_EQ(formfile::DetectFormat(Tavrinqa("convert '" + kExample + "' --to binary").out), formfile::Format::Binary);

    // A string the code page cannot read, late in a large form, fails the conversion after much
    // of it was written: the output keeps what it held, and standard output stays empty.
    std::string large = "object Form1: TForm1\n";
    for (int i = 0; i < 5000; ++i) large += "  object L" + std::to_string(i) + ": TLabel\n    Caption = 'x'\n  end\n";
    testsupport::WriteFile(dir.File("late.dfm"), large + "  object Last: TLabel\n    Caption = '\xE9'\n  end\nend\n");
    testsupport::WriteFile(dir.File("kept.bin"), "kept");
    for (const std::string& output : {" -o '" + dir.File("kept.bin") + "'", std::string()}) {
        const testsupport::Outcome failed =
            Tavrinqa("convert '" + dir.File("late.dfm") + "' --to binary --codepage UTF-8" + output);
        EXPECT_EQ(failed.status, 2);
        EXPECT_TRUE(Has(failed.err, "is not text in code page UTF-8"));
        EXPECT_EQ(failed.out, "");
    }
    EXPECT_EQ(testsupport::ReadFile(dir.File("kept.bin")), "kept");
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_FALSE(entry.path().filename().string().ends_with(".tmp")) << entry.path();
}

TEST(Conventions, VersionNamesTheCommit) {
    testsupport::Outcome r = Tavrinqa("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("tavrinqa 0.1.0 (commit ", 0), 0u) << r.out;
    EXPECT_EQ(r.out.find("(commit )"), std::string::npos) << r.out;
}
