#include "host/ui/ScreenLoader.h"

#include <cstdlib>

#include "host/base/Installation.h"

#ifdef TAVRIN_SANITIZED
extern "C" const char* __lsan_default_suppressions() { return ui::kDesktopLeakSuppressions; }
#endif

namespace ui {

namespace {

constexpr const char* kModule = "tavrinqa-screen.so";
constexpr const char* kWhat = "The screen module";

void* Module() {
    static void* module = zorbase::OpenModule(kModule, kWhat);
    return module;
}

template <class F>
F* Entry(const char* name) {
    return reinterpret_cast<F*>(zorbase::ModuleEntry(Module(), name, kWhat));
}

}  // namespace

bool ScreenAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* v = std::getenv(name); v != nullptr && *v != '\0') return true;
    return false;
}

std::unique_ptr<TBackend> LoadScreenBackend() {
    return std::unique_ptr<TBackend>(Entry<TBackend*()>("tavrinqa_screen_backend")());
}

void SavePreviewPicture(const vcl::TComponent& root, const std::string& path, const TPreviewOptions& options) {
    Entry<void(const vcl::TComponent&, const std::string&, const TPreviewOptions&)>("tavrinqa_save_preview")(root, path,
                                                                                                       options);
}

TPreviewPicture PreviewPicture(const vcl::TComponent& root, const TPreviewOptions& options, const char* format) {
    TPreviewPicture picture;
    Entry<void(const vcl::TComponent&, const TPreviewOptions&, const char*, TPreviewPicture&)>(
        "tavrinqa_encode_preview")(root, options, format, picture);
    return picture;
}

}  // namespace ui
