#include <gtest/gtest.h>

#include <sstream>

#include "host/ui/Dump.h"
#include "host/ui/Print.h"
#include "tests/host/ui/TestWindows.h"

using namespace vcl;

namespace {

constexpr const char* kMemoDesign = R"(object MemoWindow: TMemoWindow
  Caption = 'Property Values'
  object Memo1: TMemo
    Lines.Strings = (
      'Memo1')
  end
end
)";

class TMemoWindow : public TDesignedForm {
public:
    TMemoWindow() : TDesignedForm(nullptr, "TMemoWindow") { LoadDesign(kMemoDesign, "Memownd.dfm"); }
};

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
    TMemoWindow memo;
    memo.Control<TMemo>("Memo1")->SetText("unit A;\n\nend.");
    memo.ShowModal();
    EXPECT_EQ(out.str(), "unit A;\n\nend.\n");
    out.str("");
    uitest::TDetailDlg dialog(nullptr);
    dialog.ShowModal();
    EXPECT_EQ(out.str(), ui::DumpText(dialog));
}

