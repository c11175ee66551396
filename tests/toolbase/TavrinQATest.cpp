#include <gtest/gtest.h>

#include "toolbase/Infobase.h"
#include "toolbase/TavrinQA.h"
#include "host/vcl/ClassCatalogue.h"
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

TEST_F(QAComponent, OpensTheSettingsFileBesideTheHostAndMakesItCurrent) {
    TForm form(nullptr);
    auto* qa = new TTavrinQA(&form);
    EXPECT_EQ(qa->Settings().FileName(), home_.File("tavrinqa.ini"));
    EXPECT_EQ(aninifile, &qa->Settings());
    EXPECT_EQ(qa->Owner(), &form);
    EXPECT_EQ(qa->GetAll(), &form);
    qa->SetAll(nullptr);
    EXPECT_EQ(qa->GetAll(), &form);
}

TEST_F(QAComponent, ReadingAnyToolPropertyGivesTheFormAndSelectsItsSettings) {
    TForm form1(nullptr), form2(nullptr);
    auto* qa1 = new TTavrinQA(&form1);
    auto* qa2 = new TTavrinQA(&form2);
    EXPECT_EQ(aninifile, &qa2->Settings());
    const TPropInfo* prop = GetPropInfo(qa1, "parentage");
    ASSERT_NE(prop, nullptr);
    EXPECT_EQ(GetObjectProp(qa1, prop), &form1);
    EXPECT_EQ(aninifile, &qa1->Settings());
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

TEST_F(QAComponent, TwoFormsShareOneSettingsFile) {
    TForm form1(nullptr), form2(nullptr);
    auto* qa1 = new TTavrinQA(&form1);
    auto* qa2 = new TTavrinQA(&form2);
    qa1->GetAll();
    aninifile->WriteInteger("Parent Editor", "Window Left", 120);
    qa2->GetAll();
    EXPECT_TRUE(aninifile->sect_exist("Parent Editor"));
    EXPECT_EQ(aninifile->ReadInteger("Parent Editor", "Window Left", 0), 120);
}

TEST_F(QAComponent, CurrentSettingsNeverOutliveTheirComponent) {
    auto form1 = std::make_unique<TForm>(nullptr);
    auto form2 = std::make_unique<TForm>(nullptr);
    auto* qa1 = new TTavrinQA(form1.get());
    new TTavrinQA(form2.get());
    qa1->SETini();
    auto* qa3 = new TTavrinQA(form2.get());
    qa1->SETini();
    form1.reset();  // destroys qa1, whose settings were current
    EXPECT_EQ(aninifile, &qa3->Settings());  // the newest remaining one
    form2.reset();
    EXPECT_EQ(aninifile, nullptr);
}

TEST_F(QAComponent, ADataModuleOwnerIsInspectedAsTheForm) {
    TDataModule module(nullptr);
    TTavrinQA::StaticClass();  // registered, as the package's registration does
    auto* qa = static_cast<TTavrinQA*>(ClassCatalogue().CreateComponent("TTavrinQA", &module));
    EXPECT_EQ(qa->GetAll(), &module);
    EXPECT_EQ(qa->ClassName(), "TTavrinQA");
}
