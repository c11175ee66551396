#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "framework/cfrminfo.h"
#include "host/controls/Dialogs.h"
#include "host/ui/Backend.h"
#include "tests/codegen/CodegenTestUtil.h"

using namespace codegentest;
using Strings = std::vector<std::string>;

namespace {

// Combinations of the four properties that no standard class has.
constexpr const char* kTestClasses = R"(class TAllFourBox : TWinControl
  Checked: Boolean
  Value: Integer
  Text: string
  ItemIndex: Integer
class TValueCheckBox : TWinControl
  Value: Integer
  Checked: Boolean
class TCodeHolder : TComponent
  Value: string
)";

// Looks at the generator's globals while its window is up, and counts the windows.
class TWatcher : public ui::TBackend {
public:
    int shown = 0;
    vcl::TModalResult RunModal(vcl::TCustomForm& window) override {
        ++shown;
        EXPECT_NE(tavrin::ZorPropMaker, nullptr);
        EXPECT_EQ(tavrin::MemoWindow, &window);
        return vcl::mrOk;
    }
    std::optional<std::string> AnswerSaveDialog(vcl::TSaveDialog&) override { return std::nullopt; }
    int MessageBox(const std::string&, const std::string&, int) override { return vcl::IDOK; }
};

class Makeprop : public CodegenTest {
protected:
    void SetUp() override {
        CodegenTest::SetUp();
        vcl::ClassCatalogue().Load(kTestClasses, "MakepropTest");
    }
    static bool Has(const Strings& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    // The line after the first one equal to line.
    static std::string After(const Strings& lines, const std::string& line, size_t n = 1) {
        const auto it = std::find(lines.begin(), lines.end(), line);
        return size_t(lines.end() - it) > n ? *(it + n) : "(none)";
    }
};

}  // namespace

TEST_F(Makeprop, AComponentJoinsOnlyTheGroupOfItsFirstPropertyByPriorityTypedByThatName) {
    Form("TForm1");
    Add("TComboBox", "Combo");            // ItemIndex and Text
    Add("TSpinEditEx", "Spin");           // Text and Value
    Add("TAllFourBox", "All");
    Add("TValueCheckBox", "ValueCheck");  // Value and Checked
    Add("TEdit", "Edit");
    Add("TCodeHolder", "Code");           // its Value is a string
    auto tool = Generate(form_.get());
    EXPECT_EQ(Names(*tool, tool->itemindexlist), (Strings{"Combo", "All"}));
    EXPECT_EQ(Names(*tool, tool->alloclist), (Strings{"Spin", "Edit"}));
    EXPECT_EQ(Names(*tool, tool->valuelist), (Strings{"ValueCheck", "Code"}));
    EXPECT_EQ(tool->checkedlist.Count(), 0);
    for (const auto* list : {&tool->alloclist, &tool->itemindexlist, &tool->valuelist})
        for (const auto& rec : *list) EXPECT_FALSE(rec.allocated);
    const Strings record = Lines(tool->recordlines);
    EXPECT_TRUE(Has(record, "     fComboData : integer;"));
    EXPECT_TRUE(Has(record, "     fSpinData : string;"));
    EXPECT_TRUE(Has(record, "     fCodeData : integer;"));
}

TEST_F(Makeprop, GroupsComeInEmissionOrderAndFieldsInComponentOrderInAllThreeParts) {
    Form("TForm1");
    for (const auto& [cls, name] : {std::pair{"TCheckBox", "Check1"}, {"TSpinEdit", "Spin1"}, {"TRadioGroup", "Radio1"},
                                    {"TEdit", "Edit2"}, {"TCheckBox", "Check0"}, {"TEdit", "Edit1"}})
        Add(cls, name);
    const Strings out = Lines(Generate(form_.get())->outputlines);
    const Strings order = {"Edit2", "Edit1", "Radio1", "Spin1", "Check1", "Check0"};
    for (size_t i = 0; i < order.size(); ++i) {
        const std::string& name = order[i];
        EXPECT_EQ(After(out, "TForm1Data = record", i + 1).rfind("     f" + name + "Data : ", 0), 0u);
        EXPECT_EQ(After(out, "  with aForm1Data do begin", i + 1).rfind("     " + name + ".", 0), 0u);
        EXPECT_EQ(After(out, "  with result do begin", i + 1).rfind("     f" + name + "Data := " + name + ".", 0), 0u);
    }
    EXPECT_EQ(After(out, "  with result do begin", order.size() + 1), "  end;");
}

TEST_F(Makeprop, ComponentsWithoutThePropertiesOrANameAreLeftOutAndNonVisualOnesTakenIn) {
    Form("TForm1");
    Add("TLabel", "Label1");
    Add("TButton", "Button1");
    Add("TMainMenu", "MainMenu1");
    Add("TTaskDialog", "TaskDialog1");  // non-visual, publishes Text
    vcl::ClassCatalogue().CreateComponent("TMenuItem", form_.get());  // no name to write
    auto tool = Generate(form_.get());
    EXPECT_EQ(Names(*tool, tool->alloclist), Strings{"TaskDialog1"});
    EXPECT_EQ(tool->itemindexlist.Count() + tool->valuelist.Count() + tool->checkedlist.Count(), 0);
}

TEST_F(Makeprop, WithoutInputControlsTheSkeletonStays) {
    Form("TForm1");
    Add("TLabel", "Label1");
    auto tool = Generate(form_.get());
    EXPECT_EQ(Lines(tool->recordlines), (Strings{"TForm1Data = record", "end;"}));
    const Strings out = Lines(tool->outputlines);
    EXPECT_EQ(After(out, "  with aForm1Data do begin"), "  end;");
    EXPECT_EQ(After(out, "  with result do begin"), "  end;");
    EXPECT_TRUE(Has(out, "Property Form1Data : TForm1Data  Read getForm1Data Write setForm1Data;"));
}

TEST_F(Makeprop, NamesComeFromTheFormClassLessOneLeadingT) {
    Form("tMain");
    Strings out = Lines(Generate(form_.get())->outputlines);
    EXPECT_TRUE(Has(out, "Procedure TMain.setMainData( aMainData : TMainData);"));
    Form("MainWindow");  // no T to drop; the headings still put one before it
    out = Lines(Generate(form_.get())->outputlines);
    EXPECT_TRUE(Has(out, "Procedure TMainWindow.setMainWindowData( aMainWindowData : TMainWindowData);"));
    EXPECT_TRUE(Has(out, "Function TMainWindow.getMainWindowData : TMainWindowData;"));
    Form("TTForm");  // only the first T goes
    out = Lines(Generate(form_.get())->outputlines);
    EXPECT_TRUE(Has(out, "Property TFormData : TTFormData  Read getTFormData Write setTFormData;"));
}

TEST_F(Makeprop, TheGlobalsReachTheToolAndWindowOnlyWhileItRuns) {
    Form("TForm1");
    TWatcher watcher;
    {
        ui::TInstalled installed(watcher);
        tavrin::FormDataProperty(form_.get());
    }
    EXPECT_EQ(watcher.shown, 1);
    EXPECT_EQ(tavrin::ZorPropMaker, nullptr);
    EXPECT_EQ(tavrin::MemoWindow, nullptr);
}

TEST_F(Makeprop, ComponentIndicesBeyondSixteenBitsStopTheRunBeforeAnyWindowOpens) {
    Form("TForm1");
    for (int i = 0; i < 32767; ++i) vcl::ClassCatalogue().CreateComponent("TLabel", form_.get());
    Add("TEdit", "Last");  // index 32767 still fits
    const auto tool = Generate(form_.get());
    EXPECT_EQ(Names(*tool, tool->alloclist), Strings{"Last"});

    vcl::ClassCatalogue().CreateComponent("TLabel", form_.get());
    TWatcher watcher;
    ui::TInstalled installed(watcher);
    EXPECT_THROW(tavrin::FormDataProperty(form_.get()), vcl::ERangeError);
    EXPECT_EQ(watcher.shown, 0);
    EXPECT_EQ(tavrin::ZorPropMaker, nullptr);
    EXPECT_EQ(tavrin::MemoWindow, nullptr);
}
