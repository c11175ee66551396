#include "grid/Reposn.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "grid/Hintgrid.h"
#include "grid/SortKeys.h"
#include "host/controls/Grids.h"
#include "host/vcl/Controls.h"

namespace tavrin {

tZorRepositioner* ZorRepositioner = nullptr;

namespace {

// A row's sort keys in two numbers that compare as the keys do, in the chosen order: the parent
// (its text's rank among the parents' texts), top and left, and last the list index, which
// breaks ties as the list order did. A large form's rows each hold 16 bytes while sorted, and
// the sort compares them without a call.
struct PosnRec {
    uint64_t high, low;

    // Signed places as unsigned numbers of the same order.
    static uint64_t Ordered(int32_t v) { return uint32_t(v) ^ 0x80000000u; }
    static PosnRec Make(txysorttype order, uint32_t parent, int32_t top, int32_t left, int32_t index) {
        switch (order) {
            case byleft: return {Ordered(left), uint32_t(index)};
            case bytopleft: return {Ordered(top), Ordered(left) << 32 | uint32_t(index)};
            default: return {uint64_t(parent) << 32 | Ordered(top), Ordered(left) << 32 | uint32_t(index)};
        }
    }
    int32_t Index() const { return int32_t(uint32_t(low)); }
    // In the parent order, the parent's number is the high word's upper half.
    uint32_t Parent() const { return uint32_t(high >> 32); }
    void SetParent(uint32_t parent) { high = uint64_t(parent) << 32 | uint32_t(high); }
    bool operator<(const PosnRec& o) const { return high != o.high ? high < o.high : low < o.low; }
};

struct Place {
    int32_t top, left, width, height;
};

Place PlaceOf(const vcl::TControl& c) {
    if (const auto placed = vcl::PlacedByParent(c)) return {placed->top, placed->left, placed->width, placed->height};
    return {c.Top(), c.Left(), c.Width(), c.Height()};
}

}  // namespace

tZorRepositioner::tZorRepositioner(TComponent*) {
    HintEd = new THintEd(vcl::Application());
    xysorttype = byparent;
    vcl::SetWindowPicture(HintEd, [this] { return Picture(); });
}

tZorRepositioner::~tZorRepositioner() {
    vcl::SetWindowPicture(HintEd, nullptr);
    delete HintEd;
    HintEd = nullptr;
}

void tZorRepositioner::ProcessControls() {
    // With nothing listed the window still shows the mode's columns, so that what it saves
    // on closing is the position layout and not the designed grid's.
    HintEd->SetXYHead();
    const int count = oktoproceed() ? alloclist.Count() : 0;
    HintEd->SetDataRows(count);
    if (count == 0) return;
    // Each parent's node identifier, made once (textOf: where in texts); in the parent order the
    // records take its place in texts, then its rank.
    std::unordered_map<const vcl::TWinControl*, uint32_t> textOf;
    std::vector<std::string> texts;
    std::vector<uint32_t> textAt(static_cast<size_t>(count));  // by list index
    std::vector<Place> places(static_cast<size_t>(count));     // by list index: found once
    std::vector<PosnRec> records;
    records.reserve(size_t(count));
    for (int k = 0; k < count; ++k) {
        const auto* c = vcl::As<vcl::TControl>(ComponentOf(alloclist[k]));
        const auto [at, added] = textOf.try_emplace(c->Parent(), uint32_t(texts.size()));
        if (added) texts.push_back(NodeID(c->Parent()));
        textAt[size_t(k)] = at->second;
        const Place& place = places[size_t(k)] = PlaceOf(*c);
        records.push_back(PosnRec::Make(xysorttype, at->second, place.top, place.left, k));
    }
    if (xysorttype == byparent) {
        const std::vector<uint32_t> rankOfText = RanksOf({texts.begin(), texts.end()});
        for (PosnRec& r : records) r.SetParent(rankOfText[r.Parent()]);
    }
    // Merged: rows come in runs in place order, which a partitioning sort's pivots guessed badly;
    // merging them takes a quarter of the time, for a buffer of half the rows while it runs.
    std::stable_sort(records.begin(), records.end());
    TPropertyOf caption("caption");
    std::string captionRead;
    for (size_t p = 0; p < records.size(); ++p) {
        const int32_t index = records[p].Index();
        const auto* c = vcl::As<vcl::TControl>(ComponentOf(alloclist[index]));
        const Place& place = places[size_t(index)];
        HintEd->SetXYGrid(int(p) + 1, *c, texts[textAt[size_t(index)]], caption.Text(c, captionRead), place.top,
                          place.left, place.width, place.height, index);
    }
}

bool tZorRepositioner::execute() {
    HintEd->SetCaption("Positions for " + NodeID(form));
    const bool ok = HintEd->ShowModal() == vcl::mrOk;
    HintEd->write_ini("Position Editor");
    if (ok) GetPosns();
    return ok;
}

void tZorRepositioner::GetPosns() {
    if (!oktoproceed()) return;
    for (int r = 1; r <= alloclist.Count(); ++r) {
        std::string name, caption;
        int32_t top, left, width, height;
        int index = 0;
        HintEd->getXYGrid(r, name, caption, top, left, width, height, index);
        auto* control = vcl::As<vcl::TControl>(ComponentOf(alloclist[index]));
        control->SetName(name);
        // Its parent would put it back: a tab sheet keeps storing no place.
        if (!vcl::PlacedByParent(*control)) {
            control->SetTop(top);
            control->SetLeft(left);
            control->SetWidth(width);
            control->SetHeight(height);
        }
        setcaption(control, caption);
    }
}

vcl::TWindowPicture tZorRepositioner::Picture() const {
    vcl::TWindowPicture picture;
    if (!oktoproceed()) return picture;
    picture.root = form;
    const int rows = std::min(alloclist.Count() + 1, HintEd->StringGrid1->RowCount());
    for (int r = 1; r < rows; ++r) {
        std::string name, caption;
        int32_t top, left, width, height;
        int index = -1;
        try {
            HintEd->getXYGrid(r, name, caption, top, left, width, height, index);
        } catch (const vcl::Exception&) {
            continue;
        }
        if (index < 0 || index >= alloclist.Count()) continue;
        const auto* control = vcl::As<vcl::TControl>(ComponentOf(alloclist[index]));
        picture.places[control] = {left, top, width, height};
        if (r == HintEd->StringGrid1->Row()) picture.selected = control;
    }
    return picture;
}

}  // namespace tavrin
