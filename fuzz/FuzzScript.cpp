// Automation scripts: whatever the bytes, a script drives a tool window to its end, or stops
// at a script error, never a crash. Lines that would write files (dump PATH, save) are left
// out of the inputs.
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "host/ui/Script.h"
#include "tests/host/ui/TestWindows.h"

namespace {

bool WritesFiles(std::string_view script) {
    while (!script.empty()) {
        const size_t eol = script.find('\n');
        std::string_view line = script.substr(0, eol);
        script = eol == std::string_view::npos ? std::string_view() : script.substr(eol + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (line.substr(0, 4) == "save") return true;
        if (line.substr(0, 4) == "dump" && line.find_first_not_of(" \t\r", 4) != std::string_view::npos) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view script(reinterpret_cast<const char*>(data), size);
    if (WritesFiles(script)) return 0;
    static const bool registered = (vcl::RegisterControlClasses(), true);
    (void)registered;
    std::ostringstream out, err;
    ui::TScriptBackend backend(script, "fuzz.script", out, err);
    ui::TInstalled installed(backend);
    try {
        uitest::TToolWin window(nullptr);
        window.ShowModal();
        backend.Finish();
    } catch (const ui::EScriptError&) {
    }
    return 0;
}
