// The script backend: an automation script plays the person in front of the windows.
//
// One action per line; a line whose first non-blank character is # is a comment; blank
// lines are skipped. Every action applies to the topmost open window, and the actions are
// read as the windows need them: a window shown modally takes lines until it closes, and a
// dialog that a handler opens inside it takes the next lines first (a nested modal loop).
// A window still open when the script ends is closed by its frame (Cancel).
//
//   click NAME                 press a button (visible and enabled, as a person sees it)
//   ok | cancel                press the window's OKBtn | CancelBtn
//   close                      close the window by its frame
//   select NAME N              outline item N (from 1) | combo box item N (from 0)
//   drag NAME FROM TO          left-button drag of outline item FROM onto item TO (0: none)
//   rdrag NAME FROM TO         the same with the right button
//   set NAME TEXT              type into an edit box or memo | check box: TEXT is 1 or 0
//   cell NAME COL ROW TEXT     type into a grid cell (not a fixed one; the grid must allow editing)
//   moverow|movecol NAME FROM TO, colwidth NAME COL PIXELS   as a person does to a grid
//   save PATH | cancelsave     answer the next save-file dialog
//   geometry LEFT TOP WIDTH HEIGHT STATE   place the window; STATE 0 normal, 1 minimised, 2 maximised
//   dump [PATH]                the window's state (see Dump.h), appended to PATH or to the output
//
// TEXT is the rest of the line after one blank, with \n, \t and \\ standing for a line
// break, a tab and a backslash. Message boxes are answered OK (Yes when they ask), their
// text written to the error stream as "message: TEXT". An error a handler raises is shown
// as the application shows it, "error: ECLASS: MESSAGE" on the error stream, and the window
// stays open for the next line; a script error ends the script.
#pragma once

#include <deque>
#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/ui/Backend.h"

namespace ui {

// A fault in the script itself: an unknown action, a control that is not there or cannot
// take the action, a bad number. The program reports it and exits with status 2.
class EScriptError : public std::runtime_error {
public:
    EScriptError(std::string script, int line, const std::string& reason);
    const std::string& Script() const { return script_; }
    int Line() const { return line_; }
    const std::string& Reason() const { return reason_; }

private:
    std::string script_;
    int line_;
    std::string reason_;
};

// The TEXT of an action: the escapes undone (an unknown escape stays as written).
std::string UnescapeText(std::string_view text);

// Scripts beyond this are refused: a person's script is a few kilobytes, and a generated one
// for the largest forms stays well below it.
inline constexpr size_t kMaxScriptSize = size_t(16) << 20;

class TScriptBackend : public TBackend {
public:
    // scriptName goes into errors; out receives dumps without a path, err the messages.
    TScriptBackend(std::string_view script, std::string scriptName, std::ostream& out, std::ostream& err);
    // Reads the script from a file, or from standard input for "-"; EInOutError when it
    // cannot be read or is no regular file (a directory, a FIFO, a device).
    static std::unique_ptr<TScriptBackend> FromFile(const std::string& path, std::ostream& out, std::ostream& err);
    // Reads the script from a stream to its end; EInOutError beyond kMaxScriptSize.
    static std::unique_ptr<TScriptBackend> FromStream(std::istream& in, std::string scriptName, std::ostream& out,
                                                      std::ostream& err);

    vcl::TModalResult RunModal(vcl::TCustomForm& form) override;
    std::optional<std::string> AnswerSaveDialog(vcl::TSaveDialog& dialog) override;
    int MessageBox(const std::string& text, const std::string& caption, int flags) override;
    void ShowException(const vcl::Exception& e) override;

    // The window the next action applies to; null when none is open.
    vcl::TCustomForm* Topmost() const { return windows_.empty() ? nullptr : windows_.back(); }
    // Raises EScriptError for the first action that no window was open to take.
    void Finish() const;

private:
    struct Action {
        int line;
        std::string text;
    };
    struct Answer {
        int line;
        std::optional<std::string> path;
    };

    void Perform(const Action& action, vcl::TCustomForm& form);
    [[noreturn]] void Fail(const std::string& reason) const;

    std::string name_;
    std::ostream& out_;
    std::ostream& err_;
    std::vector<Action> actions_;
    size_t next_ = 0;
    int line_ = 0;  // the action being performed
    std::vector<vcl::TCustomForm*> windows_;
    std::deque<Answer> answers_;
};

}  // namespace ui
