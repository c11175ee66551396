// The print backend, for a run that only shows what a tool found: the first window shown
// writes its view as text to the output and closes with Cancel. The view is the window's
// own text export (its export button is pressed and the save dialog answered with a name
// whose lines are captured and written out: no file is made), or else the lines of its
// memo, or else its dump. Windows opened inside it close at once with Cancel; message
// boxes are answered OK, their text written to the error stream as "message: TEXT".
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "host/ui/Backend.h"

namespace ui {

class TPrintBackend : public TBackend {
public:
    // exportButtons: the names a window's text export button may have, tried in order.
    TPrintBackend(std::ostream& out, std::ostream& err,
                  std::vector<std::string> exportButtons = {"PrintBtn", "TextBtn"});

    vcl::TModalResult RunModal(vcl::TCustomForm& form) override;
    std::optional<std::string> AnswerSaveDialog(vcl::TSaveDialog& dialog) override;
    int MessageBox(const std::string& text, const std::string& caption, int flags) override;

    // Writes the window's view to the output (lines end with a line feed).
    void Print(vcl::TCustomForm& form);

private:
    bool PrintExport(vcl::TCustomForm& form);

    std::ostream& out_;
    std::ostream& err_;
    std::vector<std::string> exportButtons_;
    std::optional<std::string> answer_;  // the next save dialog's file
    int depth_ = 0;
};

}  // namespace ui
