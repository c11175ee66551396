#include "toolbase/Infobase.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Forms.h"
#include "tests/support/TestSupport.h"

using namespace tavrin;
using namespace vcl;

using testsupport::Make;

TEST(NodeIdentifier, NamesComponentsAndSplitsBackAtTheFirstSeparator) {
    TForm form(nullptr);
    TComponent* button = Make("TButton", &form, "Button1");
    EXPECT_EQ(NodeID(button), "Button1 : TButton;");
    EXPECT_EQ(NodeID(Make("TButton", &form, "")), " : TButton;");
    EXPECT_EQ(NodeID(nullptr), "");

    for (const auto& [id, split] : {std::pair{NodeID(button), "Button1|TButton"}, {"A : B : C;", "A|B : C"},
                                    {"Button1:TButton;", "|"}, {" : ", "|"}}) {
        std::string name = "stale", cls = "stale";
        classnamefromid(id, name, cls);
        EXPECT_EQ(name + "|" + cls, split) << id;
    }
}

TEST(PageNames, CleanCaptionsOrCountOnAsValidIdentifiersWithinARun) {
    TToolRun run;
    EXPECT_EQ(valid_componentname("Page One"), "PageOne");
    EXPECT_EQ(valid_componentname(" \tTab_2\r\n"), "Tab_2");
    EXPECT_EQ(valid_componentname("&File"), "InvalidPageName_0");
    EXPECT_EQ(valid_componentname("2nd"), "InvalidPageName_1");
    EXPECT_EQ(valid_componentname(""), "InvalidPageName_2");
    EXPECT_EQ(valid_componentname("\xDCnicode"), "InvalidPageName_3");  // a code page byte, not UTF-8
    // Well past the single digits every name still renames a page.
    TForm form(nullptr);
    auto* page = Make("TPage", &form, "P");
    std::string last;
    for (int i = 0; i < 300; ++i) {
        std::string name = valid_componentname("bad caption!");
        ASSERT_TRUE(IsValidIdent(name)) << name;
        ASSERT_NE(name, last);
        page->SetName(name);
        last = name;
    }
    EXPECT_EQ(last, "InvalidPageName_303");
    {
        TToolRun next;  // another form's run counts from 0 again, and gives the count back
        EXPECT_EQ(valid_componentname("?"), "InvalidPageName_0");
    }
    EXPECT_EQ(valid_componentname("?"), "InvalidPageName_304");
}

TEST(PropertyFunctions, SkipMissingPropertiesAndOtherKindsSilently) {
    TForm form(nullptr);
    TComponent* timer = Make("TTimer", &form, "Timer1");
    EXPECT_EQ(gethint(timer), "");
    sethint(timer, "ignored");
    EXPECT_FALSE(HasProp(timer, "hint"));
    EXPECT_TRUE(HasProp(timer, "tag"));
    EXPECT_TRUE(HasProp(timer, "TAG"));
    timer->SetTag(42);
    EXPECT_EQ(MyGetStringProp(timer, "tag"), "");
    MySetStringProp(timer, "tag", "7");
    EXPECT_EQ(timer->Tag(), 42);

    auto* button = static_cast<TControl*>(Make("TButton", &form, "Button1"));
    sethint(button, "Press to go on");
    setcaption(button, "&Go");
    EXPECT_EQ(button->Hint(), "Press to go on");
    EXPECT_EQ(getcaption(button), "&Go");
    TComponent* edit = Make("TEdit", &form, "Edit1");
    setcaption(edit, "no caption on an edit");
    EXPECT_EQ(getcaption(edit), "");
    EXPECT_EQ(MyGetStringProp(edit, "text"), "");
    EXPECT_EQ(MyGetStringProp(nullptr, "hint"), "");
    EXPECT_EQ(MyGetObjectProp(nullptr, "datasource"), nullptr);
}

// One lookup kept across components: each answer must still be the component's own class's,
// whether the classes come in runs or alternate.
TEST(PropertyFunctions, ALookupKeptAcrossComponentsAnswersForEachClass) {
    TForm form(nullptr);
    TComponent* button = Make("TButton", &form, "Button1");
    TComponent* timer = Make("TTimer", &form, "Timer1");
    TComponent* edit = Make("TEdit", &form, "Edit1");
    TComponent* item = Make("TMenuItem", &form, "Item1");
    TComponent* action = Make("TAction", &form, "Action1");
    setcaption(button, "&Go");
    sethint(button, "Goes on");
    setcaption(item, "&Open");
    sethint(item, "Opens a file");
    setcaption(action, "Save");
    TPropertyOf caption("Caption"), hint("hint");
    std::string scratch;
    for (const TComponent* c : {button, button, timer, edit, item, action, timer, button, edit, item}) {
        EXPECT_EQ(caption.Has(c), HasProp(c, "caption")) << c->Name();
        EXPECT_EQ(caption.String(c), getcaption(c)) << c->Name();
        EXPECT_EQ(hint.Has(c), HasProp(c, "hint")) << c->Name();
        // The view reads what a copy reads, wherever the class keeps the text.
        EXPECT_EQ(caption.Text(c, scratch), getcaption(c)) << c->Name();
        EXPECT_EQ(hint.Text(c, scratch), gethint(c)) << c->Name();
    }
    EXPECT_EQ(caption.Text(item, scratch), "&Open");
    EXPECT_EQ(caption.Text(action, scratch), "Save");
    EXPECT_EQ(caption.Text(edit, scratch), "");
    EXPECT_EQ(caption.String(button), "&Go");
    EXPECT_FALSE(hint.Has(timer));
    EXPECT_FALSE(caption.Has(nullptr));
}

TEST(PropertyFunctions, ObjectPropertyGivesTheDataSourceOfADataAwareControl) {
    TForm form(nullptr);
    TComponent* source = Make("TDataSource", &form, "DataSource1");
    TComponent* edit = Make("TDBEdit", &form, "DBEdit1");
    TComponent* label = Make("TLabel", &form, "Label1");
    EXPECT_EQ(MyGetObjectProp(edit, "datasource"), nullptr);
    SetObjectProp(edit, GetPropInfo(edit, "DataSource"), source);
    EXPECT_EQ(MyGetObjectProp(edit, "datasource"), source);
    EXPECT_EQ(MyGetObjectProp(label, "datasource"), nullptr);
    EXPECT_EQ(MyGetObjectProp(edit, "datafield"), nullptr);  // a string property
}
