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
    bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;

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

// A window's place and size on the desktop, its frame included.
struct TWindowPlace {
    int32_t left = 0, top = 0, width = 0, height = 0;
    bool operator==(const TWindowPlace&) const = default;
};

// Where no screen says otherwise, the largest a window may be: a size beyond it is a damaged
// setting, not a window.
inline constexpr int32_t kMaxWindowExtent = 16384;

class TScreen {
public:
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c) { cursor_ = c; }

    // The part of the desktop that windows may take: the screens' free area once a screen
    // is there, else from 0,0 to kMaxWindowExtent either way. Empty restores that.
    const TWindowPlace& WorkArea() const { return workArea_; }
    void SetWorkArea(TWindowPlace area);
    // The place cut to at most the work area's size (a negative size is none) and moved
    // inside it, so that a window kept from elsewhere is seen whole.
    TWindowPlace Fit(TWindowPlace place) const;

private:
    TCursor cursor_ = crDefault;
    TWindowPlace workArea_{0, 0, kMaxWindowExtent, kMaxWindowExtent};
};

TApplication* Application();
TScreen* Screen();

}  // namespace vcl
