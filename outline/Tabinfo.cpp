#include "outline/Tabinfo.h"

#include <vector>

#include "host/controls/Outline.h"
#include "host/vcl/Forms.h"
#include "outline/Parento2.h"

namespace tavrin {

tZorTabInfo* ZorTabInfo = nullptr;

tZorTabInfo::tZorTabInfo(TComponent* owner) : tZorWinControlInfo(owner) { FrmInfo->settab(true); }

int tZorTabInfo::findindex(const TComponent* control) const {
    if (!oktoproceed() || control == nullptr || control->Owner() != form) return -1;
    return control->ComponentIndex();
}

void tZorTabInfo::categorisecontrols() {
    if (!oktoproceed()) return;
    auto* root = dynamic_cast<vcl::TWinControl*>(form);
    if (root == nullptr)
        throw vcl::EInvalidCast("Tabs: " + NodeID(form) + " is not a windowed control; the tab order tool needs a form" +
                                " or another windowed control");
    std::vector<vcl::TWinControl*> list;
    root->GetTabOrderList(list);
    for (vcl::TWinControl* entry : list) {
        const int i = findindex(entry);
        if (i != -1) alloclist.Add(tComponentAllocRec::Make(i));
    }
}

bool tZorTabInfo::execute() {
    const bool ok = FrmInfo->ShowTree("Tab Order for " + NodeID(form), "Tab Editor") == vcl::mrOk;
    if (ok) GetTabs();
    return ok;
}

void tZorTabInfo::GetTabs() {
    if (!oktoproceed()) return;
    vcl::TOutline* outline = FrmInfo->OutlineParent;
    outline->ForEachItem([this](const vcl::TOutlineNode* node, int) { return GetTabsforNode(*node), true; });
}

void tZorTabInfo::GetTabsforNode(const vcl::TOutlineNode& node) {
    vcl::TOutline& outline = node.Outline();
    int n = 0;
    for (int32_t child = node.getFirstChild(); child != -1; child = node.GetNextChild(child)) {
        auto* control = dynamic_cast<vcl::TWinControl*>(findfromnode(outline.Items(child).Text()));
        if (control == nullptr) continue;
        // A control already in that place is left alone, as the setter would leave it.
        const vcl::TWinControl* parent = control->Parent();
        const bool inPlace = parent != nullptr && n < int(parent->TabList().size()) && parent->TabList()[size_t(n)] == control;
        if (!inPlace) control->SetTabOrder(n);
        ++n;
    }
}

}  // namespace tavrin
