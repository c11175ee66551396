// The way to the screen: the on-screen backend and the form picture live in a module of
// their own (Qt), loaded only by a run that needs them, so that headless runs never load the
// screen libraries, let alone open a display connection.
#pragma once

#include <memory>
#include <string>

#include "host/ui/Backend.h"
#include "host/ui/PreviewOptions.h"

namespace vcl {
class TComponent;
}  // namespace vcl

namespace ui {

// The desktop's libraries keep their caches (fonts, the session bus) until the process ends,
// by design: no leaks of ours. Every sanitized program that shows windows names them to the
// leak checker (__lsan_default_suppressions), once.
inline constexpr const char* kDesktopLeakSuppressions =
    "leak:libfontconfig.so\nleak:libdbus-1.so\nleak:libxcb\nleak:libX11\n";

// Whether a screen can be reached: an X or Wayland display is named, or a Qt platform is
// chosen explicitly. Opens no connection.
bool ScreenAvailable();

// The on-screen backend, connected to the display. Raises vcl::EInOutError when this build
// or installation has no screen module.
std::unique_ptr<TBackend> LoadScreenBackend();

// Writes a picture of the form root as the designer shows it (see host/ui/qt/Preview.h), in
// the format its extension names. Raises vcl::EInOutError when the module is missing or the
// file cannot be written.
void SavePreviewPicture(const vcl::TComponent& root, const std::string& path, const TPreviewOptions& options = {});
// The same picture encoded as format ("PNG", "JPEG"), with where each control landed in it.
TPreviewPicture PreviewPicture(const vcl::TComponent& root, const TPreviewOptions& options, const char* format);

}  // namespace ui
