#include <gtest/gtest.h>

#include "host/controls/ControlClasses.h"
#include "host/controls/Grids.h"
#include "host/vcl/Forms.h"

using namespace vcl;

namespace {

class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterControlClasses();
        grid->SetColCount(3);
        grid->SetRowCount(3);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) grid->SetCells(c, r, std::string(1, char('a' + c)) + std::to_string(r));
        grid->SetColWidths(0, 10);
        grid->SetColWidths(1, 20);
        grid->SetColWidths(2, 30);
    }
    std::string Row(int r) const {
        std::string s;
        for (int c = 0; c < grid->ColCount(); ++c) s.append(grid->Cells(c, r)).append(",");
        return s;
    }
    TForm form{nullptr};
    TStringGrid* grid = new TStringGrid(&form);
};

}  // namespace

TEST_F(GridTest, ResizingKeepsCellsAndNewColumnsTakeTheDefaultWidth) {
    grid->SetColCount(4);
    grid->SetRowCount(4);
    EXPECT_EQ(Row(2), "a2,b2,c2,,");
    EXPECT_EQ(grid->ColWidths(3), 64);
    grid->SetColCount(2);
    EXPECT_EQ(Row(1), "a1,b1,");
    EXPECT_THROW(grid->Cells(2, 0), EInvalidGridOperation);
    EXPECT_THROW(grid->SetColWidths(-1, 5), EInvalidGridOperation);
    EXPECT_THROW(grid->SetFixedRows(4), EInvalidGridOperation);
    grid->SetRowCount(1);  // fixed rows that would leave none to scroll go
    EXPECT_EQ(grid->FixedRows(), 0);
    grid->SetDefaultColWidth(50);
    EXPECT_EQ(grid->ColWidths(0), 50);
}

TEST_F(GridTest, AMovedRowTakesItsCellsAndTheOthersCloseUp) {
    std::vector<std::pair<int, int>> moves;
    grid->OnRowMoved = [&](TObject*, int from, int to) { moves.emplace_back(from, to); };
    grid->SetRowHeights(2, 40);
    grid->SetRow(2);
    grid->MoveRow(2, 1);
    EXPECT_EQ(Row(1), "a2,b2,c2,");
    EXPECT_EQ(Row(2), "a1,b1,c1,");
    EXPECT_EQ(grid->RowHeights(1), 40);
    EXPECT_EQ(grid->Row(), 1);  // the current cell goes with its row
    EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{2, 1}}));
    EXPECT_THROW(grid->MoveRow(1, 3), EInvalidGridOperation);
}
