#include "grid/Allinfo.h"

#include "grid/Hintgrid.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Menus.h"
#include "toolbase/TavrinQA.h"

namespace tavrin {

tZorComponentInfo* ZorComponentInfo = nullptr;

tZorComponentInfo::tZorComponentInfo(TComponent*) { HintEd = new THintEd(vcl::Application()); }

tZorComponentInfo::~tZorComponentInfo() {
    delete HintEd;
    HintEd = nullptr;
}

// A QA component on the form is listed like any other; one dropped for this run only is not:
// it has no name, and a name typed into its row would be lost with it when the run ends, as
// the form never gets it.
void tZorComponentInfo::categorisecontrols() {
    if (!oktoproceed()) return;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        const TComponent* c = form->Components(i);
        if (c == nullptr || vcl::Is<vcl::TControl>(c) || vcl::Is<vcl::TMenuItem>(c)) continue;
        // Its class first: a failed dynamic_cast on each of a large form's components is slow.
        const auto* qa = c->InheritsFrom(&TTavrinQA::StaticClass()) ? dynamic_cast<const TTavrinQA*>(c) : nullptr;
        if (!(qa && qa->ForTheRunOnly())) alloclist.Add(tComponentAllocRec::Make(i));
    }
}

void tZorComponentInfo::ProcessControls() {
    // With nothing listed the window still shows the mode's columns, so that what it saves
    // on closing is the component list layout and not the designed grid's.
    HintEd->SetCOMPHead();
    const int count = oktoproceed() ? alloclist.Count() : 0;
    HintEd->SetDataRows(count);
    for (int k = 0; k < count; ++k) {
        const TComponent* c = ComponentOf(alloclist[k]);
        const auto design = uint32_t(c->DesignInfo());
        HintEd->SetCOMPGrid(k + 1, *c, int32_t(design >> 16), int32_t(design & 0xFFFFu), k);
    }
}

bool tZorComponentInfo::execute() {
    HintEd->SetCaption("Components for " + NodeID(form));
    if (aninifile != nullptr) {
        const zorbase::tinifile::Reading once(*aninifile);
        if (aninifile->sect_exist("Component List")) HintEd->read_ini("Component List");
    }
    const bool ok = HintEd->ShowModal() == vcl::mrOk;
    HintEd->write_ini("Component List");
    if (ok) GetComponentPosns();
    return ok;
}

void tZorComponentInfo::GetComponentPosns() {
    if (!oktoproceed()) return;
    for (int r = 1; r <= alloclist.Count(); ++r) {
        std::string name;
        int32_t top, left;
        int index = 0;
        HintEd->getCOMPGrid(r, name, top, left, index);
        TComponent* c = ComponentOf(alloclist[index]);
        c->SetName(name);
        for (int32_t v : {top, left})
            if (v < 0 || v > 0xFFFF)
                throw vcl::ERangeError("Range check error: the place " + std::to_string(v) + " of " + name +
                                       " is outside 0..65535");
        c->SetDesignInfo(int32_t(uint32_t(left) | uint32_t(top) << 16));
    }
}

}  // namespace tavrin
