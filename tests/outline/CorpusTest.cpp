// The three outline tools on every real form: no error but the ones they are meant to give.
// (OK without an edit writing nothing is the session corpus test's; a new tab order on the
// real forms changing nothing but tab orders is the check's fix corpus test's.)
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
