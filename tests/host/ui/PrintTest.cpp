#include <gtest/gtest.h>

#include <sstream>

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

