// The entry points of the screen module, which the program loads by name (host/ui/ScreenLoader).
#include "host/ui/qt/Preview.h"
#include "host/ui/qt/Screen.h"

extern "C" {

__attribute__((visibility("default"))) ui::TBackend* tavrinqa_screen_backend() {
    return new ui::qt::TScreenBackend();
}

__attribute__((visibility("default"))) void tavrinqa_save_preview(const vcl::TComponent& root, const std::string& path,
                                                                  const ui::TPreviewOptions& options) {
    ui::qt::SavePreview(root, path, options);
}

__attribute__((visibility("default"))) void tavrinqa_encode_preview(const vcl::TComponent& root,
                                                                    const ui::TPreviewOptions& options,
                                                                    const char* format, ui::TPreviewPicture& picture) {
    picture = ui::qt::EncodePreview(root, options, format);
}
}
