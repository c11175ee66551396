#include "host/ui/ScreenLoader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <vector>

#include "host/vcl/SysUtils.h"

#ifdef TAVRIN_SANITIZED
// The desktop's libraries keep their caches (fonts, the session bus) until the process ends,
// by design: those are no leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libdbus-1.so\nleak:libxcb\nleak:libX11\n";
}
#endif

namespace ui {

namespace {

constexpr const char* kModule = "tavrinqa-screen.so";

// Beside the program, or in the library folder of its installation.
void* Module() {
    static void* module = [] {
        std::error_code ec;
        const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        std::vector<std::filesystem::path> places;
        if (!ec) {
            places.push_back(exe.parent_path() / kModule);
            places.push_back(exe.parent_path().parent_path() / "lib/tavrinqa" / kModule);
        }
        std::string reasons;
        for (const auto& place : places) {
            if (!std::filesystem::exists(place, ec)) continue;
            if (void* m = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL)) return m;
            if (const char* e = dlerror()) reasons += std::string("; ") + e;
        }
        throw vcl::EInOutError("This build has no screen support (" + std::string(kModule) + " not found" +
                               reasons + ")");
        return static_cast<void*>(nullptr);
    }();
    return module;
}

std::map<const vcl::TCustomForm*, TPictureSource>& Pictures() {
    static std::map<const vcl::TCustomForm*, TPictureSource> pictures;
    return pictures;
}

template <class F>
F* Entry(const char* name) {
    void* entry = dlsym(Module(), name);
    if (entry == nullptr) throw vcl::EInOutError(std::string("The screen module lacks ") + name);
    return reinterpret_cast<F*>(entry);
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

void SavePreviewPicture(const vcl::TComponent& root, const std::string& path) {
    Entry<void(const vcl::TComponent&, const std::string&)>("tavrinqa_save_preview")(root, path);
}

void SetWindowPicture(const vcl::TCustomForm* window, TPictureSource source) {
    if (source) Pictures()[window] = std::move(source);
    else Pictures().erase(window);
}

const TPictureSource* WindowPicture(const vcl::TCustomForm* window) {
    auto it = Pictures().find(window);
    return it == Pictures().end() ? nullptr : &it->second;
}

}  // namespace ui
