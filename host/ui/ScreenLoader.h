// The way to the screen: the on-screen backend and the form picture live in a module of
// their own (Qt), loaded only by a run that needs them, so that headless runs never load the
// screen libraries, let alone open a display connection.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "host/ui/Backend.h"

namespace vcl {
class TComponent;
class TControl;
class TCustomForm;
}  // namespace vcl

namespace ui {

// Whether a screen can be reached: an X or Wayland display is named, or a Qt platform is
// chosen explicitly. Opens no connection.
bool ScreenAvailable();

// The on-screen backend, connected to the display. Raises vcl::EInOutError when this build
// or installation has no screen module.
std::unique_ptr<TBackend> LoadScreenBackend();

// Writes a PNG picture of root's controls at their design places (see host/ui/qt/Preview.h).
// Raises vcl::EInOutError when the module is missing or the file cannot be written.
void SavePreviewPicture(const vcl::TComponent& root, const std::string& path);

// A picture a window shows beside its controls on screen: the controls of root where the
// window holds them now, which may differ from where they stand until the window is
// accepted, with one of them picked out. Scripts have no use for it.
struct TPicture {
    struct Place {
        int left, top, width, height;
        bool operator==(const Place&) const = default;
    };
    const vcl::TComponent* root = nullptr;  // null: nothing to show
    const vcl::TControl* selected = nullptr;
    std::unordered_map<const vcl::TControl*, Place> places;  // in the parent, as Left/Top are
};
using TPictureSource = std::function<TPicture()>;

// The model of a window names its picture here; an empty source takes it away again. The
// screen asks the source afresh whenever the window's state may have changed.
void SetWindowPicture(const vcl::TCustomForm* window, TPictureSource source);
// The picture source of a window; null when it has none.
const TPictureSource* WindowPicture(const vcl::TCustomForm* window);

}  // namespace ui
