// The form data code generator: Pascal source for a record with one field per input control
// of the form, a set procedure and a get function that move the controls' values into and
// out of it, and the property that joins them. The form is only read.
#pragma once

#include <memory>

#include "codegen/Memownd.h"
#include "toolbase/Infobase.h"

namespace tavrin {

class tZorPropMaker : public tZorFrmInfo {
public:
    // The property values window is made here, without an owner, and kept in MemoWindow.
    explicit tZorPropMaker(vcl::TComponent* owner);
    ~tZorPropMaker() override;

    // alloclist (inherited) holds the components taken for "text".
    vcl::TList<tComponentAllocRec> itemindexlist;
    vcl::TList<tComponentAllocRec> checkedlist;
    vcl::TList<tComponentAllocRec> valuelist;
    vcl::TStringList recordlines;
    vcl::TStringList setlines;
    vcl::TStringList getlines;
    vcl::TStringList outputlines;

    // Every named component of the form, visual or not, goes to the list of the first of
    // "itemindex", "text", "value", "checked" that its class publishes, or to none.
    void categorisecontrols() override;
    // The whole text into outputlines; groups in the order text, itemindex, value, checked.
    void ProcessControls() override;
    // Shows the text in the window; the form is left as it was.
    bool execute() override;

private:
    std::unique_ptr<TMemoWindow> window_;
};

// The running generator; null outside a run.
extern tZorPropMaker* ZorPropMaker;

}  // namespace tavrin
