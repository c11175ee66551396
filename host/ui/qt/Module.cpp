// The entry points of the screen module, which the program loads by name (host/ui/ScreenLoader).
#include "host/ui/qt/Preview.h"
#include "host/ui/qt/Screen.h"

extern "C" {

__attribute__((visibility("default"))) ui::TBackend* tavrinqa_screen_backend() {
    return new ui::qt::TScreenBackend();
}

__attribute__((visibility("default"))) void tavrinqa_save_preview(const vcl::TComponent& root,
                                                                  const std::string& path) {
    ui::qt::SavePreview(root, path);
}
}
