#include <gtest/gtest.h>

#include "host/controls/ControlClasses.h"
#include "host/controls/Grids.h"
#include "host/controls/StdCtrls.h"
#include "host/formfile/FormModel.h"

using namespace vcl;

// Forms under inspection are built from the same C++ classes as the windows; what they
// cannot express must still go back to the file as it was written.
TEST(ControlsInFormFiles, ValuesTheControlsCannotExpressSurviveAnEdit) {
    RegisterControlClasses();
    const std::string text = R"(object Form1: TForm1
  Left = 0
  Top = 0
  Width = 300
  Height = 200
  object CheckBox1: TCheckBox
    Left = 8
    AllowGrayed = True
    State = cbGrayed
  end
  object ComboBox1: TComboBox
    Left = 8
    Text = 'typed'
  end
  object BitBtn1: TBitBtn
    Left = 8
    Kind = bkNoToAll
    ModalResult = mrYesToAll
  end
  object BitBtn2: TBitBtn
    Left = 8
    Kind = bkOK
  end
  object StringGrid1: TStringGrid
    Left = 8
    ColCount = 3
    FixedCols = 0
    Options = [goEditing, goRowMoving]
  end
end
)";
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
