#include "host/ui/Script.h"

#include <charconv>
#include <fstream>
#include <iostream>
#include <sstream>

#include "host/base/AtomicFile.h"
#include "host/controls/DesignedForm.h"
#include "host/controls/Dialogs.h"
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
    auto control = [&](std::string_view name) -> vcl::TComponent& {
        if (name.empty()) Fail(verb + " needs a control name");
        vcl::TComponent* c = form.FindComponent(name);
        if (c == nullptr) Fail("window " + form.ClassName() + " has no control named " + std::string(name));
        return *c;
    };
    // The control's own action, as a person takes it; what it refuses is a fault of the script.
    auto act = [&](vcl::TComponent& c, auto action) {
        try {
            action(vcl::Reach(c));
        } catch (const vcl::EActionNotTaken&) {
            Fail(c.Name() + " is a " + c.ClassName() + ", which cannot take '" + verb + "'");
        } catch (const vcl::EActionRefused& e) {
            Fail(e.Message());
        }
    };

    if (verb == "click" || verb == "ok" || verb == "cancel") {
        const std::string_view name = verb == "ok" ? "OKBtn" : verb == "cancel" ? "CancelBtn" : words.Next();
        nothingMore();
        act(control(name), [](vcl::TControlEvents& c) { c.ActClick(); });
    } else if (verb == "close") {
        nothingMore();
        if (auto* designed = dynamic_cast<vcl::TDesignedForm*>(&form)) designed->Close();
        else form.SetModalResult(vcl::mrCancel);
    } else if (verb == "select") {
        vcl::TComponent& c = control(words.Next());
        const int n = number("item");
        nothingMore();
        act(c, [n](vcl::TControlEvents& e) { e.ActChoose(n); });
    } else if (verb == "drag" || verb == "rdrag") {
        vcl::TComponent& c = control(words.Next());
        const int from = number("item to drag");
        const int to = number("item to drop on");
        nothingMore();
        const vcl::TMouseButton button = verb == "drag" ? vcl::mbLeft : vcl::mbRight;
        act(c, [&](vcl::TControlEvents& e) { e.ActDrag(button, from, to); });
    } else if (verb == "set") {
        vcl::TComponent& c = control(words.Next());
        const std::string text = words.Text();
        act(c, [&](vcl::TControlEvents& e) { e.ActSet(text); });
    } else if (verb == "cell") {
        vcl::TComponent& c = control(words.Next());
        const int col = number("column");
        const int row = number("row");
        const std::string text = words.Text();
        act(c, [&](vcl::TControlEvents& e) { e.ActTypeCell(col, row, text); });
    } else if (verb == "moverow" || verb == "movecol") {
        vcl::TComponent& c = control(words.Next());
        const int from = number("from");
        const int to = number("to");
        nothingMore();
        act(c, [&](vcl::TControlEvents& e) { e.ActMove(verb == "moverow", from, to); });
    } else if (verb == "colwidth") {
        vcl::TComponent& c = control(words.Next());
        const int col = number("column");
        const int pixels = number("width");
        nothingMore();
        act(c, [&](vcl::TControlEvents& e) { e.ActSizeColumn(col, pixels); });
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
        if (state < 0 || state > 2) Fail("state " + std::to_string(state) + " is outside 0..2");
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
