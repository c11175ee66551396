#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

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

// (Cells kept over resizes: the random model below.)
TEST_F(GridTest, NewColumnsTakeTheDefaultWidthAndCellsOutsideAreRefused) {
    grid->SetColCount(4);
    EXPECT_EQ(grid->ColWidths(3), 64);
    grid->SetColCount(2);
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

namespace {

// Texts by field and the row a cell was made sourced on, made once each and kept.
struct RowSource : TCellSource {
    std::string_view SourcedText(uint32_t field, int row) const override {
        std::string& text = texts[{field, row}];
        if (text.empty()) text = "field" + std::to_string(field) + "@" + std::to_string(row);
        return text;
    }
    mutable std::map<std::pair<uint32_t, int>, std::string> texts;
};

}  // namespace

// Cells share one buffer: texts that grow, shrink, come from another cell or the source, move
// with their rows or outlive a resize read back as a plain table of strings says, however often
// the buffer is compacted.
TEST_F(GridTest, CellsAgreeWithAPlainTableOverManyChanges) {
    RowSource source;
    grid->SetCellSource(&source);
    std::vector<std::vector<std::string>> model(3, std::vector<std::string>(3));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) model[size_t(r)][size_t(c)] = grid->Cells(c, r);
    std::mt19937 rng(7);
    for (int step = 0; step < 5000; ++step) {
        const int rows = grid->RowCount(), cols = grid->ColCount();
        const int c = int(rng() % unsigned(cols)), r = int(rng() % unsigned(rows));
        const unsigned op = rng() % 20;
        if (op == 0) {  // another size
            const int newRows = 1 + int(rng() % 6), newCols = 1 + int(rng() % 6);
            grid->SetRowCount(newRows);
            grid->SetColCount(newCols);
            model.resize(size_t(newRows));
            for (auto& row : model) row.resize(size_t(newCols));
        } else if (op < 3) {  // read from the source, which names the row it is on now
            const auto field = uint32_t(rng() % TStringGrid::kSourceFields);
            grid->SetSourcedCell(c, r, field);
            model[size_t(r)][size_t(c)] = source.SourcedText(field, r);
        } else if (op == 3) {
            const int to = int(rng() % unsigned(rows));
            grid->MoveRow(r, to);
            auto moved = model[size_t(r)];
            model.erase(model.begin() + r);
            model.insert(model.begin() + to, moved);
        } else if (op < 6) {  // from another cell
            const int c2 = int(rng() % unsigned(cols)), r2 = int(rng() % unsigned(rows));
            grid->SetCells(c, r, grid->Cells(c2, r2));
            model[size_t(r)][size_t(c)] = model[size_t(r2)][size_t(c2)];
        } else {
            // Now and then longer than a one-byte length holds, so texts cross that in place.
            const std::string text(rng() % 8 == 0 ? 100 + rng() % 200 : rng() % 40, char('a' + step % 26));
            grid->SetCells(c, r, text);
            model[size_t(r)][size_t(c)] = text;
        }
        for (int rr = 0; rr < grid->RowCount(); ++rr)
            for (int cc = 0; cc < grid->ColCount(); ++cc)
                ASSERT_EQ(grid->Cells(cc, rr), model[size_t(rr)][size_t(cc)]) << "step " << step;
    }
}
