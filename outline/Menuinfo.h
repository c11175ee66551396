// The menu tool: every menu of the form with its items, submenus nested under their items,
// shown by identifier or by caption. It only shows; nothing is written back.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "toolbase/Infobase.h"

namespace vcl {
class TMenuItem;
}

namespace tavrin {

class tZorMenuInfo : public tZorFrmInfo {
public:
    // One record per menu of the form, in component order.
    vcl::TList<tComponentAllocRec> menulist;
    // The identifier of the menu whose top-level items are being added.
    std::string menuid;
    // True: item nodes show their captions; false: their identifiers.
    bool showcaptions = false;

    // Creates the outline window in menu mode: no dragging, the tool button toggles the view.
    explicit tZorMenuInfo(TComponent* owner);
    ~tZorMenuInfo() override;

    // The form's menus into menulist and its menu items into alloclist.
    void categorisecontrols() override;
    // Builds the whole tree from the lists; run again by the view toggle.
    void ProcessControls() override;
    bool execute() override;

    // Adds a node for every listed item whose parent is the given item, each followed at
    // once by its own submenu.
    void AddItemsForParent(TComponent* parent, bool top);
    void AllocControl(int index, tComponentAllocRec rec, bool top, vcl::TMenuItem* item);
    // The caption, without its ampersands, of the first listed item with that identifier;
    // empty when none has it.
    std::string CaptionfromItem(std::string_view text);

private:
    // The list positions of the items under each parent item, in list order.
    std::unordered_map<const TComponent*, std::vector<int>> children_;
    int childrenListed_ = -1;
    // The first list position of each identifier.
    std::unordered_map<std::string, int, vcl::TextHash, std::equal_to<>> byNodeID_;
};

// The menu tool while it runs.
extern tZorMenuInfo* ZorMenuInfo;

}  // namespace tavrin
