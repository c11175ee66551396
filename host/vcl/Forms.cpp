#include "host/vcl/Forms.h"

#include "host/vcl/EditSession.h"

#include <algorithm>

#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Menus.h"

namespace vcl {

TCustomForm::TCustomForm(TComponent* owner, const TClassInfo* cls)
    : TWinControl(owner, cls ? cls : ClassByName("TCustomForm")) {}

void TCustomForm::SetMenu(TMainMenu* menu) {
    if (menu == menu_) return;
    Changing();
    if (menu != nullptr && menu->Owner() != this && menu->Owner() != Owner()) menu->FreeNotification(this);
    menu_ = menu;
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove && component == menu_) SetMenu(nullptr);
    TWinControl::Notification(component, operation);
}

bool TCustomForm::ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const {
    if (!NameIs(name, "menu")) return TWinControl::ReadNative(name, prop, out);
    out = TReference{menu_ ? menu_->Name() : std::string(), menu_};
    return true;
}

bool TCustomForm::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (!NameIs(name, "menu")) return TWinControl::WriteNative(name, prop, value);
    TComponent* target = ValueToComponent(value, prop);
    if (target != nullptr && !Is<TMainMenu>(target))
        throw EInvalidCast("Menu must be a main menu, not " + target->ClassName());
    SetMenu(static_cast<TMainMenu*>(target));
    return true;
}

static TModalRunner& Runner() {
    static TModalRunner runner;
    return runner;
}

void SetModalRunner(TModalRunner runner) { Runner() = std::move(runner); }

// Every modal window of the run, whoever answers it, is part of the run's edit session.
TModalResult TCustomForm::ShowModal() {
    modalResult_ = mrNone;
    TEditSession* session = CurrentEditSession();
    if (session != nullptr) session->WindowShown();
    try {
        modalResult_ = Runner() ? Runner()(*this) : mrCancel;
    } catch (...) {
        if (session != nullptr) session->WindowClosed(mrCancel);
        throw;
    }
    if (session != nullptr) session->WindowClosed(modalResult_);
    return modalResult_;
}

TForm::TForm(TComponent* owner, const TClassInfo* cls) : TCustomForm(owner, cls ? cls : ClassByName("TForm")) {}

TFrame::TFrame(TComponent* owner, const TClassInfo* cls) : TWinControl(owner, cls ? cls : ClassByName("TFrame")) {}

TDataModule::TDataModule(TComponent* owner, const TClassInfo* cls)
    : TComponent(owner, cls ? cls : ClassByName("TDataModule")) {}

TApplication::TApplication() : TComponent(nullptr, ClassByName("TApplication")) {}

TApplication* Application() {
    static TApplication application;
    return &application;
}

void TScreen::SetWorkArea(TWindowPlace area) {
    if (area.width <= 0 || area.height <= 0) area = {0, 0, kMaxWindowExtent, kMaxWindowExtent};
    workArea_ = area;
}

TWindowPlace TScreen::Fit(TWindowPlace place) const {
    const TWindowPlace& area = workArea_;
    place.width = std::clamp(place.width, 0, area.width);
    place.height = std::clamp(place.height, 0, area.height);
    place.left = std::clamp(place.left, area.left, area.left + (area.width - place.width));
    place.top = std::clamp(place.top, area.top, area.top + (area.height - place.height));
    return place;
}

TScreen* Screen() {
    static TScreen screen;
    return &screen;
}

}  // namespace vcl
