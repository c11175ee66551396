// The tab order tool: which controls it shows, and the tab orders it writes after OK.
#include "tests/outline/OutlineTestSupport.h"

using namespace vcl;
using outlinetest::Names;
using tavrin::NodeID;

namespace {

using TabOrder = outlinetest::ToolTest;

std::vector<int> Orders(std::initializer_list<const TWinControl*> controls) {
    std::vector<int> orders;
    for (const TWinControl* c : controls) orders.push_back(c->TabOrder());
    return orders;
}

}  // namespace

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
    try {
        Run(tavrin::showalltabs, nullptr, &module);
        FAIL() << "no error";
    } catch (const EInvalidCast& e) {
        EXPECT_STREQ(e.what(), "Tabs: DataModule1 : TDataModule; is not a windowed control; the tab order tool needs a "
                               "form or another windowed control");
    }
    EXPECT_EQ(tavrin::FrmInfo, nullptr);
}
