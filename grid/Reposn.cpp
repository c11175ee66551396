#include "grid/Reposn.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "grid/Hintgrid.h"
#include "host/controls/Grids.h"
#include "host/vcl/Controls.h"

namespace tavrin {

tZorRepositioner* ZorRepositioner = nullptr;

namespace {

// The sort keys and numbers; the caption is read when the row is written. Nothing is cut: a
// row the user leaves alone writes back exactly what it read.
struct PosnRec {
    const vcl::TControl* control;
    const std::string* parent;  // shared by the controls of one parent
    int index;
    int32_t top, left, width, height;  // a control its parent places shows that place
};

int Compare(int32_t a, int32_t b) { return a < b ? -1 : a > b ? 1 : 0; }

int ByLeft(const PosnRec& a, const PosnRec& b) { return Compare(a.left, b.left); }

int ByTopLeft(const PosnRec& a, const PosnRec& b) {
    const int c = Compare(a.top, b.top);
    return c != 0 ? c : ByLeft(a, b);
}

// Parent texts compare as bytes (std::string compares unsigned bytes, capitals first).
int ByParent(const PosnRec& a, const PosnRec& b) {
    const int c = a.parent->compare(*b.parent);
    return c != 0 ? c : ByTopLeft(a, b);
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
    std::vector<PosnRec> records;
    records.reserve(size_t(count));
    std::unordered_map<const vcl::TWinControl*, std::string> parents;  // node identifiers, made once
    for (int k = 0; k < count; ++k) {
        const auto* c = vcl::As<vcl::TControl>(ComponentOf(alloclist[k]));
        auto [at, added] = parents.try_emplace(c->Parent());
        if (added) at->second = NodeID(c->Parent());
        const auto placed = vcl::PlacedByParent(*c);
        records.push_back({c, &at->second, k, placed ? placed->top : c->Top(), placed ? placed->left : c->Left(),
                           placed ? placed->width : c->Width(), placed ? placed->height : c->Height()});
    }
    int (*compare)(const PosnRec&, const PosnRec&) = xysorttype == byleft      ? ByLeft
                                                     : xysorttype == bytopleft ? ByTopLeft
                                                                               : ByParent;
    std::stable_sort(records.begin(), records.end(),
                     [compare](const PosnRec& a, const PosnRec& b) { return compare(a, b) < 0; });
    TPropertyOf caption("caption");
    for (size_t p = 0; p < records.size(); ++p) {
        const PosnRec& r = records[p];
        const vcl::TControl* c = r.control;
        HintEd->SetXYGrid(int(p) + 1, *c, *r.parent, caption.String(c), r.top, r.left, r.width,
                          r.height, r.index);
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
