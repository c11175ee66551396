#include <QBuffer>
#include <QImage>

#include <filesystem>

#include "check/HtmlReport.h"
#include "host/controls/ControlClasses.h"
#include "host/controls/StdCtrls.h"
#include "host/formfile/FormModel.h"
#include "host/ui/qt/Preview.h"
#include "host/vcl/SysUtils.h"
#include "tests/screen/ScreenTestSupport.h"

using namespace screentest;
using testsupport::Bounds;
using testsupport::Dfm;

namespace {

const QColor kBackground(250, 250, 250), kFace(240, 240, 240), kTitle(0, 120, 215), kMark(214, 40, 40);
constexpr int kLeft = 4, kTop = 4 + 23;  // the client area's place in a window without a menu

// A form of the test's own, read as the program reads a file.
struct Form {
    std::unique_ptr<formfile::TFormFile> file;
    explicit Form(const std::string& text) {
        vcl::RegisterControlClasses();
        file = formfile::TFormFile::LoadBytes(text, "test.dfm");
    }
    QImage Picture(ui::TPreviewOptions options = {}) const {
        App();
        const ui::TPreviewOptions stored = check::PreviewOptionsFor(*file);
        options.stored = stored.stored;
        return ui::qt::PreviewImage(*file->Root(), options);
    }
};

// A 16x16 bitmap as a glyph stores it: its size, then the BMP file; blue but for the
// bottom-left pixel, whose colour is the transparent one.
std::string GlyphData() {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 255));
    image.setPixelColor(0, 15, QColor(0, 255, 0));
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    QByteArray data(4, '\0');
    for (int i = 0; i < 4; ++i) data[i] = char((bmp.size() >> (8 * i)) & 0xFF);
    return (data + bmp).toHex().toUpper().toStdString();
}

const std::string kLayout = Dfm(
    "object Form1: TForm", {"Caption = 'Layout'", "ClientHeight = 240", "ClientWidth = 400"},
    {Dfm("object Panel1: TPanel", {Bounds(0, 0, 10, 30), "Align = alTop", "Color = clRed", "ParentBackground = False"}),
     Dfm("object StatusBar1: TStatusBar", {Bounds(0, 200, 10, 19), "Color = clYellow"}),
     Dfm("object PageControl1: TPageControl", {Bounds(0, 40, 200, 100), "ActivePage = TabSheet2"},
         {Dfm("object TabSheet1: TTabSheet", {"Caption = 'One'"},
              {Dfm("object Edit1: TEdit", {Bounds(8, 8, 80, 21), "Color = clLime"})}),
          Dfm("object TabSheet2: TTabSheet", {"Caption = 'Two'"},
              {Dfm("object Edit2: TEdit", {Bounds(8, 8, 80, 21), "Color = clBlue", "TabStop = False"})})}),
     Dfm("object Label1: TLabel", {Bounds(220, 40, 20, 15), "AutoSize = False", "Caption = 'WWWWWWWWWWWWWW'",
                                   "Font.Color = clRed", "Font.Height = -13", "ParentFont = False"}),
     Dfm("object BitBtn1: TBitBtn", {Bounds(220, 100, 40, 30), "Glyph.Data = {" + GlyphData() + "}"}),
     Dfm("object ToolBar1: TToolBar", {Bounds(0, 150, 400, 29), "Align = alNone"},
         {Dfm("object ToolButton1: TToolButton", {"Left = 0", "Top = 0"}),
          Dfm("object ToolButton2: TToolButton", {"Left = 23", "Top = 0"})}),
     Dfm("object ActionList1: TActionList", {"Left = 300", "Top = 180"},
         {Dfm("object Action1: TAction", {"Caption = 'Go'"})})});

bool Reddish(const QColor& c) { return c.red() > 180 && c.green() < 90 && c.blue() < 90; }

bool AnyIn(const QImage& image, const QRect& rect, const std::function<bool(const QColor&)>& test) {
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.valid(x, y) && test(image.pixelColor(x, y))) return true;
    return false;
}

}  // namespace

TEST(Preview, DrawsTheWindowAsTheDesignerShowsIt) {
    const Form menu(Dfm("object Form1: TForm", {"Caption = 'Main'", "ClientHeight = 254", "ClientWidth = 427", "Menu = MainMenu1"},
                        {Dfm("object MainMenu1: TMainMenu", {}, {Dfm("object File1: TMenuItem", {"Caption = '&File'"})})}));
    const QImage framed = menu.Picture();
    EXPECT_EQ(framed.size(), QSize(427 + 8, 254 + kTop + 20 + 4));  // the client size, not Width/Height
    EXPECT_EQ(framed.pixelColor(200, 10), kTitle);
    EXPECT_EQ(framed.pixelColor(300, kTop + 10), QColor(255, 255, 255));  // the menu bar
    EXPECT_TRUE(AnyIn(framed, QRect(kLeft, kTop, 40, 20), [](const QColor& c) { return c.lightness() < 100; }));  // "File"

    const QImage image = Form(kLayout).Picture();
    const struct {
        const char* what;
        QRect where;
        std::function<bool(const QColor&)> test;
        bool expected;
    } cases[] = {
        {"an aligned panel spans the client", QRect(kLeft + 390, kTop + 10, 1, 1), Reddish, true},
        {"the status bar keeps to the bottom", QRect(kLeft + 300, kTop + 230, 1, 1), [](const QColor& c) { return c == QColor(255, 255, 0); }, true},
        {"not where it was stored", QRect(kLeft + 300, kTop + 205, 1, 1), [](const QColor& c) { return c == QColor(255, 255, 0); }, false},
        {"the active page's edit", QRect(kLeft + 40, kTop + 40 + 27 + 10, 1, 1), [](const QColor& c) { return c == QColor(0, 0, 255); }, true},
        {"no control of a hidden page", QRect(kLeft, kTop + 40, 200, 100), [](const QColor& c) { return c == QColor(0, 255, 0); }, false},
        {"the tab strip: the shown tab stands out", QRect(kLeft + 2, kTop + 40 + 4, 60, 14), [](const QColor& c) { return c == QColor(255, 255, 255); }, true},
        {"the label's text in its font colour", QRect(kLeft + 220, kTop + 40, 20, 15), Reddish, true},
        {"no text past the label", QRect(kLeft + 241, kTop + 40, 80, 15), Reddish, false},
        {"the glyph, its transparent colour left out", QRect(kLeft + 240, kTop + 115, 1, 1), [](const QColor& c) { return c == QColor(0, 0, 255); }, true},
        {"no transparent colour drawn", QRect(kLeft + 220, kTop + 100, 40, 30), [](const QColor& c) { return c == QColor(0, 255, 0); }, false},
        {"a tool button of no stored size at the bar's", QRect(kLeft + 23 + 1, kTop + 150 + 5, 20, 1), [](const QColor& c) { return c.lightness() < 200; }, true},
        {"the action list's icon", QRect(kLeft + 300 + 14, kTop + 180 + 4, 1, 1), [](const QColor& c) { return c == QColor(255, 246, 214); }, true},
        {"no icon for the action inside it", QRect(kLeft, kTop, 40, 30), [](const QColor& c) { return c == QColor(255, 246, 214); }, false},
    };
    for (const auto& c : cases) EXPECT_EQ(AnyIn(image, c.where, c.test), c.expected) << c.what;
}

TEST(Preview, OverlaysTheTabOrderAndTheFindings) {
    const Form form(kLayout);
    ui::TPreviewOptions options;
    options.tabOrder = true;
    options.marks = {{"BitBtn1", "1"}};
    const QImage image = form.Picture(options);
    const QColor level1(0, 102, 204), level3(204, 102, 0);
    // The page control's number at its corner; the edit on the page two levels down, dashed
    // since it is no tab stop: its top edge has gaps.
    EXPECT_TRUE(AnyIn(image, QRect(kLeft, kTop + 40, 12, 12), [&](const QColor& c) { return c == level1; }));
    int most = 0;
    for (int y = kTop + 55; y < kTop + 90; ++y) {
        int on = 0;
        for (int x = kLeft + 30; x < kLeft + 80; ++x) on += image.pixelColor(x, y) == level3;
        most = std::max(most, on);
    }
    EXPECT_GT(most, 10);
    EXPECT_LT(most, 45);  // solid, it would be 50
    EXPECT_TRUE(Reddish(image.pixelColor(kLeft + 221, kTop + 120)));  // the marked button's edge
    EXPECT_FALSE(Reddish(form.Picture().pixelColor(kLeft + 221, kTop + 120)));
}

// The program: formats by extension, code pages as convert reads them, findings on the
// picture, and the check's page in a browser.
TEST(Preview, TheProgramWritesPicturesAndTheCheckItsPage) {
    testsupport::TempDir dir;
    auto run = [&](const std::string& args) { return testsupport::Tavrinqa(args).status; };
    const std::string eightBit = "object Form1: TForm\n  Caption = 'N\xF8ste'\n  ClientHeight = 50\n  ClientWidth = 120\nend\n";
    testsupport::WriteFile(dir.File("8bit.dfm"), eightBit);
    testsupport::WriteFile(dir.File("wide.dfm"), "object Form1: TForm\n  Caption = 'N'#1096'ste'\n  ClientHeight = 50\n  ClientWidth = 120\nend\n");
    testsupport::WriteFile(dir.File("overlap.dfm"),
                           Dfm("object Form1: TForm", {"ClientHeight = 100", "ClientWidth = 200"},
                               {Dfm("object Button1: TButton", {Bounds(10, 10, 80, 25), "Caption = 'One'"}),
                                Dfm("object Button2: TButton", {Bounds(50, 20, 80, 25), "Caption = 'Two'"})}));
    ASSERT_EQ(run("preview " + dir.File("8bit.dfm") + " -o " + dir.File("8bit.png") + " --codepage CP1251"), 0);
    ASSERT_EQ(run("preview " + dir.File("wide.dfm") + " -o " + dir.File("wide.png")), 0);
    ASSERT_EQ(run("preview " + dir.File("8bit.dfm") + " -o " + dir.File("latin.png")), 0);
    const QImage decoded(QString::fromStdString(dir.File("8bit.png"))), wide(QString::fromStdString(dir.File("wide.png")));
    EXPECT_EQ(decoded, wide);
    EXPECT_NE(QImage(QString::fromStdString(dir.File("latin.png"))), wide);
    ASSERT_EQ(run("preview " + dir.File("8bit.dfm") + " -o " + dir.File("x.jpeg")), 0);
    EXPECT_EQ(testsupport::ReadFile(dir.File("x.jpeg")).substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(run("preview " + dir.File("8bit.dfm") + " -o " + dir.File("x.gif")), 2);
    EXPECT_EQ(run("preview " + dir.File("8bit.dfm") + " -o " + dir.File("y.png") + " --codepage NO-SUCH-PAGE"), 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("y.png")));
    EXPECT_EQ(run("preview " + dir.File("8bit.dfm") + " -o " + dir.File("missing/y.png")), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
    ASSERT_EQ(run("preview " + dir.File("overlap.dfm") + " -o " + dir.File("marked.png") + " --overlay findings"), 0);
    EXPECT_TRUE(AnyIn(QImage(QString::fromStdString(dir.File("marked.png"))), QRect(kLeft + 10, kTop + 10, 130, 40), Reddish));

    std::filesystem::remove(dir.File("8bit.dfm"));
    std::filesystem::remove(dir.File("wide.dfm"));
    run("check " + dir.Path() + " --format html -o " + dir.File("report.html"));
    const std::string page = testsupport::ReadFile(dir.File("report.html"));
    for (const char* part : {"geometry-overlap", "src=\"data:image/png;base64,", "id=\"f0-1\"", "href=\"#f0-1\"",
                             "id=\"f0-c-Button", "href=\"#f0-c-Button"})
        EXPECT_NE(page.find(part), std::string::npos) << part;
    EXPECT_EQ(page.find("http"), std::string::npos);  // nothing from a network

    if (testsupport::RunShell("command -v chromium", dir.File("err")).status != 0) {
        if (std::getenv("TAVRIN_REQUIRE_FORMS") != nullptr) FAIL() << "chromium is not installed (scripts/setup.sh test)";
        GTEST_SKIP() << "chromium is not installed: the page was not opened in a browser";
    }
    const char* folder = std::getenv("TAVRIN_SCREENSHOTS_DIR");
    const std::string shot = (folder != nullptr && *folder != '\0' ? std::string(folder) : dir.Path()) + "/check-report.png";
    ASSERT_EQ(testsupport::RunShell("chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=900,1100 --screenshot='" +
                  shot + "' 'file://" + dir.File("report.html") + "'", dir.File("err")).status,
              0);
    // The browser showed the embedded picture: its title bar is there.
    EXPECT_TRUE(AnyIn(QImage(QString::fromStdString(shot)), QRect(0, 0, 900, 1100), [](const QColor& c) { return c == kTitle; }));
}

TEST(Preview, EveryCorpusFormThatOpensGetsAPictureOfASensibleSize) {
    int drawn = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TAVRIN_FORMS_DIR)) {
        const std::string ext = vcl::LowerCase(entry.path().extension().string());
        if (!entry.is_regular_file() || (ext != ".dfm" && ext != ".lfm" && ext != ".xfm")) continue;
        std::optional<Form> form;
        try {
            form.emplace(testsupport::ReadFile(entry.path().string()));
        } catch (const vcl::Exception&) {
            continue;  // a malformed form is the reader's to report
        }
        const QImage image = form->Picture();
        ASSERT_FALSE(image.isNull()) << entry.path();
        EXPECT_TRUE(image.width() >= 64 && image.height() >= 48 && image.width() <= 4096 && image.height() <= 4096)
            << entry.path() << " " << image.width() << "x" << image.height();
        ++drawn;
    }
    EXPECT_GT(drawn, 100);
}

TEST(Preview, APictureDrawsControlsWhereItPlacesThemPicksTheSelectedOneOutAndScalesDown) {
    App();
    vcl::TForm form(nullptr);
    form.SetBounds(0, 0, 320, 200);
    auto* panel = new vcl::TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(10, 10, 150, 100);
    auto* button = new vcl::TButton(&form);
    button->SetParent(panel);
    button->SetBounds(20, 30, 60, 25);
    vcl::TWindowPicture picture;
    picture.root = &form;
    picture.places[panel] = {100, 60, 150, 100};  // the button goes with its panel
    picture.selected = button;
    const QImage image = ui::qt::PreviewImage(form, 4096, &picture);
    EXPECT_EQ(image.pixelColor(kLeft + 10, kTop + 50), kFace);  // where the panel stood
    EXPECT_TRUE(Reddish(image.pixelColor(kLeft + 100 + 20, kTop + 60 + 30 + 12)));  // the button's left edge
    EXPECT_FALSE(Reddish(ui::qt::PreviewImage(form).pixelColor(kLeft + 10 + 20, kTop + 10 + 30 + 12)));
    // An icon placed far away scales the picture down instead of growing it.
    (new vcl::TComponent(&form))->SetDesignInfo((30000 << 16) | 30000);
    const QImage far = ui::qt::PreviewImage(form, 2048);
    EXPECT_NEAR(std::max(far.width(), far.height()), 2048, 1);
}
