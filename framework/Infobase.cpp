#include "framework/Infobase.h"

#include "host/base/Zormanip.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Menus.h"

namespace tavrin {

zorbase::tinifile* aninifile = nullptr;

namespace {
const std::string kSeparator = " : ";
int pageNameCounter = 0;
}  // namespace

std::string NodeID(const TComponent* component) {
    if (component == nullptr) return {};
    return component->Name() + kSeparator + component->ClassName() + ";";
}

void classnamefromid(const std::string& id, std::string& name, std::string& className) {
    name.clear();
    className.clear();
    const size_t at = id.find(kSeparator);
    if (at == std::string::npos) return;
    name = id.substr(0, at);
    className = id.substr(at + kSeparator.size());
    if (!className.empty()) className.pop_back();
}

std::string GetParentString(const TComponent* component) {
    if (auto* control = dynamic_cast<const vcl::TControl*>(component)) return NodeID(control->Parent());
    if (auto* item = dynamic_cast<const vcl::TMenuItem*>(component)) return NodeID(item->Parent());
    return {};
}

std::string valid_componentname(const std::string& caption) {
    std::string name = zorbase::erase_white(caption);
    if (vcl::IsValidIdent(name)) return name;
    return "InvalidPageName_" + std::to_string(pageNameCounter++);
}

void ResetPageNameCounter() { pageNameCounter = 0; }

static const vcl::TPropInfo* PropOf(const TComponent* component, const std::string& propName) {
    return component == nullptr ? nullptr : vcl::GetPropInfo(component, propName);
}

bool HasProp(const TComponent* component, const std::string& propName) {
    return PropOf(component, propName) != nullptr;
}

std::string MyGetStringProp(const TComponent* component, const std::string& propName) {
    const vcl::TPropInfo* prop = PropOf(component, propName);
    if (prop == nullptr || !vcl::IsStringKind(prop->Kind)) return {};
    return vcl::GetStrProp(component, prop);
}

void MySetStringProp(TComponent* component, const std::string& propName, const std::string& value) {
    const vcl::TPropInfo* prop = PropOf(component, propName);
    if (prop == nullptr || !vcl::IsStringKind(prop->Kind)) return;
    vcl::SetStrProp(component, prop, value);
}

vcl::TObject* MyGetObjectProp(const TComponent* component, const std::string& propName) {
    const vcl::TPropInfo* prop = PropOf(component, propName);
    if (prop == nullptr || prop->Kind != vcl::TTypeKind::tkClass) return nullptr;
    return vcl::GetObjectProp(component, prop);
}

std::string gethint(const TComponent* component) { return MyGetStringProp(component, "hint"); }
void sethint(TComponent* component, const std::string& value) { MySetStringProp(component, "hint", value); }
std::string getcaption(const TComponent* component) { return MyGetStringProp(component, "caption"); }
void setcaption(TComponent* component, const std::string& value) { MySetStringProp(component, "caption", value); }

tComponentAllocRec tComponentAllocRec::Make(int componentIndex) {
    if (componentIndex < INT16_MIN || componentIndex > INT16_MAX)
        throw vcl::ERangeError("Range check error: component index " + std::to_string(componentIndex) +
                               " does not fit a tool record");
    return {static_cast<int16_t>(componentIndex), false};
}

void tZorFrmInfo::categorisecontrols() {
    if (!oktoproceed()) return;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (vcl::Is<vcl::TControl>(form->Components(i))) alloclist.Add(tComponentAllocRec::Make(i));
}

}  // namespace tavrin
