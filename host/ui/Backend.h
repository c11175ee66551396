// The seam between a window and a person: whoever answers the windows (a script now, a
// screen later) implements TBackend, and Install makes every modal window, save-file
// dialog and message box of the host go through it.
#pragma once

#include <optional>
#include <string>

#include "host/vcl/Forms.h"

namespace vcl {
class TSaveDialog;
}

namespace ui {

class TBackend {
public:
    virtual ~TBackend() = default;
    // Shows a modal window until it closes; gives its modal result.
    virtual vcl::TModalResult RunModal(vcl::TCustomForm& form) = 0;
    // Answers a save-file dialog: the file name chosen, or nothing for Cancel.
    virtual std::optional<std::string> AnswerSaveDialog(vcl::TSaveDialog& dialog) = 0;
    // Shows a message box; gives the button pressed (vcl::IDOK, ...).
    virtual int MessageBox(const std::string& text, const std::string& caption, int flags) = 0;
};

// Routes the host's windows, save dialogs and message boxes to backend; null takes the
// routes away again (windows then close at once with Cancel, dialogs are cancelled).
void Install(TBackend* backend);

// Installs a backend for as long as it lives.
class TInstalled {
public:
    explicit TInstalled(TBackend& backend) { Install(&backend); }
    ~TInstalled() { Install(nullptr); }
    TInstalled(const TInstalled&) = delete;
    TInstalled& operator=(const TInstalled&) = delete;
};

}  // namespace ui
