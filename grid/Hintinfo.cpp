#include "grid/Hintinfo.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "grid/Hintgrid.h"
#include "grid/SortKeys.h"
#include "host/controls/StdCtrls.h"

namespace tavrin {

tZorHintInfo* ZorHintInfo = nullptr;

namespace {

// A row to sort by its keys: the first, by class or by parent and class, is a rank among those
// texts; the name's first bytes decide most comparisons of names. A large form's rows each
// hold 32 bytes while sorted.
struct HintRec {
    TextPrefix name;
    uint64_t group;
    int32_t index;  // in the list
};

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
    // Class names told apart by where they are: the components of one class share its name.
    std::unordered_map<const std::string*, uint32_t> classAt;
    std::vector<std::string_view> classNames;
    std::vector<HintRec> records;
    records.reserve(size_t(count));
    for (int k = 0; k < count; ++k) {
        const TComponent* c = ComponentOf(alloclist[k]);
        const auto [at, added] = classAt.try_emplace(&c->ClassName(), uint32_t(classNames.size()));
        if (added) classNames.push_back(c->ClassName());
        records.push_back({TextPrefix::Of(c->Name()), hintsorttype == byname ? 0 : at->second, k});
    }
    if (hintsorttype != byname) {
        const std::vector<uint32_t> classRanks = RanksOf(classNames);
        for (HintRec& r : records) r.group = classRanks[r.group];
    }
    if (hintsorttype == byhintparent) {
        std::vector<std::string> parents;
        parents.reserve(size_t(count));
        for (const HintRec& r : records) parents.push_back(GetParentString(ComponentOf(alloclist[r.index])));
        const std::vector<uint32_t> parentRanks = RanksOf({parents.begin(), parents.end()});
        for (HintRec& r : records) r.group += uint64_t(parentRanks[size_t(r.index)]) * classNames.size();
    }
    // std::string compares bytes as unsigned values, shorter first on a common prefix: capitals
    // sort before small letters. The list index breaks ties, as the list order did. Merged though
    // no order is left to keep: names come in long runs in name order, which a partitioning
    // sort's pivots guessed badly (32,767 names took it to its fallback heap sort); merging them
    // takes a quarter of the time, for a buffer of half the rows while it runs.
    std::stable_sort(records.begin(), records.end(), [this](const HintRec& a, const HintRec& b) {
        if (a.group != b.group) return a.group < b.group;
        int c = a.name.Compare(b.name);
        if (c == 0) c = ComponentOf(alloclist[a.index])->Name().compare(ComponentOf(alloclist[b.index])->Name());
        return c != 0 ? c < 0 : a.index < b.index;
    });
    TPropertyOf caption("caption"), hint("hint");
    std::string captionRead, hintRead;
    for (size_t p = 0; p < records.size(); ++p) {
        const TComponent* c = ComponentOf(alloclist[records[p].index]);
        HintEd->SetGrid(int(p) + 1, *c, caption.Text(c, captionRead), hint.Text(c, hintRead), records[p].index);
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
