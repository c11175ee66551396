// The control detail dialog, opened by the parentage window's Edit button: the order it
// writes in and what stays applied when a field fails.
#include "outline/Ctrldetl.h"
#include "tests/outline/OutlineTestSupport.h"

using namespace vcl;

namespace {

class DetailDialog : public outlinetest::ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        button = Add<TButton>("Button1", Add<TPanel>("Panel1", form));
        button->SetBounds(10, 20, 75, 25);
        other = Add<TEdit>("Edit1", form);
    }
    // Item 3 is Button1. Every field gets a new value; `bad` gets text that is no number.
    void EditButton(const std::string& bad, const std::string& name = "Pressed", const std::string& close = "ok") {
        std::string script = "select OutlineParent 3\nclick EditBtn\n";
        for (const auto& [field, value] : {std::pair{"EdTop", "1"}, {"EdLeft", "2"}, {"EdWidth", "3"}, {"EdHeight", "4"},
                                           {"EdHint", "New hint"}, {"EdTag", "5"}, {"EdClass", "TEdit"}})
            script += std::string("set ") + field + " " + (field == bad ? "x1" : value) + "\n";
        RunScript(tavrin::showparentage, script + "set EdName " + name + "\nset CheckBox1 0\nset CheckBox2 0\n" +
                                             "set CheckBox3 1\n" + close + "\ndump\nok");
    }
    // Top, left, width, height, hint, tag, name, enabled, visible, show hint.
    std::string State() const {
        std::ostringstream s;
        s << button->Top() << ',' << button->Left() << ',' << button->Width() << ',' << button->Height() << ','
          << button->Hint() << ',' << button->Tag() << ',' << button->Name() << ',' << button->Enabled()
          << button->Visible() << button->ShowHint();
        return s.str();
    }

    TButton* button;
    TEdit* other;
};

}  // namespace

TEST_F(DetailDialog, CancelWritesNothingAndOkWritesEveryFieldButTheClass) {
    const std::string before = State();
    EditButton("", "Pressed", "cancel");
    EXPECT_EQ(State(), before);
    EditButton("");
    EXPECT_EQ(State(), "1,2,3,4,New hint,5,Pressed,001");
    EXPECT_EQ(button->ClassName(), "TButton");
    // The item keeps the old identifier, and Edit on it no longer finds the control.
    RunScript(tavrin::showparentage, "select OutlineParent 3\nclick EditBtn\nset EdName Again\nok\nclick EditBtn\ndump\nok");
    EXPECT_EQ(button->Name(), "Again");
    EXPECT_EQ(out.str().rfind("window\tTFrmInfo\t", 0), 0u);
    EXPECT_NE(out.str().find("item\t3\t2\tPressed : TButton;\n"), std::string::npos);
}

// A number field that is no number refuses OK, naming the field: the dialog stays open with
// every field as typed, and OK after the fix writes them all. A name the form refuses shows
// only when written: the error is shown, the outline window stays open for the rest of the
// script (its dump and OK), and the fields before the name stay applied.
TEST_F(DetailDialog, ANonNumberRefusesOkAndAFailingNameStopsTheWritingThere) {
    const auto shownWith = [&](const std::string& error) {
        return err.str() == error + "\n" && out.str().rfind("window\tTFrmInfo\t", 0) == 0;
    };
    EditButton("EdWidth", "Pressed", "ok\nset EdWidth 3\nok");
    EXPECT_TRUE(shownWith("error: EConvertError: Width: 'x1' is not a valid integer value")) << err.str();
    EXPECT_EQ(State(), "1,2,3,4,New hint,5,Pressed,001");
    button->SetTag(0);
    EditButton("", other->Name());
    EXPECT_TRUE(shownWith("error: EComponentError: A component named Edit1 already exists")) << err.str();
    EXPECT_EQ(State(), "1,2,3,4,New hint,5,Pressed,001");
    // An empty name is refused as any other invalid one, before the flags.
    button->SetTag(0);
    EditButton("", "");
    EXPECT_TRUE(shownWith("error: EComponentError: The name of Pressed cannot be made empty")) << err.str();
    EXPECT_EQ(State(), "1,2,3,4,New hint,5,Pressed,001");
}

// What it shows of a control is the worked examples' (ScriptDocTest).
TEST_F(DetailDialog, ItOpensOnControlItemsOnlyAndKeepsWhatWasTyped) {
    Add<TNotebook>("Notebook1", form)->AddPage("Main");
    for (int item : {1, 6}) {  // the form's item and the page's
        RunScript(tavrin::showparentage, "select OutlineParent " + std::to_string(item) + "\nclick EditBtn\ndump\nok");
        EXPECT_EQ(out.str().rfind("window\tTFrmInfo\t", 0), 0u) << item;
    }
    // Loading the control already loaded keeps what was typed.
    tavrin::TControlDetailBox box(nullptr);
    box.SetDisplControl(button);
    box.EdTop->SetText("99");
    box.SetDisplControl(button);
    EXPECT_EQ(box.EdTop->Text(), "99");
}
