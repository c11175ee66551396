#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "host/controls/Dialogs.h"
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


// The export's CR LF become this system's line ends wherever its blocks are cut; a CR that ends
// no line stays.
TEST_F(PrintTest, AnExportPrintsWithThisSystemsLineEndsAcrossItsBlocks) {
    ui::TPrintBackend exporting{out, err, {"PrintBtn"}};
    ui::TInstalled installed(exporting);
    TDesignedForm window(nullptr, "TExportWindow");
    window.LoadDesign(Dfm("object ExportWindow: TExportWindow", {"Caption = 'Export'"},
                          {Dfm("object SaveDialog: TSaveDialog", {}), Dfm("object PrintBtn: TButton", {})}),
                      "Export.dfm");
    const std::string block(65535, 'a');
    // A CR LF cut by the first block's end, a lone CR ending the second, one inside and one last.
    const std::string text = block + "\r\n" + block.substr(1) + "\rz" + "x\ry\r\n\r";
    window.Control<TButton>("PrintBtn")->OnClick() = [&](TObject*) {
        auto* dialog = window.Control<TSaveDialog>("SaveDialog");
        ASSERT_TRUE(dialog->Execute());
        testsupport::WriteFile(dialog->FileName(), text);
    };
    window.ShowModal();
    EXPECT_EQ(out.str(), block + "\n" + block.substr(1) + "\rz" + "x\ry\n\r");
}
