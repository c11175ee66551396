#include "grid/Hintgrid.h"

#include <algorithm>
#include <charconv>

#include "toolbase/Infobase.h"
#include "grid/Hintinfo.h"
#include "grid/Reposn.h"
#include "grid/Scalefrm.h"
#include "host/base/Zormanip.h"
#include "host/controls/Dialogs.h"
#include "host/controls/Grids.h"
#include "host/controls/StdCtrls.h"

extern const char kHintgridDfm[];

namespace tavrin {

THintEd* HintEd = nullptr;
thintsorttype hintsorttype = byclass;
txysorttype xysorttype = byparent;

namespace {

// The modes' columns; the mode units write and read them by these positions.
const std::vector<TGridColumn> kHintColumns{{"No", 25},      {"Name", 105}, {"Class", 105},
                                            {"Caption", 150}, {"Hint", 150}, {"Posn", 0}};
const std::vector<TGridColumn> kXYColumns{{"No", 25},   {"Name", 105}, {"Class", 105}, {"Parent", 105},
                                          {"Caption", 105}, {"Top", 40}, {"Left", 40},  {"Width", 40},
                                          {"Height", 40}, {"Posn", 0}};
const std::vector<TGridColumn> kCompColumns{{"No", 25},  {"Name", 105}, {"Class", 60},
                                            {"Top", 40}, {"Left", 40},  {"Posn", 0}};

constexpr int kDefaultColumnWidth = 20;

// The captions a section lists for the shown columns, when they are the mode's captions each
// once (case ignored, given back as the mode spells them); empty otherwise.
std::vector<std::string> ModeCaptions(const std::vector<TGridColumn>& layout, const std::vector<std::string>& keys) {
    std::vector<std::string> captions;
    std::vector<bool> used(layout.size(), false);
    if (keys.size() + 1 != layout.size()) return {};
    for (const std::string& key : keys) {
        size_t i = 0;
        while (i + 1 < layout.size() && (used[i] || !vcl::SameText(key, layout[i].caption))) ++i;
        if (i + 1 == layout.size()) return {};
        used[i] = true;
        captions.emplace_back(layout[i].caption);
    }
    return captions;
}

}  // namespace

THintEd::THintEd(vcl::TComponent* owner) : TDesignedForm(owner, "THintEd") {
    LoadDesign(kHintgridDfm, "Hintgrid.dfm");
    StringGrid1->SetCellSource(this);
    designedOptions_ = StringGrid1->Options();
}

void THintEd::SetHead() {
    HintMode_ = true;
    BtnRescale->SetVisible(false);
    SortCB->Items().Clear();
    for (const char* item : {"Class", "Parent", "Name"}) SortCB->Items().Add(item);
    SortCB->SetItemIndex(hintsorttype);
    SetMode(kHintColumns, "Hint Editor");
}

void THintEd::SetXYHead() {
    HintMode_ = false;
    SortCB->Items().Clear();
    for (const char* item : {"Parent", "Top then Left", "Left"}) SortCB->Items().Add(item);
    SortCB->SetItemIndex(xysorttype);
    SetMode(kXYColumns, "Position Editor");
}

void THintEd::SetCOMPHead() {
    HintMode_ = false;
    BtnRescale->SetVisible(false);
    SortCB->SetVisible(false);
    Label1->SetVisible(false);
    SetMode(kCompColumns, "Component List");
}

void THintEd::SetMode(const std::vector<TGridColumn>& layout, const char* section) {
    layout_ = &layout;
    StringGrid1->SetColCount(int(layout.size()));
    if (aninifile != nullptr) {
        const zorbase::tinifile::Reading once(*aninifile);
        if (aninifile->sect_exist(section)) {
            read_ini(section);
            return;
        }
    }
    for (size_t c = 0; c < layout.size(); ++c) {
        StringGrid1->SetColWidths(int(c), layout[c].width);
        StringGrid1->SetCells(int(c), 0, layout[c].caption);
    }
    MapColumns();
}

void THintEd::SetDataRows(int count) {
    rowComponents_.assign(size_t(std::max(count, 0)) + 1, nullptr);
    parentTexts_.clear();
    lastParent_ = nullptr;
    if (count > 0) {
        StringGrid1->SetRowCount(count + 1);
        StringGrid1->SetFixedRows(1);
        StringGrid1->SetOptions(designedOptions_);
        return;
    }
    // The header alone can be no fixed row, so it must not be typed into either.
    StringGrid1->SetRowCount(1);
    std::vector<std::string> options = designedOptions_;
    std::erase_if(options, [](const std::string& o) {
        return vcl::SameText(o, "goEditing") || vcl::SameText(o, "goAlwaysShowEditor") ||
               vcl::SameText(o, "goRowMoving");
    });
    StringGrid1->SetOptions(std::move(options));
}

void THintEd::MapColumns() {
    if (layout_ == nullptr) return;
    const int last = StringGrid1->ColCount() - 1;
    at_.assign(layout_->size(), -1);
    at_.back() = last;
    for (size_t logical = 0; logical + 1 < layout_->size(); ++logical) {
        for (int c = 0; c < last && at_[logical] < 0; ++c)
            if (StringGrid1->Cells(c, 0) == (*layout_)[logical].caption) at_[logical] = c;
        // Row 0 always carries the mode's captions; should one be missing, its own place.
        if (at_[logical] < 0) at_[logical] = int(logical);
    }
}

int THintEd::ColumnAt(int logical) const {
    return logical >= 0 && size_t(logical) < at_.size() ? at_[size_t(logical)] : -1;
}

std::string_view THintEd::Cell(int logical, int row) const { return StringGrid1->Cells(ColumnAt(logical), row); }

void THintEd::SetCell(int logical, int row, std::string_view text) {
    StringGrid1->SetCells(ColumnAt(logical), row, text);
}

void THintEd::SetNumberCell(int logical, int row, int64_t number) {
    // Most cells of a position grid are numbers: their text is made on the stack.
    char text[24];
    const auto made = std::to_chars(text, text + sizeof text, number);
    SetCell(logical, row, std::string_view(text, size_t(made.ptr - text)));
}

int32_t THintEd::IntCell(int logical, int row) const { return vcl::StrToInt(Cell(logical, row)); }

bool THintEd::ChecksValues() const { return layout_ == &kXYColumns || layout_ == &kCompColumns; }

std::vector<vcl::TDesignedForm::TBadValue> THintEd::BadValues() const {
    std::vector<int> numbers;
    if (layout_ == &kXYColumns) numbers = {5, 6, 7, 8};
    if (layout_ == &kCompColumns) numbers = {3, 4};
    std::vector<TBadValue> bad;
    for (int row = StringGrid1->FixedRows(); row < StringGrid1->RowCount(); ++row)
        for (int logical : numbers) {
            try {
                IntCell(logical, row);
            } catch (const vcl::EConvertError& e) {
                bad.push_back({StringGrid1, ColumnAt(logical), row,
                               "Row " + std::to_string(row) + " (" + std::string(Cell(1, row)) + "), " +
                                   (*layout_)[size_t(logical)].caption + ": " + e.Message()});
            }
        }
    return bad;
}

void THintEd::CheckAccepted() {
    const std::vector<TBadValue> bad = BadValues();
    if (bad.empty()) return;
    StringGrid1->SetCol(bad.front().col);
    StringGrid1->SetRow(bad.front().row);
    throw vcl::EConvertError(bad.front().reason);
}

const std::string* THintEd::ParentText(const vcl::TComponent* parent) const {
    if (lastParent_ == nullptr || lastParent_->first != parent) {
        const auto text = parentTexts_.find(parent);
        if (text == parentTexts_.end()) return nullptr;
        lastParent_ = &*text;
    }
    return &lastParent_->second;
}

std::optional<std::string_view> THintEd::FieldOf(const vcl::TComponent& component, Field field) const {
    switch (field) {
    case kParent:
        if (const auto* control = vcl::Cast<const vcl::TControl>(&component))
            if (const std::string* text = ParentText(control->Parent())) return *text;
        break;
    case kName: return component.Name();
    case kClass: return component.ClassName();
    case kCaption: return OwnCaption(component);
    case kHint: return OwnHint(component);
    }
    return std::nullopt;
}

void THintEd::SetRowHead(int row, const vcl::TComponent& component) {
    if (size_t(row) >= rowComponents_.size()) rowComponents_.resize(size_t(row) + 1, nullptr);
    rowComponents_[size_t(row)] = &component;
    SetNumberCell(0, row, row);
    SetComponentCell(1, row, component, kName, component.Name());
    SetComponentCell(2, row, component, kClass, component.ClassName());
}

void THintEd::SetComponentCell(int logical, int row, const vcl::TComponent& component, Field field,
                               std::string_view text) {
    // Mostly the text is the field itself, read as a view of it: no bytes to compare.
    const std::optional<std::string_view> own = FieldOf(component, field);
    const bool same = own && ((own->data() == text.data() && own->size() == text.size()) || *own == text);
    if (same) StringGrid1->SetSourcedCell(ColumnAt(logical), row, field);
    else SetCell(logical, row, text);
}

std::string_view THintEd::SourcedText(uint32_t field, int row) const {
    // A fill cut short leaves rows of the one before, whose components are forgotten: empty.
    const vcl::TComponent* component = size_t(row) < rowComponents_.size() ? rowComponents_[size_t(row)] : nullptr;
    if (component == nullptr) return {};
    return FieldOf(*component, Field(field)).value_or(std::string_view());
}

void THintEd::SetGrid(int row, const vcl::TComponent& component, std::string_view caption, std::string_view hint,
                      int index) {
    SetRowHead(row, component);
    SetComponentCell(3, row, component, kCaption, caption);
    SetComponentCell(4, row, component, kHint, hint);
    SetNumberCell(5, row, index);
}

void THintEd::getgrid(int row, std::string& name, std::string& hint, std::string& caption, int& index) const {
    const int32_t i = IntCell(5, row);
    name = Cell(1, row);
    caption = Cell(3, row);
    hint = Cell(4, row);
    index = i;
}

void THintEd::SetXYGrid(int row, const vcl::TComponent& component, const std::string& parent, std::string_view caption,
                        int32_t top, int32_t left, int32_t width, int32_t height, int index) {
    SetRowHead(row, component);
    if (const auto* control = vcl::Cast<const vcl::TControl>(&component); control && !ParentText(control->Parent()))
        parentTexts_.try_emplace(control->Parent(), parent);
    SetComponentCell(3, row, component, kParent, parent);
    SetComponentCell(4, row, component, kCaption, caption);
    SetNumberCell(5, row, top);
    SetNumberCell(6, row, left);
    SetNumberCell(7, row, width);
    SetNumberCell(8, row, height);
    SetNumberCell(9, row, index);
}

void THintEd::getXYGrid(int row, std::string& name, std::string& caption, int32_t& top, int32_t& left,
                        int32_t& width, int32_t& height, int& index) const {
    const int32_t t = IntCell(5, row), l = IntCell(6, row), w = IntCell(7, row), h = IntCell(8, row);
    const int32_t i = IntCell(9, row);
    name = Cell(1, row);
    caption = Cell(4, row);
    top = t;
    left = l;
    width = w;
    height = h;
    index = i;
}

void THintEd::SetXYGridInt(int row, int32_t top, int32_t left, int32_t width, int32_t height) {
    SetNumberCell(0, row, row);
    SetNumberCell(5, row, top);
    SetNumberCell(6, row, left);
    SetNumberCell(7, row, width);
    SetNumberCell(8, row, height);
}

void THintEd::SetCOMPGrid(int row, const vcl::TComponent& component, int32_t top, int32_t left, int index) {
    SetRowHead(row, component);
    SetNumberCell(3, row, top);
    SetNumberCell(4, row, left);
    SetNumberCell(5, row, index);
}

void THintEd::getCOMPGrid(int row, std::string& name, int32_t& top, int32_t& left, int& index) const {
    const int32_t t = IntCell(3, row), l = IntCell(4, row), i = IntCell(5, row);
    name = Cell(1, row);
    top = t;
    left = l;
    index = i;
}

void THintEd::write_ini(const std::string& section) {
    if (aninifile == nullptr) return;
    const zorbase::tinifile::Update once(*aninifile);  // one locked replace for the section
    const int last = StringGrid1->ColCount() - 1;
    auto column = [&](int c) { aninifile->WriteInteger(section, std::string(StringGrid1->Cells(c, 0)), StringGrid1->ColWidths(c)); };
    const bool existed = aninifile->sect_exist(section);
    if (existed)
        for (int c = 0; c < last; ++c) column(c);
    WriteWindowPlace(*this, section);
    // New keys go to the head of the section: written last to first, the columns then stand
    // first and in column order, which is how read_ini finds them.
    if (!existed)
        for (int c = last - 1; c >= 0; --c) column(c);
}

void THintEd::read_ini(const std::string& section) {
    if (aninifile == nullptr) return;
    const zorbase::tinifile::Reading once(*aninifile);  // the layout whole, from one version of the file
    const int last = StringGrid1->ColCount() - 1;
    std::vector<std::string> keys;
    for (int c = 0; c < last; ++c) keys.push_back(aninifile->get_line(section, c));
    // A section that does not list the mode's columns (written by hand, or by another
    // program) cannot say which caption goes where: the columns keep the mode's order then,
    // with the widths saved under their captions.
    if (layout_ != nullptr) {
        std::vector<std::string> captions = ModeCaptions(*layout_, keys);
        if (captions.empty())
            for (int c = 0; c < last; ++c) captions.emplace_back((*layout_)[size_t(c)].caption);
        keys = std::move(captions);
    }
    for (int c = 0; c < last; ++c) {
        StringGrid1->SetCells(c, 0, keys[size_t(c)]);
        const int32_t width = aninifile->ReadInteger(section, keys[size_t(c)], kDefaultColumnWidth);
        StringGrid1->SetColWidths(c, width < 0 ? kDefaultColumnWidth : width);  // no column is narrower than none
    }
    StringGrid1->SetColWidths(last, 0);
    MapColumns();
    ReadWindowPlace(*this, section);
}

void THintEd::SortHint() {
    write_ini("Hint Editor");
    const thintsorttype was = hintsorttype;
    const int chosen = SortCB->ItemIndex();
    if (chosen < byclass || chosen > byname) return;
    hintsorttype = thintsorttype(chosen);
    if (hintsorttype != was && ZorHintInfo != nullptr) ZorHintInfo->ProcessControls();
}

void THintEd::SortPosition() {
    write_ini("Position Editor");
    const txysorttype was = xysorttype;
    const int chosen = SortCB->ItemIndex();
    if (chosen < byparent || chosen > byleft) return;
    xysorttype = txysorttype(chosen);
    if (xysorttype != was && ZorRepositioner != nullptr) ZorRepositioner->ProcessControls();
}

void THintEd::SortCBChange(vcl::TObject*) {
    if (HintMode_) SortHint();
    else SortPosition();
}

void THintEd::TextBtnClick(vcl::TObject*) {
    if (!SaveDialog->Execute() || SaveDialog->FileName().empty()) return;
    const int charWidth = Canvas().TextWidth("M") * 3 / 5;
    if (charWidth <= 0) throw vcl::EZeroDivide("Division by zero: the window's font has no width");
    const int cols = StringGrid1->ColCount();
    std::vector<int> fields(static_cast<size_t>(cols));
    for (int c = 0; c < cols; ++c) {
        fields[size_t(c)] = StringGrid1->ColWidths(c) / charWidth + 1;
        if (fields[size_t(c)] < 0 || fields[size_t(c)] > 255)
            throw vcl::ERangeError("Range check error: column " + std::to_string(c) + " is " +
                                   std::to_string(fields[size_t(c)]) +
                                   " characters wide; a text export allows at most 255");
    }
    WriteExport(SaveDialog->FileName(), Caption(), [&](vcl::TLineWriter& out) {
        std::string line;
        for (int r = 0; r < StringGrid1->RowCount(); ++r) {
            line.clear();
            for (int c = 0; c < cols; ++c) zorbase::AppendLJ(line, StringGrid1->Cells(c, r), fields[size_t(c)]);
            out.Add(line);
        }
    });
}

void THintEd::BtnRescaleClick(vcl::TObject*) {
    ScaleDlg = new TScaleDlg(this);
    struct Free {
        ~Free() {
            delete ScaleDlg;
            ScaleDlg = nullptr;
        }
    } free;
    if (!ScaleDlg->execute()) return;
    for (int r = 1; r < StringGrid1->RowCount(); ++r) {
        std::string name, caption;
        int32_t top, left, width, height;
        int index;
        getXYGrid(r, name, caption, top, left, width, height, index);
        ScaleDlg->Rescale(top, left, width, height);
        SetXYGridInt(r, top, left, width, height);
    }
}

void THintEd::StringGrid1ColumnMoved(vcl::TObject*, int FromIndex, int ToIndex) {
    if (undoingMove_ || layout_ == nullptr) return;
    const int last = StringGrid1->ColCount() - 1;
    if (FromIndex == last || ToIndex == last) {
        undoingMove_ = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{undoingMove_};
        StringGrid1->MoveColumn(ToIndex, FromIndex);
        throw vcl::EInvalidGridOperation("The hidden Posn column ties each row to its component and stays last");
    }
    MapColumns();
}

}  // namespace tavrin
