// A form read into components and shown by a tool: whatever the bytes, reading ends in a model
// or a vcl::Exception, every tool prints or refuses with one, and a run that accepted nothing
// leaves the file's bytes as they were read. The first byte picks the tool (the component
// editor's verb), the rest is the form, text or stream.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include <unistd.h>

#include "framework/FormRun.h"
#include "framework/zorQAReg.h"
#include "host/controls/ControlClasses.h"
#include "host/db/DB.h"
#include "host/db/Engine.h"
#include "host/formfile/FormModel.h"
#include "host/ui/Print.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    SetUpOnce();
    const int verb = data[0] % 9;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::unique_ptr<formfile::TFormFile> file;
    try {
        file = formfile::TFormFile::LoadBytes(bytes, "Fuzz.dfm");
    } catch (const vcl::Exception&) {
        return 0;  // refused: the expected end of most inputs
    }
    if (file->Bytes() != bytes) Broken("a form read and not edited has other bytes");
    std::ostringstream out, err;
    ui::TPrintBackend printer(out, err);
    ui::TInstalled installed(printer);
    tavrin::TFormRun run(*file);
    try {
        run.RunVerb(verb);
    } catch (const vcl::Exception&) {
        // A tool may refuse a form (no window to show, a value it cannot place).
    }
    run.Finish();
    if (run.AcceptedFile()) Broken("a print accepted changes");
    if (file->Bytes() != bytes) Broken("a print changed the form's bytes");
    dbe::Engine().CloseDatabases();
    return 0;
}
