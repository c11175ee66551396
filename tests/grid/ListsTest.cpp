// The hint tool (which components it lists, its three orders, how OK writes the rows back: order
// of the writes, where a failing row stops) and the component list (the design position split
// into top and left and joined again, and the range the write-back accepts).
#include <algorithm>
#include <iterator>

#include "grid/Allinfo.h"
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

class ComponentList : public gridtest::GridTest {
protected:
    static zorbase::tinifile* aninifile() { return tavrin::aninifile; }
    TComponent* Make(const std::string& cls, const std::string& name, int top, int left) {
        TComponent* c = testsupport::Make(cls.c_str(), form, name.c_str());
        c->SetDesignInfo(int32_t(uint32_t(top) * 65536u + uint32_t(left)));
        return c;
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

TEST_F(HintTool, NamesAlikeInTheirFirstBytesSortByTheWholeName) {
    // Names that end at or run past 8 and 16 bytes, and that share their first 16.
    for (const char* name : {"LongCommonPrefix_B", "LongCommonPrefix", "LongComm", "LongCommonPrefix_A", "LongCom",
                             "LongCommo", "LongCommonPrefi"})
        Add<TEdit>(name);
    const Names sorted{"LongCom", "LongComm", "LongCommo", "LongCommonPrefi", "LongCommonPrefix", "LongCommonPrefix_A",
                       "LongCommonPrefix_B"};
    EXPECT_EQ(ShownNames(tavrin::byname), sorted);
    EXPECT_EQ(ShownNames(tavrin::byclass), sorted);
}

TEST_F(HintTool, ManyNamesNumberedInListOrderSortAsBytesWithinTheirClass) {
    // Numbered as a designer numbers them: long runs that are neither in byte order nor reversed,
    // two classes taking turns in blocks.
    Names edits, labels;
    for (int i = 1; i <= 300; ++i) {
        const bool edit = i / 25 % 2 == 0;
        const std::string name = (edit ? "Entry" : "Caption") + std::to_string(i);  // labels first by name
        if (edit) Add<TEdit>(name);
        else Add<TLabel>(name);
        (edit ? edits : labels).push_back(name);
    }
    std::sort(edits.begin(), edits.end());
    std::sort(labels.begin(), labels.end());
    Names byClass = edits, byName;
    byClass.insert(byClass.end(), labels.begin(), labels.end());
    std::merge(edits.begin(), edits.end(), labels.begin(), labels.end(), std::back_inserter(byName));
    EXPECT_EQ(ShownNames(tavrin::byclass), byClass);
    EXPECT_EQ(ShownNames(tavrin::byname), byName);
}

TEST_F(HintTool, ByParentComponentsWithoutAParentComeFirstThenParentClassAndName) {
    auto* panel = Add<TPanel>("Panel1");
    Add<TEdit>("B", panel);
    Add<TLabel>("A", panel);
    Add<TEdit>("A2", panel);
    Item("Open1", "", Item("File1", "", Add<TMainMenu>("MainMenu1")->Items()));
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

TEST_F(ComponentList, ListsNonVisualComponentsInComponentOrderWithTheirIconPlaces) {
    qa->SetName("TavrinQA1");
    Make("TTable", "Table1", 30, 40);
    Add<TEdit>("Edit1");
    Item("File1", "", Add<TMainMenu>("MainMenu1")->Items());
    Make("TDataSource", "DataSource1", 65535, 0);
    auto backend = Run(tavrin::ComponentInfo);
    EXPECT_EQ(Column(rows, "Name"), (Names{"TavrinQA1", "Table1", "MainMenu1", "DataSource1"}));
    EXPECT_EQ(Column(rows, "Class"), (Names{"TTavrinQA", "TTable", "TMainMenu", "TDataSource"}));
    EXPECT_EQ(Column(rows, "Top"), (Names{"0", "30", "0", "65535"}));
    EXPECT_EQ(Column(rows, "Left"), (Names{"0", "40", "0", "0"}));
    EXPECT_EQ(backend.captions, (Names{"Components for Form1 : TForm;"}));
    // No sorting and no rescaling here.
    EXPECT_EQ(rows[0].size(), 6u);
}

TEST_F(ComponentList, OkJoinsTopAndLeftIntoTheDesignValueOfMovedRows) {
    TComponent* table = Make("TTable", "Table1", 30, 40);
    TComponent* source = Make("TDataSource", "DataSource1", 1, 2);
    Run(tavrin::ComponentInfo, [&] {
        Grid().MoveRow(3, 1);
        Grid().MoveColumn(ColumnOf(Grid(), "Left"), 1);
        Type("Left", RowNamed("Table1"), "41");
        Type("Top", RowNamed("DataSource1"), "65535");
        Type("Left", RowNamed("DataSource1"), "65535");
        Type("Name", RowNamed("DataSource1"), "Source");
        return mrOk;
    });
    EXPECT_EQ(table->DesignInfo(), 65536 * 30 + 41);
    EXPECT_EQ(uint32_t(source->DesignInfo()), 0xFFFFFFFFu);
    EXPECT_EQ(source->Name(), "Source");
}

TEST_F(ComponentList, APlaceOutside16BitsStopsTheRunAfterTheRowsName) {
    TComponent* table = Make("TTable", "Table1", 30, 40);
    TComponent* source = Make("TDataSource", "DataSource1", 1, 2);
    for (const char* bad : {"-1", "65536"}) {
        EXPECT_THROW(Run(tavrin::ComponentInfo,
                         [&] {
                             Type("Name", RowNamed("Table1"), "Orders");
                             Type("Top", RowNamed("Orders"), bad);
                             Type("Top", RowNamed("DataSource1"), "9");
                             return mrOk;
                         }),
                     ERangeError)
            << bad;
        EXPECT_EQ(table->Name(), "Orders");
        EXPECT_EQ(table->DesignInfo(), 65536 * 30 + 40);
        EXPECT_EQ(source->DesignInfo(), 65536 * 1 + 2);
        table->SetName("Table1");
    }
}

TEST_F(ComponentList, WithNothingListedTheWindowShowsTheHeaderAloneAndTakesNoTyping) {
    TForm bare(nullptr);
    bare.SetName("Bare");
    auto* edit = new TEdit(&bare);
    edit->SetName("Edit1");
    auto run = [&](const std::string& text) {
        ui::TScriptBackend script(text, "test.script", out, err);
        ui::TInstalled installed(script);
        tavrin::ComponentInfo(&bare);
    };
    run("dump\n");
    EXPECT_NE(out.str().find("window\tTHintEd\tComponents for Bare : TForm;\n"
                             "grid\tStringGrid1\t6\t1\n"
                             "row\t0\tNo\tName\tClass\tTop\tLeft\tPosn\n"
                             "widths\t25\t105\t60\t40\t40\t0\n"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("button\tBtnRescale\tRescale\t0\n"), std::string::npos);
    // What it saved is the component list's layout, not the designed grid's.
    EXPECT_EQ(aninifile()->get_line("Component List", 0), "No");
    EXPECT_EQ(aninifile()->get_line("Component List", 4), "Left");
    EXPECT_EQ(aninifile()->ReadInteger("Component List", "Class", -1), 60);
    EXPECT_THROW(run("cell StringGrid1 1 0 x\n"), ui::EScriptError);
    EXPECT_THROW(run("moverow StringGrid1 0 0\n"), ui::EScriptError);
}
