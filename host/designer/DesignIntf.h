// The form designer's extension points: the component palette, property editors that the
// Object Inspector calls, and component editors behind a component's right-click verbs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/vcl/Classes.h"

namespace designer {

enum TPropertyAttribute : unsigned {
    paValueList = 1, paSubProperties = 2, paDialog = 4, paMultiSelect = 8, paAutoUpdate = 16,
    paSortList = 32, paReadOnly = 64, paRevertable = 128
};
using TPropertyAttributes = unsigned;

class TPropertyEditor {
public:
    TPropertyEditor(vcl::TPersistent* component, const vcl::TPropInfo* prop);
    virtual ~TPropertyEditor() = default;

    virtual TPropertyAttributes GetAttributes() const { return paRevertable; }
    virtual std::string GetValue() const { return "(unknown)"; }
    virtual void SetValue(const std::string& value);
    // The ellipsis button; offered when GetAttributes includes paDialog.
    virtual void Edit() {}

    const std::string& GetName() const { return prop_->Name; }
    vcl::TPersistent* GetComponent() const { return component_; }
    const vcl::TPropInfo* GetPropInfo() const { return prop_; }

protected:
    // The property's value read as the Object Inspector reads it.
    int64_t GetOrdValue() const { return vcl::GetOrdProp(component_, prop_); }
    vcl::TObject* GetObjectValue() const { return vcl::GetObjectProp(component_, prop_); }
    std::string GetStrValue() const { return vcl::GetStrProp(component_, prop_); }

private:
    vcl::TPersistent* component_;
    const vcl::TPropInfo* prop_;
};

class TStringProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() const override { return paMultiSelect | paRevertable; }
    std::string GetValue() const override { return GetStrValue(); }
};

class TComponentEditor {
public:
    explicit TComponentEditor(vcl::TComponent* component) : component_(component) {}
    virtual ~TComponentEditor() = default;

    virtual void ExecuteVerb(int) {}
    virtual std::string GetVerb(int) { return {}; }
    virtual int GetVerbCount() { return 0; }
    // A double-click on the component: the first verb, when there is one.
    virtual void Edit() {
        if (GetVerbCount() > 0) ExecuteVerb(0);
    }
    vcl::TComponent* Component() const { return component_; }

private:
    vcl::TComponent* component_;
};

using TPropertyEditorFactory =
    std::function<std::unique_ptr<TPropertyEditor>(vcl::TPersistent*, const vcl::TPropInfo*)>;
using TComponentEditorFactory = std::function<std::unique_ptr<TComponentEditor>(vcl::TComponent*)>;

// What has been registered, in registration order.
struct TPaletteEntry {
    std::string page;
    std::string className;
};
struct TPropertyEditorEntry {
    std::string propertyType;    // e.g. "TComponent"
    std::string componentClass;  // e.g. "TTavrinQA"
    std::string propertyName;
    TPropertyEditorFactory factory;
};
struct TComponentEditorEntry {
    std::string componentClass;
    TComponentEditorFactory factory;
};

class TDesignerRegistry {
public:
    void RegisterComponents(const std::string& page, const std::vector<std::string>& classNames);
    void RegisterPropertyEditor(const std::string& propertyType, const std::string& componentClass,
                                const std::string& propertyName, TPropertyEditorFactory factory);
    void RegisterComponentEditor(const std::string& componentClass, TComponentEditorFactory factory);

    const std::vector<TPaletteEntry>& Palette() const { return palette_; }
    const std::vector<TPropertyEditorEntry>& PropertyEditors() const { return propertyEditors_; }
    const std::vector<TComponentEditorEntry>& ComponentEditors() const { return componentEditors_; }

    // The editor the Object Inspector would use for a component's property (the latest
    // registration for its class or an ancestor wins); null when none is registered.
    std::unique_ptr<TPropertyEditor> CreatePropertyEditor(vcl::TComponent* component, const std::string& propName) const;
    std::unique_ptr<TComponentEditor> CreateComponentEditor(vcl::TComponent* component) const;

private:
    std::vector<TPaletteEntry> palette_;
    std::vector<TPropertyEditorEntry> propertyEditors_;
    std::vector<TComponentEditorEntry> componentEditors_;
};

TDesignerRegistry& Designer();

}  // namespace designer
