#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "host/controls/Dialogs.h"
#include "host/controls/Lines.h"
#include "host/ui/Dump.h"
#include "host/ui/Print.h"
#include "tests/host/ui/TestWindows.h"

using namespace vcl;
using uitest::Dfm;

namespace {

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterControlClasses(); }
    std::ostringstream out, err;
    ui::TPrintBackend backend{out, err};
};

}  // namespace

// A window with a text export prints the export and closes with Cancel: the program's --print
// (DataCommandTest, CommandLineTest).
TEST_F(PrintTest, AMemoWindowPrintsItsLinesAndAnyOtherItsDump) {
    ui::TInstalled installed(backend);
    TDesignedForm memo(nullptr, "TMemoWindow");
    memo.LoadDesign(Dfm("object MemoWindow: TMemoWindow", {"Caption = 'Property Values'"},
                        {Dfm("object Memo1: TMemo", {"Lines.Strings = (\n  'Memo1')"})}),
                    "Memownd.dfm");
    memo.Control<TMemo>("Memo1")->SetText("unit A;\n\nend.");
    memo.ShowModal();
    EXPECT_EQ(out.str(), "unit A;\n\nend.\n");
    out.str("");
    uitest::TDetailDlg dialog(nullptr);
    dialog.ShowModal();
    EXPECT_EQ(out.str(), ui::DumpText(dialog));
}


// The export's CR LF become this system's line ends, in lines long enough to cross the writer's
// blocks; a CR that ends no line stays. Printing makes no file, not even for a moment, and
// needs no temporary folder: a TMPDIR that names none changes nothing.
TEST_F(PrintTest, AnExportPrintsWithThisSystemsLineEndsAndMakesNoFile) {
    ui::TPrintBackend exporting{out, err, {"PrintBtn"}};
    ui::TInstalled installed(exporting);
    TDesignedForm window(nullptr, "TExportWindow");
    window.LoadDesign(Dfm("object ExportWindow: TExportWindow", {"Caption = 'Export'"},
                          {Dfm("object SaveDialog: TSaveDialog", {"Options = [ofOverwritePrompt]"}),
                           Dfm("object PrintBtn: TButton", {})}),
                      "Export.dfm");
    const std::string block(65535, 'a');
    const std::vector<std::string> lines = {block, block.substr(1) + "\r", "z", "x\ry\r\nw", "\r"};
    std::string chosen;
    bool existed = true;
    window.Control<TButton>("PrintBtn")->OnClick() = [&](TObject*) {
        auto* dialog = window.Control<TSaveDialog>("SaveDialog");
        ASSERT_TRUE(dialog->Execute());
        chosen = dialog->FileName();
        TLineWriter writer(chosen);
        for (const std::string& line : lines) writer.Add(line);
        existed = std::filesystem::exists(chosen);
        writer.Close();
    };
    const char* const tmpdir = std::getenv("TMPDIR");
    const std::string kept = tmpdir != nullptr ? tmpdir : "";
    ::setenv("TMPDIR", "/nonexistent/tavrinqa-test", 1);
    window.ShowModal();
    if (tmpdir != nullptr) ::setenv("TMPDIR", kept.c_str(), 1);
    else ::unsetenv("TMPDIR");

    EXPECT_EQ(out.str(), block + "\n" + block.substr(1) + "\r\nz\nx\ry\nw\n\r\n");
    EXPECT_EQ(err.str(), "");  // no question whether to replace a file
    ASSERT_FALSE(chosen.empty());
    EXPECT_FALSE(existed) << chosen;
    // Gone with the print: a writer on the same name would make a file again, and cannot.
    EXPECT_THROW(TLineWriter{chosen}, EInOutError);
}
