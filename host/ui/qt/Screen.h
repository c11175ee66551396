// The screen backend: the designed windows shown as real desktop windows (Qt Widgets).
// Each widget mirrors a control of the window's model; what a person does to a widget is
// done to its control, through the same calls and event handlers the script backend uses,
// and the widgets then show the model's new state. No window is coded a second time.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/ui/Backend.h"

class QApplication;
class QWidget;

namespace ui::qt {

class TScreenWindow;

class TScreenBackend : public TBackend {
public:
    // Connects to the display; the connection is made here and nowhere else.
    TScreenBackend();
    ~TScreenBackend() override;

    vcl::TModalResult RunModal(vcl::TCustomForm& form) override;
    std::optional<std::string> AnswerSaveDialog(vcl::TSaveDialog& dialog) override;
    int MessageBox(const std::string& text, const std::string& caption, int flags) override;

    // The windows open now, the topmost last (for tests that drive them).
    const std::vector<TScreenWindow*>& Windows() const { return windows_; }

private:
    QWidget* Topmost() const;

    std::unique_ptr<QApplication> app_;
    std::vector<TScreenWindow*> windows_;
};

// The platform's dialog filter ("Text Files|*.txt|All Files|*.*") as Qt writes it
// ("Text Files (*.txt);;All Files (*.*)").
std::string QtFilter(const std::string& filter);

}  // namespace ui::qt
