#include <gtest/gtest.h>

#include "host/controls/Zorabou2.h"
#include "host/designer/DesignIntf.h"
#include "host/vcl/ClassCatalogue.h"

using namespace designer;
using namespace vcl;

namespace {

std::vector<std::string> journal;

class VerbEditor : public TComponentEditor {
public:
    using TComponentEditor::TComponentEditor;
    int GetVerbCount() override { return 2; }
    std::string GetVerb(int i) override { return i == 0 ? "First" : "Second"; }
    void ExecuteVerb(int i) override { journal.push_back("verb " + std::to_string(i)); }
};

class OpeningEditor : public zorbase::TZorAboutpropedit {
public:
    using TZorAboutpropedit::TZorAboutpropedit;
    void Edit() override { journal.push_back("edit " + GetName()); }
};

}  // namespace

TEST(Designer, FindsEditorsByClassAncestryAndPropertyNameLatestFirst) {
    TDesignerRegistry reg;
    reg.RegisterComponents("Samples", {"TTimer", "TDataSource"});
    reg.RegisterComponentEditor("TComponent", [](TComponent* c) { return std::make_unique<TComponentEditor>(c); });
    reg.RegisterComponentEditor("TTimer", [](TComponent* c) { return std::make_unique<VerbEditor>(c); });
    reg.RegisterPropertyEditor("TDataSet", "TDataSource", "DataSet",
                               [](TPersistent* c, const TPropInfo* p) { return std::make_unique<OpeningEditor>(c, p); });
    ASSERT_EQ(reg.Palette().size(), 2u);
    EXPECT_EQ(reg.Palette()[1].className, "TDataSource");

    TForm form(nullptr);
    TComponent* timer = ClassCatalogue().CreateComponent("TTimer", &form);
    TComponent* source = ClassCatalogue().CreateComponent("TDataSource", &form);
    journal.clear();
    reg.CreateComponentEditor(timer)->Edit();  // a double-click runs the first verb
    reg.CreateComponentEditor(source)->Edit();  // the default editor has no verbs
    EXPECT_EQ(journal, std::vector<std::string>{"verb 0"});

    auto editor = reg.CreatePropertyEditor(source, "dataset");
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->GetAttributes() & paDialog);
    EXPECT_TRUE(editor->GetAttributes() & paReadOnly);
    EXPECT_EQ(editor->GetValue(), "(DataSet)");
    EXPECT_THROW(editor->SetValue("x"), EPropertyError);
    editor->Edit();
    EXPECT_EQ(journal.back(), "edit DataSet");
    EXPECT_EQ(reg.CreatePropertyEditor(source, "Name"), nullptr);
    EXPECT_EQ(reg.CreatePropertyEditor(timer, "NoSuchProperty"), nullptr);
}
