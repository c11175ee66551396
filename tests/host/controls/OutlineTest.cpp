#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "host/controls/ControlClasses.h"
#include "host/controls/Outline.h"
#include "host/vcl/Forms.h"

using namespace vcl;

namespace {

std::string Joined(const TLines& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "|";
    return s;
}

// A plain tree whose display order is found by walking it: what the outline must agree with,
// numbers, levels, parents and moves alike.
struct RefNode {
    std::string text;
    RefNode* parent = nullptr;
    std::vector<RefNode*> kids;
};

struct RefOutline {
    RefNode root;
    std::vector<std::unique_ptr<RefNode>> pool;

    std::vector<RefNode*> Order() {
        std::vector<RefNode*> out;
        std::vector<RefNode*> stack(root.kids.rbegin(), root.kids.rend());
        while (!stack.empty()) {
            RefNode* n = stack.back();
            stack.pop_back();
            out.push_back(n);
            stack.insert(stack.end(), n->kids.rbegin(), n->kids.rend());
        }
        return out;
    }
    RefNode* New(const std::string& text) {
        pool.push_back(std::make_unique<RefNode>());
        pool.back()->text = text;
        return pool.back().get();
    }
    static void Put(RefNode* n, RefNode* parent, size_t at) {
        n->parent = parent;
        parent->kids.insert(parent->kids.begin() + std::ptrdiff_t(at), n);
    }
    static size_t Place(RefNode* n) {
        auto& kids = n->parent->kids;
        return size_t(std::find(kids.begin(), kids.end(), n) - kids.begin());
    }
    static void Unlink(RefNode* n) { n->parent->kids.erase(n->parent->kids.begin() + std::ptrdiff_t(Place(n))); }
    static bool Under(RefNode* n, RefNode* top) {
        for (; n != nullptr; n = n->parent)
            if (n == top) return true;
        return false;
    }
    std::string Lines() {
        std::string s;
        for (RefNode* n : Order()) {
            int depth = 0;
            for (RefNode* p = n->parent; p != &root; p = p->parent) ++depth;
            s += std::string(size_t(depth), '\t') + n->text + "|";
        }
        return s;
    }
};

class OutlineTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterControlClasses(); }
    TForm form{nullptr};
    TOutline* outline = new TOutline(&form);
};

}  // namespace

// (Child navigation by item number, -1 when there is none, is checked against a plain tree below.)
TEST_F(OutlineTest, ChildNavigationRefusesItemsThatAreNoChildrenOrNoItems) {
    outline->SetLines({"A", "\tB", "\t\tC", "\tD", "E"});
    EXPECT_THROW(outline->Items(1).GetNextChild(3), EOutlineError);  // C is B's child, not A's
    EXPECT_EQ(outline->Items(3).FullPath(), "A\\B\\C");
    EXPECT_THROW(outline->Items(0), EOutlineError);
    EXPECT_THROW(outline->Items(6), EOutlineError);
    EXPECT_THROW(outline->SetLines({"A", "\t\tB"}), EOutlineError);
}

// An item just asked for by number, then moved away or deleted: its old number is another's.
TEST_F(OutlineTest, AnItemsOldNumberIsTheNextItemsOnceItMovedOrWent) {
    outline->SetLines({"A", "B", "C", "D", "E"});
    EXPECT_EQ(outline->Items(2).Text(), "B");
    outline->Items(2).MoveTo(5, oaAdd);  // last at the top level
    EXPECT_EQ(outline->Items(2).Text(), "C");
    EXPECT_EQ(outline->Items(5).Text(), "B");
    outline->Delete(2);
    EXPECT_EQ(outline->Items(2).Text(), "D");
    EXPECT_EQ(outline->GetTextItem("B"), 4);
    EXPECT_EQ(Joined(outline->Lines()), "A|D|E|B|");
}

TEST_F(OutlineTest, RowsFollowExpansionAndSelectionStaysShown) {
    outline->SetLines({"A", "\tB", "\t\tC", "D"});
    outline->SetItemHeight(10);
    EXPECT_EQ(outline->GetItem(5, 15), 4);  // collapsed: A then D
    outline->FullExpand();
    EXPECT_EQ(outline->GetItem(5, 15), 2);
    EXPECT_EQ(outline->GetItem(5, 25), 3);
    EXPECT_EQ(outline->GetItem(5, 45), 0);  // below the last row
    EXPECT_EQ(outline->GetItem(outline->ItemPoint(3).X, outline->ItemPoint(3).Y), 3);
    EXPECT_EQ(outline->GetItem(outline->EmptyPoint().X, outline->EmptyPoint().Y), 0);
    EXPECT_EQ(outline->SelectedItem(), 1);  // nothing chosen: the first item
    outline->SetSelectedItem(3);
    outline->Items(2).Collapse();
    EXPECT_EQ(outline->SelectedItem(), 2);
    EXPECT_THROW(outline->ItemPoint(3), EOutlineError);
    outline->SetSelectedItem(3);  // selecting shows it
    EXPECT_TRUE(outline->Items(3).IsVisible());
    outline->FullCollapse();
    EXPECT_EQ(outline->SelectedItem(), 1);
    outline->Delete(1);
    EXPECT_EQ(outline->SelectedItem(), 1);  // D is now first
    outline->Clear();
    EXPECT_EQ(outline->SelectedItem(), 0);
}

TEST_F(OutlineTest, AnItemsWholeTreeIsExpandedCollapsedAndDeletedAndNothingBesideIt) {
    outline->SetLines({"A", "\tB", "\t\tC", "\t\tD", "\tE", "\t\tF", "G", "\tH"});
    std::vector<bool> shownBefore;
    outline->Items(2).FullExpand();  // B: C and D shown once A is
    outline->Items(1).Expand();
    for (int i = 1; i <= outline->ItemCount(); ++i) shownBefore.push_back(outline->Items(i).IsVisible());
    EXPECT_EQ(shownBefore, (std::vector<bool>{true, true, true, true, true, false, true, false}));  // E, G stay closed

    outline->FullExpand();
    outline->SetSelectedItem(4);  // D
    outline->Items(5).FullCollapse();  // E, beside B: D stays shown and selected
    EXPECT_TRUE(outline->Items(4).IsVisible());
    EXPECT_EQ(outline->SelectedItem(), 4);
    EXPECT_FALSE(outline->Items(6).IsVisible());
    EXPECT_TRUE(outline->Items(8).IsVisible());  // H, under G

    outline->Items(2).FullCollapse();  // B: the selection moves up to it
    EXPECT_EQ(outline->SelectedItem(), 2);

    outline->Delete(2);  // B with C and D; E and the rest keep their texts and order
    EXPECT_EQ(Joined(outline->Lines()), "A|\tE|\t\tF|G|\tH|");
    EXPECT_EQ(outline->SelectedItem(), 1);
    EXPECT_EQ(outline->GetTextItem("C"), 0);
    EXPECT_EQ(outline->GetTextItem("F"), 3);
    // The rooms of the three taken again, whatever order they come back in.
    for (const char* t : {"x", "y", "z"}) outline->AddChild(4, t);
    EXPECT_EQ(Joined(outline->Lines()), "A|\tE|\t\tF|G|\tH|\tx|\ty|\tz|");
    EXPECT_EQ(outline->GetTextItem("y"), 7);
}

TEST_F(OutlineTest, AnItemIsFoundByItsDataInDisplayOrder) {
    int a = 0, b = 0, absent = 0;
    const int top = outline->Add(0, "top");
    const int later = outline->Add(0, "later");
    outline->AddObject(later, "also b", &b);         // a top-level item after "later"
    const int child = outline->AddChildObject(top, "child", nullptr);
    outline->AddChildObject(child, "grandchild b", &b);  // before it in display order, added after
    outline->AddChildObject(top, "child a", &a);
    EXPECT_EQ(outline->Items(outline->GetDataItem(&b)).Text(), "grandchild b");
    EXPECT_EQ(outline->Items(outline->GetDataItem(&a)).Text(), "child a");
    EXPECT_EQ(outline->GetDataItem(&absent), 0);
}

TEST_F(OutlineTest, TextsKeepTheirBytesWhateverTheirLengthAndHowTheyChange) {
    // Texts of every length, some longer than a whole block of texts, so that blocks fill and
    // a text needs a block of its own.
    std::vector<std::string> texts;
    for (int i = 0; i < 3000; ++i)
        texts.push_back(i % 500 == 7 ? std::string(size_t(5000 + i), char('a' + i % 26)) : "item " + std::to_string(i));
    for (const std::string& t : texts) outline->Add(0, t);
    // Shorter (in place, from its own bytes), longer (new room), empty and back.
    outline->Items(8).SetText(outline->Items(8).Text().substr(2));
    texts[7] = texts[7].substr(2);
    outline->Items(2).SetText(std::string(300, 'x'));
    texts[1] = std::string(300, 'x');
    outline->Items(11).SetText(texts[10] + "!");  // one byte more than its room: new room
    texts[10] += "!";
    outline->Items(3).SetText("");
    outline->Items(3).SetText("back");
    texts[2] = "back";
    // Its length written in fewer bytes than before: the text starts earlier in its room.
    outline->Items(2).SetText(outline->Items(2).Text().substr(250));
    texts[1] = std::string(50, 'x');
    outline->Items(5).SetText(std::string(127, 'b'));
    outline->Items(5).SetText(std::string(128, 'c'));  // one byte more, and one more for its length
    texts[4] = std::string(128, 'c');
    for (int i = 0; i < int(texts.size()); ++i) ASSERT_EQ(outline->Items(i + 1).Text(), texts[size_t(i)]) << i;
    EXPECT_EQ(outline->GetTextItem("back"), 3);
    EXPECT_EQ(outline->GetTextItem(texts[1]), 2);
    EXPECT_EQ(outline->GetTextItem(texts[4]), 5);
    EXPECT_EQ(outline->GetTextItem("item 2"), 0);
    outline->Clear();
    EXPECT_EQ(outline->Add(0, "after clearing"), 1);
    EXPECT_EQ(outline->Items(1).Text(), "after clearing");
}

TEST_F(OutlineTest, AgreesWithAPlainTreeOverManyRandomChanges) {
    RefOutline ref;
    std::mt19937 rng(12345);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    outline->ExpectItems(1000);  // the text index made large before it exists...
    for (int step = 0; step < 4000; ++step) {
        if (step == 2000) outline->ExpectItems(5000);  // ...and grown while it holds erased items
        auto order = ref.Order();
        const int count = int(order.size());
        ASSERT_EQ(outline->ItemCount(), count);
        const std::string text = "t" + std::to_string(pick(40));
        const int op = count == 0 ? 0 : pick(10);
        if (op <= 3) {  // add a child, half of them under an item found by its text, as the tree tools do
            int at = count == 0 ? 0 : pick(count + 1);
            if (at > 0 && pick(2) == 0) {
                const std::string& wanted = order[size_t(at - 1)]->text;
                at = int(std::find_if(order.begin(), order.end(), [&](RefNode* n) { return n->text == wanted; }) -
                         order.begin()) + 1;
                ASSERT_EQ(outline->GetTextItem(wanted), at);
            }
            RefNode* parent = at == 0 ? &ref.root : order[size_t(at - 1)];
            RefNode* n = ref.New(text);
            RefOutline::Put(n, parent, parent->kids.size());
            const auto after = ref.Order();
            EXPECT_EQ(outline->AddChild(at, text), int(std::find(after.begin(), after.end(), n) - after.begin()) + 1);
        } else if (op == 4) {  // add a sibling
            const int at = pick(count) + 1;
            RefNode* parent = order[size_t(at - 1)]->parent;
            RefNode* n = ref.New(text);
            RefOutline::Put(n, parent, parent->kids.size());
            const auto after = ref.Order();
            EXPECT_EQ(outline->Add(at, text), int(std::find(after.begin(), after.end(), n) - after.begin()) + 1);
        } else if (op == 5) {  // insert
            const int at = pick(count) + 1;
            RefNode* before = order[size_t(at - 1)];
            RefNode* n = ref.New(text);
            RefOutline::Put(n, before->parent, RefOutline::Place(before));
            const auto after = ref.Order();
            EXPECT_EQ(outline->Insert(at, text), int(std::find(after.begin(), after.end(), n) - after.begin()) + 1);
        } else if (op == 6 && count > 20) {  // delete
            const int at = pick(count) + 1;
            RefOutline::Unlink(order[size_t(at - 1)]);
            outline->Delete(at);
        } else if (op == 7) {
            const int at = pick(count) + 1;
            order[size_t(at - 1)]->text = text;
            outline->Items(at).SetText(text);
        } else {  // move
            const int from = pick(count) + 1, to = pick(count) + 1;
            const auto mode = TAttachMode(pick(3));
            RefNode* n = order[size_t(from - 1)];
            RefNode* d = order[size_t(to - 1)];
            if (RefOutline::Under(d, n)) {
                if (d == n && mode == oaInsert) outline->Items(from).MoveTo(to, mode);  // onto itself: no change
                else EXPECT_THROW(outline->Items(from).MoveTo(to, mode), EOutlineError);
                continue;
            }
            RefOutline::Unlink(n);
            if (mode == oaInsert) RefOutline::Put(n, d->parent, RefOutline::Place(d));
            else if (mode == oaAddChild) RefOutline::Put(n, d, d->kids.size());
            else RefOutline::Put(n, d->parent, d->parent->kids.size());
            outline->Items(from).MoveTo(to, mode);
        }
        if (step % 97 == 0) {
            ASSERT_EQ(Joined(outline->Lines()), ref.Lines()) << "after step " << step;
            order = ref.Order();
            for (int t = 0; t < 40; ++t) {
                const std::string probe = "t" + std::to_string(t);
                auto it = std::find_if(order.begin(), order.end(), [&](RefNode* n) { return n->text == probe; });
                EXPECT_EQ(outline->GetTextItem(probe), it == order.end() ? 0 : int(it - order.begin()) + 1);
            }
            const auto number = [&](RefNode* n) { return int(std::find(order.begin(), order.end(), n) - order.begin()) + 1; };
            for (int i = 1; i <= int(order.size()); i += 7) {
                RefNode* n = order[size_t(i - 1)];
                EXPECT_EQ(outline->Items(i).getFirstChild(), n->kids.empty() ? -1 : number(n->kids.front()));
                const int last = n->kids.empty() ? -1 : number(n->kids.back());
                EXPECT_EQ(outline->Items(i).GetLastChild(), last);
                if (n->kids.size() > 1) {
                    EXPECT_EQ(outline->Items(i).GetNextChild(number(n->kids.front())), number(n->kids[1]));
                    EXPECT_EQ(outline->Items(i).GetPrevChild(number(n->kids[1])), number(n->kids.front()));
                }
                EXPECT_EQ(last > 0 ? outline->Items(i).GetNextChild(last) : -1, -1);
                // The first child has none before it, however the children came and went.
                EXPECT_EQ(last > 0 ? outline->Items(i).GetPrevChild(number(n->kids.front())) : -1, -1);
                if (n->kids.size() > 1) {
                    EXPECT_EQ(outline->Items(i).GetPrevChild(last), number(n->kids[n->kids.size() - 2]));
                }
                EXPECT_EQ(outline->Items(i).Parent(), n->parent == &ref.root ? nullptr : &outline->Items(number(n->parent)));
                int level = 1;
                for (RefNode* p = n->parent; p != &ref.root; p = p->parent) ++level;
                EXPECT_EQ(outline->Items(i).Level(), level);
            }
        }
    }
    EXPECT_EQ(Joined(outline->Lines()), ref.Lines());
}
