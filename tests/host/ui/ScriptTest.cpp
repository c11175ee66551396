#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "host/ui/Dump.h"
#include "host/ui/Script.h"
#include "host/vcl/EditSession.h"
#include "tests/host/ui/TestWindows.h"
#include "tests/support/TestSupport.h"

using namespace vcl;
using uitest::TToolWin;

namespace {

class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterControlClasses(); }

    // Shows the tool window under the script; the window stays for inspection.
    TModalResult Run(const std::string& script) {
        backend = std::make_unique<ui::TScriptBackend>(script, "test.script", out, err);
        ui::TInstalled installed(*backend);
        window = std::make_unique<TToolWin>(nullptr);
        const TModalResult result = window->ShowModal();
        backend->Finish();
        return result;
    }
    // The line a script error names; 0 when the script ran without one.
    int ErrorLine(const std::string& script) {
        try {
            Run(script);
        } catch (const ui::EScriptError& e) {
            reason = e.Reason();
            return e.Line();
        }
        return 0;
    }
    std::string Tree() const {
        std::string s;
        for (const auto& line : window->Tree->Lines()) s += line + "|";
        return s;
    }
    TStringGrid* Grid() const { return window->Control<TStringGrid>("Grid"); }

    std::ostringstream out, err;
    std::unique_ptr<ui::TScriptBackend> backend;
    std::unique_ptr<TToolWin> window;
    std::string reason;
};

}  // namespace

// Buttons with a modal result close the window with it; a window still open when the script
// ends closes with Cancel; lines left when no window is open are an error.
TEST_F(ScriptTest, WindowsCloseByTheirButtonsOrWithCancelWhenTheScriptEnds) {
    for (const auto& [script, result] : {std::pair{"ok\n", mrOk}, {"# comment\n\n   click CancelBtn\n", mrCancel},
                                         {"click OKBtn", mrOk}, {"close", mrCancel}, {"cancel", mrCancel}, {"", mrCancel}})
        EXPECT_EQ(Run(script), result) << script;
    EXPECT_EQ(Run("set EdName Other"), mrCancel);
    EXPECT_EQ(window->EdName->Text(), "Other");
    EXPECT_EQ(backend->Topmost(), nullptr);
    EXPECT_EQ(ErrorLine("ok\n# done\ndump\n"), 3);
}

TEST_F(ScriptTest, SelectChoosesOutlineItemsFromOneAndComboItemsFromZero) {
    Run("select Tree 3\nselect Order 2\nselect Order 1");
    EXPECT_EQ(window->Tree->SelectedItem(), 3);
    EXPECT_TRUE(window->Tree->Items(3).IsVisible());
    EXPECT_EQ(window->log, "order Name;order Parent;");
    EXPECT_EQ(ErrorLine("select Tree 6"), 1);
    EXPECT_EQ(ErrorLine("select Order 3"), 1);
    EXPECT_EQ(ErrorLine("select Tree 0"), 1);
    EXPECT_EQ(ErrorLine("select EdName 1"), 1);
}

TEST_F(ScriptTest, DraggingReordersSiblingsThroughTheWindowsHandlers) {
    const std::string before = "Form1|\tA|\t\tA1|\tB|\tC|";
    Run("select Tree 3\ndrag Tree 5 2");  // C dropped on A goes before it
    EXPECT_EQ(Tree(), "Form1|\tC|\tA|\t\tA1|\tB|");
    Run("select Tree 3\ndrag Tree 5 3");  // onto A1, under another parent: refused
    EXPECT_EQ(Tree(), before);
    Run("select Tree 3\nrdrag Tree 5 2");  // the right button does not drag here
    EXPECT_EQ(Tree(), before);
    Run("select Tree 3\ndrag Tree 5 0");  // dropped on no item
    EXPECT_EQ(Tree(), before);
    EXPECT_EQ(ErrorLine("drag Tree 3 2"), 1);  // A1 is not shown until A is expanded
    EXPECT_EQ(reason, "item 3 is not shown");
    EXPECT_EQ(ErrorLine("drag Tree 2 9"), 1);
    EXPECT_EQ(ErrorLine("drag Grid 1 2"), 1);
}

TEST_F(ScriptTest, SetTypesIntoEditsAndMemosWithEscapesAndTicksCheckBoxes) {
    Run("set EdName  two  blanks \nset Notes one\\ntwo\\tthree\\\\four\nset Flag 0");
    EXPECT_EQ(window->EdName->Text(), " two  blanks ");
    auto* notes = window->Control<TMemo>("Notes");
    ASSERT_EQ(notes->Lines().Count(), 2);
    EXPECT_EQ(notes->Lines()[1], "two\tthree\\four");
    EXPECT_FALSE(window->Control<TCheckBox>("Flag")->Checked());
    Run("set EdName");
    EXPECT_EQ(window->EdName->Text(), "");
    EXPECT_EQ(ErrorLine("set Flag yes"), 1);
    EXPECT_EQ(ErrorLine("set Order 1"), 1);
    EXPECT_EQ(ErrorLine("set Nobody x"), 1);
    EXPECT_EQ(reason, "window TToolWin has no control named Nobody");
}

TEST_F(ScriptTest, GridActionsDoWhatAPersonCanDoToTheGrid) {
    Run("cell Grid 1 1 top\\tleft\ncell Grid 2 2 x\nmoverow Grid 2 1\nmovecol Grid 0 1\ncolwidth Grid 2 25");
    TStringGrid* grid = Grid();
    // Row 2 went up to 1, then column 0 moved behind column 1.
    EXPECT_EQ(grid->Cells(0, 2), "top\tleft");
    EXPECT_EQ(grid->Cells(2, 1), "x");
    EXPECT_EQ(grid->ColWidths(0), 40);
    EXPECT_EQ(grid->ColWidths(1), 30);
    EXPECT_EQ(grid->ColWidths(2), 25);
    EXPECT_EQ(ErrorLine("cell Grid 1 0 header"), 1);  // the fixed row
    EXPECT_EQ(ErrorLine("cell Grid 3 1 x"), 1);
    EXPECT_EQ(ErrorLine("moverow Grid 0 1"), 1);
    EXPECT_EQ(ErrorLine("cell Fixed 1 1 x"), 1);  // editing is off there
    EXPECT_EQ(ErrorLine("colwidth Grid 1 -3"), 1);
    EXPECT_EQ(ErrorLine("cell Grid one 1 x"), 1);
}

// A dialog opened by a click takes the next lines, then its window does: the worked examples'
// detail dialog. Here the script ends inside the dialog: it closes with Cancel, then the window.
TEST_F(ScriptTest, AScriptEndingInADialogClosesItAndItsWindowWithCancel) {
    EXPECT_EQ(Run("click EditBtn\nset EdName Lost"), mrCancel);
    EXPECT_EQ(window->EdName->Text(), "Button1");
    EXPECT_EQ(window->log, "detail 2;");
    // Inside the dialog, names are the dialog's.
    EXPECT_EQ(ErrorLine("click EditBtn\nselect Tree 1"), 2);
}

TEST_F(ScriptTest, SaveAnswersTheNextSaveDialog) {
    testsupport::TempDir dir;
    Run("save " + dir.File("tree") + "\nclick TextBtn\ncancelsave\nclick TextBtn");
    EXPECT_EQ(testsupport::ReadFile(dir.File("tree.txt")),
              "{Tool for Form1}\r\nForm1\r\n\tA\r\n\t\tA1\r\n\tB\r\n\tC\r\n");
    Run("save\nclick TextBtn");  // an empty name writes nothing
    EXPECT_EQ(ErrorLine("set EdName x\n\nclick TextBtn"), 3);
    EXPECT_EQ(ErrorLine("cancelsave now"), 1);
}

TEST_F(ScriptTest, DumpWritesTheTopmostWindowToTheOutputOrAppendsToAFile) {
    testsupport::TempDir dir;
    Run("dump\nset EdName Changed\ndump " + dir.File("d.txt") + "\ndump " + dir.File("d.txt"));
    EXPECT_EQ(out.str(), ui::DumpText(TToolWin(nullptr)));
    const std::string once = ui::DumpText(*window);
    EXPECT_NE(once.find("edit\tEdName\tChanged\n"), std::string::npos);
    EXPECT_EQ(testsupport::ReadFile(dir.File("d.txt")), once + once);  // a dialog's: the worked examples
}

TEST_F(ScriptTest, ScriptErrorsNameTheLineOfTheAction) {
    EXPECT_EQ(ErrorLine("# a comment\n\nfrobnicate Tree"), 3);
    EXPECT_EQ(reason, "unknown action 'frobnicate'");
    EXPECT_EQ(ErrorLine("click HiddenBtn"), 1);
    EXPECT_EQ(ErrorLine("click Label1"), 1);
    EXPECT_EQ(ErrorLine("click"), 1);
    EXPECT_EQ(ErrorLine("ok now"), 1);
    EXPECT_EQ(testsupport::ErrorOf<ui::EScriptError>([&] { Run("\n\nclick Nobody"); }),
              "test.script, line 3: window TToolWin has no control named Nobody");
}

TEST_F(ScriptTest, AHandlersErrorIsShownAndTheWindowTakesTheNextLines) {
    // Even a button that closes its window stays open when its handler fails.
    EXPECT_EQ(Run("click FailBtn\nset EdName after\nclick FailBtn\nok"), mrOk);
    EXPECT_EQ(window->EdName->Text(), "after");
    const std::string shown = "error: EConvertError: 'x\\x01' is not a valid integer value\n";
    EXPECT_EQ(err.str(), shown + shown);
    // A script error is no handler's: it still ends the script.
    err.str("");
    EXPECT_EQ(ErrorLine("click FailBtn\nfrobnicate\nok"), 2);
    EXPECT_EQ(err.str(), shown);
    EXPECT_EQ(backend->Topmost(), nullptr);
}

// The window is the edit session: OK of it or of a dialog inside it accepts; any other close
// forgets what was not accepted.
TEST_F(ScriptTest, OnlyAWindowClosedWithOkCountsAsAccepted) {
    struct Recorder : vcl::TEditRecorder {
        std::string calls;
        void AcceptChanges() override { calls += "accept "; }
        void ForgetPendingChanges() override { calls += "forget "; }
    };
    for (const auto& [script, calls] : std::vector<std::pair<std::string, std::string>>{
             {"cancel", "forget forget forget "}, {"close", "forget forget forget "}, {"", "forget forget forget "},
             {"click FailBtn", "forget forget forget "}, {"click EditBtn\ncancel\ncancel", "forget forget forget "},
             {"ok", "forget accept "}, {"click EditBtn\nok\ncancel", "forget accept forget forget "}}) {
        Recorder recorder;
        vcl::TEditSession session(recorder);
        vcl::TSessionScope scope(session);
        Run(script);
        session.Finish();
        EXPECT_EQ(session.Accepted(), calls.find("accept") != std::string::npos) << script;
        EXPECT_EQ(recorder.calls, calls) << script;
    }
}

// A script is at most 16 MiB, from a stream or a file; a file must be a regular one.
TEST_F(ScriptTest, AScriptIsARegularFileOrAStreamOfAtMostSixteenMebibytes) {
    const std::string most(ui::kMaxScriptSize - 3, '#');
    std::istringstream fits(most + "\nok");
    auto backend = ui::TScriptBackend::FromStream(fits, "standard input", out, err);
    ui::TInstalled installed(*backend);
    EXPECT_EQ(TToolWin(nullptr).ShowModal(), mrOk);
    std::istringstream endless(most + "\nok\n\n");
    EXPECT_EQ(testsupport::ErrorOf<EInOutError>([&] { ui::TScriptBackend::FromStream(endless, "standard input", out, err); }),
              "Script: standard input is larger than the limit of 16 MiB");
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("s.txt"), "ok\n");
    EXPECT_NO_THROW(ui::TScriptBackend::FromFile(dir.File("s.txt"), out, err));
    EXPECT_THROW(ui::TScriptBackend::FromFile(dir.Path(), out, err), EInOutError);
    EXPECT_THROW(ui::TScriptBackend::FromFile(dir.File("missing"), out, err), EInOutError);
    testsupport::WriteFile(dir.File("s.txt"), most + "\nok\n\n");
    EXPECT_TRUE(testsupport::Has(
        testsupport::ErrorOf<EInOutError>([&] { ui::TScriptBackend::FromFile(dir.File("s.txt"), out, err); }),
        "larger than the limit of 16 MiB"));
}
