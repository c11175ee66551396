// The position tool and its rescale dialog: the three orders, the write-back and where it
// stops, and the rescale arithmetic (half to even, offsets after rounding, constants,
// compounding, errors in the middle of the rows); on a form file, tab sheets at the place their
// page control gives them and unknown non-visual components (a dataset with persistent fields, a
// dialog) listed with the components and never moved.
#include "grid/Reposn.h"

#include "grid/Allinfo.h"
#include "grid/Scalefrm.h"
#include "host/formfile/FormModel.h"
#include "tests/grid/GridTestSupport.h"

using namespace vcl;
using gridtest::Column;
using gridtest::ColumnOf;
using gridtest::Names;
using tavrin::HintEd;
using testsupport::Bounds;
using testsupport::Dfm;

namespace {

class PositionTool : public gridtest::GridTest {
protected:
    void TearDown() override {
        tavrin::xysorttype = tavrin::byparent;
        GridTest::TearDown();
    }
    // Picks a sort order in the open window, as a person does.
    void Choose(int item) const { HintEd->SortCB->Choose(item); }
    // The rescale dialog with its fields set by `fill`, then OK.
    void Rescale(const std::function<void(tavrin::TScaleDlg&)>& fill) {
        dialog = [fill](TCustomForm& window) {
            fill(dynamic_cast<tavrin::TScaleDlg&>(window));
            return mrOk;
        };
        HintEd->BtnRescale->Click();
    }
    Names Cells(const std::string& caption) const { return Column(gridtest::RowsOf(Grid()), caption); }
};

}  // namespace

TEST_F(PositionTool, OrdersByParentTextThenTopThenLeftAndNegativesFirst) {
    auto* panel = Place<TPanel>("Panel1", 50, 50);
    Place<TEdit>("P2", 10, 30, panel);
    Place<TEdit>("P1", 10, 5, panel);
    Place<TEdit>("F1", -4, 200);
    Place<TEdit>("F2", 0, -9);
    Place<TEdit>("F3", 0, 7);
    Run(tavrin::reposition, [&] {
        const Names byParent = Cells("Name");
        Choose(1);
        const Names byTop = Cells("Name");
        Choose(2);
        const Names byLeft = Cells("Name");
        EXPECT_EQ(byParent, (Names{"F1", "F2", "F3", "Panel1", "P1", "P2"}));
        EXPECT_EQ(byTop, (Names{"F1", "F2", "F3", "P1", "P2", "Panel1"}));
        EXPECT_EQ(byLeft, (Names{"F2", "P1", "F3", "P2", "Panel1", "F1"}));
        return mrCancel;
    });
    EXPECT_EQ(Column(rows, "Parent"), (Names{"Form1 : TForm;", "Panel1 : TPanel;", "Form1 : TForm;",
                                             "Panel1 : TPanel;", "Form1 : TForm;", "Form1 : TForm;"}));
    // Every position tool starts by parent again.
    EXPECT_EQ(tavrin::xysorttype, tavrin::byleft);
    Run(tavrin::reposition);
    EXPECT_EQ(Column(rows, "Name"), (Names{"F1", "F2", "F3", "Panel1", "P1", "P2"}));
}

TEST_F(PositionTool, ControlsInOnePlaceKeepTheirListOrderInEveryOrder) {
    // Enough of them that an unstable sort would shuffle the ties; names out of order on purpose.
    Names listed;
    for (int i = 0; i < 60; ++i) {
        const std::string name = "E" + std::to_string((i * 37) % 60);
        Place<TEdit>(name, i % 2 == 0 ? 10 : 20, 5);
        listed.push_back(name);
    }
    Names expected;
    for (int top : {10, 20})
        for (size_t i = 0; i < listed.size(); ++i)
            if ((i % 2 == 0 ? 10 : 20) == top) expected.push_back(listed[i]);
    Run(tavrin::reposition, [&] {
        EXPECT_EQ(Cells("Name"), expected);
        Choose(1);
        EXPECT_EQ(Cells("Name"), expected);
        Choose(2);
        EXPECT_EQ(Cells("Name"), listed);  // all at one left
        return mrCancel;
    });
}

TEST_F(PositionTool, OkWritesNamePlaceSizeAndCaptionOfMovedRowsOntoTheirOwnControls) {
    auto* a = Place<TButton>("A", 10, 10);
    a->SetCaption("Go");
    auto* b = Place<TEdit>("B", 40, 10);
    Run(tavrin::reposition, [&] {
        Grid().MoveRow(2, 1);
        Grid().MoveColumn(ColumnOf(Grid(), "Width"), 2);
        Type("Top", 2, "11");
        Type("Width", 2, "77");
        Type("Height", 1, "33");
        Type("Name", 2, "Start");
        return mrOk;
    });
    EXPECT_EQ(a->Name(), "Start");
    EXPECT_EQ(a->Caption(), "Go");  // an unedited caption stays, though renames carry it along
    EXPECT_EQ(std::vector<int>({a->Top(), a->Left(), a->Width(), a->Height()}), std::vector<int>({11, 10, 77, 20}));
    EXPECT_EQ(std::vector<int>({b->Top(), b->Left(), b->Width(), b->Height()}), std::vector<int>({40, 10, 50, 33}));
}

TEST_F(PositionTool, ARowWithABadNumberIsNotWrittenAtAllAndStopsTheRest) {
    auto* a = Place<TEdit>("A", 10, 10);
    auto* b = Place<TEdit>("B", 20, 10);
    auto* c = Place<TEdit>("C", 30, 10);
    EXPECT_THROW(Run(tavrin::reposition,
                     [&] {
                         Type("Left", 1, "1");
                         Type("Name", 2, "Renamed");
                         Type("Height", 2, "tall");
                         Type("Left", 3, "3");
                         return mrOk;
                     }),
                 EConvertError);
    EXPECT_EQ(a->Left(), 1);
    EXPECT_EQ(b->Name(), "B");
    EXPECT_EQ(c->Left(), 10);
    // A clash of names stops the row before its place is written.
    EXPECT_THROW(Run(tavrin::reposition,
                     [&] {
                         Type("Name", 2, "C");
                         Type("Top", 2, "99");
                         return mrOk;
                     }),
                 EComponentError);
    EXPECT_EQ(b->Top(), 20);
}

TEST_F(PositionTool, TheScaleFactorRoundsHalvesToEvenAndTheOffsetComesAfter) {
    EXPECT_EQ(tavrin::ScalePosition("1", "2", 5), 2);
    EXPECT_EQ(tavrin::ScalePosition("1", "2", 7), 4);
    EXPECT_EQ(tavrin::ScalePosition("1", "2", -5), -2);
    EXPECT_EQ(tavrin::ScalePosition("3", "2", 7), 10);
    EXPECT_EQ(tavrin::AddOffset(tavrin::ScalePosition("3", "2", 7), "10"), 20);
    EXPECT_EQ(tavrin::ScalePosition(" 1.5 ", "1", 3), 4);
    EXPECT_EQ(tavrin::ScalePosition("+1e0", "4", 6), 2);  // 1.5 rounds to 2
    // Extended precision: a third of a large odd value is still rounded, not truncated.
    EXPECT_EQ(tavrin::ScalePosition("1", "3", 2000000000), 666666667);
    EXPECT_EQ(tavrin::ScalePosition("-1", "1", INT32_MAX), -INT32_MAX);
    EXPECT_THROW(tavrin::ScalePosition("2", "1", INT32_MAX), ERangeError);
    EXPECT_THROW(tavrin::ScalePosition("1e5000", "1", 1), EConvertError);
    EXPECT_THROW(tavrin::ScalePosition("1", "0", 1), EZeroDivide);
    for (const char* bad : {"", "one", "1,5", "1.5x", "+-1", "nan", "inf"})
        EXPECT_THROW(tavrin::ScalePosition(bad, "1", 1), EConvertError) << bad;
    EXPECT_THROW(tavrin::AddOffset(INT32_MAX, "1"), EIntOverflow);
    EXPECT_THROW(tavrin::AddOffset(0, "1.0"), EConvertError);
    // A locale whose separator is a comma: both it and the point are read, a second comma is not.
    const std::string separator = DecimalSeparator();
    SetDecimalSeparator(",");
    EXPECT_EQ(tavrin::ScalePosition("1,5", "1.5", 7), 7);
    EXPECT_EQ(tavrin::ScalePosition("2,5", "1", 3), 8);
    EXPECT_THROW(tavrin::ScalePosition("1,5,0", "1", 1), EConvertError);
    SetDecimalSeparator(separator);
}

TEST_F(PositionTool, RescaleRewritesEveryRowsNumbersAndCompoundsWhenRepeated) {
    Place<TEdit>("A", 5, 3);
    Place<TEdit>("B", 7, 9);
    Run(tavrin::reposition, [&] {
        Grid().MoveRow(2, 1);  // B is row 1 now; its number cell says 2 until the rescale
        Rescale([](tavrin::TScaleDlg& d) {
            d.TopDenom->SetText("2");
            d.LeftNumerator->SetText("3");
            d.CheckConstWidth->SetChecked(true);
        });
        EXPECT_EQ(Cells("No"), (Names{"1", "2"}));
        EXPECT_EQ(Cells("Top"), (Names{"4", "2"}));
        EXPECT_EQ(Cells("Left"), (Names{"27", "9"}));
        EXPECT_EQ(Cells("Width"), (Names{"0", "0"}));
        EXPECT_EQ(Cells("Height"), (Names{"20", "20"}));
        Rescale([](tavrin::TScaleDlg& d) {
            d.TopNumerator->SetText("3");
            d.TopDenom->SetText("2");
            d.CheckTopOffset->SetChecked(true);
            d.TopOffset->SetText("10");
            d.CheckConstHeight->SetChecked(true);
            d.ConstHeight->SetText("15");
            d.CheckLeftOffset->SetChecked(true);
            d.LeftOffset->SetText("-1");
        });
        EXPECT_EQ(Cells("Top"), (Names{"16", "13"}));  // 6 and 3, then + 10
        EXPECT_EQ(Cells("Left"), (Names{"26", "8"}));
        EXPECT_EQ(Cells("Height"), (Names{"15", "15"}));
        return mrCancel;
    });
    EXPECT_EQ(tavrin::ScaleDlg, nullptr);
    EXPECT_EQ(form->FindComponent("A")->ClassName(), "TEdit");
    EXPECT_EQ(static_cast<TControl*>(form->FindComponent("A"))->Top(), 5);  // the grid was cancelled
}

// What the dialog marks while it is typed into: each field OK would refuse, by its name. A
// field whose box is not checked is not read, so it is never wrong.
TEST_F(PositionTool, TheRescaleDialogNamesEachFieldOkWouldRefuse) {
    Place<TEdit>("A", 5, 3);
    Names reasons;
    Run(tavrin::reposition, [&] {
        dialog = [&](TCustomForm& window) {
            auto& d = dynamic_cast<tavrin::TScaleDlg&>(window);
            d.LeftOffset->SetText("x");
            d.CheckConstWidth->SetChecked(true);
            d.ConstWidth->SetText("1.5");
            d.LeftDenom->SetText(" 0.0 ");
            d.TopNumerator->SetText("two");
            for (const auto& bad : d.BadValues()) reasons.push_back(bad.reason);
            return mrCancel;
        };
        HintEd->BtnRescale->Click();
        return mrCancel;
    });
    EXPECT_EQ(reasons, (Names{"Const Width: '1.5' is not a valid integer value",
                              "Horiz Denominator: Floating point division by zero",
                              "Vert Numerator: 'two' is not a valid floating point value"}));
}

TEST_F(PositionTool, AnErrorMidwayKeepsTheRowsAlreadyRescaledAndTheWindowOpen) {
    Place<TEdit>("A", 10, 0);
    Place<TEdit>("B", 20, 0);
    Place<TEdit>("C", 30, 0);
    RunScript(tavrin::reposition,
              "cell StringGrid1 8 2 high\n"
              "ok\n"  // refused: the window stays open with the edit
              "click BtnRescale\nset TopNumerator 2\nok\n"
              "dump\n"
              "click BtnRescale\nset TopDenom 0\nok\ncancel\n"  // refused in the dialog
              "click BtnRescale\ncancel\n"
              "cell StringGrid1 8 2 20\n"
              "click BtnRescale\nset CheckTopOffset 1\nset TopOffset 2147483647\nok\n"
              "ok\n");
    EXPECT_NE(out.str().find("row\t1\t1\tA\tTEdit\tForm1 : TForm;\t\t20\t"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("row\t2\t2\tB\tTEdit\tForm1 : TForm;\t\t20\t"), std::string::npos) << out.str();
    EXPECT_EQ(err.str(), "error: EConvertError: Row 2 (B), Height: 'high' is not a valid integer value\n"
                         "error: EConvertError: 'high' is not a valid integer value\n"
                         "error: EZeroDivide: Floating point division by zero\n"
                         "error: EIntOverflow: Integer overflow: 20 + 2147483647\n");
    // Only the first rescale changed anything, and only row 1 (A: 10 -> 20) before B's bad
    // height stopped it; the later ones failed at row 1.
    EXPECT_EQ(static_cast<TControl*>(form->FindComponent("A"))->Top(), 20);
    EXPECT_EQ(static_cast<TControl*>(form->FindComponent("B"))->Top(), 20);
    EXPECT_EQ(static_cast<TControl*>(form->FindComponent("C"))->Top(), 30);
    EXPECT_EQ(tavrin::ScaleDlg, nullptr);
}

TEST_F(PositionTool, AGridWithoutRowsRescalesNothingAndOkChangesNothing) {
    auto backend = Run(tavrin::reposition, [&] {
        Rescale([](tavrin::TScaleDlg& d) { d.TopDenom->SetText("0"); });  // no row: nothing divides
        return mrOk;
    });
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(backend.captions, (Names{"Positions for Form1 : TForm;", "Scaling"}));
}

TEST_F(PositionTool, TabSheetsShowTheirPageAreaAndUnknownNonVisualComponentsStayOutOfThePlaces) {
    auto file = formfile::TFormFile::LoadBytes(
        Dfm("object F: TForm", {"Caption = 'F'"},
            {Dfm("object Pages: TPageControl", {Bounds(8, 8, 200, 100)},
                 {Dfm("object Sheet: TTabSheet", {"Caption = 'One'"}, {Dfm("object Edit: TEdit", {"Left = 2", "Top = 3"})})}),
             Dfm("object Csv: TQxCsvData", {"Left = 40", "Top = 50"},
                 {Dfm("object CsvName: TQxStringField", {"FieldName = 'NAME'"}),
                  Dfm("object CsvCity: TStringField", {"FieldName = 'CITY'"})}),
             Dfm("object Pick: TQxOpenDialog", {"Left = 60", "Top = 50"})}),
        "mine.dfm");
    TComponent* root = file->Root();
    (new tavrin::TTavrinQA(root))->SetForTheRunOnly(true);
    Run(
        tavrin::reposition,
        [&] {
            EXPECT_EQ(Cells("Name"), (Names{"Pages", "Sheet", "Edit"}));
            const int sheet = RowNamed("Sheet");
            for (const auto& [caption, value] :
                 {std::pair{"Left", "4"}, {"Top", "24"}, {"Width", "192"}, {"Height", "72"}})
                EXPECT_EQ(Grid().Cells(ColumnOf(Grid(), caption), sheet), value) << caption;
            Rescale([](tavrin::TScaleDlg& d) {
                d.CheckTopOffset->SetChecked(true);
                d.TopOffset->SetText("10");
            });
            return mrOk;
        },
        root);
    const auto* sheet = static_cast<TControl*>(root->FindComponent("Sheet"));
    EXPECT_EQ(std::vector<int32_t>({sheet->Left(), sheet->Top(), sheet->Width(), sheet->Height()}),
              std::vector<int32_t>(4, 0));
    EXPECT_EQ(static_cast<TControl*>(root->FindComponent("Edit"))->Top(), 13);
    for (const auto& [name, left] : {std::pair{"Csv", 40}, {"Pick", 60}})
        EXPECT_EQ(root->FindComponent(name)->DesignInfo(), 50 << 16 | left) << name;
    Run(tavrin::ComponentInfo, nullptr, root);
    EXPECT_EQ(Column(rows, "Name"), (Names{"Csv", "CsvName", "CsvCity", "Pick"}));  // not the run's QA component
}
