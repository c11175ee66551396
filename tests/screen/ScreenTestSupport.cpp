#include "tests/screen/ScreenTestSupport.h"

#include <QPushButton>
#include <QTest>

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

}  // namespace screentest
