// The parentage tool: a tree of which control contains which, the form at its root and the
// pages of notebooks as nodes between a notebook and its controls. Parents are found by
// repeated passes over the form's controls, up to a fixed number of passes.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "toolbase/Infobase.h"

namespace vcl {
class TControl;
class TOutline;
}  // namespace vcl

namespace tavrin {

class tZorWinControlInfo : public tZorFrmInfo {
public:
    // Complete passes after which the tree building gives up.
    static constexpr int MaxIterations = 10;

    // Creates the outline window, in parentage mode.
    explicit tZorWinControlInfo(TComponent* owner);
    ~tZorWinControlInfo() override;

    void ProcessControls() override;
    bool execute() override;

    // The pages of the notebook at that index of the form's components under the notebook's
    // item, with the controls on it; a page without a name is named after its caption.
    virtual void HandleTabbedNoteBook(int32_t parentItem, int componentIndex);
    virtual void HandleNoteBook(int32_t parentItem, int componentIndex);
    // An item for the component, as the last child of item parent or as its last sibling
    // (parent 0: the top level); gives the new item's index.
    virtual int32_t AddNode(vcl::TOutline* outline, int32_t parent, TComponent* component, bool asChild);
    // Places every control not yet placed whose parent is the given component.
    virtual void AddControlsForParent(int32_t parentItem, TComponent* parent);

    // Places one control under item parent and records that it is placed.
    void AllocControl(int32_t parent, int position, tComponentAllocRec rec, vcl::TControl* control);
    // The first listed component with the name and class a node text carries; none for the
    // form's item, page items and texts that match nothing.
    TComponent* findfromnode(std::string_view text);
    // Components may have been renamed: names are looked up afresh.
    void NamesChanged() { namesListed_ = -1; }

private:
    void AddPages(int32_t parentItem, int componentIndex);
    void ListControls();
    const std::vector<int>& ListedUnder(const TComponent* parent);

    // The controls under one parent: their list positions, in list order.
    struct Family {
        const TComponent* parent;
        std::vector<int> positions;
    };
    // The family of each list position's control (-1: no control).
    std::vector<int> familyAt_;
    vcl::TControl* ControlAt(int position) const { return vcl::Cast<vcl::TControl>(ComponentOf(alloclist[position])); }
    std::vector<Family> families_;
    std::unordered_map<const TComponent*, int> familyOf_;
    int childrenListed_ = -1;
    // The list positions of each name and class, in list order.
    std::unordered_map<std::string, std::vector<int>> byName_;
    int namesListed_ = -1;
    std::string nodeText_;  // the text of the item being added
};

// The parentage tool while it runs.
extern tZorWinControlInfo* ZorWinControlInfo;

}  // namespace tavrin
