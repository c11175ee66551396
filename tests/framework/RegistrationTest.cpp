#include <gtest/gtest.h>

#include "toolbase/Infobase.h"
#include "toolbase/TavrinQA.h"
#include "framework/ZorQAEditors.h"
#include "framework/cfrminfo.h"
#include "framework/zorQAReg.h"
#include "framework/AboutPicture.h"
#include "host/controls/Zorabou2.h"
#include "host/controls/ControlClasses.h"
#include "host/designer/DesignIntf.h"
#include "host/vcl/Forms.h"
#include "host/vcl/Resources.h"
#include "tests/support/TestSupport.h"

using namespace tavrin;
using namespace vcl;

namespace {

class Editors : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterControlClasses();  // the host's windows, as the program registers them
        Register();
        saved_ = Application()->ExeName();
        Application()->SetExeName(home_.File("host"));
        SetModalRunner([this](TCustomForm& form) {
            shown_.push_back(form.Caption());
            auto* box = dynamic_cast<zorbase::TZorAboutBox*>(&form);
            if (box) pictureWidth_ = box->PictureWidth();
            EXPECT_EQ(zorbase::ZorAboutBox, box);
            return mrOk;
        });
    }
    void TearDown() override {
        SetModalRunner(nullptr);
        Application()->SetExeName(saved_);
    }
    // What a path reached: the windows it showed, or the tool it named as not built yet.
    std::string Reached(const std::function<void()>& action) {
        shown_.clear();
        std::string reached;
        try {
            action();
        } catch (const EToolUnavailable& e) {
            reached = e.Message();
        }
        for (const auto& caption : shown_) reached += "|" + caption;
        return reached;
    }

    testsupport::TempDir home_;
    std::string saved_;
    std::vector<std::string> shown_;
    int pictureWidth_ = -1;
};

}  // namespace

TEST_F(Editors, RegistrationPutsTheComponentOnItsPageWithNineEditorsOnce) {
    Register();
    const auto& d = designer::Designer();
    std::vector<std::string> palette;
    for (const auto& e : d.Palette()) {
        EXPECT_EQ(e.page, "Tavrin");
        palette.push_back(e.className);
    }
    EXPECT_EQ(palette, (std::vector<std::string>{"TTavrinQA", "TSPList", "TDatabaseList", "TTableList", "TFieldList",
                                                 "TIndexList"}));
    std::vector<std::string> names;
    for (const auto& e : d.PropertyEditors()) names.push_back(e.propertyName);
    EXPECT_EQ(names, (std::vector<std::string>{"About", "Parentage", "Hints", "DataInfo", "Positions", "Tabs",
                                               "MenuInfo", "AllComponents", "FormData"}));
    EXPECT_EQ(d.ComponentEditors().size(), 1u);
}

TEST_F(Editors, VerbsHaveTheirCaptionsAndADoubleClickShowsTheAboutBox) {
    TForm form(nullptr);
    auto* qa = new TTavrinQA(&form);
    auto editor = designer::Designer().CreateComponentEditor(qa);
    ASSERT_EQ(editor->GetVerbCount(), 9);
    std::vector<std::string> captions;
    for (int i = 0; i < 9; ++i) captions.push_back(editor->GetVerb(i));
    EXPECT_EQ(captions, (std::vector<std::string>{"About", "DataInfo", "Hints", "MenuInfo", "Parentage",
                                                  "Positions", "Tabs", "All Components", "Form Data"}));
    EXPECT_EQ(editor->GetVerb(9), "");
    EXPECT_EQ(editor->GetVerb(-1), "");
    editor->ExecuteVerb(9);  // runs nothing
    EXPECT_TRUE(shown_.empty());
    editor->Edit();
    EXPECT_EQ(shown_, std::vector<std::string>{"About Tavrin QA"});
    EXPECT_EQ(zorbase::ZorAboutBox, nullptr);  // freed after use
    EXPECT_EQ(pictureWidth_, 48);             // the program's own picture
}

TEST_F(Editors, VerbAndPropertyEditorReachTheSameToolOnTheSameForm) {
    TForm form(nullptr);
    form.SetName("Form1");
    auto* qa = new TTavrinQA(&form);
    auto verbs = designer::Designer().CreateComponentEditor(qa);
    const std::pair<int, const char*> pairs[] = {{1, "DataInfo"}, {2, "Hints"}, {3, "MenuInfo"}, {4, "Parentage"},
                                                 {5, "Positions"}, {6, "Tabs"}, {7, "AllComponents"}, {8, "FormData"}};
    for (auto [verb, prop] : pairs) {
        auto editor = designer::Designer().CreatePropertyEditor(qa, prop);
        ASSERT_NE(editor, nullptr) << prop;
        EXPECT_TRUE(editor->GetAttributes() & designer::paDialog);
        const std::string byVerb = Reached([&] { verbs->ExecuteVerb(verb); });
        EXPECT_FALSE(byVerb.empty()) << prop;
        EXPECT_EQ(byVerb, Reached([&] { editor->Edit(); })) << prop;
    }
}

TEST_F(Editors, TheAboutBoxShowsTheProgramsBitmapWhenItCarriesOne) {
    static const std::string bitmap = [] {
        std::string b(54, '\0');
        b[0] = 'B';
        b[1] = 'M';
        b[18] = 24;  // width
        b[22] = 16;  // height
        return b;
    }();
    RegisterResource("ttavrinqa", bitmap);
    TAVrinQAAbout();
    EXPECT_EQ(pictureWidth_, 24);
    static const std::string junk = "not a bitmap at all, not at all";
    RegisterResource("TTAVRINQA", junk);
    EXPECT_THROW(TAVrinQAAbout(), EInvalidGraphic);
    EXPECT_EQ(zorbase::ZorAboutBox, nullptr);
    RegisterResource("TTAVRINQA", AboutPicture());
}
