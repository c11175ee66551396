#include <gtest/gtest.h>

#include "host/controls/ControlClasses.h"
#include "host/controls/Grids.h"
#include "host/controls/StdCtrls.h"
#include "host/formfile/FormModel.h"
#include "tests/support/TestSupport.h"

using namespace vcl;
using testsupport::Bounds;
using testsupport::Dfm;

// Forms under inspection are built from the same C++ classes as the windows; what they
// cannot express must still go back to the file as it was written.
TEST(ControlsInFormFiles, ValuesTheControlsCannotExpressSurviveAnEdit) {
    RegisterControlClasses();
    const std::string text = Dfm("object Form1: TForm1", {Bounds(0, 0, 300, 200)},
        {Dfm("object CheckBox1: TCheckBox", {"Left = 8", "AllowGrayed = True", "State = cbGrayed"}),
         Dfm("object ComboBox1: TComboBox", {"Left = 8", "Text = 'typed'"}),
         Dfm("object BitBtn1: TBitBtn", {"Left = 8", "Kind = bkNoToAll", "ModalResult = mrYesToAll"}),
         Dfm("object BitBtn2: TBitBtn", {"Left = 8", "Kind = bkOK"}),
         Dfm("object StringGrid1: TStringGrid",
             {"Left = 8", "ColCount = 3", "FixedCols = 0", "Options = [goEditing, goRowMoving]"})});
    auto file = formfile::TFormFile::LoadBytes(text, "Unit1.dfm");
    TComponent* root = file->Root();
    EXPECT_TRUE(Is<TCheckBox>(root->FindComponent("CheckBox1")));
    auto* ok = As<TBitBtn>(root->FindComponent("BitBtn2"));
    EXPECT_EQ(ok->Caption(), "OK");
    EXPECT_EQ(ok->ModalResult(), mrOk);
    EXPECT_TRUE(As<TStringGrid>(root->FindComponent("StringGrid1"))->HasOption("goRowMoving"));
    for (const char* name : {"CheckBox1", "ComboBox1", "BitBtn1", "BitBtn2", "StringGrid1"})
        As<TControl>(root->FindComponent(name))->SetLeft(16);
    ASSERT_TRUE(file->ApplyChanges());
    std::string expected = text;
    for (size_t at = 0; (at = expected.find("    Left = 8", at)) != std::string::npos;) expected.replace(at, 12, "    Left = 16");
    EXPECT_EQ(file->Bytes(), expected);
}
