// Each rule on small forms built the way real ones are: what it finds, and the layouts it
// must leave alone.
#include <gtest/gtest.h>

#include <set>

#include "check/Rules.h"
#include "host/controls/ControlClasses.h"
#include "host/formfile/FormModel.h"

using check::Finding;

namespace {

// A form of the given body; each control is "object NAME: CLASS" with its properties.
std::string Form(const std::string& body, const std::string& rootProps = "") {
    return "object Form1: TForm1\n  Left = 0\n  Top = 0\n  ClientWidth = 400\n  ClientHeight = 300\n"
           "  Caption = 'Form'\n" +
           rootProps + body + "end\n";
}

std::string Control(const std::string& name, const std::string& cls, int left, int top, int width, int height,
                    const std::string& more = "", const std::string& children = "") {
    return "  object " + name + ": " + cls + "\n    Left = " + std::to_string(left) + "\n    Top = " +
           std::to_string(top) + "\n    Width = " + std::to_string(width) + "\n    Height = " + std::to_string(height) +
           "\n" + more + children + "  end\n";
}

// Edit1 above Edit2, with the tab orders they store.
std::string TwoRows(int first, int second) {
    return Form(Control("Edit1", "TEdit", 8, 8, 100, 21, "    TabOrder = " + std::to_string(first) + "\n") +
                Control("Edit2", "TEdit", 8, 40, 100, 21, "    TabOrder = " + std::to_string(second) + "\n"));
}

class Rules : public ::testing::Test {
protected:
    static void SetUpTestSuite() { vcl::RegisterControlClasses(); }

    // "rule component" for every finding of the one rule asked for.
    std::multiset<std::string> Found(const std::string& text, const std::string& rule) {
        auto file = formfile::TFormFile::LoadBytes(text, "test.dfm");
        last = check::CheckForm(*file, settings);
        std::multiset<std::string> out;
        for (const Finding& f : last)
            if (f.rule == rule) out.insert(f.component);
        return out;
    }
    check::RuleSettings settings;
    std::vector<Finding> last;
};

using Names = std::multiset<std::string>;

TEST_F(Rules, TabOrderAgainstReadingOrder) {
    // Two rows; the tab order jumps to the second row first.
    const std::string swapped = TwoRows(1, 0);
    EXPECT_EQ(Found(swapped, "tab-reading-order"), Names{"Edit2"});
    // Tops a few pixels apart are one row: left to right decides.
    const std::string row = Form(Control("Edit1", "TEdit", 8, 10, 100, 21, "    TabOrder = 1\n") +
                                 Control("Edit2", "TEdit", 120, 6, 100, 21, "    TabOrder = 0\n"));
    EXPECT_EQ(Found(row, "tab-reading-order"), Names{"Edit2"});
    settings.rowTolerance = 2;
    EXPECT_EQ(Found(row, "tab-reading-order"), Names{});
    settings.rowTolerance = 8;
    // Down the first column, then the second, is a reading order too.
    const std::string columns = Form(Control("A", "TEdit", 8, 8, 100, 21, "    TabOrder = 0\n") +
                                     Control("B", "TEdit", 8, 40, 100, 21, "    TabOrder = 1\n") +
                                     Control("C", "TEdit", 200, 8, 100, 21, "    TabOrder = 2\n") +
                                     Control("D", "TEdit", 200, 40, 100, 21, "    TabOrder = 3\n"));
    EXPECT_EQ(Found(columns, "tab-reading-order"), Names{});
    // A mirrored form reads from the right.
    const std::string mirrored = Form(Control("Edit1", "TEdit", 8, 8, 100, 21, "    TabOrder = 0\n") +
                                          Control("Edit2", "TEdit", 200, 8, 100, 21, "    TabOrder = 1\n"),
                                      "  BiDiMode = bdRightToLeft\n");
    EXPECT_EQ(Found(mirrored, "tab-reading-order"), Names{"Edit1"});
    // Hidden controls and labels are not tabbed to.
    const std::string hidden = Form(Control("Edit1", "TEdit", 8, 8, 100, 21, "    TabOrder = 1\n    Visible = False\n") +
                                    Control("Edit2", "TEdit", 8, 40, 100, 21, "    TabOrder = 0\n") +
                                    Control("Label1", "TLabel", 8, 0, 40, 13));
    EXPECT_EQ(Found(hidden, "tab-reading-order"), Names{});
    // Nor is a panel of labels; an inherited control that leaves its place to its ancestor's
    // file has no known reading order.
    const std::string labels = Form(Control("Edit1", "TEdit", 8, 60, 100, 21, "    TabOrder = 0\n") +
                                    Control("Panel1", "TPanel", 0, 0, 400, 40, "    TabOrder = 1\n",
                                            Control("Label1", "TLabel", 8, 8, 40, 13)));
    EXPECT_EQ(Found(labels, "tab-reading-order"), Names{});
    const std::string inherited = "inherited Form1: TForm1\n  inherited Edit1: TEdit\n    TabOrder = 1\n  end\n" +
                                  Control("Edit2", "TEdit", 8, 40, 100, 21, "    TabOrder = 0\n") + "end\n";
    EXPECT_EQ(Found(inherited, "tab-reading-order"), Names{});
}

TEST_F(Rules, StoredTabOrdersRepeatedOrSkipped) {
    EXPECT_EQ(Found(TwoRows(0, 0), "tab-order-sequence"), Names{"Edit2"});
    EXPECT_EQ(Found(TwoRows(0, 2), "tab-order-sequence"), Names{"Edit2"});
    EXPECT_EQ(Found(TwoRows(0, 1), "tab-order-sequence"), Names{});
}

TEST_F(Rules, TabStopsInHiddenOrDisabledContainers) {
    const std::string edits = Control("Edit1", "TEdit", 8, 8, 100, 21) + Control("Edit2", "TEdit", 8, 40, 100, 21);
    EXPECT_EQ(Found(Form(Control("Panel1", "TPanel", 0, 0, 200, 100, "    Visible = False\n", edits)),
                    "tab-stop-hidden-parent"),
              Names{"Panel1"});
    // One finding for the outermost container, however deep the stops are.
    const std::string nested = Control("Panel2", "TPanel", 0, 0, 200, 100, "    Enabled = False\n", edits);
    EXPECT_EQ(Found(Form(Control("Panel1", "TPanel", 0, 0, 200, 100, "    Enabled = False\n", nested)),
                    "tab-stop-hidden-parent"),
              Names{"Panel1"});
    // Controls that take no focus do not count.
    const std::string labels = Control("Label1", "TLabel", 8, 8, 40, 13) +
                               Control("Edit1", "TEdit", 8, 8, 100, 21, "    TabStop = False\n");
    EXPECT_EQ(Found(Form(Control("Panel1", "TPanel", 0, 0, 200, 100, "    Visible = False\n", labels)),
                    "tab-stop-hidden-parent"),
              Names{});
}

TEST_F(Rules, LabelFocusesTheControlBesideOrBelowIt) {
    const std::string beside = Control("Label1", "TLabel", 8, 12, 40, 13, "    FocusControl = Edit1\n") +
                               Control("Edit1", "TEdit", 60, 8, 100, 21) +
                               Control("Label2", "TLabel", 8, 44, 40, 13, "    FocusControl = Edit1\n") +
                               Control("Edit2", "TEdit", 60, 40, 100, 21);
    EXPECT_EQ(Found(Form(beside), "label-focus-order"), Names{"Label2"});
    // A label above its field, with something far off on its row, still goes below first
    // only when nothing is beside it.
    const std::string above = Control("Label1", "TLabel", 8, 8, 40, 13, "    FocusControl = Edit1\n") +
                              Control("Edit1", "TEdit", 8, 24, 100, 21) + Control("Edit2", "TEdit", 200, 60, 100, 21);
    EXPECT_EQ(Found(Form(above), "label-focus-order"), Names{});
}

TEST_F(Rules, AcceleratorsInOneScope) {
    EXPECT_EQ(check::Accelerator("&File"), "f");
    EXPECT_EQ(check::Accelerator("Save && E&xit"), "x");
    EXPECT_EQ(check::Accelerator("No accelerator &&"), std::nullopt);
    const std::string twice = Control("Button1", "TButton", 8, 8, 75, 25, "    Caption = '&Open'\n") +
                              Control("Button2", "TButton", 100, 8, 75, 25, "    Caption = '&Options'\n");
    EXPECT_EQ(Found(Form(twice), "accel-duplicate"), Names{"Button2"});
    ASSERT_FALSE(last.empty());
    bool suggested = false;
    for (const Finding& f : last)
        if (f.rule == "accel-duplicate") suggested = f.message.find("free letters: p, t, i") != std::string::npos;
    EXPECT_TRUE(suggested);
    // Different pages of one page control are never on screen together; the page captions are.
    const std::string pages =
        "  object PageControl1: TPageControl\n    Left = 0\n    Top = 0\n    Width = 300\n    Height = 200\n"
        "    object TabSheet1: TTabSheet\n      Caption = '&General'\n" +
        Control("Button1", "TButton", 8, 8, 75, 25, "    Caption = '&Open'\n") +
        "    end\n    object TabSheet2: TTabSheet\n      Caption = '&Grid'\n" +
        Control("Button2", "TButton", 8, 8, 75, 25, "    Caption = '&Options'\n") + "    end\n  end\n";
    EXPECT_EQ(Found(Form(pages), "accel-duplicate"), Names{"TabSheet2"});
    // A menu level is a scope of its own; sub-menus are other scopes.
    const std::string menu =
        "  object MainMenu1: TMainMenu\n    object File1: TMenuItem\n      Caption = '&File'\n"
        "      object Open1: TMenuItem\n        Caption = '&Open'\n      end\n"
        "      object Options1: TMenuItem\n        Caption = '&Options'\n      end\n    end\n"
        "    object Format1: TMenuItem\n      Caption = '&Format'\n    end\n"
        "    object Open2: TMenuItem\n      Caption = '&Open'\n    end\n  end\n";
    EXPECT_EQ(Found(Form(menu), "accel-duplicate"), (Names{"Format1", "Options1"}));
}

TEST_F(Rules, LabelAcceleratorNeedsAFocusControl) {
    const std::string labels =
        Control("Label1", "TLabel", 8, 8, 40, 13, "    Caption = '&Name'\n") +
        Control("Label2", "TLabel", 8, 30, 40, 13, "    Caption = '&City'\n    FocusControl = Edit1\n") +
        Control("Label3", "TLabel", 8, 50, 40, 13, "    Caption = '&Zip'\n    ShowAccelChar = False\n") +
        Control("Edit1", "TEdit", 60, 30, 100, 21);
    EXPECT_EQ(Found(Form(labels), "accel-label-no-focus"), Names{"Label1"});
}

TEST_F(Rules, Hints) {
    const std::string glyph = "    Glyph.Data = {\n      0000}\n";
    const std::string buttons =
        Control("SpeedButton1", "TSpeedButton", 8, 8, 23, 22, glyph) +
        Control("SpeedButton2", "TSpeedButton", 40, 8, 23, 22, glyph + "    Hint = 'Open'\n    ShowHint = True\n") +
        Control("SpeedButton3", "TSpeedButton", 80, 8, 60, 22, glyph + "    Caption = 'Open'\n") +
        Control("SpeedButton4", "TSpeedButton", 150, 8, 23, 22, glyph + "    Action = Action1\n") +
        Control("BitBtn1", "TBitBtn", 180, 8, 75, 25, glyph + "    Kind = bkOK\n") +
        Control("BitBtn2", "TBitBtn", 260, 8, 75, 25, glyph + "    Kind = bkCustom\n");
    EXPECT_EQ(Found(Form(buttons), "hint-glyph-button"), (Names{"BitBtn2", "SpeedButton1"}));
    // ShowHint inherited from the form (off), turned on by a panel, or off by ParentShowHint.
    const std::string chain =
        Control("Edit1", "TEdit", 8, 8, 100, 21, "    Hint = 'Name'\n") +
        Control("Panel1", "TPanel", 0, 40, 200, 100, "    ShowHint = True\n",
                Control("Edit2", "TEdit", 8, 8, 100, 21, "    Hint = 'City'\n") +
                    Control("Edit3", "TEdit", 8, 40, 100, 21, "    Hint = 'Zip'\n    ParentShowHint = False\n"));
    EXPECT_EQ(Found(Form(chain), "hint-never-shown"), (Names{"Edit1", "Edit3"}));
    EXPECT_EQ(Found(Form(chain, "  ShowHint = True\n"), "hint-never-shown"), Names{"Edit3"});
    const std::string same = Control("Button1", "TButton", 8, 8, 75, 25, "    Caption = '&Save'\n    Hint = 'Save|Saves it'\n") +
                             Control("Button2", "TButton", 8, 40, 75, 25, "    Caption = 'Save'\n    Hint = 'Save the file'\n");
    EXPECT_EQ(Found(Form(same), "hint-equals-caption"), Names{"Button1"});
}

TEST_F(Rules, Geometry) {
    const std::string placed =
        Control("Outside", "TEdit", 500, 8, 100, 21) + Control("Partly", "TEdit", 350, 8, 100, 21) +
        Control("Inside", "TEdit", 8, 8, 100, 21) + Control("Zero", "TEdit", 8, 100, 0, 21) +
        Control("Over", "TEdit", 50, 15, 100, 21) + Control("Aligned", "TPanel", 0, 0, 400, 30, "    Align = alTop\n");
    EXPECT_EQ(Found(Form(placed), "geometry-outside-parent"), (Names{"Outside", "Partly"}));
    EXPECT_EQ(Found(Form(placed), "geometry-zero-size"), Names{"Zero"});
    EXPECT_EQ(Found(Form(placed), "geometry-overlap"), Names{"Over"});
    // Touching edges and borders within the tolerance are no overlap.
    const std::string touching = Control("A", "TEdit", 8, 8, 100, 21) + Control("B", "TEdit", 106, 8, 100, 21);
    EXPECT_EQ(Found(Form(touching), "geometry-overlap"), Names{});
    // One left edge off the column two others share.
    const std::string column = Control("A", "TEdit", 8, 8, 100, 21) + Control("B", "TEdit", 8, 40, 100, 21) +
                               Control("C", "TEdit", 10, 72, 100, 21) + Control("D", "TEdit", 40, 120, 100, 21);
    EXPECT_EQ(Found(Form(column), "geometry-near-miss"), Names{"C"});
    EXPECT_EQ(Found(Form("", "  PixelsPerInch = 120\n"), "geometry-ppi"), Names{"Form1"});
    settings.ppi = 120;
    EXPECT_EQ(Found(Form("", "  PixelsPerInch = 120\n"), "geometry-ppi"), Names{});
}

TEST_F(Rules, Components) {
    const std::string body = Control("Button1", "TButton", 8, 8, 75, 25, "    OnClick = Button1Click\n") +
                             Control("Button2", "TButton", 100, 8, 75, 25) +
                             Control("Label1", "TLabel", 8, 40, 40, 13) +
                             Control("Edit1", "TEdit", 8, 60, 100, 21) +
                             Control("edName", "TEdit", 8, 90, 100, 21) +
                             Control("Label2", "TLabel", 120, 40, 40, 13, "    FocusControl = Missing\n") +
                             Control("DBEdit1", "TDBEdit", 200, 60, 100, 21, "    DataField = 'NAME'\n");
    // Buttons without handlers act through ModalResult; data-aware controls through their data.
    EXPECT_EQ(Found(Form(body), "component-default-name"), (Names{"Button1", "Edit1"}));
    EXPECT_EQ(Found(Form(body), "component-unresolved-reference"), Names{"Label2"});
    EXPECT_EQ(Found(Form(body), "component-no-datasource"), Names{"DBEdit1"});
}

// A small form and what one rule finds on it.
struct Case {
    const char* what;
    std::string form;
    const char* rule;
    Names found;
};

// A property only a form file taught the catalogue, and captions measured in the form's font.
TEST_F(Rules, UnpublishedPropertiesAndClippedCaptions) {
    const std::string apply = "    Caption = 'Apply changes'\n";  // about 72 pixels at 8 points
    const std::string fixedLabel = "    Caption = 'Customer name'\n    AutoSize = False\n";
    const Case cases[] = {
        {"a misspelt property of a catalogued class", Form(Control("Label1", "TLabel", 8, 8, 40, 13, "    Widht = 3\n")),
         "property-unknown", {"Label1"}},
        {"not a defined one, nor one of a class the form alone tells",
         Form(Control("Label1", "TLabel", 8, 8, 40, 13, "    ExplicitLeft = 8\n") +
              Control("Grid1", "TMyGrid", 8, 40, 40, 13, "    Widht = 3\n")),
         "property-unknown", {}},
        {"a button too narrow", Form(Control("Button1", "TButton", 8, 8, 40, 25, apply)), "caption-clipped", {"Button1"}},
        {"wide enough, wrapped, or a label that sizes itself",
         Form(Control("Button1", "TButton", 8, 8, 100, 25, apply) +
              Control("Button2", "TButton", 8, 40, 40, 25, apply + "    WordWrap = True\n") +
              Control("Label1", "TLabel", 8, 80, 10, 13, apply)),
         "caption-clipped", {}},
        {"a fixed label fits the default font", Form(Control("Label1", "TLabel", 8, 8, 90, 13, fixedLabel)),
         "caption-clipped", {}},
        {"not the form's larger one", Form(Control("Label1", "TLabel", 8, 8, 90, 13, fixedLabel), "  Font.Height = -16\n"),
         "caption-clipped", {"Label1"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Found(c.form, c.rule), c.found) << c.what;
}

// Layouts of real forms the rules once judged wrong, each beside the case they still find.
TEST_F(Rules, PatternsOfRealForms) {
    const std::string edit = Control("Edit1", "TEdit", 8, 40, 100, 21, "    TabOrder = 0\n");
    auto below = [](const std::string& cls) {  // a tab stop of the class above Edit1, tabbed after it
        return Control("Stop", cls, 8, 8, 100, 25, "    TabOrder = 1\n");
    };
    const std::string glyph = "    Glyph.Data = {\n      0000}\n";
    const std::string outerOnly = "object Form1: TForm1\n  Width = 400\n  Height = 300\n";
    const std::string lazarus = "object Form1: TForm1\n  Width = 400\n  Height = 300\n  DesignTimePPI = 144\n"
                                "  LCLVersion = '2.2.0.4'\n";
    const Case cases[] = {
        {"a tool bar is aligned to the top by default", Form(Control("ToolBar1", "TToolBar", 0, 0, 800, 29, "")),
         "geometry-outside-parent", {}},
        {"a panel is not", Form(Control("Panel1", "TPanel", 0, 0, 800, 29, "")), "geometry-outside-parent", {"Panel1"}},
        {"a Lazarus form's size is at 96 ppi, its children at DesignTimePPI",
         lazarus + Control("Wide", "TEdit", 450, 8, 140, 21) + Control("Out", "TEdit", 590, 8, 100, 21) + "end\n",
         "geometry-outside-parent", {"Out"}},
        {"a Delphi form that stores only its outer size is judged by its client area",
         outerOnly + Control("Low", "TEdit", 8, 260, 100, 21) + Control("High", "TEdit", 8, 240, 100, 21) + "end\n",
         "geometry-outside-parent", {"Low"}},
        {"a report's bands are printed, not shown",
         Form(Control("QuickRep1", "TQuickRep", 0, 0, 400, 300, "",
                      Control("QRBand1", "TQRBand", 0, 0, 400, 0, "",
                              Control("QRLabel1", "TQRLabel", 8, 8, 100, 17) +
                                  Control("QRLabel2", "TQRLabel", 50, 8, 100, 17)))),
         "geometry-overlap", {}},
        {"a status bar with AutoHint shows hints without ShowHint",
         Form(Control("Edit9", "TEdit", 8, 8, 100, 21, "    Hint = 'Name'\n") +
              Control("StatusBar1", "TStatusBar", 0, 280, 400, 20, "    AutoHint = True\n")),
         "hint-never-shown", {}},
        {"without it they never show", Form(Control("Edit9", "TEdit", 8, 8, 100, 21, "    Hint = 'Name'\n")),
         "hint-never-shown", {"Edit9"}},
        {"what an inline frame holds is judged in the frame's file",
         Form("  inline Frame1: TFrame1\n    Left = 0\n    Top = 0\n    Width = 300\n    Height = 100\n"
              "    TabOrder = 0\n    inherited SpeedButton1: TSpeedButton\n" + glyph + "    end\n  end\n"),
         "hint-glyph-button", {}},
        {"a label above its field, with a check box far off on its row",
         Form(Control("Label1", "TLabel", 5, 4, 87, 15, "    FocusControl = Combo\n") +
              Control("Combo", "TComboBox", 5, 19, 300, 23, "    TabOrder = 1\n") +
              Control("Check", "TCheckBox", 300, 0, 87, 19, "    TabOrder = 0\n")),
         "label-focus-order", {}},
        {"a radio group is a tab stop", Form(edit + below("TRadioGroup")), "tab-reading-order", {"Edit1"}},
        {"a Lazarus date edit is", Form(edit + below("TDateEdit")), "tab-reading-order", {"Edit1"}},
        {"controls on a page that is not the active one are checked",
         Form("  object PageControl1: TPageControl\n    Left = 0\n    Top = 0\n    Width = 300\n    Height = 200\n"
              "    ActivePage = TabSheet1\n    object TabSheet1: TTabSheet\n    end\n"
              "    object TabSheet2: TTabSheet\n" + edit + below("TEdit") + "    end\n  end\n"),
         "tab-reading-order", {"Edit1"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Found(c.form, c.rule), c.found) << c.what;
}

// The keyboard's way to every control and action, each check with a planted case and the
// layout it leaves alone.
TEST_F(Rules, KeyboardReach) {
    const std::string menu = "  object MainMenu1: TMainMenu\n    object File1: TMenuItem\n      Caption = '&File'\n"
                             "      object Open1: TMenuItem\n        Caption = '&Open'\n        OnClick = OpenClick\n"
                             "      end\n    end\n  end\n";
    const std::string ok = "    Caption = 'OK'\n    ModalResult = 1\n";
    const Case cases[] = {
        {"a control's accelerator that the menu bar uses",
         Form(menu + Control("Find", "TButton", 8, 8, 75, 25, "    Caption = '&Find'\n") +
                  Control("Other", "TButton", 100, 8, 75, 25, "    Caption = '&Open'\n"),
              "  Menu = MainMenu1\n"),
         "accel-menu-clash", {"Find"}},
        {"a menu that is not the form's bar", Form(menu + Control("Find", "TButton", 8, 8, 75, 25, "    Caption = '&Find'\n")),
         "accel-menu-clash", {}},
        {"labels focusing a panel and a disabled edit",
         Form(Control("L1", "TLabel", 8, 8, 40, 13, "    FocusControl = Panel1\n") +
              Control("L2", "TLabel", 8, 40, 40, 13, "    FocusControl = Off\n") +
              Control("L3", "TLabel", 8, 70, 40, 13, "    FocusControl = On\n") +
              Control("Panel1", "TPanel", 200, 8, 100, 21) + Control("Off", "TEdit", 60, 40, 100, 21, "    Enabled = False\n") +
              Control("On", "TEdit", 60, 70, 100, 21)),
         "label-focus-target", {"L1", "L2"}},
        {"an edit beside a label that does not name it",
         Form(Control("L1", "TLabel", 8, 12, 40, 13, "    Caption = 'Name'\n") + Control("Name", "TEdit", 60, 8, 100, 21) +
              Control("L2", "TLabel", 8, 44, 40, 13, "    Caption = 'City'\n    FocusControl = City\n") +
              Control("City", "TEdit", 60, 40, 100, 21) +
              Control("L3", "TLabel", 8, 80, 40, 13, "    Caption = 'Far'\n") + Control("Far", "TEdit", 300, 76, 90, 21)),
         "label-not-linked", {"Name"}},
        {"a picture only the mouse can click",
         Form(menu + Control("Logo", "TImage", 8, 8, 32, 32, "    OnClick = LogoClick\n") +
              Control("Open", "TImage", 50, 8, 32, 32, "    OnClick = OpenClick\n") +
              Control("Help", "TLabel", 90, 8, 32, 13, "    OnClick = HelpClick\n") +
              Control("HelpButton", "TButton", 90, 40, 75, 25, "    OnClick = HelpClick\n")),
         "mouse-only", {"Logo"}},
        {"a dialog without a Default button",
         Form(Control("OkButton", "TButton", 8, 8, 75, 25, ok) +
              Control("CancelButton", "TButton", 100, 8, 75, 25, "    Cancel = True\n    ModalResult = 2\n")),
         "dialog-default-cancel", {"OkButton"}},
        {"a dialog with both",
         Form(Control("OkButton", "TButton", 8, 8, 75, 25, ok + "    Default = True\n") +
              Control("CancelButton", "TBitBtn", 100, 8, 75, 25, "    Kind = bkCancel\n")),
         "dialog-default-cancel", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Found(c.form, c.rule), c.found) << c.what;
}

}  // namespace
