#include <QImage>

#include <filesystem>

#include "host/controls/ControlClasses.h"
#include "host/controls/StdCtrls.h"
#include "host/formfile/FormModel.h"
#include "host/ui/qt/Preview.h"
#include "host/vcl/SysUtils.h"
#include "tests/screen/ScreenTestSupport.h"

using namespace screentest;

namespace {

const QColor kBackground(250, 250, 250);

// A form with a panel holding a button, and a non-visual component beside them.
struct Sample {
    vcl::TForm form{nullptr};
    vcl::TPanel* panel = new vcl::TPanel(&form);
    vcl::TButton* button = new vcl::TButton(&form);
    vcl::TComponent* source = new vcl::TComponent(&form);
    Sample() {
        form.SetBounds(0, 0, 320, 200);
        panel->SetName("Panel1");
        panel->SetParent(&form);
        panel->SetBounds(10, 10, 150, 100);
        button->SetName("Button1");
        button->SetParent(panel);
        button->SetBounds(20, 30, 60, 25);
        source->SetName("Source1");
        source->SetDesignInfo((40 << 16) | 220);  // left 220, top 40
    }
};

}  // namespace

TEST(Preview, DrawsControlsNestedAtTheirDesignPlacesAndIconsWhereTheDesignerKeepsThem) {
    App();
    Sample s;
    const QImage image = ui::qt::PreviewImage(s.form);
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), 320);
    EXPECT_GE(image.height(), 200);
    // The panel's left edge, the button's edge inside it (at the panel's place plus its own),
    // the icon's middle, and empty space.
    EXPECT_NE(image.pixelColor(10, 60), kBackground);
    EXPECT_NE(image.pixelColor(10 + 20, 30 + 10 + 12), image.pixelColor(10 + 5, 30 + 10 + 12));
    EXPECT_NE(image.pixelColor(220 + 14, 40 + 6), kBackground);
    EXPECT_EQ(image.pixelColor(300, 180), kBackground);
    EXPECT_EQ(image.pixelColor(200, 20), kBackground);
}

TEST(Preview, AControlFarAwayScalesThePictureDownInsteadOfGrowingIt) {
    App();
    Sample s;
    s.button->SetLeft(1000000);
    const QImage image = ui::qt::PreviewImage(s.form, 2048);
    EXPECT_LE(image.width(), 2048);
    EXPECT_LE(image.height(), 2048);
    EXPECT_GT(image.height(), 0);
}

TEST(Preview, WritesAPngOfTheExampleAndLeavesNothingWhenItCannotWrite) {
    App();
    vcl::RegisterControlClasses();
    testsupport::TempDir dir;
    auto file = formfile::TFormFile::Load(kExample);
    ui::qt::SavePreview(*file->Root(), dir.File("customer.png"));
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(dir.File("customer.png")), "PNG"));
    EXPECT_GT(image.width(), 100);
    EXPECT_THROW(ui::qt::SavePreview(*file->Root(), dir.File("missing/x.png")), vcl::EInOutError);
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
}

TEST(Preview, EveryCorpusFormThatOpensGetsAPicture) {
    App();
    vcl::RegisterControlClasses();
    int drawn = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TAVRIN_FORMS_DIR)) {
        const std::string ext = vcl::LowerCase(entry.path().extension().string());
        if (!entry.is_regular_file() || (ext != ".dfm" && ext != ".lfm" && ext != ".xfm")) continue;
        std::unique_ptr<formfile::TFormFile> file;
        try {
            file = formfile::TFormFile::Load(entry.path().string());
        } catch (const vcl::Exception&) {
            continue;  // a malformed form is the reader's to report
        }
        const QImage image = ui::qt::PreviewImage(*file->Root());
        EXPECT_FALSE(image.isNull()) << entry.path();
        // Something is drawn on every form that has components.
        bool marked = false;
        for (int y = 0; y < image.height() && !marked; y += 2)
            for (int x = 0; x < image.width() && !marked; x += 2) marked = image.pixelColor(x, y) != kBackground;
        if (file->Root()->ComponentCount() > 0) {
            EXPECT_TRUE(marked) << entry.path();
        }
        ++drawn;
    }
    EXPECT_GT(drawn, 100);
}

TEST(Preview, APictureDrawsControlsWhereItPlacesThemAndPicksTheSelectedOneOut) {
    App();
    Sample s;
    vcl::TWindowPicture picture;
    picture.root = &s.form;
    picture.places[s.panel] = {100, 60, 150, 100};  // the button goes with its panel
    picture.selected = s.button;
    const QImage image = ui::qt::PreviewImage(s.form, 4096, &picture);
    EXPECT_EQ(image.pixelColor(10, 60), kBackground);  // where the panel stood
    EXPECT_NE(image.pixelColor(100, 100), kBackground);
    const QColor edge = image.pixelColor(100 + 20, 60 + 30 + 12);  // the button's left edge
    EXPECT_GT(edge.red(), 150);
    EXPECT_LT(edge.green(), 100);
    // Without the picture, nothing is picked out.
    const QColor plain = ui::qt::PreviewImage(s.form).pixelColor(10 + 20, 10 + 30 + 12);
    EXPECT_LT(plain.red(), 150);
}
