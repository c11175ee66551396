#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

namespace {

const std::string kExample = std::string(TAVRIN_SOURCE_DIR) + "/examples/Customer.dfm";

using testsupport::Outcome;
using testsupport::Tavrinqa;

}  // namespace

// Usage errors and their wording are the conventions test's; here: the bytes they echo and
// forms that cannot be read.
TEST(CommandLine, BadUsageAndUnreadableFormsExitWithTwo) {
    // Bytes a terminal would act on are shown escaped; UTF-8 letters stay as they are.
    Outcome control = Tavrinqa("\"$(printf 'fr\\033[2J\\377\\303\\247')\" '" + kExample + "'");
    EXPECT_NE(control.err.find("unknown verb 'fr\\x1B[2J\\xFF\xc3\xa7'"), std::string::npos) << control.err;
    EXPECT_EQ(control.status, 2);

    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("bad.dfm"), "object Form1: TForm1\n  Caption = 'unterminated\nend\n");
    Outcome bad = Tavrinqa("parentage '" + dir.File("bad.dfm") + "'");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("tavrinqa: EParserError: " + dir.File("bad.dfm") + ":2:"), std::string::npos) << bad.err;
    Outcome missing = Tavrinqa("convert '" + dir.File("none.dfm") + "'");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("none.dfm"), std::string::npos);
}

TEST(CommandLine, VerbsAreMatchedIgnoringCaseAndBlanks) {
    for (const char* verb : {"PARENTAGE", "'All Components'", "'Form Data'", "tabs"}) {
        Outcome r = Tavrinqa(std::string(verb) + " '" + kExample + "' --no-save");
        EXPECT_EQ(r.err.find("unknown verb"), std::string::npos) << verb << ": " << r.err;
    }
}

// A line that names a command is parsed with that command alone; one that names none, or asks
// for help, with them all: either way the line means what it would with every command made.
TEST(CommandLine, ALineMeansTheSameWhicheverCommandsItNames) {
    testsupport::TempDir dir;
    const std::string form = dir.File("about");  // a form file named as a verb
    testsupport::WriteFile(form, testsupport::ReadFile(kExample));
    const Outcome converted = Tavrinqa("convert '" + form + "' --to text");
    EXPECT_EQ(converted.status, 0) << converted.err;
    EXPECT_EQ(converted.out.rfind("object ", 0), 0u) << converted.out.substr(0, 80);

    const Outcome help = Tavrinqa("--help");
    for (const char* name : {"about", "formdata", "convert", "preview", "check", "alias", "catalogue"})
        EXPECT_NE(help.out.find(name), std::string::npos) << name;
    EXPECT_NE(Tavrinqa("hints --help").out.find("--print"), std::string::npos);
    EXPECT_NE(Tavrinqa("covnert '" + form + "'").err.find("did you mean 'convert'"), std::string::npos);
    const Outcome twice = Tavrinqa("tabs '" + form + "' --print catalogue");
    EXPECT_EQ(twice.status, 2);
    EXPECT_NE(twice.err.find("catalogue"), std::string::npos) << twice.err;
}

// A good script's run is the worked examples' (ScriptDocTest); here how scripts end the run:
// blank lines are skipped, a fault (an unknown control, a line left when no window is open, no
// script file) is status 2, and the form stays as it was.
TEST(CommandLine, ScriptFaultsExitWithTwo) {
    testsupport::TempDir dir;
    const std::string form = dir.File("Customer.dfm");
    testsupport::WriteFile(form, testsupport::ReadFile(kExample));
    for (const auto& [script, status] : {std::pair{"\n  \nclose\n", 0}, {"dump\nclick NoSuchButton\n", 2},
                                         {"close\nclose\n", 2}, {nullptr, 2}}) {
        if (script != nullptr) testsupport::WriteFile(dir.File("s.txt"), script);
        const Outcome r = Tavrinqa("about '" + form + "' --script '" + dir.File(script ? "s.txt" : "missing.txt") + "'");
        EXPECT_EQ(r.status, status) << (script ? script : "missing");
        EXPECT_EQ(script != nullptr && status == 2, r.err.find("line 2") != std::string::npos) << r.err;
    }
    EXPECT_EQ(testsupport::ReadFile(form), testsupport::ReadFile(kExample));
}

TEST(CommandLine, SettingsLiveInTheHomeTheUserChose) {
    testsupport::TempDir dir;
    const std::string form = dir.File("Customer.dfm");
    testsupport::WriteFile(form, testsupport::ReadFile(kExample));
    testsupport::WriteFile(dir.File("geometry.txt"), "geometry 10 20 300 200 0\ncancel\n");
    const std::string run = "tabs '" + form + "' --script '" + dir.File("geometry.txt") + "'";
    auto ini = [&](const std::string& folder) { return testsupport::ReadFile(folder + "/tavrinqa.ini"); };

    // Without --home or TAVRINQA_HOME: the user's configuration folder, made when missing.
    Outcome xdg = Tavrinqa(run, {}, "TAVRINQA_HOME= XDG_CONFIG_HOME='" + dir.File("config") + "'");
    ASSERT_EQ(xdg.status, 0) << xdg.err;
    EXPECT_NE(ini(dir.File("config/tavrinqa")).find("[Tab Editor]"), std::string::npos);
    Outcome home = Tavrinqa(run, {}, "TAVRINQA_HOME= XDG_CONFIG_HOME= HOME='" + dir.File("user") + "'");
    ASSERT_EQ(home.status, 0) << home.err;
    EXPECT_NE(ini(dir.File("user/.config/tavrinqa")).find("Window Width=300"), std::string::npos);

    // TAVRINQA_HOME over the configuration folder, --home over both.
    std::filesystem::create_directory(dir.File("a"));
    std::filesystem::create_directory(dir.File("b"));
    EXPECT_EQ(Tavrinqa(run, dir.File("a"), "XDG_CONFIG_HOME='" + dir.File("config2") + "'").status, 0);
    EXPECT_NE(ini(dir.File("a")).find("[Tab Editor]"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("config2")));
    EXPECT_EQ(Tavrinqa(run + " --home '" + dir.File("b") + "'", dir.File("a")).status, 0);
    EXPECT_NE(ini(dir.File("b")).find("[Tab Editor]"), std::string::npos);
}

TEST(CommandLine, FailuresAfterTheFormIsReadExitWithOne) {
    testsupport::TempDir dir;
    // A save that fails is the run's failure (1), with the system's reason, not bad usage.
    testsupport::WriteFile(dir.File("drag.txt"), "drag OutlineParent 11 9\nok\n");
    Outcome save = Tavrinqa("tabs '" + kExample + "' --script '" + dir.File("drag.txt") + "' --output '" +
                            dir.File("missing/Customer.dfm") + "'");
    EXPECT_EQ(save.status, 1) << save.err;
    EXPECT_NE(save.err.find("tavrinqa: EInOutError: "), std::string::npos) << save.err;
    EXPECT_NE(save.err.find("No such file or directory"), std::string::npos) << save.err;

#if !defined(__SANITIZE_ADDRESS__)
    // Running out of memory is a message and status 1, never an abort.
    std::string big = "object Form1: TForm1\n  ClientHeight = 100\n";
    for (int i = 0; i < 30000; ++i)
        big += "  object Memo" + std::to_string(i) + ": TMemo\n    Lines.Strings = (\n      '" + std::string(500, 'x') +
               "')\n  end\n";
    testsupport::WriteFile(dir.File("big.dfm"), big + "end\n");
    Outcome oom = Tavrinqa("parentage '" + dir.File("big.dfm") + "' --print", {}, "ulimit -v 50000;");
    EXPECT_EQ(oom.status, 1) << oom.err;
    EXPECT_NE(oom.err.find("tavrinqa: out of memory"), std::string::npos) << oom.err;
#endif
}

TEST(CommandLine, OnlyWhatTheUserAcceptedIsWrittenThroughLinks) {
    testsupport::TempDir dir;
    const std::string real = dir.File("real.dfm"), link = dir.File("link.dfm");
    testsupport::WriteFile(real, testsupport::ReadFile(kExample));
    std::filesystem::create_symlink("real.dfm", link);
    const std::string original = testsupport::ReadFile(real);

    // Opening the tab tool names the example's unnamed notebook pages in the live model;
    // printing, cancelling or a run without a script still leaves the file alone.
    testsupport::WriteFile(dir.File("cancel.txt"), "drag OutlineParent 11 9\ncancel\n");
    for (const std::string& how : {std::string("--print"), "--script '" + dir.File("cancel.txt") + "'"}) {
        Outcome r = Tavrinqa("tabs '" + link + "' " + how);
        EXPECT_EQ(r.status, 0) << how << ": " << r.err;
        EXPECT_EQ(testsupport::ReadFile(real), original) << how;
        EXPECT_EQ(r.err.find("saved"), std::string::npos) << how;
    }
    // Without a script the windows need a screen: with no display that is bad usage.
    Outcome headless = Tavrinqa("tabs '" + link + "'", {}, "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
    EXPECT_EQ(headless.status, 2) << headless.err;
    EXPECT_NE(headless.err.find("need a display"), std::string::npos) << headless.err;
    EXPECT_EQ(testsupport::ReadFile(real), original);

    // OK writes through the link into its target, and says which components changed.
    testsupport::WriteFile(dir.File("ok.txt"), "drag OutlineParent 11 9\nok\n");
    Outcome ok = Tavrinqa("tabs '" + link + "' --script '" + dir.File("ok.txt") + "'");
    ASSERT_EQ(ok.status, 0) << ok.err;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(testsupport::ReadFile(real), original);
    EXPECT_NE(ok.err.find("changed: EditStreet EditCity CheckActive"), std::string::npos) << ok.err;
}
