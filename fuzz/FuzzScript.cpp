// Automation scripts: whatever the bytes, a script drives a tool window to its end, or stops
// at a script error, never a crash. Lines that would write files (dump PATH, save) are left
// out of the inputs.
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz/ScriptLines.h"
#include "host/ui/Script.h"
#include "tests/host/ui/TestWindows.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view script(reinterpret_cast<const char*>(data), size);
    if (fuzz::WritesFiles(script)) return 0;
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
