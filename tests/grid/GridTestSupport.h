// What the grid tool tests share: the rows the grid window showed when it closed.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/cfrminfo.h"
#include "grid/Hintgrid.h"
#include "host/controls/Grids.h"
#include "host/controls/StdCtrls.h"
#include "tests/support/ToolTestSupport.h"

namespace gridtest {

using Names = std::vector<std::string>;

// One grid row, cell by the caption over its column (the hidden last column as "Posn").
using Row = std::map<std::string, std::string>;

inline std::vector<Row> RowsOf(const vcl::TStringGrid& grid) {
    std::vector<Row> rows;
    for (int r = 1; r < grid.RowCount(); ++r) {
        Row row;
        for (int c = 0; c < grid.ColCount(); ++c)
            row[c == grid.ColCount() - 1 ? "Posn" : std::string(grid.Cells(c, 0))] = grid.Cells(c, r);
        rows.push_back(row);
    }
    return rows;
}

// One column of the rows, top to bottom.
inline Names Column(const std::vector<Row>& rows, const std::string& caption) {
    Names values;
    for (const Row& row : rows) values.push_back(row.at(caption));
    return values;
}

// The grid column under a caption in row 0; -1 when none.
inline int ColumnOf(const vcl::TStringGrid& grid, const std::string& caption) {
    for (int c = 0; c < grid.ColCount(); ++c)
        if (grid.Cells(c, 0) == caption) return c;
    return -1;
}

using testsupport::CodeBackend;

class GridTest : public testsupport::ToolTest {
protected:
    template <class T>
    T* Place(const std::string& name, int top, int left, vcl::TWinControl* parent = nullptr) {
        T* c = Add<T>(name, parent);
        c->SetBounds(left, top, 50, 20);
        return c;
    }
    // Runs an entry procedure on `on` (the form by default); `act` plays the person in the
    // grid window. The rows the window closed with land in rows.
    CodeBackend Run(void (*entry)(vcl::TComponent*), std::function<vcl::TModalResult()> act = nullptr,
                    vcl::TComponent* on = nullptr) {
        CodeBackend backend;
        backend.saveAs = saveAs;
        backend.onModal = [&](vcl::TCustomForm& window) {
            if (&window != tavrin::HintEd) return dialog ? dialog(window) : vcl::mrOk;  // the rescale dialog
            const vcl::TModalResult result = act ? act() : vcl::mrCancel;
            rows = RowsOf(*tavrin::HintEd->StringGrid1);
            return result;
        };
        ui::TInstalled installed(backend);
        entry(on != nullptr ? on : form);
        return backend;
    }
    vcl::TStringGrid& Grid() const { return *tavrin::HintEd->StringGrid1; }
    // Types into the cell under a caption of the data row r (from 1).
    void Type(const std::string& caption, int r, const std::string& text) const {
        Grid().SetCells(ColumnOf(Grid(), caption), r, text);
    }
    // The data row whose Name cell holds name; 0 when none.
    int RowNamed(const std::string& name) const {
        const int c = ColumnOf(Grid(), "Name");
        for (int r = 1; r < Grid().RowCount(); ++r)
            if (Grid().Cells(c, r) == name) return r;
        return 0;
    }

    std::vector<Row> rows;
    // Plays the person in a dialog the grid window opens (OK without it).
    std::function<vcl::TModalResult(vcl::TCustomForm&)> dialog;
    // How Run answers save dialogs (Cancel when empty).
    std::string saveAs;
};

}  // namespace gridtest
