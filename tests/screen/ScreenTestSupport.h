// What the screen tests share: one Qt application on the off-screen platform, a tool run on
// a copy of the example form through a backend, and a person's hands for the widgets.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <utility>

#include "toolbase/TavrinQA.h"
#include "framework/FormRun.h"
#include "framework/zorQAReg.h"
#include "host/controls/ControlClasses.h"
#include "host/designer/DesignIntf.h"
#include "host/formfile/FormModel.h"
#include "host/ui/Backend.h"
#include "host/ui/Script.h"
#include "host/ui/qt/Screen.h"
#include "host/ui/qt/ScreenWindow.h"
#include "host/vcl/EditSession.h"
#include "host/vcl/Forms.h"
#include "tests/support/TestSupport.h"

namespace screentest {

inline const std::string kExample = std::string(TAVRIN_SOURCE_DIR) + "/examples/Customer.dfm";
// The verbs of the QA component, by their index in its component editor.
enum Verb { kAboutVerb, kDataInfoVerb, kHintsVerb, kMenusVerb, kParentageVerb, kPositionsVerb, kTabsVerb, kComponentsVerb,
            kFormDataVerb };

// The one application of the test program, made before any backend so that none owns it.
inline QApplication& App() {
    static int argc = 1;
    static char arg0[] = "test_screen";
    static char* argv[] = {arg0, nullptr};
    static QApplication* app = [] {
        // A desktop of a common size, so that windows open as they would on one.
        static const testsupport::TempDir folder;
        testsupport::WriteFile(folder.File("screen.json"),
                               R"({"screens": [{"name": "desk", "x": 0, "y": 0, "width": 1600, "height": 1000}]})");
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + folder.File("screen.json")).c_str(), 1);
        return new QApplication(argc, argv);
    }();
    return *app;
}

// A test with the screen backend and a folder for its run.
class ScreenTest : public ::testing::Test {
protected:
    QApplication& app = App();  // before the backend, which would make one of its own
    testsupport::TempDir dir;
    ui::qt::TScreenBackend backend;
};

// Runs step on the topmost window once the event loop shows it.
inline void WhenShown(ui::qt::TScreenBackend& backend, std::function<void(ui::qt::TScreenWindow&)> step) {
    QTimer::singleShot(0, &App(), [&backend, step] {
        ASSERT_FALSE(backend.Windows().empty());
        step(*backend.Windows().back());
    });
}

// Runs a verb of the QA component on a copy of the example, as the program does, and gives
// the form file's bytes afterwards (saved only when the person accepted).
inline std::string RunTool(int verb, ui::TBackend& backend, const testsupport::TempDir& dir) {
    vcl::RegisterControlClasses();
    tavrin::Register();
    vcl::Application()->SetExeName(dir.File("host"));
    const std::string path = dir.File("form.dfm");
    testsupport::WriteFile(path, testsupport::ReadFile(kExample));
    auto file = formfile::TFormFile::Load(path);
    // A step that fails leaves its window open: the watchdog closes it, so the test ends.
    QTimer watchdog;
    watchdog.setInterval(20000);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        ADD_FAILURE() << "a window was left open";
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog != nullptr && dialog->isVisible()) dialog->done(0);
    });
    watchdog.start();
    ui::TInstalled installed(backend);
    tavrin::TFormRun run(*file);
    run.RunVerb(verb);
    run.Finish();
    if (std::optional<std::string> accepted = run.AcceptedFile()) run.Save(path, std::move(*accepted));
    return testsupport::ReadFile(path);
}

// The same run with a script playing the person.
inline std::string RunScript(int verb, const std::string& script, const testsupport::TempDir& dir) {
    std::ostringstream out, err;
    ui::TScriptBackend backend(script, "test", out, err);
    return RunTool(verb, backend, dir);
}

// A saved form without the numbers the tab tool gives unnamed pages, which count per process.
inline std::string WithoutPageNumbers(const std::string& form) {
    static const std::regex page("InvalidPageName_[0-9]+");
    return std::regex_replace(form, page, "P");
}

// The tree item showing outline item index (from 1).
inline QTreeWidgetItem* TreeItem(QTreeWidget& tree, int index) {
    for (QTreeWidgetItemIterator it(&tree); *it != nullptr; ++it)
        if ((*it)->data(0, Qt::UserRole).toInt() == index) return *it;
    return nullptr;
}

// A left-button drag of one tree item onto another, with the mouse, then the event loop
// runs what the drop started.
void DragItem(QTreeWidget& tree, int from, int to);
// A left click on the named button of the window.
void ClickButton(ui::qt::TScreenWindow& window, const char* name);
// Replaces the text of the named edit box by typing, as a person does: select all, type.
void Type(ui::qt::TScreenWindow& window, const char* name, const char* text);
// The lines of a section of the run's settings file that are not the window's place.
std::vector<std::string> ColumnKeys(const testsupport::TempDir& dir, const std::string& section);

}  // namespace screentest
