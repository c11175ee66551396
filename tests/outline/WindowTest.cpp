// The outline window: dragging in each mode, the geometry it keeps in the settings file,
// and its text export.
#include <filesystem>
#include <limits>

#include "tests/outline/OutlineTestSupport.h"

using namespace vcl;
using outlinetest::Names;
using tavrin::FrmInfo;
using tavrin::NodeID;

namespace {

class OutlineWindow : public outlinetest::ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        first = Add<TEdit>("Edit0", form);
        panel = Add<TPanel>("Panel1", form);
        a = Add<TEdit>("A", panel);
        b = Add<TEdit>("B", panel);
        c = Add<TEdit>("C", panel);
    }
    // Items: 1 form, 2 Edit0, 3 Panel1, 4 A, 5 B, 6 C. Each drag drops item `from` on item
    // `to` (0: below the last row); the window then closes with Cancel.
    void Drags(void (*entry)(TComponent*), std::vector<std::pair<int, int>> drags, TMouseButton button = mbLeft) {
        Run(entry, [&] {
            TOutline* o = FrmInfo->OutlineParent;
            for (auto [from, to] : drags)
                MouseDrag(*o, button, o->ItemPoint(from), to == 0 ? o->EmptyPoint() : o->ItemPoint(to));
            return mrCancel;
        });
    }
    using Geometry = std::vector<int>;  // left, top, width, height, state
    static Geometry Of(const TDesignedForm& w) {
        return {w.Left(), w.Top(), w.Width(), w.Height(), int(w.WindowState())};
    }
    // The geometry the window opened with; it is then moved to `place`.
    Geometry Opened(void (*entry)(TComponent*), Geometry place = {}, TModalResult result = mrCancel) {
        Geometry opened;
        Run(entry, [&] {
            opened = Of(*FrmInfo);
            if (!place.empty()) {
                FrmInfo->SetBounds(place[0], place[1], place[2], place[3]);
                FrmInfo->SetWindowState(TWindowState(place[4]));
            }
            return result;
        });
        return opened;
    }

    TEdit *first, *a, *b, *c;
    TPanel* panel;
};

}  // namespace

TEST_F(OutlineWindow, InTabModeAnItemDropsBeforeASiblingWithEverythingUnderIt) {
    Drags(tavrin::showalltabs, {{6, 4}, {3, 2}});
    EXPECT_EQ(shown.Children(NodeID(form)), (Names{NodeID(panel), NodeID(first)}));
    EXPECT_EQ(shown.Children(NodeID(panel)), (Names{NodeID(c), NodeID(a), NodeID(b)}));
    // Refused: under another parent, onto no item, the root; accepted: onto itself.
    Drags(tavrin::showalltabs, {{4, 2}, {2, 4}, {6, 0}, {1, 4}, {5, 5}});
    EXPECT_EQ(shown.Children(NodeID(form)), (Names{NodeID(first), NodeID(panel)}));
    EXPECT_EQ(shown.Children(NodeID(panel)), (Names{NodeID(a), NodeID(b), NodeID(c)}));
}

TEST_F(OutlineWindow, TheRightButtonAndTheParentageAndMenuModesDoNotDrag) {
    const Names order{NodeID(a), NodeID(b), NodeID(c)};
    Drags(tavrin::showalltabs, {{6, 4}}, mbRight);
    EXPECT_EQ(shown.Children(NodeID(panel)), order);
    Drags(tavrin::showparentage, {{6, 4}});
    EXPECT_EQ(shown.Children(NodeID(panel)), order);
    auto* menu = new TMainMenu(form);
    auto* file = Item("File1", "&File", menu->Items());
    auto* edit = Item("Edit1", "&Edit", menu->Items());
    Drags(tavrin::showMenus, {{4, 3}});
    EXPECT_EQ(shown.Children(NodeID(menu)), (Names{NodeID(file), NodeID(edit)}));
}

TEST_F(OutlineWindow, GeometryIsRestoredOnlyFromAnExistingSectionAndSavedOnEveryClose) {
    const Geometry designed = Of(tavrin::TFrmInfo(nullptr));
    const Geometry placed{11, 12, 500, 350, int(wsMinimized)};
    EXPECT_EQ(Opened(tavrin::showparentage, placed, mrCancel), designed);
    EXPECT_EQ(Opened(tavrin::showalltabs, placed, mrOk), designed);  // each tool its own section
    EXPECT_EQ(Opened(tavrin::showparentage), placed);
    EXPECT_EQ(Opened(tavrin::showalltabs), placed);
    // Missing keys take their defaults, a missing or unknown state gives a maximised window.
    qa->Settings().WriteInteger("Menu Editor", "Window Left", 7);
    EXPECT_EQ(Opened(tavrin::showMenus), (Geometry{7, 100, 400, 300, int(wsMaximized)}));
    qa->Settings().WriteInteger("Menu Editor", "State", 5);
    EXPECT_EQ(Opened(tavrin::showMenus)[4], int(wsMaximized));
}

TEST_F(OutlineWindow, APlaceOffTheDesktopOrASizeBeyondAnyScreenComesBackOnIt) {
    constexpr int kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();
    // Without a screen the desktop is 16384 square from 0,0.
    Opened(tavrin::showparentage, {-5000, -5000, 100000, 100000, 0});
    EXPECT_EQ(Opened(tavrin::showparentage), (Geometry{0, 0, 16384, 16384, 0}));
    Opened(tavrin::showparentage, {kMin, kMax, -1, kMax, 0});
    EXPECT_EQ(Opened(tavrin::showparentage), (Geometry{0, 0, 0, 16384, 0}));
    // A screen's free area, as the screen module sets it.
    Screen()->SetWorkArea({-1280, 0, 2560, 1024});
    Opened(tavrin::showparentage, {1200, 900, 400, 300, 0});
    EXPECT_EQ(Opened(tavrin::showparentage), (Geometry{880, 724, 400, 300, 0}));
    Opened(tavrin::showparentage, {-5000, 5, 3000, 500, 0});
    EXPECT_EQ(Opened(tavrin::showparentage), (Geometry{-1280, 5, 2560, 500, 0}));
    Opened(tavrin::showparentage, {-600, 20, 500, 400, 0});  // on the screen left of the first
    EXPECT_EQ(Opened(tavrin::showparentage), (Geometry{-600, 20, 500, 400, 0}));
    Screen()->SetWorkArea({});
}

TEST_F(OutlineWindow, WithoutASettingsFileNothingIsReadOrWritten) {
    delete qa;
    ASSERT_EQ(tavrin::aninifile, nullptr);
    EXPECT_EQ(Opened(tavrin::showparentage, {1, 2, 3, 4, 0}), Of(tavrin::TFrmInfo(nullptr)));
    EXPECT_FALSE(std::filesystem::exists(tavrin::TTavrinQA::SettingsFileName()));
}

TEST_F(OutlineWindow, TheExportHoldsTheCaptionTheDateAndEveryItemIndentedByLevel) {
    const std::string path = home.File("tree.txt");
    // A set SOURCE_DATE_EPOCH stamps the export in UTC, for reproducible files.
    setenv("SOURCE_DATE_EPOCH", "86399", 1);
    RunScript(tavrin::showparentage, "cancelsave\nclick PrintBtn\nclick BtnCollapse\nsave " + path + "\nclick PrintBtn");
    unsetenv("SOURCE_DATE_EPOCH");
    const std::string text = testsupport::ReadFile(path);
    EXPECT_EQ(text, "{Parentage for " + NodeID(form) + "}\r\n{Date Created = 1970-01-01 23:59:59}\r\n" + NodeID(form) +
                        "\r\n\t" + NodeID(first) + "\r\n\t" + NodeID(panel) + "\r\n\t\t" + NodeID(a) + "\r\n\t\t" +
                        NodeID(b) + "\r\n\t\t" + NodeID(c) + "\r\n");
    // The cancelled dialog wrote nothing.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(home.Path())) files += entry.path().extension() == ".txt";
    EXPECT_EQ(files, 1);
}

TEST_F(OutlineWindow, AnExportOverAFileAsksFirstAndAFailedOneIsShownWithTheWindowLeftOpen) {
    const std::string path = home.File("tree.txt"), nowhere = home.File("missing/tree.txt");
    testsupport::WriteFile(path, "old");
    RunScript(tavrin::showparentage,
              "save " + path + "\nclick PrintBtn\nsave " + nowhere + "\nclick PrintBtn\ndump\nok");
    EXPECT_NE(testsupport::ReadFile(path), "old");
    EXPECT_EQ(err.str(), "message: " + path + " already exists. Do you want to replace it?\n" +
                             "error: EInOutError: Cannot create file \"" + nowhere + "\": No such file or directory\n");
    EXPECT_EQ(out.str().rfind("window\tTFrmInfo\tParentage for ", 0), 0u);
    // A SOURCE_DATE_EPOCH that is no number of seconds is an error, and nothing is written.
    setenv("SOURCE_DATE_EPOCH", "1e9", 1);
    RunScript(tavrin::showparentage, "save " + home.File("other.txt") + "\nclick PrintBtn\nok");
    unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(err.str(), "error: EConvertError: SOURCE_DATE_EPOCH '1e9' is not a whole number of seconds since 1970\n");
    EXPECT_FALSE(std::filesystem::exists(home.File("other.txt")));
}
