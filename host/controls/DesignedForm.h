// A window built from its designed form text, as the platform builds a form from its
// resource: the controls are created, named and owned by the window, and every event
// property (OnClick = BtnExpandClick) is bound to the window's handler of that name.
//
// A window class declares each control and each handler once, by name; the design binds them:
//
//   class TFrmInfo : public vcl::TDesignedForm {
//       TAVRIN_CONTROL(vcl::TOutline, OutlineParent);
//       TAVRIN_HANDLER(BtnExpandClick)(vcl::TObject* Sender);
//   };
//   TFrmInfo::TFrmInfo(vcl::TComponent* owner) : TDesignedForm(owner, "TFrmInfo") {
//       LoadDesign(kParento2Dfm, "Parento2.dfm");  // OutlineParent is set from here on
//   }
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

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

    // Called by the declared controls (TAVRIN_CONTROL).
    void DeclareControl(const char* name) { declared_.push_back(name); }

    // Reads the designed form text into this window, binds its events and sets its declared
    // controls (EComponentError for a declared control the design lacks). Raises
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

    // Still the size the design gave it: no saved place has resized it since.
    bool SizedAsDesigned() const { return Width() == designedWidth_ && Height() == designedHeight_; }

    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState v) { windowState_ = v; }

    // The window's font and the canvas that measures text in it.
    TFontDesc& Font() { return canvas_.Font; }
    const TCanvas& Canvas() const { return canvas_; }

    // A value typed so far that OK would refuse: its control (for a grid, the cell) and why.
    struct TBadValue {
        const TControl* control;
        int col, row;  // the grid's cell; -1 for another control
        std::string reason;
    };
    // Whether the window checks what is typed into it, and what it would refuse now, so that
    // a screen marks a bad value as it is typed rather than at OK.
    virtual bool ChecksValues() const { return false; }
    virtual std::vector<TBadValue> BadValues() const { return {}; }

    // Closing by the frame: a modal window closes with mrCancel.
    void Close() { SetModalResult(mrCancel); }
    // A modal loop calls this once the window has a modal result. An OK is checked first:
    // CheckAccepted raises to refuse it, the window stays open with every edit, and the loop
    // shows the error. Then the close handler runs and may keep the window open (caNone),
    // which takes the result back.
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
    // What must be right before the window may close with OK (a number typed where a number
    // belongs); raise to refuse.
    virtual void CheckAccepted() {}
    bool ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const override;
    bool WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) override;

private:
    const THandler& FindHandler(std::string_view name) const;
    void BindEvents(TComponent& component);

    std::unordered_map<std::string, THandler, CaseInsensitiveHash, CaseInsensitiveEqual> handlers_;
    std::vector<const char*> declared_;
    TWindowState windowState_ = wsNormal;
    int designedWidth_ = 0, designedHeight_ = 0;
    TCanvas canvas_;
};

// A control the window's design holds. Its presence is checked by LoadDesign; its class when
// first used (the check needs the class complete, which a header declaring it need not have).
template <class T>
class TDesignedControl {
public:
    TDesignedControl(TDesignedForm* form, const char* name) : form_(form), name_(name) { form->DeclareControl(name); }
    TDesignedControl(const TDesignedControl&) = delete;
    TDesignedControl& operator=(const TDesignedControl&) = delete;
    T* get() const {
        if (control_ == nullptr) control_ = form_->Control<T>(name_);
        return control_;
    }
    T* operator->() const { return get(); }
    T& operator*() const { return *get(); }
    operator T*() const { return get(); }

private:
    TDesignedForm* form_;
    const char* name_;
    mutable T* control_ = nullptr;
};

// A handler of the window, registered under its method's name when the window is made.
class THandlerBinding {
public:
    template <class C, class... A>
    THandlerBinding(TDesignedForm* form, const char* name, void (C::*method)(A...)) {
        auto* self = static_cast<C*>(form);
        form->RegisterHandler(name, std::function<void(A...)>([self, method](A... a) { (self->*method)(a...); }));
    }
};

}  // namespace vcl

// Inside a class derived from TDesignedForm: the member Name, the design's control Name.
#define TAVRIN_CONTROL(Type, Name) ::vcl::TDesignedControl<Type> Name{this, #Name}
// Inside such a class, before the parameter list of a handler method: the method, and its
// registration under its own name. TAVRIN_HANDLER(OKBtnClick)(vcl::TObject* Sender);
#define TAVRIN_HANDLER(Name)                                                                         \
    ::vcl::THandlerBinding Name##Binding_{this, #Name, &std::remove_pointer_t<decltype(this)>::Name}; \
    void Name
