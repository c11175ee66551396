#include <gtest/gtest.h>

#include "host/controls/Canvas.h"
#include "host/controls/ControlClasses.h"
#include "host/controls/DesignedForm.h"
#include "host/controls/Dialogs.h"
#include "host/controls/StdCtrls.h"
#include "tests/support/TestSupport.h"

using namespace vcl;

namespace {

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterControlClasses(); }
    TForm form{nullptr};
    TPanel* panel = Placed(new TPanel(&form), &form);

    template <class T>
    static T* Placed(T* control, TWinControl* parent) {
        control->SetParent(parent);
        return control;
    }
};

}  // namespace

TEST_F(ControlsTest, AButtonGivesItsModalResultToItsFormBeforeItsHandlerRuns) {
    auto* button = Placed(new TButton(&form), panel);
    button->SetModalResult(mrRetry);
    TModalResult seen = mrNone;
    button->OnClick() = [&](TObject* sender) {
        EXPECT_EQ(sender, button);
        seen = form.ModalResult();
    };
    button->Click();
    EXPECT_EQ(seen, mrRetry);
    EXPECT_EQ(form.ModalResult(), mrRetry);
    form.SetModalResult(mrNone);
    auto* plain = Placed(new TButton(&form), panel);
    plain->Click();  // no modal result: the form keeps its own
    EXPECT_EQ(form.ModalResult(), mrNone);
}

TEST_F(ControlsTest, ABitmapButtonsKindGivesStandardCaptionAndResultUnlessChanged) {
    auto* ok = Placed(new TBitBtn(&form), panel);
    ok->SetKind(bkOK);
    EXPECT_EQ(ok->Caption(), "OK");
    EXPECT_EQ(ok->ModalResult(), mrOk);
    ok->SetKind(bkCancel);
    EXPECT_EQ(ok->Caption(), "Cancel");
    EXPECT_EQ(ok->ModalResult(), mrCancel);
    ok->SetCaption("Paste");
    ok->SetKind(bkHelp);
    EXPECT_EQ(ok->Caption(), "Paste");  // a caption of one's own stays
    EXPECT_EQ(ok->ModalResult(), mrNone);
    ok->Click();
    EXPECT_EQ(form.ModalResult(), mrNone);

    TDesignedForm window(nullptr, "TCloseTestForm");
    auto* close = Placed(new TBitBtn(&window), &window);
    close->SetKind(bkClose);
    close->Click();
    EXPECT_EQ(window.ModalResult(), mrCancel);
}

TEST_F(ControlsTest, EditsAndCheckBoxesRunTheirHandlersOnlyWhenTheValueChanges) {
    auto* edit = Placed(new TEdit(&form), panel);
    auto* check = Placed(new TCheckBox(&form), panel);
    int changes = 0, clicks = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    check->OnClick() = [&](TObject*) { ++clicks; };
    edit->SetText("12");
    edit->SetText("12");
    check->SetChecked(true);
    check->SetChecked(true);
    check->SetChecked(false);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(clicks, 2);
    SetPropValue(edit, GetPropInfo(edit, "Text"), std::string("13"));  // through the property too
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(edit->Text(), "13");
}

TEST_F(ControlsTest, AComboBoxChoiceRunsClickThenChangeButSettingTheIndexRunsNothing) {
    auto* combo = Placed(new TComboBox(&form), panel);
    combo->Items().SetText("Class\nParent\nName");
    std::string calls;
    combo->OnClick() = [&](TObject*) { calls += "click;"; };
    combo->OnChange = [&](TObject*) { calls += "change" + std::to_string(combo->ItemIndex()) + ";"; };
    combo->SetItemIndex(1);
    EXPECT_EQ(combo->Text(), "Parent");
    combo->Choose(2);
    EXPECT_EQ(calls, "click;change2;");
    EXPECT_THROW(combo->Choose(3), EListError);
    combo->SetItemIndex(7);
    EXPECT_EQ(combo->Text(), "");
}

TEST_F(ControlsTest, TextIsMeasuredByTheDocumentedModel) {
    TCanvas canvas;
    canvas.Font.Name = "System";
    canvas.Font.Height = 16;
    EXPECT_EQ(canvas.TextWidth("M"), 12);
    EXPECT_EQ(canvas.TextWidth("il"), 8);
    EXPECT_EQ(canvas.TextWidth("ab"), 16);
    EXPECT_EQ(canvas.TextWidth("\xC3\xA9"), 8);  // one character in two bytes
    canvas.Font.Bold = true;
    EXPECT_EQ(canvas.TextWidth("ab"), 18);
    EXPECT_EQ(canvas.TextHeight("x"), 16);
}

TEST_F(ControlsTest, ASaveDialogAddsTheDefaultExtensionToANameWithoutOne) {
    TSaveDialog dialog(&form);
    dialog.SetDefaultExt("txt");
    std::string answer;
    SetSaveDialogRunner([&](TSaveDialog&) { return std::optional<std::string>(answer); });
    answer = "/tmp/dir.v2/out";
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), "/tmp/dir.v2/out.txt");
    answer = "out.csv";
    dialog.Execute();
    EXPECT_EQ(dialog.FileName(), "out.csv");
    answer = "";
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), "");  // an empty name stays empty
    SetSaveDialogRunner(nullptr);
}

TEST_F(ControlsTest, ASaveDialogWithOverwritePromptAsksBeforeTakingAnExistingFile) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("old.txt"), "");
    TSaveDialog dialog(&form);
    dialog.SetDefaultExt("txt");
    std::vector<std::string> answers, asked;
    int reply = IDNO;
    SetSaveDialogRunner([&](TSaveDialog&) {
        std::optional<std::string> next;
        if (!answers.empty()) next = answers.front(), answers.erase(answers.begin());
        return next;
    });
    SetMessageBoxRunner([&](const std::string& text, const std::string&, int flags) {
        asked.push_back(text + (flags & MB_YESNO ? " (yes/no)" : ""));
        return reply;
    });
    answers = {dir.File("old")};
    EXPECT_TRUE(dialog.Execute());
    EXPECT_TRUE(asked.empty());  // without the option nobody is asked
    dialog.WriteProperty(*GetPropInfo(&dialog, "Options"), TSetValue{{"ofHideReadOnly", "ofOverwritePrompt"}});
    // No goes back to the choice; a new file is taken without a question; Yes takes the old one.
    answers = {dir.File("old"), dir.File("new"), dir.File("old.txt")};
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), dir.File("new.txt"));
    reply = IDYES;
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), dir.File("old.txt"));
    const std::string question = dir.File("old.txt") + " already exists. Do you want to replace it? (yes/no)";
    EXPECT_EQ(asked, (std::vector<std::string>{question, question}));
    SetSaveDialogRunner(nullptr);
    SetMessageBoxRunner(nullptr);
}
