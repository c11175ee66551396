#include "host/ui/qt/Application.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

namespace ui::qt {

namespace {
// Notes are kept, and shown only when Qt gives up, to say why.
QString& Notes() {
    static QString notes;
    return notes;
}
}  // namespace

void QuietQtNotes() {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg) {
            // Qt gives up on a display it cannot reach: a clear message and the status of bad
            // usage, never an abort.
            std::fprintf(stderr, "%stavrinqa: %s\n", qPrintable(Notes()), qPrintable(message));
            std::fflush(stderr);
            std::_Exit(2);
        }
        if (type == QtCriticalMsg) std::fprintf(stderr, "tavrinqa: %s\n", qPrintable(message));
        else if (Notes().size() < 4096) Notes() += "tavrinqa: " + message + "\n";
    });
}

void EnsureOffscreenApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    QuietQtNotes();
    static int argc = 3;
    static char arg0[] = "tavrinqa", arg1[] = "-platform", arg2[] = "offscreen";
    static char* argv[] = {arg0, arg1, arg2, nullptr};
    static QGuiApplication app(argc, argv);
}

}  // namespace ui::qt
