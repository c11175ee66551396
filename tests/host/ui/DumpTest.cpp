#include <gtest/gtest.h>

#include "host/controls/ControlClasses.h"
#include "host/controls/DesignedForm.h"
#include "host/controls/Grids.h"
#include "host/controls/Outline.h"
#include "host/ui/Dump.h"
#include "tests/support/TestSupport.h"

using namespace vcl;
using testsupport::Dfm;

namespace {

const std::string kDesign = Dfm("object Small: TSmallWin", {"Caption = 'Hints for Form1 : TForm1;'"},
    {Dfm("object Label1: TLabel", {"Caption = 'ignored'"}),
     Dfm("object Tree: TOutline",
         {"Lines.Strings = (\n  'Form1 : TForm1;'\n  #9'Panel1 : TPanel;'\n  #9#9'Tab'#9'in text')"}),
     Dfm("object Grid: TStringGrid", {"ColCount = 2", "RowCount = 2", "ColWidths = (\n  30\n  0)"}),
     Dfm("object Memo1: TMemo", {"Lines.Strings = (\n  'C:\\dir'\n  '')"}),
     Dfm("object SortCB: TComboBox", {"ItemIndex = -1", "Items.Strings = (\n  'Class'\n  'Parent')"}),
     Dfm("object BtnRescale: TBitBtn", {"Caption = '&Re&&scale'", "Visible = False"}),
     Dfm("object SaveDialog: TSaveDialog", {})});

}  // namespace

// Edits, check boxes and buttons are the worked examples' (ScriptDocTest); here what they never
// show: escapes, a memo's lines, an unselected combo box, controls and components left out.
TEST(Dump, RecordsEveryControlInCreationOrderByteForByte) {
    RegisterControlClasses();
    TDesignedForm window(nullptr, "TSmallWin");
    window.LoadDesign(kDesign, "Small.dfm");
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
