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

// The sort keys: a large form's rows each hold 16 bytes while sorted. The parent is its text's
// rank among the parents' texts; the list index breaks ties, as the list order did.
struct PosnRec {
    int32_t index;
    uint32_t parent;
    int32_t top, left;  // a control its parent places shows that place
};

int Compare(int64_t a, int64_t b) { return a < b ? -1 : a > b ? 1 : 0; }

int ByLeft(const PosnRec& a, const PosnRec& b) { return Compare(a.left, b.left); }

int ByTopLeft(const PosnRec& a, const PosnRec& b) {
    const int c = Compare(a.top, b.top);
    return c != 0 ? c : ByLeft(a, b);
}

int ByParent(const PosnRec& a, const PosnRec& b) {
    const int c = Compare(a.parent, b.parent);
    return c != 0 ? c : ByTopLeft(a, b);
}

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
    // Each parent's node identifier, made once (textOf: where in texts); the records take its
    // place in texts, then its rank.
    std::unordered_map<const vcl::TWinControl*, uint32_t> textOf;
    std::vector<std::string> texts;
    std::vector<PosnRec> records;
    records.reserve(size_t(count));
    for (int k = 0; k < count; ++k) {
        const auto* c = vcl::As<vcl::TControl>(ComponentOf(alloclist[k]));
        const auto [at, added] = textOf.try_emplace(c->Parent(), uint32_t(texts.size()));
        if (added) texts.push_back(NodeID(c->Parent()));
        const Place place = PlaceOf(*c);
        records.push_back({k, at->second, place.top, place.left});
    }
    const std::vector<uint32_t> rankOfText = RanksOf({texts.begin(), texts.end()});
    for (PosnRec& r : records) r.parent = rankOfText[r.parent];
    int (*compare)(const PosnRec&, const PosnRec&) = xysorttype == byleft      ? ByLeft
                                                     : xysorttype == bytopleft ? ByTopLeft
                                                                               : ByParent;
    std::sort(records.begin(), records.end(), [compare](const PosnRec& a, const PosnRec& b) {
        const int c = compare(a, b);
        return c != 0 ? c < 0 : a.index < b.index;
    });
    std::vector<const std::string*> textOfRank(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) textOfRank[rankOfText[i]] = &texts[i];
    TPropertyOf caption("caption");
    for (size_t p = 0; p < records.size(); ++p) {
        const PosnRec& r = records[p];
        const auto* c = vcl::As<vcl::TControl>(ComponentOf(alloclist[r.index]));
        const Place place = PlaceOf(*c);
        HintEd->SetXYGrid(int(p) + 1, *c, *textOfRank[r.parent], caption.String(c), place.top, place.left,
                          place.width, place.height, r.index);
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
