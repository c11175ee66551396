// The file dialogs, message boxes and exception display of the host. Whoever shows windows
// to a person (a script, a screen) answers them through the runners below; without a runner
// a file dialog is cancelled and a message box answers OK at once.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "host/controls/Events.h"
#include "host/vcl/Classes.h"

namespace vcl {

class TSaveDialog;

// The file name a person chose, or nothing when they cancelled.
using TSaveDialogRunner = std::function<std::optional<std::string>(TSaveDialog& dialog)>;
void SetSaveDialogRunner(TSaveDialogRunner runner);

class TOpenDialog : public TComponent, public TEventSource {
public:
    explicit TOpenDialog(TComponent* owner, const TClassInfo* cls = nullptr);

    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& v) { fileName_ = v; }
    const std::string& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string& v) { defaultExt_ = v; }
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& v) { filter_ = v; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& v) { title_ = v; }
    // Whether the published Options set holds that option (ofOverwritePrompt, ...), case
    // ignored.
    bool HasOption(std::string_view name) const;

    // Shows the dialog; true when a file was chosen, which is then in FileName.
    virtual bool Execute();

protected:
    bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;

private:
    std::string fileName_, defaultExt_, filter_, title_;
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* owner, const TClassInfo* cls = nullptr);
    // A chosen name without an extension gets the default extension, as the platform's
    // dialog adds it. With ofOverwritePrompt, choosing a file that exists asks through a
    // message box whether to replace it; No goes back to the choice.
    bool Execute() override;
};

// Message box flags and answers, as the platform numbers them.
enum : int { MB_OK = 0, MB_OKCANCEL = 1, MB_YESNOCANCEL = 3, MB_YESNO = 4, MB_ICONERROR = 0x10,
             MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40 };
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

using TMessageBoxRunner = std::function<int(const std::string& text, const std::string& caption, int flags)>;
void SetMessageBoxRunner(TMessageBoxRunner runner);

// The application's message box: shows text and gives the button pressed.
int MessageBox(const std::string& text, const std::string& caption, int flags = MB_OK);
// A message with an OK button, under the application's title.
void ShowMessage(const std::string& text);

// The application's handler for an exception that an event handler raised while a window
// is open: the person is shown it and the window stays open. Without a runner it is shown
// in an error message box.
using TExceptionRunner = std::function<void(const Exception& e)>;
void SetExceptionRunner(TExceptionRunner runner);
void HandleException(const Exception& e);

}  // namespace vcl
