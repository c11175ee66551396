#include "framework/ZorQAEditors.h"

#include "framework/cfrminfo.h"

namespace tavrin {

namespace {

using EntryProcedure = void (*)(TComponent*);

struct Verb {
    const char* caption;
    EntryProcedure run;  // null for the about box
};

constexpr Verb kVerbs[] = {
    {"About", nullptr},           {"DataInfo", showDataRelations}, {"Hints", showHints},
    {"MenuInfo", showMenus},      {"Parentage", showparentage},    {"Positions", reposition},
    {"Tabs", showalltabs},        {"All Components", ComponentInfo}, {"Form Data", FormDataProperty},
};

}  // namespace

void TTavrinQAEditor::ExecuteVerb(int index) {
    if (index < 0 || index >= GetVerbCount()) return;
    if (kVerbs[index].run == nullptr) TAVrinQAAbout();
    else kVerbs[index].run(Component()->Owner());
}

std::string TTavrinQAEditor::GetVerb(int index) {
    if (index < 0 || index >= GetVerbCount()) return {};
    return kVerbs[index].caption;
}

void TZorAboutParentInfoedit::Edit() { TAVrinQAAbout(); }

// The property's value, read as the Object Inspector reads an object property.
#define TAVRIN_EDIT_RUNS(Editor, Entry) \
    void Editor::Edit() { Entry(dynamic_cast<TComponent*>(GetObjectValue())); }

TAVRIN_EDIT_RUNS(TZorParentInfoedit, showparentage)
TAVRIN_EDIT_RUNS(TZorHintedit, showHints)
TAVRIN_EDIT_RUNS(TZorRePosnEdit, reposition)
TAVRIN_EDIT_RUNS(TZorTabInfoedit, showalltabs)
TAVRIN_EDIT_RUNS(TZorDataInfoedit, showDataRelations)
TAVRIN_EDIT_RUNS(TZorMenuInfoedit, showMenus)
TAVRIN_EDIT_RUNS(TZorComponentInfoedit, ComponentInfo)
TAVRIN_EDIT_RUNS(TZorFormdataedit, FormDataProperty)

#undef TAVRIN_EDIT_RUNS

}  // namespace tavrin
