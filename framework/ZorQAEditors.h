// The QA component's editors: its right-click verbs, and the ellipsis buttons of its nine
// properties. Each ends in an entry procedure.
#pragma once

#include <string>

#include "host/controls/Zorabou2.h"
#include "host/designer/DesignIntf.h"

namespace tavrin {

class TTavrinQAEditor : public designer::TComponentEditor {
public:
    using TComponentEditor::TComponentEditor;
    // Verb 0 shows the about box; the others run their tool on the component's owner.
    // An index outside 0..8 runs nothing and has no caption.
    void ExecuteVerb(int index) override;
    std::string GetVerb(int index) override;
    int GetVerbCount() override { return 9; }
};

// The about property opens the about box without reading the property's value.
class TZorAboutParentInfoedit : public zorbase::TZorAboutpropedit {
public:
    using TZorAboutpropedit::TZorAboutpropedit;
    void Edit() override;
};

// The other eight read the property, which is the form under inspection (and makes their
// component's settings current), and run their tool on it.
#define TAVRIN_TOOL_PROPERTY_EDITOR(Name)               \
    class Name : public zorbase::TZorAboutpropedit {    \
    public:                                             \
        using TZorAboutpropedit::TZorAboutpropedit;     \
        void Edit() override;                           \
    }

TAVRIN_TOOL_PROPERTY_EDITOR(TZorParentInfoedit);
TAVRIN_TOOL_PROPERTY_EDITOR(TZorHintedit);
TAVRIN_TOOL_PROPERTY_EDITOR(TZorRePosnEdit);
TAVRIN_TOOL_PROPERTY_EDITOR(TZorTabInfoedit);
TAVRIN_TOOL_PROPERTY_EDITOR(TZorDataInfoedit);
TAVRIN_TOOL_PROPERTY_EDITOR(TZorMenuInfoedit);
TAVRIN_TOOL_PROPERTY_EDITOR(TZorComponentInfoedit);
TAVRIN_TOOL_PROPERTY_EDITOR(TZorFormdataedit);

#undef TAVRIN_TOOL_PROPERTY_EDITOR

}  // namespace tavrin
