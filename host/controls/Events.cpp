#include "host/controls/Events.h"

#include "host/vcl/Controls.h"
#include "host/vcl/Forms.h"

namespace vcl {

namespace {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

const char* ShapeOf(const TEventSlot& slot) {
    return std::visit(Overloaded{[](std::monostate) { return "none"; },
                                 [](TNotifyEvent*) { return "TNotifyEvent"; },
                                 [](TCloseEvent*) { return "TCloseEvent"; },
                                 [](TMovedEvent*) { return "TMovedEvent"; },
                                 [](TDragDropEvent*) { return "TDragDropEvent"; },
                                 [](TMouseEvent*) { return "TMouseEvent"; },
                                 [](TDragOverEvent*) { return "TDragOverEvent"; }},
                      slot);
}

}  // namespace

const char* HandlerShapeName(const THandler& handler) {
    return std::visit(Overloaded{[](const TNotifyEvent&) { return "TNotifyEvent"; },
                                 [](const TCloseEvent&) { return "TCloseEvent"; },
                                 [](const TMovedEvent&) { return "TMovedEvent"; },
                                 [](const TDragDropEvent&) { return "TDragDropEvent"; },
                                 [](const TMouseEvent&) { return "TMouseEvent"; },
                                 [](const TDragOverEvent&) { return "TDragOverEvent"; }},
                      handler);
}

TEventSlot TEventSource::FindEvent(std::string_view) { return {}; }

void TEventSource::BindEvent(std::string_view event, const THandler& handler) {
    TEventSlot slot = FindEvent(LowerCase(event));
    if (std::holds_alternative<std::monostate>(slot))
        throw EPropertyError("The host raises no event " + std::string(event) + " for this control");
    // The slot and the handler must have the same alternative (same place in both lists).
    if (slot.index() != handler.index() + 1)
        throw EPropertyError("Event " + std::string(event) + " takes a " + ShapeOf(slot) + " handler, not a " +
                             HandlerShapeName(handler));
    std::visit(Overloaded{[](std::monostate) {},
                          [&](auto* target) {
                              using T = std::remove_pointer_t<decltype(target)>;
                              *target = std::get<T>(handler);
                          }},
               slot);
}

bool TEventSource::ReadDesigned(std::string_view, const TStoredValue&) { return false; }

TEventSlot TControlEvents::FindEvent(std::string_view e) {
    if (e == "onclick") return &OnClick().Slot();
    if (e == "ondblclick") return &OnDblClick().Slot();
    if (e == "onmousedown") return &OnMouseDown().Slot();
    if (e == "onmouseup") return &OnMouseUp().Slot();
    if (e == "ondragover") return &OnDragOver().Slot();
    if (e == "ondragdrop") return &OnDragDrop().Slot();
    if (e == "onenddrag") return &OnEndDrag().Slot();
    if (e == "onenter") return &OnEnter().Slot();
    if (e == "onexit") return &OnExit().Slot();
    return TEventSource::FindEvent(e);
}

void TControlEvents::BeginDrag(bool) { Events().dragging = true; }

void TControlEvents::ActClick() { throw EActionNotTaken("click"); }
void TControlEvents::ActChoose(int) { throw EActionNotTaken("choose"); }
void TControlEvents::ActOpen(int) { throw EActionNotTaken("open"); }
void TControlEvents::ActExpand(int, bool) { throw EActionNotTaken("expand"); }
void TControlEvents::ActSet(const std::string&) { throw EActionNotTaken("set"); }
void TControlEvents::ActTypeCell(int, int, const std::string&) { throw EActionNotTaken("cell"); }
void TControlEvents::ActMove(bool, int, int) { throw EActionNotTaken("move"); }
void TControlEvents::ActSizeColumn(int, int) { throw EActionNotTaken("colwidth"); }
void TControlEvents::ActDrag(TMouseButton, int, int) { throw EActionNotTaken("drag"); }

TControlEvents& Reach(TComponent& component) {
    auto* control = dynamic_cast<TControl*>(&component);
    auto* events = dynamic_cast<TControlEvents*>(&component);
    if (control == nullptr || events == nullptr) throw EActionNotTaken("any action");
    for (const TControl* c = control; c != nullptr && !Is<TCustomForm>(c); c = c->Parent())
        if (!c->Visible()) throw EActionRefused(control->Name() + " is not shown");
    for (const TControl* c = control; c != nullptr; c = c->Parent())
        if (!c->Enabled()) throw EActionRefused(control->Name() + " is disabled");
    return *events;
}

void CheckActionRange(int value, int low, int high, const char* what) {
    if (value < low || value > high)
        throw EActionRefused(std::string(what) + " " + std::to_string(value) + " is outside " + std::to_string(low) +
                             ".." + std::to_string(high));
}

TDragMode DragModeOf(const TControl& control) {
    const TPropInfo* prop = GetPropInfo(&control, "DragMode");
    if (prop == nullptr) return dmManual;
    TValue v = control.ReadProperty(*prop);
    auto* id = std::get_if<TIdent>(&v);
    return id && SameText(id->name, "dmAutomatic") ? dmAutomatic : dmManual;
}

void MouseDrag(TControl& control, TMouseButton button, TPoint from, TPoint to) {
    auto* events = dynamic_cast<TControlEvents*>(&control);
    if (events == nullptr) return;  // a control that raises no events ignores the mouse
    bool& dragging = events->Events().dragging;
    dragging = false;
    if (events->OnMouseDown()) events->OnMouseDown()(&control, button, 0, from.X, from.Y);
    if (button == mbLeft && DragModeOf(control) == dmAutomatic) dragging = true;
    if (!dragging) {
        if (events->OnMouseUp()) events->OnMouseUp()(&control, button, 0, to.X, to.Y);
        return;
    }
    // Whatever a handler raises, the drag is over afterwards.
    struct EndDrag {
        bool& dragging;
        ~EndDrag() { dragging = false; }
    } end{dragging};
    bool accept = false;
    auto over = [&](TPoint at, TDragState state) {
        accept = false;
        if (events->OnDragOver()) {
            accept = true;
            events->OnDragOver()(&control, &control, at.X, at.Y, state, accept);
        }
    };
    over(from, dsDragEnter);
    over(to, dsDragMove);
    if (accept && events->OnDragDrop()) events->OnDragDrop()(&control, &control, to.X, to.Y);
    if (events->OnEndDrag()) events->OnEndDrag()(&control, accept ? &control : nullptr, to.X, to.Y);
}

}  // namespace vcl
