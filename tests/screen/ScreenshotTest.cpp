// Every window on the example form, photographed as it first opens: each draws its controls,
// shows every grid column and every caption whole in the desktop's font, gives each button an
// access key of its own and tabs through its controls in reading order. The pictures go to the
// folder named by TAVRIN_SCREENSHOTS_DIR (the README's come from docs/screenshots), else to a
// scratch folder.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
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
    std::set<QChar> keys;
    const QWidget* previous = nullptr;  // in the tab order, among the controls of one parent
    for (const QWidget* widget = w.nextInFocusChain(); widget != &w; widget = widget->nextInFocusChain()) {
        if (!widget->isVisibleTo(&w) || w.Form().FindComponent(widget->objectName().toStdString()) == nullptr) continue;
        const std::string at = name + ": " + widget->objectName().toStdString();
        // A caption whole in the desktop's font, and the design wide enough for it.
        const auto* c = dynamic_cast<const vcl::TControl*>(w.Form().FindComponent(widget->objectName().toStdString()));
        if (auto* label = qobject_cast<const QLabel*>(widget); label != nullptr && !label->wordWrap()) {
            EXPECT_LE(label->sizeHint().width(), c->Width()) << at << " clips \"" << label->text().toStdString() << '"';
        }
        if (auto* check = qobject_cast<const QCheckBox*>(widget)) {
            EXPECT_LE(check->sizeHint().width(), check->width()) << at << " clips " << check->text().toStdString();
        }
        if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            const int text = button->fontMetrics().horizontalAdvance(QString(button->text()).remove('&'));
            if (qobject_cast<const QPushButton*>(widget) != nullptr) {
                EXPECT_LE(text + (button->icon().isNull() ? 0 : button->iconSize().width() + 4) + 6, button->width()) << at;
            }
            const qsizetype amp = button->text().indexOf('&');
            EXPECT_TRUE(amp >= 0 && amp + 1 < button->text().size() && keys.insert(button->text()[amp + 1].toLower()).second)
                << at << " has no access key of its own: " << button->text().toStdString();
        }
        // Tab goes along a row, then down to the next one.
        if (!(widget->focusPolicy() & Qt::TabFocus)) continue;
        if (previous != nullptr && previous->parentWidget() == widget->parentWidget()) {
            const QRect a = previous->geometry(), b = widget->geometry();
            EXPECT_TRUE(b.top() >= a.center().y() || (b.center().y() > a.top() && b.left() > a.left()))
                << at << " comes after " << previous->objectName().toStdString();
        }
        previous = widget;
    }
    // Every grid column shows its title and its values, up to the widest the window may fit.
    for (QTableWidget* table : w.findChildren<QTableWidget*>()) {
        const QHeaderView& header = *table->horizontalHeader();
        for (int c = 0; c < table->columnCount(); ++c) {
            if (header.sectionSize(c) == 0) continue;
            EXPECT_LE(header.sectionViewportPosition(c) + header.sectionSize(c), table->viewport()->width())
                << name << ": column " << c << " is cut";
            EXPECT_GE(header.sectionSize(c), header.sectionSizeHint(c)) << name << ": column " << c;
            for (int r = 0; r < table->rowCount(); ++r)
                EXPECT_GE(header.sectionSize(c), std::min(table->fontMetrics().horizontalAdvance(table->item(r, c)->text()),
                                                          table->fontMetrics().horizontalAdvance(QString(40, 'n'))))
                    << name << ": column " << c << " cuts " << table->item(r, c)->text().toStdString();
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
        // The columns and the picture take their shares of a larger window.
        const QHeaderView& header = *w.findChild<QTableWidget*>()->horizontalHeader();
        const QSize picture = w.Picture()->pixmap().size();
        const int columns = header.length();
        w.resize(w.size() + QSize(300, 200));
        QCoreApplication::processEvents();
        EXPECT_GT(header.length(), columns + 100);
        EXPECT_GT(w.Picture()->pixmap().width(), picture.width() + 50);
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
