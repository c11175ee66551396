// The string grid: a table of text cells with fixed (header) rows and columns, column
// widths and row heights, and the row and column moves a person makes by dragging.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/controls/Events.h"
#include "host/vcl/Controls.h"
#include "host/vcl/LargePages.h"

namespace vcl {

TAVRIN_EXCEPTION(EInvalidGridOperation, Exception);

// Where cells may read their text rather than hold a copy: a window whose rows show what its
// components hold lets those cells read it, until a cell is given text of its own.
class TCellSource {
public:
    // The text for a cell made sourced (SetSourcedCell) with this field on this row; it must
    // stay valid until the source's objects change.
    virtual std::string_view SourcedText(uint32_t field, int row) const = 0;

protected:
    ~TCellSource() = default;
};

class TStringGrid : public TCustomControl, public TControlEvents {
public:
    explicit TStringGrid(TComponent* owner, const TClassInfo* cls = nullptr);

    int ColCount() const { return int(colWidths_.size()); }
    int RowCount() const { return int(rowHeights_.size()); }
    // At least 1; fixed columns (rows) that would not leave one scrolling are dropped.
    void SetColCount(int value);
    void SetRowCount(int value);
    int FixedCols() const { return fixedCols_; }
    int FixedRows() const { return fixedRows_; }
    // Must leave at least one column (row) that is not fixed; EInvalidGridOperation otherwise.
    void SetFixedCols(int value);
    void SetFixedRows(int value);

    // Setting a default gives every column (row) that size.
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int value);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int value);
    // A bad index raises EInvalidGridOperation.
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int RowHeights(int row) const;
    void SetRowHeights(int row, int height);

    // Column first, as the platform's Cells[ACol, ARow]; a bad index raises EInvalidGridOperation.
    // The text stays valid until the next change of any cell (or, for a sourced cell, of what
    // its source read).
    std::string_view Cells(int col, int row) const;
    void SetCells(int col, int row, std::string_view text);
    // The cell reads its text from the grid's source, asked with field (below kSourceFields)
    // and the row it is on now, wherever it moves later, until SetCells gives it text.
    static constexpr uint32_t kSourceFields = 8;
    void SetCellSource(const TCellSource* source) { source_ = source; }
    void SetSourcedCell(int col, int row, uint32_t field);

    // The row (column) at from is taken out and put back in at to, the others closing up:
    // its cells, height (width) and the current cell go with it. The moved handler runs.
    void MoveRow(int from, int to);
    void MoveColumn(int from, int to);

    // The current cell.
    int Col() const { return col_; }
    int Row() const { return row_; }
    void SetCol(int value);
    void SetRow(int value);

    // The grid's options by name (goEditing, goRowMoving, goColMoving, goColSizing, ...).
    bool HasOption(std::string_view name) const;
    const std::vector<std::string>& Options() const { return options_; }
    void SetOptions(std::vector<std::string> options) { options_ = std::move(options); }

    // A person's typing, header drags and column sizing, each refused unless the grid's
    // options allow it (goEditing, goRowMoving/goColMoving, goColSizing) and the cells exist.
    void ActTypeCell(int col, int row, const std::string& text) override;
    void ActMove(bool rows, int from, int to) override;
    void ActSizeColumn(int col, int width) override;

    TMovedEvent OnColumnMoved;
    TMovedEvent OnRowMoved;

    TEventSlot FindEvent(std::string_view lname) override;
    bool ReadDesigned(std::string_view lname, const TStoredValue& value) override;

protected:
    bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;

private:
    // Asked for every cell a tool fills or prints: the test inline, the message made elsewhere.
    void CheckCol(int col) const {
        if (col < 0 || col >= ColCount()) [[unlikely]] BadIndex("column", col);
    }
    void CheckRow(int row) const {
        if (row < 0 || row >= RowCount()) [[unlikely]] BadIndex("row", row);
    }
    [[noreturn]] static void BadIndex(const char* what, int index);

    // Every cell's text in one buffer, each after its length (seven bits a byte, the last byte
    // below 128: one byte for a text of up to 127), and where each cell's length is, by row then
    // column: a form's grid view of 30,000 rows is two allocations, and a cell takes 4 bytes
    // beside its text. The buffer starts with the empty text, where every empty cell points. A
    // longer text for a cell goes to the end; the buffer is compacted once it is mostly stale.
    // A sourced cell holds kSourced, the row it was made on and its field instead.
    static constexpr uint32_t kSourced = 0x80000000u;
    static bool Owned(uint32_t cell) { return cell != 0 && (cell & kSourced) == 0; }
    uint32_t& CellAt(int col, int row) { return cells_[size_t(row) * size_t(ColCount()) + size_t(col)]; }
    struct Stored {
        size_t from;  // where the text starts
        size_t size;
    };
    Stored TextAt(uint32_t at) const;
    size_t StoredBytes(uint32_t at) const;  // its length's bytes and its text's
    void Compact();
    std::string text_ = std::string(1, '\0');
    TFillAhead textAhead_;
    std::vector<uint32_t> cells_;
    size_t stale_ = 0;  // bytes of text_ no cell points at
    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    int col_ = 1;
    int row_ = 1;
    std::vector<std::string> options_;
    const TCellSource* source_ = nullptr;
};

}  // namespace vcl
