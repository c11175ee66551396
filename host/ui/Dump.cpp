#include "host/ui/Dump.h"

#include <sstream>

#include "host/controls/Grids.h"
#include "host/controls/Outline.h"
#include "host/controls/StdCtrls.h"
#include "host/vcl/Menus.h"

namespace ui {

std::string EscapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out;
}

namespace {

void Record(std::ostream& out, std::initializer_list<std::string> fields) {
    bool first = true;
    for (const auto& f : fields) {
        if (!first) out << '\t';
        out << f;
        first = false;
    }
    out << '\n';
}

std::string Num(long long v) { return std::to_string(v); }

void DumpComponent(const vcl::TComponent* c, std::ostream& out) {
    const std::string name = EscapeText(c->Name());
    if (auto* outline = dynamic_cast<const vcl::TOutline*>(c)) {
        Record(out, {"outline", name, Num(outline->ItemCount())});
        int32_t index = 0;
        outline->ForEachItem([&](const vcl::TOutlineNode* n, int level) {
            Record(out, {"item", Num(++index), Num(level - 1), EscapeText(n->Text())});
            return true;
        });
    } else if (auto* grid = dynamic_cast<const vcl::TStringGrid*>(c)) {
        Record(out, {"grid", name, Num(grid->ColCount()), Num(grid->RowCount())});
        for (int r = 0; r < grid->RowCount(); ++r) {
            out << "row\t" << r;
            for (int col = 0; col < grid->ColCount(); ++col) out << '\t' << EscapeText(grid->Cells(col, r));
            out << '\n';
        }
        out << "widths";
        for (int col = 0; col < grid->ColCount(); ++col) out << '\t' << grid->ColWidths(col);
        out << '\n';
    } else if (auto* memo = dynamic_cast<const vcl::TMemo*>(c)) {
        Record(out, {"memo", name, Num(memo->Lines().Count())});
        for (const auto& line : memo->Lines()) Record(out, {"line", EscapeText(line)});
    } else if (auto* edit = dynamic_cast<const vcl::TEdit*>(c)) {
        Record(out, {"edit", name, EscapeText(edit->Text())});
    } else if (auto* check = dynamic_cast<const vcl::TCheckBox*>(c)) {
        Record(out, {"check", name, check->Checked() ? "1" : "0"});
    } else if (auto* combo = dynamic_cast<const vcl::TComboBox*>(c)) {
        std::string items;
        for (int i = 0; i < combo->Items().Count(); ++i) items += (i ? "|" : "") + EscapeText(combo->Items()[i]);
        Record(out, {"combo", name, Num(combo->ItemIndex()), items});
    } else if (auto* button = dynamic_cast<const vcl::TButton*>(c)) {
        Record(out, {"button", name, EscapeText(vcl::StripHotkey(button->Caption())), button->Visible() ? "1" : "0"});
    }
}

}  // namespace

void DumpWindow(const vcl::TCustomForm& form, std::ostream& out) {
    Record(out, {"window", form.ClassName(), EscapeText(form.Caption())});
    for (int i = 0; i < form.ComponentCount(); ++i) DumpComponent(form.Components(i), out);
}

std::string DumpText(const vcl::TCustomForm& form) {
    std::ostringstream out;
    DumpWindow(form, out);
    return out.str();
}

}  // namespace ui
