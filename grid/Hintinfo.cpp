#include "grid/Hintinfo.h"

#include <algorithm>
#include <string>
#include <vector>

#include "grid/Hintgrid.h"
#include "host/controls/StdCtrls.h"

namespace tavrin {

tZorHintInfo* ZorHintInfo = nullptr;

namespace {

// A row to sort: the component and its place in the list. The keys are read from the
// component, whose name and class stay put while the rows are built; a large form's rows
// would otherwise hold their keys twice over beside the grid's copies.
struct HintRec {
    const TComponent* component;
    int index;  // in the list, and in the parents' texts when sorting by parent
};

// std::string compares bytes as unsigned values, shorter first on a common prefix: capitals
// sort before small letters.
int ByName(const HintRec& a, const HintRec& b) { return a.component->Name().compare(b.component->Name()); }

int ByClass(const HintRec& a, const HintRec& b) {
    // Components of one class share its name: most pairs need no comparing.
    const std::string& x = a.component->ClassName();
    const std::string& y = b.component->ClassName();
    const int c = &x == &y ? 0 : x.compare(y);
    return c != 0 ? c : ByName(a, b);
}

}  // namespace

tZorHintInfo::tZorHintInfo(TComponent*) { HintEd = new THintEd(vcl::Application()); }

tZorHintInfo::~tZorHintInfo() {
    delete HintEd;
    HintEd = nullptr;
}

void tZorHintInfo::categorisecontrols() {
    if (!oktoproceed()) return;
    TPropertyOf hint("hint");
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (hint.Has(form->Components(i))) alloclist.Add(tComponentAllocRec::Make(i));
}

void tZorHintInfo::ProcessControls() {
    // With nothing listed the window still shows the mode's columns, so that what it saves
    // on closing is the hint layout and not the designed grid's.
    HintEd->SetHead();
    const int count = oktoproceed() ? alloclist.Count() : 0;
    HintEd->SetDataRows(count);
    if (count == 0) return;
    std::vector<std::string> parents;
    if (hintsorttype == byhintparent) {
        parents.reserve(size_t(count));
        for (int k = 0; k < count; ++k) parents.push_back(GetParentString(ComponentOf(alloclist[k])));
    }
    std::vector<HintRec> records;
    records.reserve(size_t(count));
    for (int k = 0; k < count; ++k) records.push_back({ComponentOf(alloclist[k]), k});
    const auto byParent = [&parents](const HintRec& a, const HintRec& b) {
        const int c = parents[size_t(a.index)].compare(parents[size_t(b.index)]);
        return c != 0 ? c : ByClass(a, b);
    };
    // The list index breaks ties, as the list order did: no second buffer for a stable sort.
    std::sort(records.begin(), records.end(), [&](const HintRec& a, const HintRec& b) {
        const int c = hintsorttype == byname ? ByName(a, b) : hintsorttype == byclass ? ByClass(a, b) : byParent(a, b);
        return c != 0 ? c < 0 : a.index < b.index;
    });
    TPropertyOf caption("caption"), hint("hint");
    for (size_t p = 0; p < records.size(); ++p) {
        const TComponent* c = records[p].component;
        HintEd->SetGrid(int(p) + 1, *c, caption.String(c), hint.String(c), records[p].index);
    }
}

bool tZorHintInfo::execute() {
    HintEd->SetCaption("Hints for " + NodeID(form));
    const bool ok = HintEd->ShowModal() == vcl::mrOk;
    HintEd->write_ini("Hint Editor");
    if (ok) GetHints();
    return ok;
}

void tZorHintInfo::GetHints() {
    if (!oktoproceed()) return;
    for (int r = 1; r <= alloclist.Count(); ++r) {
        std::string name, hint, caption;
        int index = 0;
        HintEd->getgrid(r, name, hint, caption, index);
        TComponent* c = ComponentOf(alloclist[index]);
        sethint(c, hint);
        c->SetName(name);
        setcaption(c, caption);
    }
}

}  // namespace tavrin
