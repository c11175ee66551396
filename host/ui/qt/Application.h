// The Qt application object the screen backend and the form picture share.
#pragma once

namespace ui::qt {

// Makes the application object that off-screen drawing needs (fonts), on the off-screen
// platform, unless one exists already. Never connects to a display.
void EnsureOffscreenApplication();

// Keeps Qt's notes about the desktop session (no runtime folder, a missing theme) off the
// user's error stream; its critical messages still go there.
void QuietQtNotes();

}  // namespace ui::qt
