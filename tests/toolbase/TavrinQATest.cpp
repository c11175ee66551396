#include <gtest/gtest.h>

#include "toolbase/Infobase.h"
#include "toolbase/TavrinQA.h"
#include "host/vcl/Forms.h"
#include "tests/support/TestSupport.h"

using namespace tavrin;
using namespace vcl;

namespace {

// Points the host's executable into a fresh folder, so no real settings file is touched.
class QAComponent : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = Application()->ExeName();
        Application()->SetExeName(home_.File("delphi32"));
    }
    void TearDown() override { Application()->SetExeName(saved_); }
    testsupport::TempDir home_;
    std::string saved_;
};

}  // namespace

// Two forms share one settings file; reading a tool property selects the reader's.
TEST_F(QAComponent, ReadingAnyToolPropertyGivesTheFormAndSelectsItsSettings) {
    TForm form1(nullptr), form2(nullptr);
    auto* qa1 = new TTavrinQA(&form1);
    auto* qa2 = new TTavrinQA(&form2);
    EXPECT_EQ(aninifile, &qa2->Settings());
    const TPropInfo* prop = GetPropInfo(qa1, "parentage");
    ASSERT_NE(prop, nullptr);
    EXPECT_EQ(GetObjectProp(qa1, prop), &form1);
    EXPECT_EQ(aninifile, &qa1->Settings());
    aninifile->WriteInteger("Parent Editor", "Window Left", 120);
    qa2->GetAll();
    EXPECT_EQ(aninifile->ReadInteger("Parent Editor", "Window Left", 0), 120);
    int count = 0;
    for (const TPropInfo* p : qa1->ClassType().AllProperties()) {
        if (p->Kind != TTypeKind::tkClass) continue;
        ++count;
        EXPECT_FALSE(p->Stored) << p->Name;
        SetObjectProp(qa2, GetPropInfo(qa2, p->Name), &form1);  // has no effect
        EXPECT_EQ(GetObjectProp(qa2, GetPropInfo(qa2, p->Name)), &form2);
    }
    EXPECT_EQ(count, 9);
}

TEST_F(QAComponent, CurrentSettingsNeverOutliveTheirComponent) {
    auto form1 = std::make_unique<TForm>(nullptr);
    auto form2 = std::make_unique<TForm>(nullptr);
    auto* qa1 = new TTavrinQA(form1.get());
    new TTavrinQA(form2.get());
    auto* qa3 = new TTavrinQA(form2.get());
    qa1->SETini();
    form1.reset();  // destroys qa1, whose settings were current
    EXPECT_EQ(aninifile, &qa3->Settings());  // the newest remaining one
    form2.reset();
    EXPECT_EQ(aninifile, nullptr);
}
