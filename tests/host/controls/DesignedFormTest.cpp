#include <gtest/gtest.h>

#include <algorithm>

#include "host/controls/ControlClasses.h"
#include "host/controls/DesignedForm.h"
#include "host/controls/Outline.h"
#include "host/controls/StdCtrls.h"
#include "tests/support/TestSupport.h"

using namespace vcl;
using testsupport::Dfm;

namespace {

const std::string kDesign = Dfm(
    "object Sample: TSample",
    {"Caption = 'Sample'", "Font.Height = -16", "Font.Name = 'System'", "Font.Style = [fsBold]", "OnCreate = FormCreate"},
    {Dfm("object Tree: TOutline", {"Lines.Strings = (\n  'Top'\n  #9'Child')", "OnMouseDown = TreeMouseDown"}),
     Dfm("object Panel1: TPanel", {}, {Dfm("object GoBtn: TButton", {"Caption = 'Go'", "ModalResult = 1", "OnClick = GoBtnClick"})}),
     Dfm("object Sort: TComboBox", {"ItemIndex = 1", "Items.Strings = (\n  'Class'\n  'Parent')", "OnChange = GoBtnClick"}),
     Dfm("object Memo1: TMemo", {"Lines.Strings = (\n  'Memo1')"})});

class TSample : public TDesignedForm {
public:
    explicit TSample(TComponent* owner, const std::string& design = kDesign, bool withMouse = true)
        : TDesignedForm(owner, "TSample") {
        RegisterHandler("FormCreate", [this](TObject*) { log += "create;"; });
        RegisterHandler("goBtnClick", [this](TObject* sender) { log += static_cast<TComponent*>(sender)->Name() + ";"; });
        if (withMouse)
            RegisterHandler("TreeMouseDown", [this](TObject*, TMouseButton, TShiftState, int, int) { log += "down;"; });
        LoadDesign(design, "Sample.dfm");
    }
    std::string log;
};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

class DesignedFormTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterControlClasses(); }
};

}  // namespace

TEST_F(DesignedFormTest, EventsAreBoundToTheWindowsHandlersByName) {
    TSample window(nullptr);
    EXPECT_EQ(window.log, "create;");
    window.Control<TButton>("GoBtn")->Click();
    window.Control<TComboBox>("Sort")->Choose(0);
    EXPECT_EQ(window.log, "create;GoBtn;Sort;");
    EXPECT_EQ(window.ModalResult(), mrOk);
    MouseDrag(*window.Control<TOutline>("Tree"), mbRight, {1, 1}, {1, 1});
    EXPECT_EQ(window.log, "create;GoBtn;Sort;down;");
    // The window's own handlers can be taken to reconnect an event.
    auto* tree = window.Control<TOutline>("Tree");
    tree->OnMouseDown() = nullptr;
    tree->OnMouseDown() = window.Handler<TMouseEvent>("TreeMouseDown");
    EXPECT_THROW(window.Handler<TNotifyEvent>("TreeMouseDown"), EPropertyError);
    EXPECT_THROW(window.Handler<TNotifyEvent>("Nothing"), EPropertyError);
}

TEST_F(DesignedFormTest, PropertiesKeptAsListsAndSubObjectsReachTheirControls) {
    TSample window(nullptr);
    EXPECT_EQ(window.Caption(), "Sample");
    EXPECT_EQ(window.Font().Name, "System");
    EXPECT_EQ(window.Font().PixelHeight(), 16);
    EXPECT_TRUE(window.Font().Bold);
    auto* tree = window.Control<TOutline>("Tree");
    ASSERT_EQ(tree->ItemCount(), 2);
    EXPECT_EQ(tree->Items(2).Level(), 2);
    auto* sort = window.Control<TComboBox>("Sort");
    EXPECT_EQ(sort->Items().Count(), 2);
    EXPECT_EQ(sort->Text(), "Parent");  // its index was read before its items
    EXPECT_EQ(window.Control<TMemo>("Memo1")->Lines()[0], "Memo1");
    EXPECT_EQ(window.Control<TButton>("GoBtn")->Parent(), window.Control<TPanel>("Panel1"));
    EXPECT_FALSE(window.Loading());
}

TEST_F(DesignedFormTest, ControlsAreLookedUpByNameWithTheirClassChecked) {
    TSample window(nullptr);
    EXPECT_NE(window.Control<TWinControl>("sort"), nullptr);
    EXPECT_THROW(window.Control<TEdit>("Sort"), EInvalidCast);
    EXPECT_THROW(window.Control<TEdit>("EdTop"), EComponentError);
}

TEST_F(DesignedFormTest, AnEventThatCannotBeBoundFailsTheWindow) {
    // A handler the window does not have.
    EXPECT_THROW(TSample(nullptr, kDesign, false), EPropertyError);
    EXPECT_TRUE(testsupport::Has(
        testsupport::ErrorOf<EPropertyError>([] { TSample(nullptr, Replaced(kDesign, "OnClick = GoBtnClick", "OnClick = Missing")); }),
        "GoBtn.OnClick names the handler Missing"));
    // A handler of another shape.
    EXPECT_THROW(TSample(nullptr, Replaced(kDesign, "OnClick = GoBtnClick", "OnClick = TreeMouseDown")),
                 EPropertyError);
    // An event the control does not raise here.
    EXPECT_THROW(TSample(nullptr, Replaced(kDesign, "OnClick = GoBtnClick", "OnKeyDown = GoBtnClick")),
                 EPropertyError);
    // A malformed design says where.
    const std::string design(kDesign);
    const auto line = 1 + std::count(design.begin(), design.begin() + long(design.find("ItemIndex")), '\n');
    try {
        TSample window(nullptr, Replaced(kDesign, "ItemIndex = 1", "ItemIndex = 'open"));
        FAIL();
    } catch (const EParserError& e) {
        EXPECT_EQ(e.Line(), line);
    }
}

TEST_F(DesignedFormTest, ASecondWindowOfTheSameOwnerTakesANumberedName) {
    TComponent owner(nullptr);
    auto* first = new TSample(&owner);
    auto* second = new TSample(&owner);
    EXPECT_EQ(first->Name(), "Sample");
    EXPECT_EQ(second->Name(), "Sample_1");
}

TEST_F(DesignedFormTest, ACloseHandlerCanKeepAModalWindowOpen) {
    TSample window(nullptr);
    TCloseAction answer = caNone;
    window.OnClose = [&](TObject*, TCloseAction& action) { action = answer; };
    window.Close();
    window.CloseModal();
    EXPECT_EQ(window.ModalResult(), mrNone);
    answer = caHide;
    window.Close();
    window.CloseModal();
    EXPECT_EQ(window.ModalResult(), mrCancel);
}
