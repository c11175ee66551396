#include "host/controls/DesignedForm.h"

#include <functional>

#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/StoredObject.h"

namespace vcl {

namespace {

constexpr const char* kStates[] = {"wsNormal", "wsMinimized", "wsMaximized"};

const TClassInfo* FormClass(std::string_view className) {
    return &ClassCatalogue().Declare(className, "TForm");
}

// The properties the model reader leaves to the file (sub-object properties and lists),
// handed to the component they belong to.
void ReadSkipped(TComponent& root, const TStoredObject& object, bool isRoot) {
    TComponent* component = isRoot ? &root : root.FindComponent(object.Name());
    if (auto* source = dynamic_cast<TEventSource*>(component)) {
        object.ForEachProperty([source](std::string_view name, const TStoredValue& value) {
            if (name.find('.') != std::string_view::npos || value.Kind() == TStoredKind::List)
                source->ReadDesigned(LowerCase(name), value);
        });
    }
    object.ForEachChild([&root](const TStoredObject& child) { ReadSkipped(root, child, false); });
}

void ForEachOwned(TComponent& component, const std::function<void(TComponent&)>& f) {
    for (int i = 0; i < component.ComponentCount(); ++i) {
        TComponent& c = *component.Components(i);
        f(c);
        ForEachOwned(c, f);
    }
}

}  // namespace

TDesignedForm::TDesignedForm(TComponent* owner, std::string_view className) : TForm(owner, FormClass(className)) {}

void TDesignedForm::RegisterHandler(const std::string& name, THandler handler) {
    handlers_.insert_or_assign(name, std::move(handler));
}

bool TDesignedForm::HasHandler(std::string_view name) const { return handlers_.count(std::string(name)) > 0; }

const THandler& TDesignedForm::FindHandler(std::string_view name) const {
    auto it = handlers_.find(std::string(name));
    if (it == handlers_.end()) throw EPropertyError(ClassName() + " has no handler " + std::string(name));
    return it->second;
}

void TDesignedForm::BindEvents(TComponent& component) {
    const std::string who = ClassName() + ": " + (&component == this ? ClassName() : component.Name());
    component.StoredValues().ForEach([&](const TPropInfo& prop, const TValue& value) {
        if (prop.Kind != TTypeKind::tkMethod) return;
        auto* id = std::get_if<TIdent>(&value);
        if (id == nullptr || id->name.empty()) return;
        auto it = handlers_.find(id->name);
        if (it == handlers_.end())
            throw EPropertyError(who + "." + prop.Name + " names the handler " + id->name +
                                 ", which the window does not have");
        auto* source = dynamic_cast<TEventSource*>(&component);
        if (source == nullptr)
            throw EPropertyError(who + "." + prop.Name + ": the host raises no events for class " +
                                 component.ClassName());
        try {
            source->BindEvent(prop.Name, it->second);
        } catch (const EPropertyError& e) {
            throw EPropertyError(who + "." + prop.Name + " = " + id->name + ": " + e.Message());
        }
    });
}

void TDesignedForm::LoadDesign(std::string_view text, const std::string& fileName) {
    ReadDesignedForm(*this, text, fileName, [this](const TStoredObject& object) { ReadSkipped(*this, object, true); });
    designedWidth_ = Width();
    designedHeight_ = Height();
    ForEachOwned(*this, [](TComponent& c) {
        if (auto* source = dynamic_cast<TEventSource*>(&c)) source->DesignLoaded();
    });
    DesignLoaded();
    BindEvents(*this);
    ForEachOwned(*this, [this](TComponent& c) { BindEvents(c); });
    for (const char* name : declared_) Control<TComponent>(name);
    if (OnCreate) OnCreate(this);
}

void TDesignedForm::CloseModal() {
    if (ModalResult() == mrNone) return;
    if (ModalResult() == mrOk) CheckAccepted();
    TCloseAction action = caHide;
    if (OnClose) OnClose(this, action);
    if (action == caNone) SetModalResult(mrNone);
}

TModalResult TDesignedForm::ShowModal() {
    if (OnShow) OnShow(this);
    if (OnActivate) OnActivate(this);
    return TForm::ShowModal();
}

TEventSlot TDesignedForm::FindEvent(std::string_view e) {
    if (e == "oncreate") return &OnCreate;
    if (e == "onshow") return &OnShow;
    if (e == "onactivate") return &OnActivate;
    if (e == "onclose") return &OnClose;
    return TEventSource::FindEvent(e);
}

bool TDesignedForm::ReadDesigned(std::string_view lname, const TStoredValue& value) {
    if (lname == "font.name") Font().Name = value.AsString();
    else if (lname == "font.height") Font().Height = int(value.AsInteger());
    else if (lname == "font.size") Font().Height = -int((value.AsInteger() * 96 + 36) / 72);
    else if (lname == "font.style") {
        Font().Bold = false;
        value.ForEachItem([this](const TStoredValue& item) {
            if (SameText(item.AsIdent(), "fsBold")) Font().Bold = true;
        });
    } else return false;
    return true;
}

void TDesignedForm::SetName(const std::string& newName) {
    std::string name = newName;
    if (Loading() && Owner() != nullptr && !name.empty()) {
        for (int n = 1; Owner()->FindComponent(name) != nullptr && Owner()->FindComponent(name) != this; ++n)
            name = newName + "_" + std::to_string(n);
    }
    TForm::SetName(name);
}

bool TDesignedForm::ReadNative(std::string_view name, const TPropInfo& prop, TValue& out) const {
    if (!NameIs(name, "windowstate")) return TForm::ReadNative(name, prop, out);
    out = TIdent{kStates[windowState_]};
    return true;
}

bool TDesignedForm::WriteNative(std::string_view name, const TPropInfo& prop, TValue& value) {
    if (!NameIs(name, "windowstate")) return TForm::WriteNative(name, prop, value);
    auto* id = std::get_if<TIdent>(&value);
    for (int s = 0; id != nullptr && s < 3; ++s)
        if (SameText(id->name, kStates[s])) {
            windowState_ = TWindowState(s);
            return true;
        }
    throw EPropertyError("Invalid value for property " + prop.Name);
}

}  // namespace vcl
