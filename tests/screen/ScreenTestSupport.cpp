#include "tests/screen/ScreenTestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "host/ui/ScreenLoader.h"

#ifdef TAVRIN_SANITIZED
// The screen tests show windows whether or not they link the program's loader, which names
// these too: its definition wins when it is linked.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
    return ui::kDesktopLeakSuppressions;
}
#endif

namespace screentest {

void DragItem(QTreeWidget& tree, int from, int to) {
    QTreeWidgetItem* source = TreeItem(tree, from);
    QTreeWidgetItem* target = TreeItem(tree, to);
    ASSERT_NE(source, nullptr);
    ASSERT_NE(target, nullptr);
    const QPoint start = tree.visualItemRect(source).center(), end = tree.visualItemRect(target).center();
    QWidget* viewport = tree.viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, start);
    QTest::mouseMove(viewport, (start + end) / 2);
    QTest::mouseMove(viewport, end);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, end);
    QCoreApplication::processEvents();
}

void ClickButton(ui::qt::TScreenWindow& window, const char* name) {
    auto* button = qobject_cast<QPushButton*>(window.Widget(name));
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

void Type(ui::qt::TScreenWindow& window, const char* name, const char* text) {
    auto* line = qobject_cast<QLineEdit*>(window.Widget(name));
    ASSERT_NE(line, nullptr) << name;
    QTest::mouseClick(line, Qt::LeftButton);
    QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(line, text);
}

std::vector<std::string> ColumnKeys(const testsupport::TempDir& dir, const std::string& section) {
    std::vector<std::string> keys;
    for (std::string& line : testsupport::SettingsSection(dir.File("tavrinqa.ini"), section))
        if (line.rfind("Window ", 0) != 0 && line.rfind("State=", 0) != 0) keys.push_back(std::move(line));
    return keys;
}

}  // namespace screentest
