#include <gtest/gtest.h>

#include "host/controls/ControlClasses.h"
#include "host/controls/DesignedForm.h"
#include "host/controls/Grids.h"
#include "host/controls/Outline.h"
#include "host/ui/Dump.h"

using namespace vcl;

namespace {

constexpr const char* kDesign = R"(object Small: TSmallWin
  Caption = 'Hints for Form1 : TForm1;'
  object Label1: TLabel
    Caption = 'ignored'
  end
  object Tree: TOutline
    Lines.Strings = (
      'Form1 : TForm1;'
      #9'Panel1 : TPanel;'
      #9#9'Tab'#9'in text')
  end
  object Grid: TStringGrid
    ColCount = 2
    RowCount = 2
    ColWidths = (
      30
      0)
  end
  object Memo1: TMemo
    Lines.Strings = (
      'C:\dir'
      '')
  end
  object SortCB: TComboBox
    ItemIndex = -1
    Items.Strings = (
      'Class'
      'Parent')
  end
  object BtnRescale: TBitBtn
    Caption = '&Re&&scale'
    Visible = False
  end
  object SaveDialog: TSaveDialog
  end
end
)";

class TSmallWin : public TDesignedForm {
public:
    TSmallWin() : TDesignedForm(nullptr, "TSmallWin") { LoadDesign(kDesign, "Small.dfm"); }
};

}  // namespace

// Edits, check boxes and buttons are the worked examples' (ScriptDocTest); here what they never
// show: escapes, a memo's lines, an unselected combo box, controls and components left out.
TEST(Dump, RecordsEveryControlInCreationOrderByteForByte) {
    RegisterControlClasses();
    TSmallWin window;
    window.Control<TStringGrid>("Grid")->SetCells(0, 0, "No");
    window.Control<TStringGrid>("Grid")->SetCells(1, 1, "line\nbreak");
    EXPECT_EQ(ui::DumpText(window),
              "window\tTSmallWin\tHints for Form1 : TForm1;\n"
              "outline\tTree\t3\n"
              "item\t1\t0\tForm1 : TForm1;\n"
              "item\t2\t1\tPanel1 : TPanel;\n"
              "item\t3\t2\tTab\\tin text\n"
              "grid\tGrid\t2\t2\n"
              "row\t0\tNo\t\n"
              "row\t1\t\tline\\nbreak\n"
              "widths\t30\t0\n"
              "memo\tMemo1\t2\n"
              "line\tC:\\\\dir\n"
              "line\t\n"
              "combo\tSortCB\t-1\tClass|Parent\n"
              "button\tBtnRescale\tRe&scale\t0\n");  // as it reads, without its access key's mark
}
