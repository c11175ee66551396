#include "grid/Hintinfo.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "grid/Hintgrid.h"
#include "host/controls/StdCtrls.h"

namespace tavrin {

tZorHintInfo* ZorHintInfo = nullptr;

namespace {

// The sort keys; caption and hint are read when the row is written. Nothing is cut: a row the
// user leaves alone writes back exactly what it read.
struct HintRec {
    const TComponent* component;
    std::string_view name;  // the component's own, unchanged while the rows are built
    std::string_view className;
    std::string_view parent;  // only when sorting by parent
    int index;
};

// std::string compares bytes as unsigned values, shorter first on a common prefix: capitals
// sort before small letters.
int ByName(const HintRec& a, const HintRec& b) { return a.name.compare(b.name); }

int ByClass(const HintRec& a, const HintRec& b) {
    // Components of one class share its name's bytes: most pairs need no comparing.
    const int c = a.className.data() == b.className.data() ? 0 : a.className.compare(b.className);
    return c != 0 ? c : ByName(a, b);
}

int ByParent(const HintRec& a, const HintRec& b) {
    const int c = a.parent.compare(b.parent);
    return c != 0 ? c : ByClass(a, b);
}

}  // namespace

tZorHintInfo::tZorHintInfo(TComponent*) { HintEd = new THintEd(vcl::Application()); }

tZorHintInfo::~tZorHintInfo() {
    delete HintEd;
    HintEd = nullptr;
}

void tZorHintInfo::categorisecontrols() {
    if (!oktoproceed()) return;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (HasProp(form->Components(i), "hint")) alloclist.Add(tComponentAllocRec::Make(i));
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
    for (int k = 0; k < count; ++k) {
        const TComponent* c = ComponentOf(alloclist[k]);
        records.push_back({c, c->Name(), c->ClassName(), parents.empty() ? std::string_view() : parents[size_t(k)], k});
    }
    int (*compare)(const HintRec&, const HintRec&) = hintsorttype == byname    ? ByName
                                                     : hintsorttype == byclass ? ByClass
                                                                               : ByParent;
    // The order of the records, sorted rather than the records themselves: less to move.
    std::vector<uint32_t> order(records.size());
    for (uint32_t k = 0; k < order.size(); ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return compare(records[a], records[b]) < 0; });
    for (size_t p = 0; p < order.size(); ++p) {
        const HintRec& r = records[order[p]];
        const TComponent* c = r.component;
        HintEd->SetGrid(int(p) + 1, c->Name(), c->ClassName(), getcaption(c), gethint(c), r.index);
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
