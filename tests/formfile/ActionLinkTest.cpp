// Action links at reading: what a linked component does not store comes from its action,
// what it stores stays its own, an action in an action list of an unknown class is still an
// action, and none of it is an edit the file gets back.
#include <gtest/gtest.h>

#include "host/formfile/FormModel.h"
#include "host/vcl/Controls.h"
#include "host/vcl/Menus.h"
#include "host/vcl/TypInfo.h"
#include "tests/support/TestSupport.h"

using namespace vcl;
using testsupport::Dfm;

TEST(ActionLink, LinkedComponentsTakeWhatTheyDoNotStoreFromTheirActionAndTheFileStaysAsRead) {
    const std::string text = Dfm("object F: TForm", {"Caption = 'F'"},
        {Dfm("object Menu: TMainMenu", {},
             {Dfm("object Open: TMenuItem", {"Action = OpenAction"}),
              Dfm("object Save: TMenuItem", {"Action = SaveAction", "Caption = 'Own'", "Enabled = False"})}),
         Dfm("object Go: TButton", {"Action = SaveAction"}),
         Dfm("object Actions: TActionList", {},
             {Dfm("object OpenAction: TAction", {"Caption = '&Open'", "Hint = 'Opens'", "ShortCut = 16463", "Checked = True",
                                                 "Visible = False", "ImageIndex = 3"}),
              Dfm("object SaveAction: TQxSaveAction", {"Caption = '&Save'", "Hint = 'Saves'", "Enabled = False"})})});
    auto file = formfile::TFormFile::LoadBytes(text, "actions.dfm");
    auto value = [&](const char* name, const char* prop) {
        const TComponent* c = file->Root()->FindComponent(name);
        return GetPropValue(c, GetPropInfo(c, prop));
    };
    auto* open = dynamic_cast<TMenuItem*>(file->Root()->FindComponent("Open"));
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->Caption(), "&Open");
    const std::pair<const char*, TValue> opened[] = {{"Hint", std::string("Opens")}, {"ShortCut", int64_t(16463)},
                                                     {"Checked", TIdent{"True"}}, {"Visible", TIdent{"False"}},
                                                     {"ImageIndex", int64_t(3)}};
    for (const auto& [prop, expected] : opened) EXPECT_EQ(value("Open", prop), expected) << prop;
    EXPECT_EQ(value("Save", "Caption"), TValue(std::string("Own")));
    EXPECT_EQ(value("Save", "Hint"), TValue(std::string("Saves")));
    const auto* go = dynamic_cast<TControl*>(file->Root()->FindComponent("Go"));
    EXPECT_EQ(std::tuple(go->Caption(), go->Hint(), go->Enabled()), std::tuple("&Save", "Saves", false));
    file->ApplyChanges();
    EXPECT_EQ(file->Bytes(), text);
}
