// The menu tool: every menu with its items nested, and the view toggle between identifiers
// and captions.
#include "outline/Menuinfo.h"
#include "tests/outline/OutlineTestSupport.h"

using namespace vcl;
using outlinetest::Names;
using tavrin::NodeID;

namespace {

using MenuTool = outlinetest::ToolTest;

}  // namespace

TEST_F(MenuTool, TheButtonTogglesItemsBetweenCaptionsAndIdentifiers) {
    auto* menu = new TMainMenu(form);
    menu->SetName("MainMenu1");
    auto* file = Item("File1", "&File", menu->Items());
    auto* open = Item("Open1", "&Open...", file);
    auto* empty = Item("Empty1", "", file);
    Item("N1", "-", file);
    auto* amps = Item("Amps1", "&&", file);
    Item("Save1", "Save && E&xit", file);
    std::vector<outlinetest::Tree> views;
    Names buttons;
    Run(tavrin::showMenus, [&] {
        views.emplace_back(tavrin::FrmInfo->OutlineParent->Lines());
        for (int i = 0; i < 2; ++i) {
            tavrin::FrmInfo->EditBtn->Click();
            views.emplace_back(tavrin::FrmInfo->OutlineParent->Lines());
            buttons.push_back(tavrin::FrmInfo->EditBtn->Caption());
        }
        return mrOk;
    });
    EXPECT_EQ(buttons, (Names{"IDs", "Captions"}));
    EXPECT_EQ(views[0].Children(NodeID(form)), Names{NodeID(menu)});
    EXPECT_EQ(views[0].Children(NodeID(menu)), Names{NodeID(file)});
    EXPECT_EQ(views[1].Children(NodeID(menu)), Names{"File"});
    EXPECT_EQ(views[1].Children("File"), (Names{"Open...", NodeID(empty), "-", NodeID(amps), "Save  Exit"}));
    EXPECT_EQ(views[2].items, views[0].items);
    EXPECT_EQ(views[0].Children(NodeID(file))[0], NodeID(open));
}

TEST_F(MenuTool, MenusAndSiblingsStandInComponentOrder) {
    auto* menu = new TMainMenu(form);
    auto* popup = new TPopupMenu(form);
    popup->SetName("PopupMenu1");
    auto* file = Item("File1", "&File", menu->Items());
    auto* copy = Item("Copy1", "&Copy", popup->Items());
    auto* edit = Item("Edit1", "&Edit", menu->Items());
    menu->Items()->Insert(0, edit);  // moved to the top, yet made after File1
    const auto backend = Run(tavrin::showMenus);
    EXPECT_EQ(shown.Children(NodeID(form)), (Names{NodeID(menu), NodeID(popup)}));
    EXPECT_EQ(shown.Children(NodeID(menu)), (Names{NodeID(file), NodeID(edit)}));
    EXPECT_EQ(shown.Children(NodeID(popup)), Names{NodeID(copy)});
    EXPECT_EQ(backend.captions, Names{"Menus for " + NodeID(form)});
}
