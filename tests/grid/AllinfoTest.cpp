// The component list tool: which components it lists, the design position split into top
// and left and joined again, and the range the write-back accepts.
#include "grid/Allinfo.h"

#include "host/vcl/ClassCatalogue.h"
#include "tests/grid/GridTestSupport.h"

using namespace vcl;
using gridtest::Column;
using gridtest::ColumnOf;
using gridtest::Names;
using tavrin::HintEd;

namespace {

class ComponentList : public gridtest::GridTest {
protected:
    static zorbase::tinifile* aninifile() { return tavrin::aninifile; }
    TComponent* Make(const std::string& cls, const std::string& name, int top, int left) {
        TComponent* c = ClassCatalogue().CreateComponent(cls, form);
        c->SetName(name);
        c->SetDesignInfo(int32_t(uint32_t(top) * 65536u + uint32_t(left)));
        return c;
    }
};

}  // namespace

TEST_F(ComponentList, ListsNonVisualComponentsInComponentOrderWithTheirIconPlaces) {
    qa->SetName("TavrinQA1");
    Make("TTable", "Table1", 30, 40);
    Add<TEdit>("Edit1");
    auto* menu = new TMainMenu(form);
    menu->SetName("MainMenu1");
    auto* item = new TMenuItem(form);
    item->SetName("File1");
    menu->Items()->Add(item);
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
