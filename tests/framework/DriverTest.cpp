#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/cfrminfo.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Forms.h"
#include "tests/support/TestSupport.h"

using namespace tavrin;
using namespace vcl;

namespace {

// Records what the driver does to it, and can be told to fail at one step.
class ProbeTool : public tZorFrmInfo {
public:
    explicit ProbeTool(TComponent*) {}
    ~ProbeTool() override { Log().push_back("freed"); }

    static std::vector<std::string>& Log() {
        static std::vector<std::string> log;
        return log;
    }
    static std::string& FailAt() {
        static std::string step;
        return step;
    }

    void categorisecontrols() override {
        Step("categorise");
        tZorFrmInfo::categorisecontrols();
    }
    void ProcessControls() override { Step("process"); }
    bool execute() override {
        Step("execute");
        return true;
    }

private:
    void Step(const std::string& name) {
        const bool hourglass = Screen()->Cursor() == crHourGlass;
        Log().push_back(name + (hourglass ? "(busy)" : "(idle)") + (form ? "" : "(no form)"));
        if (FailAt() == name) throw EConvertError("failed in " + name);
    }
};

ProbeTool* ZorProbe = nullptr;

class Driver : public ::testing::Test {
protected:
    void SetUp() override {
        ProbeTool::Log().clear();
        ProbeTool::FailAt().clear();
    }
};

}  // namespace

// The steps run in order, busy until the window shows; a step that raises frees the tool and
// restores the cursor all the same, and no window opens when building the view fails.
TEST_F(Driver, RunsTheOperationsInOrderAndCleansUpWhenAStepRaises) {
    TForm form(nullptr);
    using Log = std::vector<std::string>;
    for (const auto& [step, log] : {std::pair{"", Log{"categorise(busy)", "process(busy)", "execute(idle)", "freed"}},
                                    {"categorise", Log{"categorise(busy)", "freed"}},
                                    {"process", Log{"categorise(busy)", "process(busy)", "freed"}},
                                    {"execute", Log{"categorise(busy)", "process(busy)", "execute(idle)", "freed"}}}) {
        ProbeTool::Log().clear();
        ProbeTool::FailAt() = step;
        // The error reaches the caller.
        EXPECT_EQ(testsupport::ErrorOf<EConvertError>([&] { RunEntry(ZorProbe, &form); }),
                  *step == '\0' ? std::string("no error") : std::string("failed in ") + step);
        EXPECT_EQ(ProbeTool::Log(), log) << step;
        EXPECT_EQ(Screen()->Cursor(), crDefault);
        EXPECT_EQ(ZorProbe, nullptr);
    }
}

TEST_F(Driver, WithoutAFormTheToolStillRunsAndCollectsNothing) {
    auto tool = std::make_unique<ProbeTool>(nullptr);
    ProbeTool* probe = tool.get();
    probe->categorisecontrols();
    EXPECT_EQ(probe->alloclist.Count(), 0);
    EXPECT_FALSE(probe->oktoproceed());
    RunTool(std::move(tool), nullptr);
    EXPECT_EQ(ProbeTool::Log().back(), "freed");
}

TEST(BaseCategorise, ListsOnlyTheFormsOwnControlsInComponentOrder) {
    TForm form(nullptr);
    auto& cat = ClassCatalogue();
    cat.CreateComponent("TMainMenu", &form);
    cat.CreateComponent("TLabel", &form);
    auto* book = static_cast<TWinControl*>(cat.CreateComponent("TNotebook", &form));
    cat.CreateComponent("TTable", &form);
    cat.CreateComponent("TEdit", &form);
    cat.CreateComponent("TPage", book);  // owned by the notebook, not the form
    ProbeTool tool(nullptr);
    tool.form = &form;
    tool.categorisecontrols();
    ASSERT_EQ(tool.alloclist.Count(), 3);
    EXPECT_EQ(tool.alloclist[0].index, 1);
    EXPECT_EQ(tool.alloclist[1].index, 2);
    EXPECT_EQ(tool.alloclist[2].index, 4);
    EXPECT_FALSE(tool.alloclist[2].allocated);
    EXPECT_EQ(tool.alloccount, 0);

    TForm empty(nullptr);
    cat.CreateComponent("TTimer", &empty);
    ProbeTool none(nullptr);
    none.form = &empty;
    none.categorisecontrols();
    EXPECT_EQ(none.alloclist.Count(), 0);
}
