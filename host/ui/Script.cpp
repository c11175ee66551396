#include "host/ui/Script.h"

#include <charconv>
#include <fstream>
#include <iostream>
#include <sstream>

#include "host/base/AtomicFile.h"
#include "host/controls/DesignedForm.h"
#include "host/controls/Dialogs.h"
#include "host/controls/Grids.h"
#include "host/controls/Outline.h"
#include "host/controls/StdCtrls.h"
#include "host/ui/Dump.h"

namespace ui {

using vcl::TModalResult;

EScriptError::EScriptError(std::string script, int line, const std::string& reason)
    : std::runtime_error(script + ", line " + std::to_string(line) + ": " + reason),
      script_(std::move(script)),
      line_(line),
      reason_(reason) {}

std::string UnescapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char e = text[i + 1];
            if (e == 'n' || e == 't' || e == '\\') {
                out += e == 'n' ? '\n' : e == 't' ? '\t' : '\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The words of an action line, read from the left; what follows them stays in rest.
struct Words {
    std::string_view rest;

    std::string_view Next() {
        while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
        size_t end = 0;
        while (end < rest.size() && !IsBlank(rest[end])) ++end;
        std::string_view word = rest.substr(0, end);
        rest.remove_prefix(end);
        return word;
    }
    // The TEXT: everything after the one blank that ends the last word.
    std::string Text() const { return UnescapeText(rest.empty() ? rest : rest.substr(1)); }
};

bool Shown(const vcl::TControl* c) {
    for (; c != nullptr && !vcl::Is<vcl::TCustomForm>(c); c = c->Parent())
        if (!c->Visible()) return false;
    return true;
}

bool Enabled(const vcl::TControl* c) {
    for (; c != nullptr; c = c->Parent())
        if (!c->Enabled()) return false;
    return true;
}

bool ReadOnly(const vcl::TComponent* c) {
    const vcl::TPropInfo* prop = vcl::GetPropInfo(c, "ReadOnly");
    if (prop == nullptr) return false;
    vcl::TValue v = c->ReadProperty(*prop);
    auto* id = std::get_if<vcl::TIdent>(&v);
    return id != nullptr && vcl::SameText(id->name, "True");
}

}  // namespace

TScriptBackend::TScriptBackend(std::string_view script, std::string scriptName, std::ostream& out, std::ostream& err)
    : name_(std::move(scriptName)), out_(out), err_(err) {
    if (script.substr(0, 3) == "\xEF\xBB\xBF") script.remove_prefix(3);  // a UTF-8 mark some editors write
    int number = 0;
    while (!script.empty()) {
        const size_t eol = script.find('\n');
        std::string_view line = script.substr(0, eol);
        script = eol == std::string_view::npos ? std::string_view() : script.substr(eol + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::string_view content = line;
        while (!content.empty() && IsBlank(content.front())) content.remove_prefix(1);
        if (content.empty() || content.front() == '#') continue;
        actions_.push_back({number, std::string(content)});
    }
}

std::unique_ptr<TScriptBackend> TScriptBackend::FromStream(std::istream& in, std::string scriptName, std::ostream& out,
                                                           std::ostream& err) {
    // Read in pieces up to the limit, so that an endless stream is refused, not held.
    std::string text;
    char piece[65536];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        if (text.size() + size_t(in.gcount()) > kMaxScriptSize)
            throw vcl::EInOutError("Script: " + vcl::PrintableText(scriptName) + " is larger than the limit of " +
                                   std::to_string(kMaxScriptSize >> 20) + " MiB");
        text.append(piece, size_t(in.gcount()));
    }
    return std::make_unique<TScriptBackend>(text, std::move(scriptName), out, err);
}

std::unique_ptr<TScriptBackend> TScriptBackend::FromFile(const std::string& path, std::ostream& out, std::ostream& err) {
    if (path == "-") return FromStream(std::cin, "standard input", out, err);
    // A directory, FIFO or device is refused unread, never taken for an empty script.
    std::optional<std::string> text;
    try {
        text = zorbase::ReadWholeFile(path, nullptr, kMaxScriptSize);
    } catch (const vcl::EInOutError& e) {
        throw vcl::EInOutError("Script: " + e.Message());
    }
    if (!text) throw vcl::EInOutError("Script: Cannot read '" + vcl::PrintableText(path) + "': no such file");
    return std::make_unique<TScriptBackend>(*text, path, out, err);
}

void TScriptBackend::Fail(const std::string& reason) const { throw EScriptError(name_, line_, reason); }

void TScriptBackend::Finish() const {
    if (next_ < actions_.size()) throw EScriptError(name_, actions_[next_].line, "no window is open for this action");
}

TModalResult TScriptBackend::RunModal(vcl::TCustomForm& form) {
    // The window leaves the stack however its loop ends, and the action that opened it is
    // the current one again.
    struct Frame {
        TScriptBackend& self;
        int line;
        ~Frame() {
            self.windows_.pop_back();
            self.line_ = line;
        }
    };
    windows_.push_back(&form);
    Frame frame{*this, line_};

    auto* designed = dynamic_cast<vcl::TDesignedForm*>(&form);
    auto closes = [&] {
        if (form.ModalResult() == vcl::mrNone) return false;
        if (designed) designed->CloseModal();
        return form.ModalResult() != vcl::mrNone;
    };
    while (next_ < actions_.size()) {
        const Action& action = actions_[next_++];
        line_ = action.line;
        // Every handler of the window runs from here: an error it raises is the
        // application's to show, and the window stays open for the next line.
        try {
            Perform(action, form);
            if (closes()) return form.ModalResult();
        } catch (const vcl::Exception& e) {
            form.SetModalResult(vcl::mrNone);
            vcl::HandleException(e);
        }
    }
    // The script is over: the frame closes the window, whatever its close handler says.
    form.SetModalResult(vcl::mrCancel);
    closes();
    form.SetModalResult(vcl::mrCancel);
    return vcl::mrCancel;
}

std::optional<std::string> TScriptBackend::AnswerSaveDialog(vcl::TSaveDialog&) {
    if (answers_.empty()) Fail("a save dialog opened, and no earlier save or cancelsave line answers it");
    Answer answer = answers_.front();
    answers_.pop_front();
    return answer.path;
}

void TScriptBackend::ShowException(const vcl::Exception& e) {
    err_ << "error: " << e.ClassName() << ": " << vcl::PrintableText(e.Message()) << "\n";
    err_.flush();
}

int TScriptBackend::MessageBox(const std::string& text, const std::string&, int flags) {
    err_ << "message: " << text << "\n";
    err_.flush();
    const int buttons = flags & 0xF;
    return buttons == vcl::MB_YESNO || buttons == vcl::MB_YESNOCANCEL ? vcl::IDYES : vcl::IDOK;
}

void TScriptBackend::Perform(const Action& action, vcl::TCustomForm& form) {
    Words words{action.text};
    const std::string verb = vcl::LowerCase(words.Next());

    auto number = [&](const char* what) {
        const std::string_view w = words.Next();
        if (w.empty()) Fail(std::string("missing ") + what);
        int value = 0;
        auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), value);
        if (ec != std::errc() || end != w.data() + w.size())
            Fail("'" + std::string(w) + "' is not a number (" + what + ")");
        return value;
    };
    auto nothingMore = [&] {
        const std::string_view extra = TrimBlanks(words.rest);
        if (!extra.empty()) Fail("unexpected '" + std::string(extra) + "' after " + verb);
    };
    auto control = [&](std::string_view name) -> vcl::TComponent* {
        if (name.empty()) Fail(verb + " needs a control name");
        vcl::TComponent* c = form.FindComponent(name);
        if (c == nullptr) Fail("window " + form.ClassName() + " has no control named " + std::string(name));
        return c;
    };
    auto cannot = [&](const vcl::TComponent* c) {
        Fail(c->Name() + " is a " + c->ClassName() + ", which cannot take '" + verb + "'");
    };
    auto usable = [&](const vcl::TControl* c) {
        if (!Shown(c)) Fail(c->Name() + " is not shown");
        if (!Enabled(c)) Fail(c->Name() + " is disabled");
    };
    auto press = [&](std::string_view name) {
        vcl::TComponent* c = control(name);
        auto* button = dynamic_cast<vcl::TButton*>(c);
        if (button == nullptr) cannot(c);
        usable(button);
        button->Click();
    };
    auto gridFor = [&](std::string_view name, const char* option) {
        vcl::TComponent* c = control(name);
        auto* grid = dynamic_cast<vcl::TStringGrid*>(c);
        if (grid == nullptr) cannot(c);
        usable(grid);
        if (!grid->HasOption(option)) Fail(grid->Name() + " does not allow this (" + option + " is off)");
        return grid;
    };
    auto inRange = [&](int value, int low, int high, const char* what) {
        if (value < low || value > high)
            Fail(std::string(what) + " " + std::to_string(value) + " is outside " + std::to_string(low) + ".." +
                 std::to_string(high));
    };

    if (verb == "click") {
        const std::string_view name = words.Next();
        nothingMore();
        press(name);
    } else if (verb == "ok" || verb == "cancel") {
        nothingMore();
        press(verb == "ok" ? "OKBtn" : "CancelBtn");
    } else if (verb == "close") {
        nothingMore();
        if (auto* designed = dynamic_cast<vcl::TDesignedForm*>(&form)) designed->Close();
        else form.SetModalResult(vcl::mrCancel);
    } else if (verb == "select") {
        vcl::TComponent* c = control(words.Next());
        const int n = number("item");
        nothingMore();
        if (auto* outline = dynamic_cast<vcl::TOutline*>(c)) {
            usable(outline);
            inRange(n, 1, outline->ItemCount(), "item");
            outline->SetSelectedItem(n);
            if (outline->OnClick) outline->OnClick(outline);
        } else if (auto* combo = dynamic_cast<vcl::TComboBox*>(c)) {
            usable(combo);
            inRange(n, 0, combo->Items().Count() - 1, "item");
            combo->Choose(n);
        } else {
            cannot(c);
        }
    } else if (verb == "drag" || verb == "rdrag") {
        vcl::TComponent* c = control(words.Next());
        const int from = number("item to drag");
        const int to = number("item to drop on");
        nothingMore();
        auto* outline = dynamic_cast<vcl::TOutline*>(c);
        if (outline == nullptr) cannot(c);
        usable(outline);
        inRange(from, 1, outline->ItemCount(), "item");
        inRange(to, 0, outline->ItemCount(), "item");
        if (!outline->Items(from).IsVisible()) Fail("item " + std::to_string(from) + " is not shown");
        if (to != 0 && !outline->Items(to).IsVisible()) Fail("item " + std::to_string(to) + " is not shown");
        vcl::MouseDrag(*outline, verb == "drag" ? vcl::mbLeft : vcl::mbRight, outline->ItemPoint(from),
                       to == 0 ? outline->EmptyPoint() : outline->ItemPoint(to));
    } else if (verb == "set") {
        vcl::TComponent* c = control(words.Next());
        const std::string text = words.Text();
        if (auto* edit = dynamic_cast<vcl::TEdit*>(c)) {
            usable(edit);
            if (ReadOnly(edit)) Fail(edit->Name() + " is read-only");
            edit->SetText(text);
        } else if (auto* memo = dynamic_cast<vcl::TMemo*>(c)) {
            usable(memo);
            if (ReadOnly(memo)) Fail(memo->Name() + " is read-only");
            memo->SetText(text);
        } else if (auto* check = dynamic_cast<vcl::TCheckBox*>(c)) {
            usable(check);
            if (text != "0" && text != "1") Fail("a check box is set to 1 or 0, not '" + text + "'");
            check->SetChecked(text == "1");
        } else {
            cannot(c);
        }
    } else if (verb == "cell") {
        vcl::TStringGrid* grid = gridFor(words.Next(), "goEditing");
        const int col = number("column");
        const int row = number("row");
        inRange(col, grid->FixedCols(), grid->ColCount() - 1, "column");
        inRange(row, grid->FixedRows(), grid->RowCount() - 1, "row");
        grid->SetCol(col);
        grid->SetRow(row);
        grid->SetCells(col, row, words.Text());
    } else if (verb == "moverow" || verb == "movecol") {
        const bool rows = verb == "moverow";
        vcl::TStringGrid* grid = gridFor(words.Next(), rows ? "goRowMoving" : "goColMoving");
        const int from = number("from");
        const int to = number("to");
        nothingMore();
        const int first = rows ? grid->FixedRows() : grid->FixedCols();
        const int last = (rows ? grid->RowCount() : grid->ColCount()) - 1;
        inRange(from, first, last, rows ? "row" : "column");
        inRange(to, first, last, rows ? "row" : "column");
        if (rows) grid->MoveRow(from, to);
        else grid->MoveColumn(from, to);
    } else if (verb == "colwidth") {
        vcl::TStringGrid* grid = gridFor(words.Next(), "goColSizing");
        const int col = number("column");
        const int pixels = number("width");
        nothingMore();
        inRange(col, 0, grid->ColCount() - 1, "column");
        if (pixels < 0) Fail("a column width cannot be negative");
        grid->SetColWidths(col, pixels);
    } else if (verb == "save") {
        answers_.push_back({action.line, std::string(TrimBlanks(words.rest))});
    } else if (verb == "cancelsave") {
        nothingMore();
        answers_.push_back({action.line, std::nullopt});
    } else if (verb == "geometry") {
        const int left = number("left"), top = number("top"), width = number("width"), height = number("height");
        const int state = number("state");
        nothingMore();
        if (width < 0 || height < 0) Fail("a window cannot have a negative size");
        inRange(state, 0, 2, "state");
        form.SetBounds(left, top, width, height);
        if (auto* designed = dynamic_cast<vcl::TDesignedForm*>(&form)) designed->SetWindowState(vcl::TWindowState(state));
        else if (const vcl::TPropInfo* prop = vcl::GetPropInfo(&form, "WindowState"))
            vcl::SetEnumProp(&form, prop, state == 0 ? "wsNormal" : state == 1 ? "wsMinimized" : "wsMaximized");
    } else if (verb == "dump") {
        const std::string path(TrimBlanks(words.rest));
        if (path.empty()) {
            DumpWindow(form, out_);
            out_.flush();
        } else {
            std::ofstream file(path, std::ios::binary | std::ios::app);
            if (file) DumpWindow(form, file);
            if (!file || !file.flush()) Fail("cannot write the dump to " + path);
        }
    } else {
        Fail("unknown action '" + verb + "'");
    }
}

}  // namespace ui
