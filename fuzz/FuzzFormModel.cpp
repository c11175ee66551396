// A form read into components and shown by a tool: whatever the bytes, reading ends in a model
// or a vcl::Exception, and the tool either prints or plays a script to its end, or refuses with
// an exception of ours (after which the program saves nothing). A run that ends and accepted
// nothing leaves the file's bytes as they were read; what a run accepted reads back, as a form
// file and as components.
//
// The input: a byte that picks the tool (the component editor's verb), a byte that gives the
// script's length (none: the tool prints), the script, then the form, text or stream.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include <unistd.h>

#include "framework/FormRun.h"
#include "framework/zorQAReg.h"
#include "fuzz/ScriptLines.h"
#include "host/controls/ControlClasses.h"
#include "host/db/DB.h"
#include "host/db/Engine.h"
#include "host/formfile/FormModel.h"
#include "host/ui/Print.h"
#include "host/ui/Script.h"
#include "host/vcl/Forms.h"

namespace {

[[noreturn]] void Broken(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "invariant broken: %s\n%s\n", what, detail.substr(0, 2000).c_str());
    std::abort();
}

// Settings and aliases in a folder of this run's own; no database is reachable.
void SetUpOnce() {
    static const bool done = [] {
        const std::filesystem::path home =
            std::filesystem::temp_directory_path() / ("tavrinqa-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(home);
        vcl::RegisterControlClasses();
        tavrin::Register();
        vcl::Application()->SetExeName((home / "host").string());
        dbe::Engine().SetConfigFile((home / "aliases.conf").string());
        vcl::TDataSet::SetWarningHandler([](const std::string&) {});
        return true;
    }();
    (void)done;
}

// How a tool's run ended, as the program runs it.
struct Ended {
    bool refused = false;                 // an exception of ours ended it: the program saves nothing
    std::optional<std::string> accepted;  // the file as the person's accepted changes leave it
};

Ended RunTool(formfile::TFormFile& file, int verb, std::string_view script) {
    std::ostringstream out, err;
    std::unique_ptr<ui::TBackend> backend;
    ui::TScriptBackend* player = nullptr;
    if (script.empty()) {
        backend = std::make_unique<ui::TPrintBackend>(out, err);
    } else {
        auto s = std::make_unique<ui::TScriptBackend>(script, "fuzz.script", out, err);
        player = s.get();
        backend = std::move(s);
    }
    ui::TInstalled installed(*backend);
    tavrin::TFormRun run(file);
    try {
        run.RunVerb(verb);
        if (player != nullptr) player->Finish();
    } catch (const vcl::Exception&) {
        return {true, std::nullopt};  // a tool may refuse a form, or what the person typed
    } catch (const ui::EScriptError&) {
        return {true, std::nullopt};
    }
    run.Finish();
    return {false, run.AcceptedFile()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const int verb = data[0] % 9;
    const size_t scriptSize = data[1];
    if (size < 2 + scriptSize + 1) return 0;
    const std::string_view script(reinterpret_cast<const char*>(data) + 2, scriptSize);
    if (fuzz::WritesFiles(script)) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data) + 2 + scriptSize, size - 2 - scriptSize);
    SetUpOnce();
    std::unique_ptr<formfile::TFormFile> file;
    try {
        file = formfile::TFormFile::LoadBytes(bytes, "Fuzz.dfm");
    } catch (const vcl::Exception&) {
        return 0;  // refused: the expected end of most inputs
    }
    if (file->Bytes() != bytes) Broken("a form read and not edited has other bytes");
    const Ended ended = RunTool(*file, verb, script);
    const std::optional<std::string>& accepted = ended.accepted;
    if (script.empty() && accepted) Broken("a print accepted changes");
    if (!ended.refused && !accepted && file->Bytes() != bytes)
        Broken("a run that accepted nothing changed the form's bytes");
    if (accepted) {
        try {
            formfile::TFormFile::LoadBytes(*accepted, "Saved.dfm");
        } catch (const vcl::Exception& e) {
            Broken("what a tool saved does not read back", e.Message() + "\n" + *accepted);
        }
    }
    dbe::Engine().CloseDatabases();
    return 0;
}
