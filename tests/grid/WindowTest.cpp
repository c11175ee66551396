// The grid window: the layout it keeps in the settings file (first use, later use, Cancel,
// moved columns, a section it cannot read), the rebuild after a sort change, and its text
// export.
#include <sys/stat.h>

#include "grid/Hintinfo.h"
#include "grid/Reposn.h"
#include "tests/grid/GridTestSupport.h"

using namespace vcl;
using gridtest::Column;
using gridtest::ColumnOf;
using gridtest::Names;
using tavrin::HintEd;

namespace {

class GridWindow : public gridtest::GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        Place<TEdit>("Edit1", 10, 5)->SetHint("first");
        Place<TLabel>("Label1", 30, 5)->SetCaption("Name:");
    }
    void TearDown() override {
        tavrin::hintsorttype = tavrin::byclass;
        tavrin::xysorttype = tavrin::byparent;
        GridTest::TearDown();
    }
    Names Header() const {
        Names captions;
        for (int c = 0; c < Grid().ColCount(); ++c) captions.emplace_back(Grid().Cells(c, 0));
        return captions;
    }
    std::vector<int> Widths() const {
        std::vector<int> widths;
        for (int c = 0; c < Grid().ColCount(); ++c) widths.push_back(Grid().ColWidths(c));
        return widths;
    }
    // The lines of one section of the settings file, as written.
    Names Section(const std::string& name) const {
        return testsupport::SettingsSection(home.File("tavrinqa.ini"), name);
    }
};

}  // namespace

TEST_F(GridWindow, FirstUseHasDefaultsAndLaterUsesGetTheSavedLayoutBackEvenAfterCancel) {
    Run(tavrin::showHints, [&] {  // the first use's columns and widths are the worked examples'
        EXPECT_EQ(HintEd->Width(), 557);
        Grid().SetColWidths(1, 130);
        HintEd->SetBounds(1, 2, 300, 200);
        return mrCancel;
    });
    EXPECT_EQ(Section("Hint Editor"), (Names{"No=25", "Name=130", "Class=105", "Caption=150", "Hint=150", "State=0",
                                             "Window Height=200", "Window Width=300", "Window Top=2",
                                             "Window Left=1"}));
    Run(tavrin::showHints, [&] {
        // The hidden column's caption is not saved and so not restored.
        EXPECT_EQ(Header(), (Names{"No", "Name", "Class", "Caption", "Hint", ""}));
        EXPECT_EQ(Widths(), (std::vector<int>{25, 130, 105, 150, 150, 0}));
        EXPECT_EQ(std::vector<int>({HintEd->Left(), HintEd->Top(), HintEd->Width(), HintEd->Height()}),
                  std::vector<int>({1, 2, 300, 200}));
        Grid().SetColWidths(4, 90);
        HintEd->SetWindowState(wsMaximized);
        return mrOk;
    });
    EXPECT_EQ(Section("Hint Editor"), (Names{"No=25", "Name=130", "Class=105", "Caption=150", "Hint=90", "State=2",
                                             "Window Height=200", "Window Width=300", "Window Top=2",
                                             "Window Left=1"}));
    // The other modes keep sections of their own.
    Run(tavrin::reposition);
    EXPECT_EQ(Section("Position Editor").front(), "No=25");
    EXPECT_EQ(Section("Position Editor").size(), 14u);
}

TEST_F(GridWindow, ColumnsMovedBeforeTheFirstSaveComeBackInThatOrderAndStillMapByCaption) {
    Run(tavrin::reposition, [&] {
        Grid().MoveColumn(ColumnOf(Grid(), "Top"), 1);
        return mrCancel;
    });
    Run(tavrin::reposition, [&] {
        EXPECT_EQ(Header(), (Names{"No", "Top", "Name", "Class", "Parent", "Caption", "Left", "Width", "Height", ""}));
        Type("Top", RowNamed("Label1"), "31");
        // Moving the columns again only lasts as long as the window: the section keeps its order.
        Grid().MoveColumn(1, 8);
        return mrOk;
    });
    EXPECT_EQ(Column(rows, "Top"), (Names{"10", "31"}));
    EXPECT_EQ(static_cast<TControl*>(form->FindComponent("Label1"))->Top(), 31);
    Run(tavrin::reposition, [&] {
        EXPECT_EQ(Header()[1], "Top");
        return mrCancel;
    });
}

TEST_F(GridWindow, TheHiddenColumnStaysLast) {
    Run(tavrin::showHints, [&] {
        const Names before = Header();
        EXPECT_THROW(Grid().MoveColumn(5, 0), EInvalidGridOperation);
        EXPECT_THROW(Grid().MoveColumn(2, 5), EInvalidGridOperation);
        EXPECT_EQ(Header(), before);
        EXPECT_EQ(Grid().Cells(5, 1), "0");
        return mrOk;
    });
    EXPECT_EQ(form->FindComponent("Edit1")->Name(), "Edit1");
}

TEST_F(GridWindow, ASectionThatDoesNotListTheModesColumnsKeepsTheModesOrder) {
    testsupport::WriteFile(home.File("tavrinqa.ini"),
                           "[Hint Editor]\nhint=70\nName=99\nBogus=5\nCaption=-3\nNo=1\nState=0\n");
    Run(tavrin::showHints, [&] {
        EXPECT_EQ(Header(), (Names{"No", "Name", "Class", "Caption", "Hint", ""}));
        // Widths by caption (case ignored by the file); missing or negative ones take 20.
        EXPECT_EQ(Widths(), (std::vector<int>{1, 99, 20, 20, 70, 0}));
        return mrCancel;
    });
    // Captions in another case are the mode's captions still.
    testsupport::WriteFile(home.File("tavrinqa.ini"), "[Hint Editor]\nhint=70\nname=99\nNO=1\nCaption=4\nClass=5\n");
    Run(tavrin::showHints, [&] {
        EXPECT_EQ(Header(), (Names{"Hint", "Name", "No", "Caption", "Class", ""}));
        EXPECT_EQ(Column(gridtest::RowsOf(Grid()), "Hint"), (Names{"first", ""}));
        return mrCancel;
    });
}

TEST_F(GridWindow, ASortChangeSavesTheLayoutAndRebuildsFromTheComponentsInTheNewOrder) {
    Place<TEdit>("Apple", 50, 5);
    tavrin::hintsorttype = tavrin::byclass;
    Run(tavrin::showHints, [&] {
        EXPECT_EQ(HintEd->SortCB->ItemIndex(), 0);
        Type("Hint", RowNamed("Edit1"), "typed");
        Grid().SetColWidths(1, 140);
        Grid().MoveColumn(ColumnOf(Grid(), "Class"), 0);
        HintEd->SortCB->Choose(0);  // the order it has: the layout is saved, the rows stay
        EXPECT_EQ(Column(gridtest::RowsOf(Grid()), "Hint"), (Names{"", "typed", ""}));
        HintEd->SortCB->Choose(2);
        EXPECT_EQ(tavrin::hintsorttype, tavrin::byname);
        EXPECT_EQ(Header(), (Names{"Class", "No", "Name", "Caption", "Hint", "Posn"}));
        EXPECT_EQ(Widths(), (std::vector<int>{105, 25, 140, 150, 150, 0}));
        return mrOk;
    });
    EXPECT_EQ(Column(rows, "Name"), (Names{"Apple", "Edit1", "Label1"}));
    EXPECT_EQ(Column(rows, "Hint"), (Names{"", "first", ""}));  // the typed hint is gone
    EXPECT_EQ(form->FindComponent("Edit1")->Name(), "Edit1");
    EXPECT_EQ(static_cast<TControl*>(form->FindComponent("Edit1"))->Hint(), "first");
    EXPECT_EQ(Section("Hint Editor").front(), "Class=105");
    // Positions: every run starts by parent, and its changes rebuild the same way.
    Run(tavrin::reposition, [&] {
        Type("Top", RowNamed("Apple"), "0");
        HintEd->SortCB->Choose(1);
        return mrOk;
    });
    EXPECT_EQ(Column(rows, "Name"), (Names{"Edit1", "Label1", "Apple"}));
    EXPECT_EQ(static_cast<TControl*>(form->FindComponent("Apple"))->Top(), 50);
}

TEST_F(GridWindow, TheExportPadsEveryCellToItsColumnsCharactersAndRefusesFieldsOver255) {
    ::setenv("SOURCE_DATE_EPOCH", "86400", 1);
    Run(tavrin::showHints, [&] {
        // "M" is 12 pixels wide in the window's font: a character is 12 * 3 / 5 = 7 pixels.
        Grid().SetColWidths(0, 6);     // 1 character
        Grid().SetColWidths(1, 7);     // 2
        Grid().SetColWidths(2, 69);    // 10
        Grid().SetColWidths(3, 1778);  // 255
        Grid().SetColWidths(4, 0);     // 1, as the hidden column
        return mrCancel;
    });
    const std::string file = home.File("rows.txt");
    gridtest::CodeBackend exporter;
    exporter.saveAs = file;
    exporter.onModal = [&](TCustomForm&) {
        Type("Caption", 1, "edited, not accepted");
        HintEd->TextBtn->Click();
        // Longer texts are kept whole; the hidden column's empty caption is one blank.
        EXPECT_EQ(testsupport::ReadFile(file),
                  "{Hints for Form1 : TForm;}\r\n{Date Created = 1970-01-02 00:00:00}\r\n"
                  "NoNameClass     Caption" + std::string(248, ' ') + "Hint \r\n" +
                  "1Edit1TEdit     edited, not accepted" + std::string(235, ' ') + "first0\r\n" +
                  "2Label1TLabel    Name:" + std::string(250, ' ') + " 1\r\n");
        ::unlink(file.c_str());
        Grid().SetColWidths(3, 1785);  // 256 characters
        EXPECT_THROW(HintEd->TextBtnClick(nullptr), ERangeError);
        struct stat st;
        EXPECT_NE(::stat(file.c_str(), &st), 0);  // nothing written
        return mrCancel;
    };
    {
        ui::TInstalled installed(exporter);
        tavrin::showHints(form);
    }
    ::unsetenv("SOURCE_DATE_EPOCH");
}
