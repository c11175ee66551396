// A window built from its designed form text, as the platform builds a form from its
// resource: the controls are created, named and owned by the window, and every event
// property (OnClick = BtnExpandClick) is bound to the window's handler of that name.
//
// A window class registers its handlers, then loads its design, then looks its controls up:
//
//   TFrmInfo::TFrmInfo(vcl::TComponent* owner) : TDesignedForm(owner, "TFrmInfo") {
//       RegisterHandler("BtnExpandClick", [this](vcl::TObject*) { OutlineParent->FullExpand(); });
//       ...
//       LoadDesign(kParento2Dfm, "Parento2.dfm");
//       OutlineParent = Control<vcl::TOutline>("OutlineParent");
//   }
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "host/controls/Canvas.h"
#include "host/controls/Events.h"
#include "host/vcl/Forms.h"

namespace vcl {

enum TWindowState { wsNormal, wsMinimized, wsMaximized };

class TDesignedForm : public TForm, public TEventSource {
public:
    // className: the window's class; declared in the catalogue as a form class when new.
    TDesignedForm(TComponent* owner, std::string_view className);

    // Handlers by name (case ignored, as the platform's method names); a name registered
    // again is replaced.
    void RegisterHandler(const std::string& name, THandler handler);
    bool HasHandler(std::string_view name) const;
    // The handler of that name, of shape F (TNotifyEvent, TMouseEvent, ...), for code that
    // connects events itself; EPropertyError when there is none of that shape.
    template <class F>
    F Handler(std::string_view name) const {
        const THandler& h = FindHandler(name);
        if (auto* f = std::get_if<F>(&h)) return *f;
        throw EPropertyError("Handler " + std::string(name) + " is a " + HandlerShapeName(h));
    }

    // Reads the designed form text into this window and binds its events. Raises
    // EParserError (file, line, column) for a malformed text or a value a control refuses,
    // and EPropertyError when an event names a handler this window has not registered, of
    // another shape, or on a control that raises no such event. Runs OnCreate at the end.
    void LoadDesign(std::string_view text, const std::string& fileName);

    // A component of the window by name, of C++ class T. EComponentError when there is
    // none; EInvalidCast when it is of another class.
    template <class T>
    T* Control(std::string_view name) const {
        TComponent* c = FindComponent(name);
        if (c == nullptr) throw EComponentError(ClassName() + " has no component named " + std::string(name));
        if (auto* t = dynamic_cast<T*>(c)) return t;
        throw EInvalidCast("Invalid class typecast: " + std::string(name) + " is a " + c->ClassName());
    }

    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState v) { windowState_ = v; }

    // The window's font and the canvas that measures text in it.
    TFontDesc& Font() { return canvas_.Font; }
    const TCanvas& Canvas() const { return canvas_; }

    // Closing by the frame: a modal window closes with mrCancel.
    void Close() { SetModalResult(mrCancel); }
    // A modal loop calls this once the window has a modal result: the close handler runs
    // and may keep the window open (caNone), which takes the result back.
    void CloseModal();
    // OnShow and OnActivate run, then the window is shown until it closes.
    TModalResult ShowModal() override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnActivate;
    TCloseEvent OnClose;

    TEventSlot FindEvent(std::string_view lname) override;
    bool ReadDesigned(std::string_view lname, const TStoredValue& value) override;

    // While a design is read, a name another window of the same owner has takes a
    // number (FrmInfo_1), as the platform does for a second instance.
    void SetName(const std::string& newName) override;

protected:
    bool ReadNative(std::string_view lname, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view lname, const TPropInfo& prop, const TValue& value) override;

private:
    const THandler& FindHandler(std::string_view name) const;
    void BindEvents(TComponent& component);

    std::unordered_map<std::string, THandler, CaseInsensitiveHash, CaseInsensitiveEqual> handlers_;
    TWindowState windowState_ = wsNormal;
    TCanvas canvas_;
};

}  // namespace vcl
