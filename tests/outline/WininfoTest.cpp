// The parentage tree: where each control stands and in what order, how deep the passes
// reach, how notebook pages are named, and how nodes find their components again.
#include "tests/outline/OutlineTestSupport.h"

using namespace vcl;
using outlinetest::Names;
using tavrin::NodeID;

namespace {

using Parentage = outlinetest::ToolTest;
const Names kLimit{"WinControls unallocated after 10 iterations"};

}  // namespace

TEST_F(Parentage, SiblingsStandInFormOrderWhenPlacedInOnePassAndByPassOtherwise) {
    // Early is listed before the panel that holds it, so the pass that places the panel has
    // already gone by it: it comes after Late, which is listed after the panel.
    auto* early = new TEdit(form);
    early->SetName("Early");
    auto* label = Add<TLabel>("Label1", form);
    auto* outer = Add<TPanel>("Outer", form);
    auto* panel = Add<TPanel>("Panel1", outer);
    auto* late = Add<TEdit>("Late", panel);
    auto* later = Add<TEdit>("Later", panel);
    early->SetParent(panel);
    const auto backend = Run(tavrin::showparentage);
    EXPECT_EQ(shown.Children(NodeID(form)), (Names{NodeID(label), NodeID(outer)}));
    EXPECT_EQ(shown.Children(NodeID(outer)), Names{NodeID(panel)});
    EXPECT_EQ(shown.Children(NodeID(panel)), (Names{NodeID(late), NodeID(later), NodeID(early)}));
    EXPECT_TRUE(backend.messages.empty());
    EXPECT_EQ(backend.captions, Names{"Parentage for " + NodeID(form)});
}

TEST_F(Parentage, PassesPlaceElevenLevelsListedInReverseButNotTwelve) {
    for (int levels : {11, 12}) {
        TForm chainForm(nullptr);
        chainForm.SetName("Chain");
        std::vector<TPanel*> chain(static_cast<size_t>(levels));
        for (int i = levels - 1; i >= 0; --i) {  // each panel before the one holding it
            chain[size_t(i)] = new TPanel(&chainForm);
            chain[size_t(i)]->SetName("Level" + std::to_string(i + 1));
        }
        chain[0]->SetParent(&chainForm);
        for (size_t i = 1; i < chain.size(); ++i) chain[i]->SetParent(chain[i - 1]);
        const auto backend = Run(tavrin::showparentage, nullptr, &chainForm);
        EXPECT_EQ(backend.messages, levels == 11 ? Names{} : kLimit) << levels;
        EXPECT_EQ(shown.Children(NodeID(chain[9])), Names{NodeID(chain[10])}) << levels;
        EXPECT_EQ(shown.items.size(), 12u) << levels;  // the form and eleven levels, no more
    }
}

TEST_F(Parentage, NotebookPagesAreNamedFromTheirCaptionsAndHoldTheirControls) {
    tavrin::TToolRun run;
    auto* book = Add<TNotebook>("Notebook1", form);
    auto* one = book->AddPage("Page One");
    auto* options = book->AddPage("Options");
    auto* tabbed = Add<TTabbedNotebook>("Tabs1", form);
    auto* digit = tabbed->AddPage("1st page");
    auto* amp = tabbed->AddPage("&Setup");
    auto* edit = Add<TEdit>("OnPageOne", one);
    auto* button = Add<TButton>("OnFirst", digit);
    Run(tavrin::showparentage);
    EXPECT_EQ((Names{one->Name(), options->Name(), digit->Name(), amp->Name()}),
              (Names{"PageOne", "Options", "InvalidPageName_0", "InvalidPageName_1"}));
    EXPECT_EQ(shown.Children(NodeID(book)), (Names{NodeID(one), NodeID(options)}));
    EXPECT_EQ(shown.Children(NodeID(one)), Names{NodeID(edit)});
    EXPECT_EQ(shown.Children(NodeID(digit)), Names{NodeID(button)});

    // A name the notebook refuses ends the run before the window; earlier renames stay.
    auto* again = Add<TNotebook>("Notebook2", form);
    auto* first = again->AddPage("Page Two");
    again->AddPage("PageTwo");
    EXPECT_THROW(Run(tavrin::showparentage), EComponentError);
    EXPECT_EQ(first->Name(), "PageTwo");
    EXPECT_EQ(tavrin::FrmInfo, nullptr);
    EXPECT_EQ(Screen()->Cursor(), crDefault);
}
