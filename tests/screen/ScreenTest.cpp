#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>

#include <filesystem>

#include "host/controls/DesignedForm.h"
#include "host/controls/Dialogs.h"
#include "host/controls/Grids.h"
#include "host/controls/Outline.h"
#include "host/controls/StdCtrls.h"
#include "tests/screen/ScreenTestSupport.h"

using namespace screentest;
using testsupport::Bounds;
using testsupport::Dfm;
using ui::qt::TScreenWindow;

namespace {

using Screen = ScreenTest;

QTreeWidget& Outline(TScreenWindow& w) {
    auto* tree = qobject_cast<QTreeWidget*>(w.Widget("OutlineParent"));
    if (tree == nullptr) throw std::runtime_error("no outline");
    return *tree;
}

QStringList Texts(QTreeWidget& tree) {
    QStringList texts;
    for (QTreeWidgetItemIterator it(&tree); *it != nullptr; ++it) texts << (*it)->text(0);
    return texts;
}

}  // namespace

TEST_F(Screen, TabOrderDragWithTheMouseSavesWhatTheScriptSaves) {
    WhenShown(backend, [](TScreenWindow& w) {
        DragItem(Outline(w), 10, 9);  // EditStreet before EditCity, siblings in the panel
        ClickButton(w, "OKBtn");
    });
    const std::string onScreen = RunTool(kTabsVerb, backend, dir);
    testsupport::TempDir other;
    const std::string scripted = RunScript(kTabsVerb, "drag OutlineParent 10 9\nok\n", other);
    // Unnamed pages are numbered per process: the numbers are not the backends' business.
    EXPECT_EQ(WithoutPageNumbers(onScreen), WithoutPageNumbers(scripted));
    EXPECT_NE(onScreen.find("TabOrder = 0\r\n      Text = ''\r\n    end\r\n    object EditCity"), std::string::npos);
    // The keyboard's reorder is the same drag.
    WhenShown(backend, [](TScreenWindow& w) {
        QTreeWidget& tree = Outline(w);
        tree.setCurrentItem(TreeItem(tree, 10));
        QCoreApplication::processEvents();
        QTest::keyClick(&tree, Qt::Key_Up, Qt::ControlModifier);
        QCoreApplication::processEvents();
        ClickButton(w, "OKBtn");
    });
    testsupport::TempDir keyboard;
    EXPECT_EQ(WithoutPageNumbers(RunTool(kTabsVerb, backend, keyboard)), WithoutPageNumbers(scripted));
}

namespace {

void Press(QTreeWidget& tree, int from, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(tree.viewport(), button, {}, tree.visualItemRect(TreeItem(tree, from)).center());
}

// Moves the pressed mouse over item `over`: what the pointer shows then ("arrow", "move",
// "refused"), and "+" when the drop line is shown above that item.
std::string Look(QTreeWidget& tree, int over) {
    const QRect item = tree.visualItemRect(TreeItem(tree, over));
    QTest::mouseMove(tree.viewport(), item.center() - QPoint(0, 4));
    QTest::mouseMove(tree.viewport(), item.center());
    auto* line = tree.viewport()->findChild<QFrame*>("dropIndicator");
    const Qt::CursorShape shape = tree.viewport()->cursor().shape();
    return std::string(shape == Qt::DragMoveCursor ? "move" : shape == Qt::ForbiddenCursor ? "refused" : "arrow") +
           (line != nullptr && line->isVisible() && line->y() == item.top() - 1 ? "+" : "");
}

void Release(QTreeWidget& tree, int over, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseRelease(tree.viewport(), button, {}, tree.visualItemRect(TreeItem(tree, over)).center());
    QCoreApplication::processEvents();
}

}  // namespace

TEST_F(Screen, ADragShowsWhetherTheToolTakesTheItemAndRefusedDropsChangeNothing) {
    QStringList before, after;
    std::vector<std::string> looks;
    WhenShown(backend, [&](TScreenWindow& w) {
        QTreeWidget& tree = Outline(w);
        before = Texts(tree);
        Press(tree, 10);                 // EditStreet
        looks.push_back(Look(tree, 9));  // over EditCity, a sibling in the panel
        looks.push_back(Look(tree, 3));  // over a page of another parent
        Release(tree, 3);
        Press(tree, 10, Qt::RightButton);  // the right button drags nothing
        looks.push_back(Look(tree, 9));
        Release(tree, 9, Qt::RightButton);
        after = Texts(tree);
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    EXPECT_EQ(RunTool(kTabsVerb, backend, dir), testsupport::ReadFile(kExample));
    EXPECT_EQ(looks, std::vector<std::string>({"move+", "refused", "arrow"}));
    EXPECT_FALSE(before.isEmpty());
    EXPECT_EQ(before, after);

    WhenShown(backend, [&](TScreenWindow& w) {  // the parentage outline drags nothing
        Press(Outline(w), 6);
        looks = {Look(Outline(w), 5)};
        Release(Outline(w), 5);
        after = Texts(Outline(w));
        ClickButton(w, "CancelBtn");
    });
    RunTool(kParentageVerb, backend, dir);
    EXPECT_EQ(looks, std::vector<std::string>({"arrow"}));
    EXPECT_EQ(after.size(), 14);
}

TEST_F(Screen, OutlineItemsExpandAndCollapseInTheModelAndTheButtonsShowInTheTree) {
    bool modelCollapsed = false, treeExpanded = false, treeCollapsed = false;
    WhenShown(backend, [&](TScreenWindow& w) {
        QTreeWidget& tree = Outline(w);
        auto* form = &w.Form();
        auto* outline = static_cast<vcl::TOutline*>(form->FindComponent("OutlineParent"));
        tree.collapseItem(TreeItem(tree, 4));  // the panel, as a click on its arrow does
        QCoreApplication::processEvents();
        modelCollapsed = !outline->Items(4).Expanded();
        ClickButton(w, "BtnExpand");
        treeExpanded = TreeItem(tree, 4)->isExpanded() && outline->Items(4).Expanded();
        ClickButton(w, "BtnCollapse");
        treeCollapsed = !TreeItem(tree, 1)->isExpanded();
        ClickButton(w, "CancelBtn");
    });
    RunTool(kParentageVerb, backend, dir);
    EXPECT_TRUE(modelCollapsed);
    EXPECT_TRUE(treeExpanded);
    EXPECT_TRUE(treeCollapsed);
}

TEST_F(Screen, CancellingTheSaveDialogWritesNoFile) {
    QString title;
    WhenShown(backend, [&](TScreenWindow& w) {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog != nullptr) title = dialog->windowTitle(), dialog->reject();
        });
        ClickButton(w, "PrintBtn");  // the text export asks where to save
        ClickButton(w, "CancelBtn");
    });
    EXPECT_EQ(RunTool(kParentageVerb, backend, dir), testsupport::ReadFile(kExample));
    EXPECT_EQ(title, "Save Parentage Outline");
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_NE(entry.path().extension(), ".txt") << entry.path();
}

// At the size the person left it, on this screen even when it was left off it.
TEST_F(Screen, AWindowLeftOffThisScreenComesBackOnIt) {
    WhenShown(backend, [](TScreenWindow& w) {
        w.setGeometry(-5000, 7000, 500, 400);
        ClickButton(w, "CancelBtn");
    });
    RunTool(kParentageVerb, backend, dir);
    QRect again, free;
    QSize size;
    WhenShown(backend, [&](TScreenWindow& w) {
        again = w.frameGeometry();
        size = w.size();
        free = w.screen()->availableVirtualGeometry();
        ClickButton(w, "CancelBtn");
    });
    RunTool(kParentageVerb, backend, dir);
    EXPECT_TRUE(free.contains(again)) << again.x() << "," << again.y() << " in " << free.width() << "x" << free.height();
    EXPECT_EQ(size, QSize(500, 400));
}

// ---- every kind of control, on a window of the test's own design --------------------------

namespace {

const std::string kControlsDfm = Dfm("object ControlsForm: TControlsForm", {Bounds(100, 80, 408, 327), "Caption = 'Controls'"},
    {Dfm("object Label1: TLabel", {Bounds(8, 8, 60, 13), "Caption = '&Name:'"}),
     Dfm("object Edit1: TEdit", {Bounds(80, 8, 120, 21), "TabOrder = 0", "OnChange = Edit1Change"}),
     Dfm("object Memo1: TMemo", {Bounds(8, 36, 190, 60), "TabOrder = 1"}),
     Dfm("object Check1: TCheckBox", {Bounds(210, 8, 97, 17), "Caption = 'Active'", "TabOrder = 2"}),
     Dfm("object Combo1: TComboBox", {Bounds(210, 36, 145, 21), "Style = csDropDownList", "TabOrder = 3",
                                      "OnChange = Combo1Change", "Items.Strings = (\n  'first'\n  'second'\n  'third')"}),
     Dfm("object Grid1: TStringGrid",
         {Bounds(8, 104, 380, 140), "ColCount = 3", "RowCount = 4",
          "Options = [goFixedVerticalLine, goFixedHorizontalLine, goEditing, goRowMoving, goColMoving, goColSizing]",
          "TabOrder = 4"}),
     Dfm("object FailBtn: TButton", {Bounds(8, 260, 75, 25), "Caption = 'Fail'", "TabOrder = 5", "OnClick = FailBtnClick"}),
     Dfm("object OKBtn: TBitBtn", {Bounds(230, 260, 75, 25), "TabOrder = 6", "Kind = bkOK"}),
     Dfm("object CancelBtn: TBitBtn", {Bounds(312, 260, 75, 25), "TabOrder = 7", "Kind = bkCancel"})});

class TControlsForm : public vcl::TDesignedForm {
public:
    int changes = 0, comboChanges = 0;
    explicit TControlsForm(vcl::TComponent* owner) : TDesignedForm(owner, "TControlsForm") {
        RegisterHandler("Edit1Change", [this](vcl::TObject*) { ++changes; });
        RegisterHandler("Combo1Change", [this](vcl::TObject*) { ++comboChanges; });
        RegisterHandler("FailBtnClick", [](vcl::TObject*) { throw vcl::EConvertError("'x' is not a valid integer"); });
        LoadDesign(kControlsDfm, "Controls.dfm");
        auto* grid = Control<vcl::TStringGrid>("Grid1");
        for (int c = 0; c < 3; ++c)
            for (int r = 0; r < 4; ++r) grid->SetCells(c, r, std::to_string(c) + ":" + std::to_string(r));
    }
};

}  // namespace

TEST_F(Screen, EveryControlPassesWhatAPersonDoesToTheModel) {
    vcl::RegisterControlClasses();
    TControlsForm form(nullptr);
    auto* grid = form.Control<vcl::TStringGrid>("Grid1");
    QString message;
    bool stayedOpen = false, labelPlain = false, okDefault = false;
    QStringList shownRow;
    WhenShown(backend, [&](TScreenWindow& w) {
        labelPlain = qobject_cast<QLabel*>(w.Widget("Label1"))->text() == "Name:";
        okDefault = qobject_cast<QPushButton*>(w.Widget("OKBtn"))->isDefault();
        QTest::keyClicks(w.Widget("Edit1"), "abc");
        auto* memo = qobject_cast<QPlainTextEdit*>(w.Widget("Memo1"));
        QTest::keyClicks(memo, "one");
        QTest::keyClick(memo, Qt::Key_Return);
        QTest::keyClicks(memo, "two");
        QTest::mouseClick(w.Widget("Check1"), Qt::LeftButton, {}, QPoint(5, 8));
        QTest::keyClick(w.Widget("Combo1"), Qt::Key_Down);
        QCoreApplication::processEvents();

        auto* table = qobject_cast<QTableWidget*>(w.Widget("Grid1"));
        table->setCurrentCell(0, 0);
        QTest::keyClick(table, Qt::Key_F2);
        if (auto* line = table->findChild<QLineEdit*>()) {
            line->selectAll();
            QTest::keyClicks(line, "typed");
            QTest::keyClick(line, Qt::Key_Return);
        }
        QCoreApplication::processEvents();
        table->verticalHeader()->moveSection(0, 2);  // what a drag of the row header does
        QCoreApplication::processEvents();
        table->horizontalHeader()->resizeSection(1, 123);
        for (int c = 0; c < table->columnCount(); ++c) shownRow << table->item(2, c)->text();

        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                message = box->text(), box->accept();
        });
        ClickButton(w, "FailBtn");
        stayedOpen = w.isVisible();
        ClickButton(w, "OKBtn");
    });
    ui::TInstalled installed(backend);
    EXPECT_EQ(form.ShowModal(), vcl::mrOk);

    EXPECT_TRUE(labelPlain);
    EXPECT_TRUE(okDefault);
    EXPECT_EQ(form.Control<vcl::TEdit>("Edit1")->Text(), "abc");
    EXPECT_EQ(form.changes, 3);
    EXPECT_EQ(form.Control<vcl::TMemo>("Memo1")->Text(), "one\r\ntwo");
    EXPECT_TRUE(form.Control<vcl::TCheckBox>("Check1")->Checked());
    EXPECT_EQ(form.Control<vcl::TComboBox>("Combo1")->ItemIndex(), 0);
    EXPECT_EQ(form.comboChanges, 1);
    // The typed cell moved with its row from 1 to 3; the table shows the model's order.
    EXPECT_EQ(grid->Cells(1, 3), "typed");
    EXPECT_EQ(grid->Cells(1, 1), "1:2");
    EXPECT_EQ(shownRow, QStringList({"typed", "2:1"}));
    EXPECT_EQ(grid->ColWidths(2), 123);
    EXPECT_EQ(message, "'x' is not a valid integer");
    EXPECT_TRUE(stayedOpen);
}

// ---- anchors ------------------------------------------------------------------------------

TEST_F(Screen, AnchoredControlsKeepTheirDistancesWhenTheWindowIsResized) {
    vcl::RegisterControlClasses();
    vcl::TDesignedForm form(nullptr, "TAnchoredForm");
    // Controls held on both sides, on the far sides, on none, and in a panel along the bottom.
    form.LoadDesign(
        Dfm("object AnchoredForm: TAnchoredForm", {"Width = 308", "Height = 227"},
            {Dfm("object Wide: TEdit", {Bounds(80, 8, 200, 21), "Anchors = [akLeft, akTop, akRight]"}),
             Dfm("object Middle: TButton", {Bounds(100, 150, 80, 25), "Anchors = []"}),
             Dfm("object Corner: TButton", {Bounds(200, 150, 80, 25), "Anchors = [akRight, akBottom]"}),
             Dfm("object Bar: TPanel", {Bounds(0, 180, 300, 20), "Align = alBottom"},
                 {Dfm("object InBar: TButton", {Bounds(240, 2, 50, 16), "Anchors = [akTop, akRight]"})})}),
        "Anchored.dfm");
    std::vector<QRect> designed, grown;
    WhenShown(backend, [&](TScreenWindow& w) {
        for (const char* name : {"Wide", "Middle", "Corner", "InBar"}) designed.push_back(w.Widget(name)->geometry());
        w.resize(w.width() + 100, w.height() + 50);
        QCoreApplication::processEvents();
        for (const char* name : {"Wide", "Middle", "Corner", "InBar"}) grown.push_back(w.Widget(name)->geometry());
        w.reject();
    });
    ui::TInstalled installed(backend);
    form.ShowModal();
    ASSERT_EQ(designed.size(), 4u);
    EXPECT_EQ(designed, std::vector<QRect>({{80, 8, 200, 21}, {100, 150, 80, 25}, {200, 150, 80, 25}, {240, 2, 50, 16}}));
    EXPECT_EQ(grown, std::vector<QRect>({designed[0].adjusted(0, 0, 100, 0), designed[1].translated(50, 25),
                                         designed[2].translated(100, 50), designed[3].translated(100, 0)}));
}
