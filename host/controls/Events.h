// Events of windows and controls: the handler shapes the platform defines, the slots a
// control offers to a designed form, and what a person's mouse does to a control.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "host/vcl/Classes.h"
#include "host/vcl/StoredObject.h"
#include "host/vcl/SysUtils.h"

namespace vcl {

class TControl;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
using TShiftState = unsigned;
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TDragMode { dmManual, dmAutomatic };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

struct TPoint {
    int X = 0;
    int Y = 0;
};

// Handler shapes. Each has its own number of parameters, so a lambda converts to exactly
// one of them; an end-drag handler (Sender, Target, X, Y) has the drop handler's shape.
using TNotifyEvent = std::function<void(TObject* Sender)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TMovedEvent = std::function<void(TObject* Sender, int FromIndex, int ToIndex)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = TDragDropEvent;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;

// A handler of any shape, as a window's handler table keeps it.
using THandler = std::variant<TNotifyEvent, TCloseEvent, TMovedEvent, TDragDropEvent, TMouseEvent, TDragOverEvent>;
// Where an event of a control keeps its handler.
using TEventSlot = std::variant<std::monostate, TNotifyEvent*, TCloseEvent*, TMovedEvent*, TDragDropEvent*,
                                TMouseEvent*, TDragOverEvent*>;

// The name of a handler shape ("TNotifyEvent", ...), for messages.
const char* HandlerShapeName(const THandler& handler);

// An event of every control: a pointer until a handler is stored, since the controls of a
// user's form (thousands of them) never get one.
template <class F>
class TEvent {
public:
    TEvent() = default;
    TEvent(const TEvent&) = delete;
    template <class G>
        requires(!std::is_same_v<std::remove_cvref_t<G>, TEvent>)
    TEvent& operator=(G&& handler) {
        F f(std::forward<G>(handler));
        if (f)
            Slot() = std::move(f);
        else
            f_.reset();
        return *this;
    }
    explicit operator bool() const { return f_ && *f_; }
    template <class... A>
    void operator()(A&&... args) const {
        (*f_)(std::forward<A>(args)...);
    }
    // Where the handler is kept, made when first asked for.
    F& Slot() {
        if (!f_) f_ = std::make_unique<F>();
        return *f_;
    }

private:
    std::unique_ptr<F> f_;
};

// What a component of a designed window offers beyond its published properties: event
// slots bound by name, and the properties a form file keeps as lists or sub-objects
// (Lines.Strings, Items.Strings, ColWidths, Font.Height), which the model reader skips.
class TEventSource {
public:
    virtual ~TEventSource() = default;

    // The slot of a published event (lower-case name); monostate when there is none.
    virtual TEventSlot FindEvent(std::string_view lname);
    // Stores a handler in its slot. Raises EPropertyError when this class raises no such
    // event or the handler has another shape.
    void BindEvent(std::string_view event, const THandler& handler);

    // A property the model reader skipped (lower-case, dotted name); false when unknown.
    virtual bool ReadDesigned(std::string_view lname, const TStoredValue& value);
    // Called once the whole designed form, skipped properties included, has been read.
    virtual void DesignLoaded() {}
};

// A person's action a control refuses: out of its range, read-only, not allowed by its
// options. The message is the reason, as the person would be told.
TAVRIN_EXCEPTION(EActionRefused, Exception);
// A person's action the control is not made for (typing into a button): the caller, who knows
// what it asked, says so.
TAVRIN_EXCEPTION(EActionNotTaken, Exception);

// The events every control raises, its part in dragging, and what a person can do to it.
class TControlEvents : public TEventSource {
public:
    // What a person does to the control: the script backend and the screen both act through
    // these, so an action has one meaning wherever it comes from. Each control takes the
    // actions it is made for; the rest raise EActionNotTaken. Reach() first refuses a control
    // the person cannot reach.
    virtual void ActClick();
    virtual void ActChoose(int item);  // outline items count from 1, combo box items from 0
    virtual void ActOpen(int item);    // a double click on an outline item
    virtual void ActExpand(int item, bool expanded);
    virtual void ActSet(const std::string& text);  // an edit's or memo's text; a check box: "1" or "0"
    virtual void ActTypeCell(int col, int row, const std::string& text);
    virtual void ActMove(bool rows, int from, int to);  // a grid row or column by its header
    virtual void ActSizeColumn(int col, int width);
    virtual void ActDrag(TMouseButton button, int from, int to);  // an outline item onto another, 0: none

    // The events, made together when one is first asked for: the controls of a user's form
    // (thousands of them) never raise one, and go without their room.
    TEvent<TNotifyEvent>& OnClick() { return Events().onClick; }
    TEvent<TNotifyEvent>& OnDblClick() { return Events().onDblClick; }
    TEvent<TMouseEvent>& OnMouseDown() { return Events().onMouseDown; }
    TEvent<TMouseEvent>& OnMouseUp() { return Events().onMouseUp; }
    TEvent<TDragOverEvent>& OnDragOver() { return Events().onDragOver; }
    TEvent<TDragDropEvent>& OnDragDrop() { return Events().onDragDrop; }
    TEvent<TEndDragEvent>& OnEndDrag() { return Events().onEndDrag; }
    TEvent<TNotifyEvent>& OnEnter() { return Events().onEnter; }
    TEvent<TNotifyEvent>& OnExit() { return Events().onExit; }

    TEventSlot FindEvent(std::string_view lname) override;

    // A handler calls BeginDrag from its mouse-down to start dragging this control. A
    // person's drag here always moves far enough, so a threshold (immediate false) makes
    // no difference.
    void BeginDrag(bool immediate);
    bool Dragging() const { return events_ != nullptr && events_->dragging; }

private:
    friend void MouseDrag(TControl& control, TMouseButton button, TPoint from, TPoint to);
    struct TEvents {
        TEvent<TNotifyEvent> onClick, onDblClick, onEnter, onExit;
        TEvent<TMouseEvent> onMouseDown, onMouseUp;
        TEvent<TDragOverEvent> onDragOver;
        TEvent<TDragDropEvent> onDragDrop;
        TEvent<TEndDragEvent> onEndDrag;
        // Here rather than beside the events: a control in a drag has its events made, and a
        // button is a word smaller.
        bool dragging = false;
    };
    TEvents& Events() {
        if (!events_) events_ = std::make_unique<TEvents>();
        return *events_;
    }
    std::unique_ptr<TEvents> events_;
};

// The control's actions, when a person can reach it: shown (every parent up to the form
// visible) and enabled. EActionRefused otherwise; EActionNotTaken when it raises no events.
TControlEvents& Reach(TComponent& component);
// value outside low..high: EActionRefused naming what it is ("item 7 is outside 1..5").
void CheckActionRange(int value, int low, int high, const char* what);

// A person presses a mouse button at `from` inside the control, moves to `to` (in the same
// control) and releases it. The control's mouse-down runs; when it started a drag (or the
// control drags automatically), the drag-over handler is asked at `from` (entering) and at
// `to` (moving); when the last answer accepts, the drop handler runs at `to`; the end-drag
// handler then runs with the control as target, or null when nothing accepted. Without a
// drag, the mouse-up runs at `to`.
void MouseDrag(TControl& control, TMouseButton button, TPoint from, TPoint to);

// The control's drag mode as designed (DragMode = dmAutomatic drags on any left press).
TDragMode DragModeOf(const TControl& control);

}  // namespace vcl
