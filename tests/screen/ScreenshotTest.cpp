// Every window on the example form, photographed: each must show its controls at the places
// its design gives them, and draw something there. The pictures go to the folder named by
// TAVRIN_SCREENSHOTS_DIR (the README's come from docs/screenshots), else to a scratch folder.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTest>

#include <set>

#include "host/vcl/Controls.h"
#include "tests/screen/ScreenTestSupport.h"

using namespace screentest;
using ui::qt::TScreenWindow;

namespace {

class Screenshots : public ScreenTest {
protected:
    testsupport::TempDir scratch;
    std::string Folder() const {
        const char* folder = std::getenv("TAVRIN_SCREENSHOTS_DIR");
        return folder != nullptr && *folder != '\0' ? folder : scratch.Path();
    }
    // Photographs the window and checks it; the step then closes it.
    void Shoot(TScreenWindow& w, const std::string& name);
    void Run(int verb, const std::string& name, std::function<void(TScreenWindow&)> more = {}) {
        WhenShown(backend, [this, name, more](TScreenWindow& w) {
            Shoot(w, name);
            if (more) more(w);
            w.reject();
        });
        RunTool(verb, backend, dir);
    }
};

bool Uniform(const QImage& image, const QRect& rect) {
    const QImage part = image.copy(rect);
    for (int y = 0; y < part.height(); ++y)
        for (int x = 0; x < part.width(); ++x)
            if (part.pixel(x, y) != part.pixel(0, 0)) return false;
    return true;
}

// Widgets that draw a frame, a text or items of their own: never one flat colour.
bool DrawsItself(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w)) return !label->text().isEmpty();
    return qobject_cast<const QAbstractButton*>(w) != nullptr || qobject_cast<const QLineEdit*>(w) != nullptr ||
           qobject_cast<const QComboBox*>(w) != nullptr || qobject_cast<const QAbstractItemView*>(w) != nullptr ||
           qobject_cast<const QPlainTextEdit*>(w) != nullptr;
}

void Screenshots::Shoot(TScreenWindow& w, const std::string& name) {
    QCoreApplication::processEvents();
    const QImage image = w.grab().toImage();
    ASSERT_TRUE(image.save(QString::fromStdString(Folder() + "/" + name + ".png"), "PNG")) << name;
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 8u) << name << " renders empty";
    int checked = 0;
    const vcl::TCustomForm& form = w.Form();
    for (int i = 0; i < form.ComponentCount(); ++i) {
        const auto* c = dynamic_cast<const vcl::TControl*>(form.Components(i));
        QWidget* widget = c != nullptr ? w.Widget(c->Name()) : nullptr;
        if (widget == nullptr || !widget->isVisibleTo(&w)) continue;
        // At the designed size every control stands where the design puts it; a label may
        // be wider, for a desktop font wider than the design's.
        const QRect at = widget->geometry(), designed(c->Left(), c->Top(), c->Width(), c->Height());
        if (qobject_cast<QLabel*>(widget) != nullptr) {
            EXPECT_EQ(at.topLeft(), designed.topLeft()) << name << ": " << c->Name();
            EXPECT_GE(at.width(), designed.width()) << name << ": " << c->Name();
        } else {
            EXPECT_EQ(at, designed) << name << ": " << c->Name();
        }
    }
    for (const QWidget* widget : w.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&w) || !DrawsItself(widget) || widget->size().isEmpty()) continue;
        EXPECT_FALSE(Uniform(image, QRect(widget->mapTo(&w, QPoint(0, 0)), widget->size())))
            << name << ": " << widget->objectName().toStdString() << " is drawn empty";
        ++checked;
    }
    EXPECT_GT(checked, 0) << name;
}

}  // namespace

TEST_F(Screenshots, OutlineWindows) {
    Run(kParentageVerb, "parentage", [this](TScreenWindow& w) {
        // The control detail dialog, on the edit box the tree's third item names.
        auto& tree = *qobject_cast<QTreeWidget*>(w.Widget("OutlineParent"));
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(TreeItem(tree, 3)).center());
        QCoreApplication::processEvents();
        WhenShown(backend, [this](TScreenWindow& detail) {
            Shoot(detail, "detail");
            detail.reject();
        });
        ClickButton(w, "EditBtn");
    });
    Run(kTabsVerb, "tabs");
    Run(kMenusVerb, "menus");
}

TEST_F(Screenshots, GridWindowsAndTheRescaleDialog) {
    Run(kHintsVerb, "hints");
    Run(kPositionsVerb, "positions", [this](TScreenWindow& w) {
        EXPECT_FALSE(w.Picture()->pixmap().isNull());
        WhenShown(backend, [this](TScreenWindow& scale) {
            Shoot(scale, "rescale");
            scale.reject();
        });
        ClickButton(w, "BtnRescale");
    });
    Run(kComponentsVerb, "components");
}

TEST_F(Screenshots, PropertyValuesAndAbout) {
    Run(kFormDataVerb, "formdata");
    QString about;
    Run(kAboutVerb, "about", [&about](TScreenWindow& w) {
        if (auto* text = w.findChild<QLabel*>("ProductName")) about = text->text();
    });
    EXPECT_TRUE(about.contains("Tavrin QA")) << about.toStdString();
}
