// The three outline tools on every real form: no error but the ones they are meant to give,
// and a scripted tab reorder changes nothing in the saved file but tab orders. (OK without an
// edit writing nothing is the session corpus test's.)
#include <regex>
#include <set>

#include "host/formfile/FormModel.h"
#include "tests/support/TestSupport.h"
#include "tests/outline/OutlineTestSupport.h"

using namespace vcl;
using tavrin::NodeID;

namespace {

std::vector<std::pair<std::string, std::string>> Forms() { return testsupport::WellFormedCorpusForms(); }

class Corpus : public outlinetest::ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        if (Forms().empty()) GTEST_SKIP() << "no form corpus at " TAVRIN_FORMS_DIR;
    }
    static bool HasPages(TComponent* root) {
        for (int i = 0; i < root->ComponentCount(); ++i)
            if (Is<TNotebookBase>(root->Components(i))) return true;
        return false;
    }
};

}  // namespace

TEST_F(Corpus, EveryFormRunsTheThreeToolsWithOnlyTheirOwnErrors) {
    int runs = 0;
    for (const auto& [path, notes] : Forms()) {
        for (auto entry : {tavrin::showparentage, tavrin::showalltabs, tavrin::showMenus}) {
            auto file = Load(path);
            TComponent* root = file->Root();
            outlinetest::CodeBackend backend;
            try {
                backend = Run(entry, [] { return mrOk; }, root);
                ++runs;
            } catch (const EComponentError&) {
                EXPECT_TRUE(HasPages(root) && entry != tavrin::showMenus) << path;  // a page name refused
                continue;
            } catch (const EInvalidCast&) {
                EXPECT_TRUE(entry == tavrin::showalltabs && !Is<TWinControl>(root)) << path;
                continue;
            }
            for (const std::string& m : backend.messages) EXPECT_EQ(m, "WinControls unallocated after 10 iterations");
            std::set<std::string> items;
            for (const auto& item : shown.items) items.insert(item.first);
            for (int i = 0; entry == tavrin::showparentage && backend.messages.empty() && i < root->ComponentCount(); ++i)
                EXPECT_TRUE(!Is<TControl>(root->Components(i)) || items.count(NodeID(root->Components(i)))) << path;
        }
    }
    EXPECT_GT(runs, 450);
}

TEST_F(Corpus, NamedLazarusPagesKeepTheNamesTheirUnitDeclares) {
    const std::string path = TAVRIN_FORMS_DIR "/doublecmd__doublecmd/src__ftweakplugin.lfm";
    for (auto entry : {tavrin::showparentage, tavrin::showalltabs}) {
        auto file = Load(path);
        Run(entry, [] { return mrOk; }, file->Root());
        TComponent* book = file->Root()->FindComponent("nbTweakAll");
        ASSERT_NE(book, nullptr);
        for (const std::string page : {"pgTweakPacker", "pgTweakOther"}) {
            ASSERT_NE(book->FindComponent(page), nullptr) << page;
            EXPECT_TRUE(shown.Has(page + " : TPage;")) << page;
        }
        EXPECT_EQ(shown.Children("pgTweakOther : TPage;"),
                  outlinetest::Names{NodeID(file->Root()->FindComponent("pnlTweakOther"))});
        EXPECT_EQ(Saved(*file), testsupport::ReadFile(path));
    }
}

TEST_F(Corpus, AScriptedTabReorderChangesOnlyTabOrderValuesInTheSavedFile) {
    const std::regex tabOrder(R"(\s*TabOrder = \d+\r?)");
    int reordered = 0;
    for (const auto& [path, notes] : Forms()) {
        if (notes.find("binary") != std::string::npos || notes.find("notebook") != std::string::npos) continue;
        auto file = Load(path);
        if (!Is<TWinControl>(file->Root())) continue;
        // The last of the first two or more siblings whose class keeps its tab order in the
        // file goes before the first.
        std::string drag, moved;
        auto stored = [&](const TOutlineNode& n) {
            std::string name, cls;
            tavrin::classnamefromid(n.Text(), name, cls);
            return tavrin::HasProp(file->Root()->FindComponent(name), "TabOrder");
        };
        Run(tavrin::showalltabs, [&] {
            TOutline* o = tavrin::FrmInfo->OutlineParent;
            for (TOutlineNode* n : o->Nodes()) {
                const int32_t head = n->getFirstChild(), tail = n->GetLastChild();
                if (drag.empty() && head != tail && stored(o->Items(head)) && stored(o->Items(tail))) {
                    drag = "drag OutlineParent " + std::to_string(tail) + " " + std::to_string(head) + "\nok";
                    moved = o->Items(tail).Text();
                }
            }
            return mrCancel;
        }, file->Root());
        if (drag.empty()) continue;
        auto reorder = Load(path);
        ui::TScriptBackend script(drag, "reorder", out, out);
        {
            ui::TInstalled installed(script);
            tavrin::showalltabs(reorder->Root());
        }
        std::string name, cls;
        tavrin::classnamefromid(moved, name, cls);
        EXPECT_EQ(static_cast<TWinControl*>(reorder->Root()->FindComponent(name))->TabOrder(), 0) << path;
        // Lines are the same, or a tab order changed, or one was added where the file left
        // the default.
        const auto b = testsupport::SplitLines(testsupport::ReadFile(path)), a = testsupport::SplitLines(Saved(*reorder));
        size_t i = 0, changed = 0;
        for (size_t j = 0; j < a.size(); ++j) {
            if (i < b.size() && a[j] == b[i]) {
                ++i;
                continue;
            }
            ASSERT_TRUE(std::regex_match(a[j], tabOrder)) << path << ": " << a[j];
            i += i < b.size() && std::regex_match(b[i], tabOrder);
            ++changed;
        }
        EXPECT_EQ(i, b.size()) << path;
        EXPECT_GT(changed, 0u) << path;
        ++reordered;
    }
    EXPECT_GT(reordered, 50);
}
