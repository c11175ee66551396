#include "host/controls/Grids.h"

#include <algorithm>

#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/LargePages.h"
#include "host/vcl/Varint.h"

namespace vcl {

namespace {

// Moves the item at from (a run of width elements from first) to to, the items between
// shifting by one: a row of the cells, a cell within a row, a width or height.
template <class It>
void MoveItem(It first, int from, int to, ptrdiff_t width = 1) {
    const auto at = [&](int i) { return first + i * width; };
    if (from < to)
        std::rotate(at(from), at(from + 1), at(to + 1));
    else
        std::rotate(at(to), at(from), at(from + 1));
}

// Where an index lands when the item at from moves to to.
int Follow(int index, int from, int to) {
    if (index == from) return to;
    if (from < index && index <= to) return index - 1;
    if (to <= index && index < from) return index + 1;
    return index;
}

// A person's edit of the grid, unless its options forbid it.
void CheckAllowed(const TStringGrid& grid, const char* option) {
    if (!grid.HasOption(option))
        throw EActionRefused(grid.Name() + " does not allow this (" + option + " is off)");
}

}  // namespace

TStringGrid::TStringGrid(TComponent* owner, const TClassInfo* cls)
    : TCustomControl(owner, cls ? cls : ClassByName("TStringGrid")),
      colWidths_(5, 64),
      rowHeights_(5, 24),
      options_{"goFixedVerticalLine", "goFixedHorizontalLine", "goVertLine", "goHorzLine", "goRangeSelect"} {
    cells_.assign(5 * 5, 0);
}

void TStringGrid::BadIndex(const char* what, int index) {
    throw EInvalidGridOperation("Grid index out of range (" + std::string(what) + " " + std::to_string(index) + ")");
}

void TStringGrid::SetColCount(int value) {
    value = std::max(value, 1);
    const size_t before = size_t(ColCount()), after = size_t(value), rows = size_t(RowCount());
    if (after != before) {
        std::vector<uint32_t> cells(rows * after);
        for (size_t r = 0; r < rows; ++r)
            for (size_t c = 0; c < before; ++c) {
                const uint32_t cell = cells_[r * before + c];
                if (c < after) cells[r * after + c] = cell;
                else stale_ += StoredBytes(cell);
            }
        cells_ = std::move(cells);
    }
    colWidths_.resize(after, defaultColWidth_);
    if (fixedCols_ >= value) fixedCols_ = value - 1;
    col_ = std::clamp(col_, fixedCols_, value - 1);
}

void TStringGrid::SetRowCount(int value) {
    value = std::max(value, 1);
    rowHeights_.resize(size_t(value), defaultRowHeight_);
    const size_t cells = size_t(value) * size_t(ColCount());
    for (size_t i = cells; i < cells_.size(); ++i) stale_ += StoredBytes(cells_[i]);
    if (cells > cells_.size()) {
        // Room for the new cells' texts at a guess (a tool's cells are names and numbers), so
        // that filling thousands of rows copies the buffer seldom; room never used costs nothing.
        constexpr size_t kTypicalCell = 16;
        text_.reserve(text_.size() + (cells - cells_.size()) * kTypicalCell);
    }
    const uint32_t* const before = cells_.data();
    ReserveLarge(cells_, cells);
    if (cells > cells_.size()) {
        // Present in one call rather than trapped into page by page as they are zeroed; a
        // buffer that moved is written from its start.
        const size_t from = cells_.data() == before ? cells_.size() : 0;
        PopulatePages(cells_.data() + from, (cells - from) * sizeof(uint32_t));
    }
    cells_.resize(cells);
    if (fixedRows_ >= value) fixedRows_ = value - 1;
    row_ = std::clamp(row_, fixedRows_, value - 1);
}

void TStringGrid::SetFixedCols(int value) {
    if (value < 0 || (value >= ColCount() && !Loading()))
        throw EInvalidGridOperation("Fixed column count must be less than column count");
    fixedCols_ = value;
    col_ = std::max(col_, fixedCols_);
}

void TStringGrid::SetFixedRows(int value) {
    if (value < 0 || (value >= RowCount() && !Loading()))
        throw EInvalidGridOperation("Fixed row count must be less than row count");
    fixedRows_ = value;
    row_ = std::max(row_, fixedRows_);
}

void TStringGrid::SetDefaultColWidth(int value) {
    defaultColWidth_ = value;
    std::fill(colWidths_.begin(), colWidths_.end(), value);
}

void TStringGrid::SetDefaultRowHeight(int value) {
    defaultRowHeight_ = value;
    std::fill(rowHeights_.begin(), rowHeights_.end(), value);
}

int TStringGrid::ColWidths(int col) const {
    CheckCol(col);
    return colWidths_[size_t(col)];
}

void TStringGrid::SetColWidths(int col, int width) {
    CheckCol(col);
    colWidths_[size_t(col)] = width;
}

int TStringGrid::RowHeights(int row) const {
    CheckRow(row);
    return rowHeights_[size_t(row)];
}

void TStringGrid::SetRowHeights(int row, int height) {
    CheckRow(row);
    rowHeights_[size_t(row)] = height;
}

TStringGrid::Stored TStringGrid::TextAt(uint32_t at) const {
    const char* const from = text_.data() + at;
    const char* p = from;
    const size_t size = GetVarint(p);
    return {at + size_t(p - from), size};
}

size_t TStringGrid::StoredBytes(uint32_t at) const {
    if (!Owned(at)) return 0;  // the shared empty text, or the source's
    const Stored t = TextAt(at);
    return t.from - at + t.size;
}

std::string_view TStringGrid::Cells(int col, int row) const {
    CheckCol(col);
    CheckRow(row);
    const uint32_t cell = cells_[size_t(row) * size_t(ColCount()) + size_t(col)];
    if ((cell & kSourced) != 0) return source_->SourcedText(cell % kSourceFields, int((cell & ~kSourced) / kSourceFields));
    const Stored t = TextAt(cell);
    return std::string_view(text_).substr(t.from, t.size);
}

void TStringGrid::SetSourcedCell(int col, int row, uint32_t field) {
    CheckCol(col);
    CheckRow(row);
    if (source_ == nullptr || field >= kSourceFields) throw EInvalidGridOperation("The grid has no such cell source");
    if (uint64_t(row) >= kSourced / kSourceFields) return SetCells(col, row, source_->SourcedText(field, row));
    uint32_t& cell = CellAt(col, row);
    stale_ += StoredBytes(cell);
    cell = kSourced | uint32_t(row) * kSourceFields | field;
}

void TStringGrid::SetCells(int col, int row, std::string_view text) {
    CheckCol(col);
    CheckRow(row);
    // Another cell's text may move below as the buffer grows.
    if (!text.empty() && text.data() >= text_.data() && text.data() < text_.data() + text_.size())
        return SetCells(col, row, std::string(text));
    uint32_t& cell = CellAt(col, row);
    if (text.empty()) {
        stale_ += StoredBytes(cell);
        cell = 0;
        return;
    }
    if (Owned(cell)) {
        const Stored old = TextAt(cell);
        if (text.size() <= old.size && VarintBytes(text.size()) == old.from - cell) {  // in its place
            PutVarint(text_.data() + cell, text.size());
            text.copy(text_.data() + old.from, text.size());
            stale_ += old.size - text.size();
            return;
        }
        stale_ += old.from - cell + old.size;
    }
    if (stale_ > text_.size() / 2 && text_.size() >= 4096) Compact();
    const size_t length = VarintBytes(text.size());
    if (text_.size() + length + text.size() >= kSourced) throw EInvalidGridOperation("The grid's text is too large");
    CellAt(col, row) = uint32_t(text_.size());
    char prefix[10];
    PutVarint(prefix, text.size());
    text_.append(prefix, length).append(text);
    textAhead_.Filled(text_.data(), text_.size(), text_.capacity());
}

void TStringGrid::Compact() {
    std::string text;
    text.reserve(text_.size() - stale_);
    text.push_back('\0');
    for (uint32_t& cell : cells_) {
        if (!Owned(cell)) continue;
        const size_t bytes = StoredBytes(cell);
        const auto at = uint32_t(text.size());
        text.append(text_, cell, bytes);
        cell = at;
    }
    text_ = std::move(text);
    stale_ = 0;
}

void TStringGrid::MoveRow(int from, int to) {
    CheckRow(from);
    CheckRow(to);
    if (from == to) return;
    MoveItem(cells_.begin(), from, to, ColCount());
    MoveItem(rowHeights_.begin(), from, to);
    row_ = Follow(row_, from, to);
    if (OnRowMoved) OnRowMoved(this, from, to);
}

void TStringGrid::MoveColumn(int from, int to) {
    CheckCol(from);
    CheckCol(to);
    if (from == to) return;
    for (auto row = cells_.begin(); row != cells_.end(); row += ColCount()) MoveItem(row, from, to);
    MoveItem(colWidths_.begin(), from, to);
    col_ = Follow(col_, from, to);
    if (OnColumnMoved) OnColumnMoved(this, from, to);
}

void TStringGrid::SetCol(int value) {
    CheckCol(value);
    col_ = value;
}

void TStringGrid::SetRow(int value) {
    CheckRow(value);
    row_ = value;
}

bool TStringGrid::HasOption(std::string_view name) const {
    return std::any_of(options_.begin(), options_.end(), [&](const std::string& o) { return SameText(o, name); });
}

void TStringGrid::ActTypeCell(int col, int row, const std::string& text) {
    CheckAllowed(*this, "goEditing");
    CheckActionRange(col, FixedCols(), ColCount() - 1, "column");
    CheckActionRange(row, FixedRows(), RowCount() - 1, "row");
    SetCol(col);
    SetRow(row);
    SetCells(col, row, text);
}

void TStringGrid::ActMove(bool rows, int from, int to) {
    CheckAllowed(*this, rows ? "goRowMoving" : "goColMoving");
    const int first = rows ? FixedRows() : FixedCols();
    const int last = (rows ? RowCount() : ColCount()) - 1;
    CheckActionRange(from, first, last, rows ? "row" : "column");
    CheckActionRange(to, first, last, rows ? "row" : "column");
    if (rows) MoveRow(from, to);
    else MoveColumn(from, to);
}

void TStringGrid::ActSizeColumn(int col, int width) {
    CheckAllowed(*this, "goColSizing");
    CheckActionRange(col, 0, ColCount() - 1, "column");
    if (width < 0) throw EActionRefused("a column width cannot be negative");
    SetColWidths(col, width);
}

TEventSlot TStringGrid::FindEvent(std::string_view e) {
    if (e == "oncolumnmoved") return &OnColumnMoved;
    if (e == "onrowmoved") return &OnRowMoved;
    return TControlEvents::FindEvent(e);
}

bool TStringGrid::ReadDesigned(std::string_view lname, const TStoredValue& value) {
    const bool cols = lname == "colwidths";
    if ((!cols && lname != "rowheights") || value.Kind() != TStoredKind::List) return false;
    int i = 0;
    value.ForEachItem([&](const TStoredValue& item) {
        const int size = int(item.AsInteger());
        if (cols) SetColWidths(i, size);
        else SetRowHeights(i, size);
        ++i;
    });
    return true;
}

bool TStringGrid::ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const {
    if (NameIs(name, "colcount")) out = int64_t(ColCount());
    else if (NameIs(name, "rowcount")) out = int64_t(RowCount());
    else if (NameIs(name, "fixedcols")) out = int64_t(fixedCols_);
    else if (NameIs(name, "fixedrows")) out = int64_t(fixedRows_);
    else if (NameIs(name, "defaultcolwidth")) out = int64_t(defaultColWidth_);
    else if (NameIs(name, "defaultrowheight")) out = int64_t(defaultRowHeight_);
    else if (NameIs(name, "options")) out = TSetValue{options_};
    else return TCustomControl::ReadNative(name, prop, out);
    return true;
}

bool TStringGrid::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (NameIs(name, "colcount")) SetColCount(ValueToInt32(value, prop));
    else if (NameIs(name, "rowcount")) SetRowCount(ValueToInt32(value, prop));
    else if (NameIs(name, "fixedcols")) SetFixedCols(ValueToInt32(value, prop));
    else if (NameIs(name, "fixedrows")) SetFixedRows(ValueToInt32(value, prop));
    else if (NameIs(name, "defaultcolwidth")) SetDefaultColWidth(ValueToInt32(value, prop));
    else if (NameIs(name, "defaultrowheight")) SetDefaultRowHeight(ValueToInt32(value, prop));
    else if (NameIs(name, "options")) {
        auto* set = std::get_if<TSetValue>(&value);
        if (set == nullptr) throw EPropertyError("Invalid value for property " + prop.Name);
        options_ = set->elements;
    } else return TCustomControl::WriteNative(name, prop, value);
    return true;
}

}  // namespace vcl
