// The hint tool: which components it lists, its three orders, and how OK writes the rows
// back (order of the writes, where a failing row stops, rows and columns moved first).
#include "grid/Hintinfo.h"

#include "tests/grid/GridTestSupport.h"

using namespace vcl;
using gridtest::Column;
using gridtest::ColumnOf;
using gridtest::Names;
using tavrin::HintEd;

namespace {

class HintTool : public gridtest::GridTest {
protected:
    void TearDown() override {
        tavrin::hintsorttype = tavrin::byclass;
        GridTest::TearDown();
    }
    Names ShownNames(tavrin::thintsorttype order) {
        tavrin::hintsorttype = order;
        Run(tavrin::showHints);
        return Column(rows, "Name");
    }
};

}  // namespace

TEST_F(HintTool, NamesSortAsBytesWithCapitalsFirstAndClassesBeforeNames) {
    Add<TEdit>("apple");
    Add<TLabel>("Zebra");
    Add<TEdit>("Zeb");
    Add<TLabel>("_under");
    Add<TEdit>("Apricot");
    EXPECT_EQ(ShownNames(tavrin::byname), (Names{"Apricot", "Zeb", "Zebra", "_under", "apple"}));
    EXPECT_EQ(ShownNames(tavrin::byclass), (Names{"Apricot", "Zeb", "apple", "Zebra", "_under"}));
    EXPECT_EQ(Column(rows, "Class"), (Names{"TEdit", "TEdit", "TEdit", "TLabel", "TLabel"}));
    // The hint order outlives the run.
    EXPECT_EQ(tavrin::hintsorttype, tavrin::byclass);
    EXPECT_EQ(HintEd, nullptr);
}

TEST_F(HintTool, ByParentComponentsWithoutAParentComeFirstThenParentClassAndName) {
    auto* panel = Add<TPanel>("Panel1");
    Add<TEdit>("B", panel);
    Add<TLabel>("A", panel);
    Add<TEdit>("A2", panel);
    auto* menu = new TMainMenu(form);
    menu->SetName("MainMenu1");
    auto* file = new TMenuItem(form);
    file->SetName("File1");
    menu->Items()->Add(file);
    auto* open = new TMenuItem(form);
    open->SetName("Open1");
    file->Add(open);
    auto* loose = new TEdit(form);  // on no parent
    loose->SetName("Loose");
    // Parent texts: "" (Loose), " : TMenuItem;" (the menu's unnamed root item), "File1 : TMenuItem;",
    // "Form1 : TForm;", "Panel1 : TPanel;".
    EXPECT_EQ(ShownNames(tavrin::byhintparent), (Names{"Loose", "File1", "Open1", "Panel1", "A2", "B", "A"}));
    // The main menu has no hint; menu items do.
    EXPECT_EQ(rows.size(), 7u);
}

TEST_F(HintTool, UneditedLongValuesComeBackWholeAndEditedOnesAreWrittenWhole) {
    const std::string longName = "N" + std::string(80, 'x');
    const std::string longCaption(300, 'c'), longHint(400, 'h');
    auto* label = Add<TLabel>(longName);
    label->SetCaption(longCaption);
    label->SetHint(longHint);
    auto* edit = Add<TEdit>("Edit1");
    const std::string typed(500, 't');
    Run(tavrin::showHints, [&] {
        Type("Hint", RowNamed("Edit1"), typed);
        return mrOk;
    });
    EXPECT_EQ(label->Name(), longName);
    EXPECT_EQ(label->Caption(), longCaption);
    EXPECT_EQ(label->Hint(), longHint);
    EXPECT_EQ(edit->Hint(), typed);
}

TEST_F(HintTool, MovedRowsAndColumnsStillWriteOntoTheirOwnComponentsAndProperties) {
    auto* a = Add<TLabel>("A");
    auto* b = Add<TLabel>("B");
    a->SetCaption("A");
    Run(tavrin::showHints, [&] {
        Grid().MoveRow(2, 1);                       // B first
        Grid().MoveColumn(ColumnOf(Grid(), "Hint"), 1);  // hints before names
        Type("Caption", 1, "caption of B");
        Type("Hint", 2, "hint of A");
        return mrOk;
    });
    EXPECT_EQ(b->Caption(), "caption of B");
    EXPECT_EQ(a->Hint(), "hint of A");
    EXPECT_EQ(a->Caption(), "A");
    EXPECT_EQ(b->Hint(), "");
}

TEST_F(HintTool, ARenameClashStopsTheRunAfterThatRowsHintAndBeforeItsCaption) {
    auto* a = Add<TLabel>("A");
    auto* b = Add<TLabel>("B");
    auto* c = Add<TLabel>("C");
    b->SetCaption("B");
    tavrin::hintsorttype = tavrin::byname;
    EXPECT_THROW(Run(tavrin::showHints,
                     [&] {
                         for (int r = 1; r <= 3; ++r) {
                             Type("Hint", r, "hint " + std::to_string(r));
                             Type("Caption", r, "caption " + std::to_string(r));
                         }
                         Type("Name", 2, "a");  // B renamed to A's name, case ignored
                         return mrOk;
                     }),
                 EComponentError);
    EXPECT_EQ(a->Hint(), "hint 1");
    EXPECT_EQ(a->Caption(), "caption 1");
    EXPECT_EQ(b->Hint(), "hint 2");
    EXPECT_EQ(b->Name(), "B");
    EXPECT_EQ(b->Caption(), "B");
    EXPECT_EQ(c->Hint(), "");
    EXPECT_EQ(HintEd, nullptr);  // the tool and its window are freed on the error path too
}

TEST_F(HintTool, ABadListIndexStopsTheRunWithTheRowsBeforeApplied) {
    auto* a = Add<TLabel>("A");
    auto* b = Add<TLabel>("B");
    tavrin::hintsorttype = tavrin::byname;
    // The hidden column has no caption of its own once a layout is saved: it is the last one.
    auto lastColumn = [&] { return Grid().ColCount() - 1; };
    EXPECT_THROW(Run(tavrin::showHints,
                     [&] {
                         Type("Hint", 1, "first x");
                         Type("Hint", 2, "second");
                         Grid().SetCells(lastColumn(), 2, "x");
                         return mrOk;
                     }),
                 EConvertError);
    EXPECT_EQ(a->Hint(), "first x");
    EXPECT_EQ(b->Hint(), "");
    EXPECT_THROW(Run(tavrin::showHints,
                     [&] {
                         Type("Hint", 1, "first 7");
                         Grid().SetCells(lastColumn(), 2, "7");
                         return mrOk;
                     }),
                 EListError);
    EXPECT_EQ(a->Hint(), "first 7");
    EXPECT_EQ(b->Hint(), "");
}

TEST_F(HintTool, CancelAndAFormWithoutHintsChangeNothing) {
    auto* edit = Add<TEdit>("Edit1");
    Run(tavrin::showHints, [&] {
        Type("Hint", 1, "typed");
        return mrCancel;
    });
    EXPECT_EQ(edit->Hint(), "");
    delete edit;
    auto* menu = new TMainMenu(form);
    menu->SetName("MainMenu1");
    auto backend = Run(tavrin::showHints, [] { return mrOk; });
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(backend.captions, (Names{"Hints for Form1 : TForm;"}));
    EXPECT_EQ(menu->Name(), "MainMenu1");
}
