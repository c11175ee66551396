// The seam between a window and a person: whoever answers the windows (a script now, a
// screen later) implements TBackend, and Install makes every modal window, save-file
// dialog, message box and handler's exception of the host go through it.
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
    // Shows an exception that an event handler raised while a window was open; the window
    // stays open. By default an error message box with the exception's message.
    virtual void ShowException(const vcl::Exception& e);
};

// Routes the host's windows, save dialogs, message boxes and handlers' exceptions to
// backend; null takes the routes away again (windows then close at once with Cancel,
// dialogs are cancelled).
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
