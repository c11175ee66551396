// Forms, data modules and frames (the roots that own a design), and the application and
// screen objects of the host.
#pragma once

#include <functional>
#include <string>

#include "host/vcl/Controls.h"

namespace vcl {

class TMainMenu;
class TCustomForm;

enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
                          mrYes = 6, mrNo = 7 };

// Whoever shows windows to a person (a script, a screen) runs a modal window until it is
// closed and gives its modal result. Without one, a window closes at once by its frame.
using TModalRunner = std::function<TModalResult(TCustomForm& form)>;
void SetModalRunner(TModalRunner runner);

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* owner, const TClassInfo* cls = nullptr);

    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu);

    // Shows the window until it is closed; the result is also kept in ModalResult.
    virtual TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult v) { modalResult_ = v; }

protected:
    void Notification(TComponent* component, TOperation operation) override;
    bool ReadNative(std::string_view lname, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view lname, const TPropInfo& prop, const TValue& value) override;

private:
    TMainMenu* menu_ = nullptr;
    TModalResult modalResult_ = mrNone;
};

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* owner, const TClassInfo* cls = nullptr);
};

class TFrame : public TWinControl {
public:
    explicit TFrame(TComponent* owner, const TClassInfo* cls = nullptr);
};

class TDataModule : public TComponent {
public:
    explicit TDataModule(TComponent* owner, const TClassInfo* cls = nullptr);
};

// The host application; its executable's folder is where the settings file lives.
class TApplication : public TComponent {
public:
    TApplication();
    const std::string& ExeName() const { return exeName_; }
    void SetExeName(const std::string& v) { exeName_ = v; }

private:
    std::string exeName_;
};

enum TCursor : int { crDefault = 0, crHourGlass = -11 };

class TScreen {
public:
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c) { cursor_ = c; }

private:
    TCursor cursor_ = crDefault;
};

TApplication* Application();
TScreen* Screen();

}  // namespace vcl
