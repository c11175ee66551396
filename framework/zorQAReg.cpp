#include "framework/zorQAReg.h"

#include <memory>

#include "toolbase/TavrinQA.h"
#include "framework/AboutPicture.h"
#include "framework/ZorQAEditors.h"
#include "data/mybdetable.h"
#include "host/designer/DesignIntf.h"
#include "host/vcl/Resources.h"

namespace tavrin {

namespace {

template <typename Editor>
designer::TPropertyEditorFactory PropertyEditor() {
    return [](vcl::TPersistent* component, const vcl::TPropInfo* prop) {
        return std::make_unique<Editor>(component, prop);
    };
}

}  // namespace

void Register() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    TTavrinQA::StaticClass();
    vcl::RegisterResource("TTAVRINQA", AboutPicture());
    auto& d = designer::Designer();
    RegisterCatalogueDatasets();
    d.RegisterComponents("Tavrin", {"TTavrinQA", "TSPList", "TDatabaseList", "TTableList", "TFieldList", "TIndexList"});
    d.RegisterPropertyEditor("TComponent", "TTavrinQA", "About", PropertyEditor<TZorAboutParentInfoedit>());
    d.RegisterPropertyEditor("TComponent", "TTavrinQA", "Parentage", PropertyEditor<TZorParentInfoedit>());
    d.RegisterPropertyEditor("TComponent", "TTavrinQA", "Hints", PropertyEditor<TZorHintedit>());
    d.RegisterPropertyEditor("TComponent", "TTavrinQA", "DataInfo", PropertyEditor<TZorDataInfoedit>());
    d.RegisterPropertyEditor("TComponent", "TTavrinQA", "Positions", PropertyEditor<TZorRePosnEdit>());
    d.RegisterPropertyEditor("TComponent", "TTavrinQA", "Tabs", PropertyEditor<TZorTabInfoedit>());
    d.RegisterPropertyEditor("TComponent", "TTavrinQA", "MenuInfo", PropertyEditor<TZorMenuInfoedit>());
    d.RegisterPropertyEditor("TComponent", "TTavrinQA", "AllComponents", PropertyEditor<TZorComponentInfoedit>());
    d.RegisterPropertyEditor("TComponent", "TTavrinQA", "FormData", PropertyEditor<TZorFormdataedit>());
    d.RegisterComponentEditor("TTavrinQA", [](vcl::TComponent* c) { return std::make_unique<TTavrinQAEditor>(c); });
}

}  // namespace tavrin
