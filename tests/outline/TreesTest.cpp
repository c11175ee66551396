// The three trees: parentage (where each control stands and in what order, how deep the
// passes reach, how notebook pages are named), tab order (which controls it shows and the tab
// orders OK writes) and menus (every menu with its items nested, identifiers or captions).
#include "outline/Menuinfo.h"
#include "tests/outline/OutlineTestSupport.h"

using namespace vcl;
using outlinetest::Names;
using tavrin::NodeID;

namespace {

using Parentage = outlinetest::ToolTest;
using TabOrder = outlinetest::ToolTest;
using MenuTool = outlinetest::ToolTest;
const Names kLimit{"WinControls unallocated after 10 iterations"};

std::vector<int> Orders(std::initializer_list<const TWinControl*> controls) {
    std::vector<int> orders;
    for (const TWinControl* c : controls) orders.push_back(c->TabOrder());
    return orders;
}

}  // namespace

TEST_F(Parentage, SiblingsStandInFormOrderWhenPlacedInOnePassAndByPassOtherwise) {
    // Early is listed before the panel that holds it, so the pass that places the panel has
    // already gone by it: it comes after Late, which is listed after the panel.
    auto* early = new TEdit(form);
    early->SetName("Early");
    auto* label = Add<TLabel>("Label1", form);
    auto* outer = Add<TPanel>("Outer", form);
    auto* panel = Add<TPanel>("Panel1", outer);
    auto* late = Add<TEdit>("Late", panel);
    auto* later = Add<TEdit>("Later", panel);
    early->SetParent(panel);
    const auto backend = Run(tavrin::showparentage);
    EXPECT_EQ(shown.Children(NodeID(form)), (Names{NodeID(label), NodeID(outer)}));
    EXPECT_EQ(shown.Children(NodeID(outer)), Names{NodeID(panel)});
    EXPECT_EQ(shown.Children(NodeID(panel)), (Names{NodeID(late), NodeID(later), NodeID(early)}));
    EXPECT_TRUE(backend.messages.empty());
    EXPECT_EQ(backend.captions, Names{"Parentage for " + NodeID(form)});
}

TEST_F(Parentage, PassesPlaceElevenLevelsListedInReverseButNotTwelve) {
    for (int levels : {11, 12}) {
        TForm chainForm(nullptr);
        chainForm.SetName("Chain");
        std::vector<TPanel*> chain(static_cast<size_t>(levels));
        for (int i = levels - 1; i >= 0; --i) {  // each panel before the one holding it
            chain[size_t(i)] = new TPanel(&chainForm);
            chain[size_t(i)]->SetName("Level" + std::to_string(i + 1));
        }
        chain[0]->SetParent(&chainForm);
        for (size_t i = 1; i < chain.size(); ++i) chain[i]->SetParent(chain[i - 1]);
        const auto backend = Run(tavrin::showparentage, nullptr, &chainForm);
        EXPECT_EQ(backend.messages, levels == 11 ? Names{} : kLimit) << levels;
        EXPECT_EQ(shown.Children(NodeID(chain[9])), Names{NodeID(chain[10])}) << levels;
        EXPECT_EQ(shown.items.size(), 12u) << levels;  // the form and eleven levels, no more
    }
}

TEST_F(Parentage, NotebookPagesAreNamedFromTheirCaptionsAndHoldTheirControls) {
    tavrin::TToolRun run;
    auto* book = Add<TNotebook>("Notebook1", form);
    auto* one = book->AddPage("Page One");
    auto* options = book->AddPage("Options");
    auto* tabbed = Add<TTabbedNotebook>("Tabs1", form);
    auto* digit = tabbed->AddPage("1st page");
    auto* amp = tabbed->AddPage("&Setup");
    auto* edit = Add<TEdit>("OnPageOne", one);
    auto* button = Add<TButton>("OnFirst", digit);
    Run(tavrin::showparentage);
    EXPECT_EQ((Names{one->Name(), options->Name(), digit->Name(), amp->Name()}),
              (Names{"PageOne", "Options", "InvalidPageName_0", "InvalidPageName_1"}));
    EXPECT_EQ(shown.Children(NodeID(book)), (Names{NodeID(one), NodeID(options)}));
    EXPECT_EQ(shown.Children(NodeID(one)), Names{NodeID(edit)});
    EXPECT_EQ(shown.Children(NodeID(digit)), Names{NodeID(button)});

    // A name the notebook refuses ends the run before the window; earlier renames stay.
    auto* again = Add<TNotebook>("Notebook2", form);
    auto* first = again->AddPage("Page Two");
    again->AddPage("PageTwo");
    EXPECT_THROW(Run(tavrin::showparentage), EComponentError);
    EXPECT_EQ(first->Name(), "PageTwo");
    EXPECT_EQ(tavrin::FrmInfo, nullptr);
    EXPECT_EQ(Screen()->Cursor(), crDefault);
}

TEST_F(TabOrder, OkNumbersTheShownControlsUnderEachParentAndSkipsPageNodes) {
    auto* label = Add<TLabel>("Label1", form);
    auto* book = Add<TTabbedNotebook>("Tabs1", form);
    auto* one = book->AddPage("One");
    auto* two = book->AddPage("Two");
    auto* a1 = Add<TEdit>("A1", one);
    auto* a2 = Add<TEdit>("A2", one);
    auto* b1 = Add<TEdit>("B1", two);
    auto* b2 = Add<TEdit>("B2", two);
    auto* b3 = Add<TEdit>("B3", two);
    auto* top = Add<TEdit>("Top1", form);
    // Items: 1 form, 2 Tabs1, 3 One, 4 A1, 5 A2, 6 Two, 7 B1, 8 B2, 9 B3, 10 Top1.
    const auto drag = [&](int from, int to) {
        TOutline* o = tavrin::FrmInfo->OutlineParent;
        MouseDrag(*o, mbLeft, o->ItemPoint(from), o->ItemPoint(to));
    };
    Run(tavrin::showalltabs, [&] {
        drag(9, 7);
        drag(5, 4);
        drag(10, 2);
        return mrOk;
    });
    EXPECT_FALSE(shown.Has(NodeID(label)));
    EXPECT_EQ(Orders({top, book}), (std::vector<int>{0, 1}));
    EXPECT_EQ(Orders({a2, a1}), (std::vector<int>{0, 1}));
    EXPECT_EQ(Orders({b3, b1, b2}), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Orders({one, two}), (std::vector<int>{0, 1}));
    // The next run shows the siblings in their new tab order; Cancel writes nothing.
    Run(tavrin::showalltabs, [&] {
        drag(2, 3);
        return mrCancel;
    });
    EXPECT_EQ(shown.Children(NodeID(form)), (Names{NodeID(top), NodeID(book)}));
    EXPECT_EQ(Orders({top, book}), (std::vector<int>{0, 1}));
}

TEST_F(TabOrder, OnADataModuleTheErrorNamesTheModuleAndWhatTheToolNeeds) {
    TDataModule module(nullptr);
    module.SetName("DataModule1");
    new tavrin::TTavrinQA(&module);
    EXPECT_EQ(testsupport::ErrorOf<EInvalidCast>([&] { Run(tavrin::showalltabs, nullptr, &module); }),
              "Tabs: DataModule1 : TDataModule; is not a windowed control; the tab order tool needs a form or another "
              "windowed control");
    EXPECT_EQ(tavrin::FrmInfo, nullptr);
}

TEST_F(MenuTool, TheButtonTogglesItemsBetweenCaptionsAndIdentifiers) {
    auto* menu = Add<TMainMenu>("MainMenu1");
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
    EXPECT_EQ(buttons, (Names{"&IDs", "Ca&ptions"}));
    EXPECT_EQ(views[0].Children(NodeID(form)), Names{NodeID(menu)});
    EXPECT_EQ(views[0].Children(NodeID(menu)), Names{NodeID(file)});
    EXPECT_EQ(views[1].Children(NodeID(menu)), Names{"File"});
    EXPECT_EQ(views[1].Children("File"), (Names{"Open...", NodeID(empty), "-", NodeID(amps), "Save  Exit"}));
    EXPECT_EQ(views[2].items, views[0].items);
    EXPECT_EQ(views[0].Children(NodeID(file))[0], NodeID(open));
}

TEST_F(MenuTool, MenusAndSiblingsStandInComponentOrder) {
    auto* menu = new TMainMenu(form);
    auto* popup = Add<TPopupMenu>("PopupMenu1");
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
