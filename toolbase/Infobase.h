// What every inspection tool shares: the text that names a component in an outline, the
// published-property helpers that never fail, and the base class of the tools.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "host/base/Zorifile.h"
#include "host/vcl/Classes.h"
#include "host/controls/DesignedForm.h"
#include "host/controls/Lines.h"

namespace tavrin {

using vcl::TComponent;

// The settings file every tool window reads and writes; set by the QA component.
extern zorbase::tinifile* aninifile;

// "Name : ClassName;" -- the empty string for no component.
std::string NodeID(const TComponent* component);
// The same into out, replacing what it held: a tree of tens of thousands of items makes its
// texts in one buffer rather than each in a string of its own.
void NodeIDInto(std::string& out, const TComponent* component);
// The inverse of NodeID: split at the first " : ", the closing ";" dropped. Both outputs
// are cleared first and stay empty when id holds no separator.
void classnamefromid(std::string_view id, std::string& name, std::string& className);
// NodeID of the control's parent or the menu item's parent item; otherwise empty.
std::string GetParentString(const TComponent* component);
// A notebook page caption made into a component name: without white space when that is
// an identifier, else "InvalidPageName_" and the next value of the current run's counter.
// The counter runs 0, 1 ... 9 and then on in decimal (10, 11 ...), so every name it gives
// is a valid identifier and none repeats within a run.
std::string valid_componentname(const std::string& caption);

// What the tools keep for one run on one form: the counter of the names given to unnamed
// pages, so that a form's names never depend on the forms opened before it. A run made
// inside another is current until it ends; with none made, one for the whole process is.
class TToolRun {
public:
    TToolRun();
    ~TToolRun();
    TToolRun(const TToolRun&) = delete;
    TToolRun& operator=(const TToolRun&) = delete;

    static TToolRun& Current();
    int pageNames = 0;

private:
    struct Detached {};
    explicit TToolRun(Detached) : previous_(nullptr) {}
    TToolRun* previous_;
};

// The date and time a text export is stamped with, as the platform's DateTimeToStr renders
// it (short date, a blank, long time): now, in local time; or, when SOURCE_DATE_EPOCH is
// set (seconds since 1970), that time in UTC, so that exports can be compared.
// EConvertError for a SOURCE_DATE_EPOCH that is no whole number of seconds.
std::string ExportDateTime();

// A tool window's text export to path: its caption and date as the heading lines, then what
// lines writes. The date is asked before the file is made, so a refused one writes nothing.
void WriteExport(const std::string& path, const std::string& caption,
                 const std::function<void(vcl::TLineWriter& out)>& lines);

// A tool window's place, size and state in its settings section ("Window Left", "Window Top",
// "Window Width", "Window Height", "State"); nothing without a settings file. A state that
// is no window state reads as maximised.
void ReadWindowPlace(vcl::TDesignedForm& window, const std::string& section);
void WriteWindowPlace(const vcl::TDesignedForm& window, const std::string& section);

// Published properties by name, case ignored. A missing property, or one of another kind,
// reads as empty (or none) and is not written; nothing here raises for it.
bool HasProp(const TComponent* component, const std::string& propName);
std::string MyGetStringProp(const TComponent* component, const std::string& propName);
void MySetStringProp(TComponent* component, const std::string& propName, const std::string& value);
vcl::TObject* MyGetObjectProp(const TComponent* component, const std::string& propName);

// A control's or menu item's caption or hint, as the field it keeps it in (what its
// property reads); none for any other component.
std::optional<std::string_view> OwnCaption(const TComponent& component);
std::optional<std::string_view> OwnHint(const TComponent& component);

// One published property by name, asked of the components of one form in turn: the answer
// depends on the class alone and a form's components come in runs of one class, so the name
// is looked up once a run. For one pass over a form, while no class learns a property.
class TPropertyOf {
public:
    explicit TPropertyOf(std::string name);
    const vcl::TPropInfo* Of(const TComponent* component);
    bool Has(const TComponent* component) { return Of(component) != nullptr; }
    // As MyGetStringProp.
    std::string String(const TComponent* component);
    // The same text, as a view of the component's own field where a control or a menu item
    // keeps its caption or hint (a large form's rows then copy none), else read into scratch.
    std::string_view Text(const TComponent* component, std::string& scratch);

private:
    std::string name_;
    enum class Field { kOther, kCaption, kHint } field_;
    const vcl::TClassInfo* class_ = nullptr;
    const vcl::TPropInfo* prop_ = nullptr;
};

std::string gethint(const TComponent* component);
void sethint(TComponent* component, const std::string& value);
std::string getcaption(const TComponent* component);
void setcaption(TComponent* component, const std::string& value);

// One component a tool works on: its index in the form's component list and whether the
// tool has placed it yet.
struct tComponentAllocRec {
    int16_t index = 0;
    bool allocated = false;

    // The index must fit 16 bits signed; anything else raises ERangeError.
    static tComponentAllocRec Make(int componentIndex);
};

// The base of every inspection tool. The driver sets form, then calls the three
// operations in this order.
class tZorFrmInfo : public vcl::TObject {
public:
    vcl::TList<tComponentAllocRec> alloclist;
    int32_t alloccount = 0;
    TComponent* form = nullptr;

    // Every control of the form, in component order.
    virtual void categorisecontrols();
    virtual void ProcessControls() = 0;
    // Shows the window modally and applies what was accepted; true after OK.
    virtual bool execute() = 0;

    bool oktoproceed() const { return form != nullptr; }
    // The component a record names.
    TComponent* ComponentOf(const tComponentAllocRec& rec) const { return form->Components(rec.index); }
};

}  // namespace tavrin
