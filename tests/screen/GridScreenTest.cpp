// The grid window and the rescale dialog on screen, against the same scenario played by a
// script: the saved form and the saved layout must not depend on who played it.
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableWidget>
#include <QTest>

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
    table.scrollToItem(table.item(row - 1, col));
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, CellCentre(table, col, row));
    QTest::keyClick(&table, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(table.indexWidget(table.model()->index(row - 1, col)));
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor commits
    QCoreApplication::processEvents();  // then the model takes the cell
}

}  // namespace

TEST_F(GridScreen, EditsRowAndColumnMovesAndWidthsSaveWhatTheScriptSaves) {
    QString movedCaption;
    int shownWidth = 0, draggedWidth = 0;
    WhenShown(backend, [&](TScreenWindow& w) {
        QTableWidget& table = Table(w);
        TypeCell(table, 5, 10, "44");                    // EditCity's top
        QHeaderView& rows = *table.verticalHeader();
        QHeaderView& cols = *table.horizontalHeader();
        Drag(rows, InSection(rows, 9, 2), InSection(rows, 0, 1));  // its row to the top
        Drag(cols, InSection(cols, 4, 2), InSection(cols, 2, 1));  // Caption before Class
        const QPoint border = InSection(cols, 1, 4) - QPoint(1, 0);
        shownWidth = cols.sectionSize(1);
        Drag(cols, border, border + QPoint(45, 0));  // Name 45 pixels wider
        draggedWidth = cols.sectionSize(1);
        movedCaption = table.horizontalHeaderItem(2)->text();
        ClickButton(w, "OKBtn");
    });
    const std::string onScreen = RunTool(kPositionsVerb, backend, dir);
    EXPECT_EQ(movedCaption, "Caption");
    EXPECT_EQ(draggedWidth, shownWidth + 45);
    const std::string script = "cell StringGrid1 5 10 44\nmoverow StringGrid1 10 1\nmovecol StringGrid1 4 2\ncolwidth StringGrid1 1 " +
                               std::to_string(draggedWidth) + "\nok\n";
    EXPECT_EQ(onScreen, RunScript(kPositionsVerb, script, scripted));
    EXPECT_NE(onScreen.find("object EditCity: TEdit\r\n      Left = 8\r\n      Top = 44"), std::string::npos);
    EXPECT_EQ(ColumnKeys(dir, "Position Editor"), ColumnKeys(scripted, "Position Editor"));
}

// A number that is no number is marked in its cell or field and explained on the status line
// as it is typed; OK then refuses it with that reason and keeps the window and every edit. A
// rescale then shows in the grid and its picture before OK writes it.
TEST_F(GridScreen, ABadNumberIsMarkedAsTypedAndRefusedAtOkAndARescaleShowsBeforeOk) {
    QString status, tip, refusal, cleared, fieldStatus, fieldTip;
    QColor cell, field, fixedField;
    QImage shownBefore, shownAfter;
    bool stayed = false;
    WhenShown(backend, [&](TScreenWindow& w) {
        QTableWidget& table = Table(w);
        TypeCell(table, 5, 10, "4x");  // EditCity's top
        TypeCell(table, 6, 10, "9");   // its left, an edit OK must keep
        status = w.Status()->text();
        tip = table.item(9, 5)->toolTip();
        cell = table.item(9, 5)->background().color();
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) refusal = box->text(), box->accept();
        });
        ClickButton(w, "OKBtn");
        stayed = w.isVisible();
        TypeCell(table, 5, 10, "44");
        cleared = w.Status()->text();
        shownBefore = w.Picture()->pixmap().toImage();
        WhenShown(backend, [&](TScreenWindow& scale) {
            Type(scale, "TopDenom", "0");
            fieldStatus = scale.Status()->text();
            fieldTip = scale.Widget("TopDenom")->toolTip();
            field = scale.Widget("TopDenom")->palette().color(QPalette::Base);
            Type(scale, "TopDenom", "2");
            fixedField = scale.Widget("TopDenom")->palette().color(QPalette::Base);
            QTest::mouseClick(scale.Widget("CheckTopOffset"), Qt::LeftButton, {}, QPoint(5, 8));
            Type(scale, "TopOffset", "10");
            ClickButton(scale, "OKBtn");
        });
        ClickButton(w, "BtnRescale");
        shownAfter = w.Picture()->pixmap().toImage();
        ClickButton(w, "OKBtn");
    });
    const std::string saved = RunTool(kPositionsVerb, backend, dir);
    EXPECT_EQ(status.left(27), "Row 10 (EditCity), Top: '4x");
    EXPECT_EQ(tip, status);
    EXPECT_EQ(refusal, status);
    EXPECT_GT(cell.red(), cell.green() + 40);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(cleared, "");
    EXPECT_EQ(fieldStatus.left(18), "Vert Denominator: ");
    EXPECT_EQ(fieldTip, fieldStatus);
    EXPECT_GT(field.red(), field.green() + 40);
    EXPECT_EQ(fixedField.red(), fixedField.green());
    EXPECT_FALSE(shownBefore.isNull());
    EXPECT_NE(shownBefore, shownAfter);
    EXPECT_NE(saved.find("object EditCity: TEdit\r\n      Left = 9\r\n      Top = 32"), std::string::npos);  // 44 / 2 + 10
}
