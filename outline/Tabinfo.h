// The tab order tool: the windowed controls as a tree, siblings in their tab order, which
// the developer reorders by dragging; after OK every control shown gets its place among
// its shown siblings as its tab order.
#pragma once

#include "outline/Wininfo.h"

namespace vcl {
class TOutlineNode;
}

namespace tavrin {

class tZorTabInfo : public tZorWinControlInfo {
public:
    // The parentage tool's window, with dragging on and the Edit button hidden.
    explicit tZorTabInfo(TComponent* owner);

    // The form's windowed controls in tab order, each followed by its own. EInvalidCast,
    // naming the form, when the form is no windowed control (a data module).
    void categorisecontrols() override;
    // Shows the tree; after OK writes the tab orders.
    bool execute() override;

    // The control's index among the form's components; -1 when the form does not own it.
    int findindex(const TComponent* control) const;
    void GetTabs();
    // Numbers the windowed controls among the node's children 0, 1, 2 ... in tree order.
    void GetTabsforNode(const vcl::TOutlineNode& node);
};

// The tab order tool while it runs.
extern tZorTabInfo* ZorTabInfo;

}  // namespace tavrin
