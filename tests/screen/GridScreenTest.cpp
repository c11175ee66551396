// The grid window and the rescale dialog on screen, against the same scenario played by a
// script: the saved form and the saved layout must not depend on who played it.
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include "host/controls/Grids.h"
#include "host/controls/WindowPicture.h"
#include "tests/screen/ScreenTestSupport.h"

using namespace screentest;
using ui::qt::TScreenWindow;

namespace {

class GridScreen : public ScreenTest {
protected:
    testsupport::TempDir scripted;
};

QTableWidget& Table(TScreenWindow& w) { return *qobject_cast<QTableWidget*>(w.Widget("StringGrid1")); }

// Grid cell (column, row) of the model, the header row being row 0.
QPoint CellCentre(QTableWidget& table, int col, int row) {
    return table.visualItemRect(table.item(row - 1, col)).center();
}

// A left-button drag along a header's viewport.
void Drag(QHeaderView& header, QPoint start, QPoint end) {
    QTest::mousePress(header.viewport(), Qt::LeftButton, {}, start);
    QTest::mouseMove(header.viewport(), (start + end) / 2);
    QTest::mouseMove(header.viewport(), end);
    QTest::mouseRelease(header.viewport(), Qt::LeftButton, {}, end);
    QCoreApplication::processEvents();
}

// A point `quarters` quarters into a section, halfway across the header.
QPoint InSection(QHeaderView& header, int logical, int quarters) {
    const int at = header.sectionViewportPosition(logical) + header.sectionSize(logical) * quarters / 4;
    return header.orientation() == Qt::Horizontal ? QPoint(at, header.height() / 2) : QPoint(header.width() / 2, at);
}

// Types into a cell of the model's grid: a click on the cell, F2 opens its editor in place.
void TypeCell(QTableWidget& table, int col, int row, const char* text) {
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, CellCentre(table, col, row));
    QTest::keyClick(&table, Qt::Key_F2);
    auto* editor = table.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
}

}  // namespace

TEST_F(GridScreen, EditsRowAndColumnMovesAndWidthsSaveWhatTheScriptSaves) {
    QString movedCaption;
    WhenShown(backend, [&](TScreenWindow& w) {
        QTableWidget& table = Table(w);
        TypeCell(table, 5, 10, "44");                    // EditCity's top
        QHeaderView& rows = *table.verticalHeader();
        QHeaderView& cols = *table.horizontalHeader();
        Drag(rows, InSection(rows, 9, 2), InSection(rows, 0, 1));  // its row to the top
        Drag(cols, InSection(cols, 4, 2), InSection(cols, 2, 1));  // Caption before Class
        const QPoint border = InSection(cols, 1, 4) - QPoint(1, 0);
        Drag(cols, border, border + QPoint(45, 0));  // Name 45 pixels wider
        movedCaption = table.horizontalHeaderItem(2)->text();
        ClickButton(w, "OKBtn");
    });
    const std::string onScreen = RunTool(kPositionsVerb, backend, dir);
    EXPECT_EQ(movedCaption, "Caption");
    const std::string script =
        "cell StringGrid1 5 10 44\nmoverow StringGrid1 10 1\nmovecol StringGrid1 4 2\ncolwidth StringGrid1 1 150\nok\n";
    EXPECT_EQ(onScreen, RunScript(kPositionsVerb, script, scripted));
    EXPECT_NE(onScreen.find("object EditCity: TEdit\r\n      Left = 8\r\n      Top = 44"), std::string::npos);
    EXPECT_EQ(ColumnKeys(dir, "Position Editor"), ColumnKeys(scripted, "Position Editor"));
    EXPECT_EQ(ColumnKeys(dir, "Position Editor").at(1), "Name=150");
}

TEST_F(GridScreen, RescaleChangesTheGridAndItsPictureOnlyAndOkSavesWhatTheScriptSaves) {
    // The grid window's picture before and after the rescale, and EditCity's top on the form.
    vcl::TWindowPicture before, rescaled;
    QImage shownBefore, shownAfter;
    int topInModel = 0;
    WhenShown(backend, [&](TScreenWindow& w) {
        QTableWidget& table = Table(w);
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, CellCentre(table, 1, 10));  // EditCity's row
        const vcl::TWindowPictureSource* source = vcl::WindowPicture(&w.Form());
        ASSERT_NE(source, nullptr);
        ASSERT_NE(w.Picture(), nullptr);
        before = (*source)();
        shownBefore = w.Picture()->pixmap().toImage();
        WhenShown(backend, [](TScreenWindow& scale) {
            Type(scale, "TopNumerator", "3");
            Type(scale, "TopDenom", "2");
            QTest::mouseClick(scale.Widget("CheckTopOffset"), Qt::LeftButton, {}, QPoint(5, 8));
            Type(scale, "TopOffset", "10");
            ClickButton(scale, "OKBtn");
        });
        ClickButton(w, "BtnRescale");
        rescaled = (*source)();
        shownAfter = w.Picture()->pixmap().toImage();
        topInModel = rescaled.selected != nullptr ? rescaled.selected->Top() : 0;
        ClickButton(w, "OKBtn");
    });
    const std::string onScreen = RunTool(kPositionsVerb, backend, dir);
    const std::string script =
        "click BtnRescale\nset TopNumerator 3\nset TopDenom 2\nset CheckTopOffset 1\nset TopOffset 10\nok\nok\n";
    EXPECT_EQ(onScreen, RunScript(kPositionsVerb, script, scripted));
    // EditCity at top 40: 3/2 of it and 10 more, in the grid and its picture, not yet on the form.
    ASSERT_NE(before.selected, nullptr);
    EXPECT_EQ(before.selected, rescaled.selected);
    EXPECT_EQ(before.places.at(before.selected).top, 40);
    EXPECT_EQ(rescaled.places.at(rescaled.selected).top, 70);
    EXPECT_EQ(topInModel, 40);
    EXPECT_FALSE(shownBefore.isNull());
    EXPECT_NE(shownBefore, shownAfter);
    EXPECT_NE(onScreen.find("object EditCity: TEdit\r\n      Left = 8\r\n      Top = 70"), std::string::npos);
}
