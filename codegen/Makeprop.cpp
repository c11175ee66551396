#include "codegen/Makeprop.h"

#include <string>

#include "host/vcl/SysUtils.h"

namespace tavrin {

tZorPropMaker* ZorPropMaker = nullptr;

namespace {

// The four properties the generator knows, with the field type each one gets: the type
// follows the property name, never the property's real kind.
struct TPropKind {
    const char* prop;
    const char* type;
};
constexpr TPropKind kItemIndex{"itemindex", "integer"};
constexpr TPropKind kText{"text", "string"};
constexpr TPropKind kValue{"value", "integer"};
constexpr TPropKind kChecked{"checked", "boolean"};

const char* FieldType(const std::string& prop) {
    for (const TPropKind& k : {kItemIndex, kText, kValue, kChecked})
        if (vcl::SameText(prop, k.prop)) return k.type;
    return "";
}

}  // namespace

tZorPropMaker::tZorPropMaker(vcl::TComponent*) : window_(std::make_unique<TMemoWindow>(nullptr)) {
    MemoWindow = window_.get();
}

tZorPropMaker::~tZorPropMaker() {
    // Nothing may reach the window through the global once it is gone.
    if (MemoWindow == window_.get()) MemoWindow = nullptr;
}

void tZorPropMaker::categorisecontrols() {
    if (!oktoproceed()) return;
    vcl::TList<tComponentAllocRec>* lists[] = {&itemindexlist, &alloclist, &valuelist, &checkedlist};
    const TPropKind kinds[] = {kItemIndex, kText, kValue, kChecked};
    TPropertyOf props[] = {TPropertyOf(kinds[0].prop), TPropertyOf(kinds[1].prop), TPropertyOf(kinds[2].prop),
                           TPropertyOf(kinds[3].prop)};
    for (int i = 0; i < form->ComponentCount(); ++i) {
        tComponentAllocRec rec = tComponentAllocRec::Make(i);
        const TComponent* component = form->Components(i);
        // Source cannot name a component without a name (a form file may hold one, such as
        // a nested menu item): its lines would not compile.
        if (component->Name().empty()) continue;
        // The record goes in with its flag clear; the flag only ends the tests.
        for (int k = 0; k < 4 && !rec.allocated; ++k)
            if (props[k].Has(component)) {
                lists[k]->Add(rec);
                rec.allocated = true;
            }
    }
}

void tZorPropMaker::ProcessControls() {
    if (!oktoproceed()) return;
    std::string cls = form->ClassName();
    if (!cls.empty() && (cls[0] == 'T' || cls[0] == 't')) cls.erase(0, 1);
    const std::string base = cls + "Data";

    auto AddPropertyLines = [this](const std::string& prop, const vcl::TList<tComponentAllocRec>& list) {
        if (list.Count() == 0) return;
        const std::string type = FieldType(prop);
        for (const tComponentAllocRec& rec : list) {
            const std::string& name = ComponentOf(rec)->Name();
            const std::string field = "f" + name + "Data";
            recordlines.Add("     " + field + " : " + type + ";");
            setlines.Add("     " + name + "." + prop + " := " + field + ";");
            getlines.Add("     " + field + " := " + name + "." + prop + ";");
        }
    };

    recordlines.Add("T" + base + " = record");
    setlines.Add("Procedure T" + cls + ".set" + base + "( a" + base + " : T" + base + ");");
    setlines.Add("");
    setlines.Add("begin");
    setlines.Add("  with a" + base + " do begin");
    getlines.Add("Function T" + cls + ".get" + base + " : T" + base + ";");
    getlines.Add("");
    getlines.Add("begin");
    getlines.Add("  with result do begin");

    AddPropertyLines(kText.prop, alloclist);
    AddPropertyLines(kItemIndex.prop, itemindexlist);
    AddPropertyLines(kValue.prop, valuelist);
    AddPropertyLines(kChecked.prop, checkedlist);

    recordlines.Add("end;");
    for (vcl::TStringList* routine : {&setlines, &getlines}) {
        routine->Add("  end;");
        routine->Add("end;");
    }

    auto AddAll = [this](const vcl::TStringList& lines) {
        for (int i = 0; i < lines.Count(); ++i) outputlines.Add(lines.Strings(i));
    };
    outputlines.Add("");
    outputlines.Add("Type");
    AddAll(recordlines);
    outputlines.Add("");
    outputlines.Add("Protected");
    outputlines.Add("Procedure set" + base + "( a" + base + " : T" + base + ");");
    outputlines.Add("Function get" + base + " : T" + base + ";");
    outputlines.Add("");
    outputlines.Add("Public");
    outputlines.Add("Property " + base + " : T" + base + "  Read get" + base + " Write set" + base + ";");
    outputlines.Add("");
    outputlines.Add("Implementation");
    outputlines.Add("");
    AddAll(setlines);
    outputlines.Add("");
    AddAll(getlines);
    outputlines.Add("");
}

bool tZorPropMaker::execute() {
    window_->Memo1->Lines().Clear();
    window_->Memo1->Lines().AddStrings(outputlines);
    return window_->ShowModal() == vcl::mrOk;
}

}  // namespace tavrin
