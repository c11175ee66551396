#include "host/designer/DesignIntf.h"

namespace designer {

TPropertyEditor::TPropertyEditor(vcl::TPersistent* component, const vcl::TPropInfo* prop)
    : component_(component), prop_(prop) {
    if (component_ == nullptr || prop_ == nullptr) throw vcl::EPropertyError("A property editor needs a property");
}

void TPropertyEditor::SetValue(const std::string&) {
    throw vcl::EPropertyError("Property " + GetName() + " cannot be set from text");
}

void TDesignerRegistry::RegisterComponents(const std::string& page, const std::vector<std::string>& classNames) {
    for (const auto& name : classNames) palette_.push_back({page, name});
}

void TDesignerRegistry::RegisterPropertyEditor(const std::string& propertyType, const std::string& componentClass,
                                               const std::string& propertyName, TPropertyEditorFactory factory) {
    propertyEditors_.push_back({propertyType, componentClass, propertyName, std::move(factory)});
}

void TDesignerRegistry::RegisterComponentEditor(const std::string& componentClass, TComponentEditorFactory factory) {
    componentEditors_.push_back({componentClass, std::move(factory)});
}

std::unique_ptr<TPropertyEditor> TDesignerRegistry::CreatePropertyEditor(vcl::TComponent* component,
                                                                         const std::string& propName) const {
    const vcl::TPropInfo* prop = vcl::GetPropInfo(component, propName);
    if (prop == nullptr) return nullptr;
    for (auto it = propertyEditors_.rbegin(); it != propertyEditors_.rend(); ++it) {
        const bool typeFits = vcl::SameText(it->propertyType, prop->TypeName) ||
                              (prop->PropClass && prop->PropClass->InheritsFrom(it->propertyType));
        if (typeFits && component->InheritsFrom(it->componentClass) &&
            (it->propertyName.empty() || vcl::SameText(it->propertyName, prop->Name)))
            return it->factory(component, prop);
    }
    return nullptr;
}

std::unique_ptr<TComponentEditor> TDesignerRegistry::CreateComponentEditor(vcl::TComponent* component) const {
    for (auto it = componentEditors_.rbegin(); it != componentEditors_.rend(); ++it)
        if (component->InheritsFrom(it->componentClass)) return it->factory(component);
    return std::make_unique<TComponentEditor>(component);
}

TDesignerRegistry& Designer() {
    static TDesignerRegistry registry;
    return registry;
}

}  // namespace designer
