// The grid window: the one window in which the hint, position and component list tools show
// one editable row per component. The window never changes a component; it holds the rows,
// keeps its layout in the settings file, exports its text, and calls back into the running
// tool when the sort order changes. A row's name, class, caption and hint cells read them from
// the row's component until typed into (its parent cell, the parent's text as filled): the tool
// writes a component back from its row alone, after reading it, so no cell reads a component
// that changed.
//
// Every mode's grid starts with the row number ("No") and ends with the hidden list index
// ("Posn") that ties a row to its component, so moved rows still reach their own components.
// Columns may be moved as well: cells are written and read by the caption over them, never by
// their position, so a moved column cannot send its values into another property. The hidden
// last column stays last (a move that would take it elsewhere is undone with an error).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <string>
#include <vector>

#include "host/controls/DesignedForm.h"
#include "host/controls/Grids.h"

namespace vcl {
class TPanel;
class TBitBtn;
class TComboBox;
class TLabel;
class TSaveDialog;
}  // namespace vcl

namespace tavrin {

enum thintsorttype : uint8_t { byclass, byhintparent, byname };
enum txysorttype : uint8_t { byparent, bytopleft, byleft };

// The hint tool's order, kept for as long as the program runs; the position tool's, reset by
// each position tool.
extern thintsorttype hintsorttype;
extern txysorttype xysorttype;

// One column of a grid mode: its caption and the width it has before any layout was saved.
struct TGridColumn {
    const char* caption;
    int width;
};

class THintEd : public vcl::TDesignedForm, private vcl::TCellSource {
public:
    explicit THintEd(vcl::TComponent* owner);

    TAVRIN_CONTROL(vcl::TStringGrid, StringGrid1);
    TAVRIN_CONTROL(vcl::TPanel, Panel1);
    TAVRIN_CONTROL(vcl::TLabel, Label1);
    TAVRIN_CONTROL(vcl::TComboBox, SortCB);
    TAVRIN_CONTROL(vcl::TBitBtn, BtnRescale);
    TAVRIN_CONTROL(vcl::TBitBtn, TextBtn);
    TAVRIN_CONTROL(vcl::TBitBtn, OKBtn);
    TAVRIN_CONTROL(vcl::TBitBtn, CancelBtn);
    TAVRIN_CONTROL(vcl::TSaveDialog, SaveDialog);

    // The mode set-ups: column count, the controls of the mode, and the layout from the mode's
    // section when it exists, else the default captions and widths.
    void SetHead();
    void SetXYHead();
    void SetCOMPHead();
    // count data rows below the header. With none, the grid keeps only its header and takes
    // no typing or row moves: there is nothing to edit and nothing that OK could write.
    void SetDataRows(int count);

    // Hint rows: No, Name, Class, Caption, Hint, Posn. The caption and hint are the
    // component's as the tool reads them.
    void SetGrid(int row, const vcl::TComponent& component, std::string_view caption, std::string_view hint, int index);
    // The list index is converted here (EConvertError).
    void getgrid(int row, std::string& name, std::string& hint, std::string& caption, int& index) const;
    // Position rows: No, Name, Class, Parent, Caption, Top, Left, Width, Height, Posn.
    void SetXYGrid(int row, const vcl::TComponent& component, const std::string& parent, std::string_view caption,
                   int32_t top, int32_t left, int32_t width, int32_t height, int index);
    // The five numbers are converted here, before anything is handed back (EConvertError).
    void getXYGrid(int row, std::string& name, std::string& caption, int32_t& top, int32_t& left, int32_t& width,
                   int32_t& height, int& index) const;
    // The row number (the row's place now) and the four numbers; nothing else.
    void SetXYGridInt(int row, int32_t top, int32_t left, int32_t width, int32_t height);
    // Component list rows: No, Name, Class, Top, Left, Posn.
    void SetCOMPGrid(int row, const vcl::TComponent& component, int32_t top, int32_t left, int index);
    void getCOMPGrid(int row, std::string& name, int32_t& top, int32_t& left, int& index) const;

    // The layout in a section of the settings file: the column keys first, in column order,
    // then the window's place, size and state. Without a settings file nothing happens.
    void write_ini(const std::string& section);
    void read_ini(const std::string& section);

    // Saves the layout, takes the order chosen in SortCB and, when it changed, has the running
    // tool rebuild the rows (typed edits are lost, as the rows come from the components).
    void SortHint();
    void SortPosition();

    // Handlers, bound by name from the designed window.
    TAVRIN_HANDLER(SortCBChange)(vcl::TObject* Sender);
    // The rows as text: caption, date, then every row with each cell padded to its column's
    // width in characters. ERangeError, before anything is written, for a column too wide.
    TAVRIN_HANDLER(TextBtnClick)(vcl::TObject* Sender);
    // The rescale dialog; after its OK every data row's top, left, width and height.
    TAVRIN_HANDLER(BtnRescaleClick)(vcl::TObject* Sender);
    TAVRIN_HANDLER(StringGrid1ColumnMoved)(vcl::TObject* Sender, int FromIndex, int ToIndex);

    bool HintMode() const { return HintMode_; }
    // The grid column that shows column `logical` of the mode's layout (as SetGrid numbers
    // them); -1 before any mode was set up.
    int ColumnAt(int logical) const;

protected:
    // OK with a cell that is no number where the mode takes one is refused, naming the row
    // and the column; the window stays open with every edit.
    void CheckAccepted() override;

public:
    bool ChecksValues() const override;
    std::vector<TBadValue> BadValues() const override;

private:
    void SetMode(const std::vector<TGridColumn>& layout, const char* section);
    void MapColumns();
    std::string_view Cell(int logical, int row) const;
    void SetCell(int logical, int row, std::string_view text);
    void SetNumberCell(int logical, int row, int64_t number);  // as IntToStr writes it
    // The fields a row's cells read from its component.
    enum Field : uint32_t { kName, kClass, kCaption, kHint, kParent };
    std::optional<std::string_view> FieldOf(const vcl::TComponent& component, Field field) const;
    // Sourced when the component gives text the tool read the same way, else a copy.
    void SetComponentCell(int logical, int row, const vcl::TComponent& component, Field field, std::string_view text);
    // Every mode's first columns: the row number, name and class.
    void SetRowHead(int row, const vcl::TComponent& component);
    std::string_view SourcedText(uint32_t field, int row) const override;
    int32_t IntCell(int logical, int row) const;

    bool HintMode_ = false;
    const std::vector<TGridColumn>* layout_ = nullptr;
    std::vector<int> at_;  // grid column of each layout column
    std::vector<const vcl::TComponent*> rowComponents_;  // by the row each was filled on
    // The parents' texts as the position rows were filled, shared by their children's rows.
    std::unordered_map<const vcl::TComponent*, std::string> parentTexts_;
    // The text of the parent asked for last: rows come sorted by parent, and their children's
    // rows follow one another. Entries never change once made, nor move; all go together.
    const std::string* ParentText(const vcl::TComponent* parent) const;
    mutable const std::pair<const vcl::TComponent* const, std::string>* lastParent_ = nullptr;
    std::vector<std::string> designedOptions_;
    bool undoingMove_ = false;
};

// The window of the grid tool that is running; created and freed by that tool.
extern THintEd* HintEd;

}  // namespace tavrin
