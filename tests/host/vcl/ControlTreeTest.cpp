#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Forms.h"
#include "host/vcl/Menus.h"
#include "tests/support/TestSupport.h"

using namespace vcl;

namespace {

TWinControl* Win(TComponent* owner, TWinControl* parent, const char* name, const char* cls = "TEdit") {
    auto* c = static_cast<TWinControl*>(testsupport::Make(cls, owner, name));
    c->SetParent(parent);
    return c;
}

std::string Names(const std::vector<TWinControl*>& list) {
    std::string s;
    for (auto* c : list) s += (s.empty() ? "" : ",") + c->Name();
    return s;
}

}  // namespace

TEST(TabOrder, ASettingPastTheEndGoesLastAndOneOutOfRangeIsRefused) {
    TForm form(nullptr);
    TWinControl* a = Win(&form, &form, "A");
    TWinControl* b = Win(&form, &form, "B");
    TWinControl* c = Win(&form, &form, "C");
    EXPECT_EQ(a->TabOrder(), 0);
    EXPECT_EQ(b->TabOrder(), 1);
    c->SetTabOrder(0);
    c->SetTabOrder(-1);  // to the end
    EXPECT_EQ(Names(form.TabList()), "A,B,C");
    a->SetTabOrder(500);  // past the last place: the end
    EXPECT_EQ(Names(form.TabList()), "B,C,A");
    EXPECT_THROW(a->SetTabOrder(32768), ERangeError);
    EXPECT_THROW(a->SetTabOrder(-2), ERangeError);
    EXPECT_EQ(Names(form.TabList()), "B,C,A");
}

TEST(TabOrder, WithoutParentIsMinusOneAndNoControlHoldsItsAncestors) {
    TForm form(nullptr);
    TWinControl* panel = Win(&form, &form, "Panel1", "TPanel");
    TWinControl* a = Win(&form, nullptr, "A");
    EXPECT_EQ(a->TabOrder(), -1);
    a->SetTabOrder(3);  // no parent: nothing to move among
    a->SetParent(&form);
    EXPECT_EQ(a->TabOrder(), 1);
    EXPECT_THROW(panel->SetParent(panel), EComponentError);
    EXPECT_THROW(form.SetParent(panel), EComponentError);
}

namespace {

// Records the controls seen just before their first change since they were watched.
struct ChangeLog : TChangeWatcher {
    std::string seen;
    void BeforeFirstChange(TPersistent& object) override { seen += static_cast<TComponent&>(object).Name() + ","; }
    void Destroyed(TPersistent&) override {}
    void WatchAll(const TWinControl& parent) {
        seen.clear();
        for (int i = 0; i < parent.ControlCount(); ++i) parent.Controls(i)->Watch(this);
    }
};

bool PlacesMatchTheList(const TWinControl& parent) {
    for (size_t i = 0; i < parent.TabList().size(); ++i)
        if (parent.TabList()[i]->TabOrder() != int(i)) return false;
    return true;
}

}  // namespace

// A form file rewrites the tab order of exactly the controls whose place changed.
TEST(TabOrder, ExactlyTheSiblingsWhosePlaceChangesAreSeenChanging) {
    ChangeLog log;  // outlives the forms, which tell it when their controls go
    TForm form(nullptr);
    TForm other(nullptr);
    for (const char* n : {"A", "B", "C", "D", "E"}) Win(&form, &form, n);
    auto* label = static_cast<TControl*>(ClassCatalogue().CreateComponent("TLabel", &form));
    label->SetName("L");
    label->SetParent(&form);
    log.WatchAll(form);
    TWinControl* f = Win(&form, nullptr, "F");
    f->Watch(&log);
    f->SetParent(&form);  // appended: no sibling moves
    EXPECT_EQ(log.seen, "F,");
    log.WatchAll(form);
    delete form.FindComponent("C");
    EXPECT_EQ(log.seen, "D,E,F,");
    EXPECT_EQ(Names(form.TabList()), "A,B,D,E,F");
    EXPECT_TRUE(PlacesMatchTheList(form));
    log.WatchAll(form);
    static_cast<TWinControl*>(form.FindComponent("E"))->SetTabOrder(1);
    EXPECT_EQ(log.seen, "B,D,E,");
    EXPECT_EQ(Names(form.TabList()), "A,E,B,D,F");
    EXPECT_TRUE(PlacesMatchTheList(form));
    log.WatchAll(form);
    static_cast<TWinControl*>(form.FindComponent("A"))->SetTabOrder(3);
    EXPECT_EQ(log.seen, "A,E,B,D,");
    log.WatchAll(form);
    label->SetParent(nullptr);
    static_cast<TWinControl*>(form.FindComponent("B"))->SetParent(&other);
    EXPECT_EQ(log.seen, "L,B,D,A,F,");
    EXPECT_EQ(Names(form.TabList()), "E,D,A,F");
    EXPECT_TRUE(PlacesMatchTheList(form));
    EXPECT_EQ(form.FindComponent("B")->Owner(), &form);
    EXPECT_EQ(static_cast<TWinControl*>(form.FindComponent("B"))->TabOrder(), 0);
    // A windowed control that never held a child has none to give.
    EXPECT_EQ(f->ControlCount(), 0);
    EXPECT_TRUE(f->TabList().empty());
    EXPECT_THROW(f->Controls(0), EListError);
    delete form.FindComponent("B");  // leaves the other form's list as it goes
    EXPECT_EQ(other.ControlCount(), 0);
}

TEST(TabOrder, ListIsDepthFirstWithSiblingsInTabOrder) {
    TForm form(nullptr);
    TWinControl* p1 = Win(&form, &form, "P1", "TPanel");
    TWinControl* p2 = Win(&form, &form, "P2", "TGroupBox");
    Win(&form, p1, "E1");
    TWinControl* e2 = Win(&form, p1, "E2");
    Win(&form, p2, "E3");
    auto* label = ClassCatalogue().CreateComponent("TLabel", &form);
    static_cast<TControl*>(label)->SetParent(p1);
    e2->SetTabOrder(0);
    p2->SetTabOrder(0);
    std::vector<TWinControl*> list;
    form.GetTabOrderList(list);
    EXPECT_EQ(Names(list), "P2,E3,P1,E2,E1");
    EXPECT_EQ(p1->ControlCount(), 3);
    EXPECT_EQ(p1->Controls(0), label);  // non-windowed children come first
}

TEST(TabOrder, ValuesReadFromAFileApplyWhenLoadingEnds) {
    TForm form(nullptr);
    form.SetLoading(true);
    std::vector<TWinControl*> edits;
    for (const char* n : {"A", "B", "C", "D"}) {
        edits.push_back(Win(&form, &form, n));
        edits.back()->SetLoading(true);
    }
    edits[0]->SetTabOrder(2);
    edits[1]->SetTabOrder(0);
    edits[2]->SetTabOrder(0);  // taken already: fills a free place
    edits[3]->SetTabOrder(9);  // beyond the count: fills a free place
    for (auto* e : edits) e->Loaded();
    form.Loaded();
    EXPECT_EQ(Names(form.TabList()), "B,C,A,D");
    EXPECT_FALSE(form.Loading());
}

TEST(Menus, ItemsNestUnderTheMenusRootAndFreeTheirSubItems) {
    TForm form(nullptr);
    auto* menu = static_cast<TMainMenu*>(ClassCatalogue().CreateComponent("TMainMenu", &form));
    auto* file = new TMenuItem(&form);
    auto* open = new TMenuItem(&form);
    auto* recent = new TMenuItem(&form);
    menu->Items()->Add(file);
    file->Add(open);
    file->Add(recent);
    EXPECT_EQ(menu->Items()->Owner(), menu);
    EXPECT_EQ(file->Parent(), menu->Items());
    EXPECT_EQ(open->Parent(), file);
    EXPECT_EQ(recent->GetParentMenu(), menu);
    EXPECT_THROW(open->Add(file), EComponentError);
    file->Insert(0, recent);
    EXPECT_EQ(file->Items(0), recent);
    EXPECT_EQ(form.ComponentCount(), 4);
    delete file;
    EXPECT_EQ(form.ComponentCount(), 1);
    EXPECT_EQ(menu->Items()->Count(), 0);
}
