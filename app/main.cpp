// tavrinqa: plays the IDE for the QA toolkit. It opens a form file, runs one verb of the QA
// component on it, and saves the changed form; or converts form files between formats.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "app/CommandLine.h"
#include "app/Commands.h"
#include "app/StandardOutput.h"
#include "check/Checker.h"
#include "check/HtmlReport.h"
#include "toolbase/TavrinQA.h"
#include "framework/FormRun.h"
#include "framework/cfrminfo.h"
#include "framework/zorQAReg.h"
#include "host/base/AtomicFile.h"
#include "host/base/Zorexprtbase.h"
#include "host/controls/ControlClasses.h"
#include "host/db/Engine.h"
#include "host/designer/DesignIntf.h"
#include "host/formfile/FormFile.h"
#include "host/formfile/FormModel.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/EditSession.h"
#include "host/vcl/Forms.h"
#include "host/ui/Backend.h"
#include "host/ui/Print.h"
#include "host/ui/Script.h"
#include "host/ui/ScreenLoader.h"
#include "host/vcl/SysUtils.h"

namespace {

using namespace app;

int Report(const vcl::Exception& e, int status) {
    std::cerr << "tavrinqa: " << e.ClassName() << ": " << vcl::PrintableText(e.what()) << "\n";
    return status;
}

// Reads what the user named; a file that cannot be read or is no form is bad usage, and
// gives the status to exit with.
template <class Read>
std::optional<int> ReadUserInput(Read read) {
    try {
        read();
    } catch (const vcl::EParserError& e) {
        return Report(e, kUsage);
    } catch (const vcl::EInOutError& e) {
        return Report(e, kUsage);
    }
    return std::nullopt;
}

// An output that is the form read, by whatever path or link, would destroy it: bad usage.
std::optional<int> RefuseOutputOverForm(const char* what, const std::string& output, const std::string& form) {
    if (!zorbase::SameFile(output, form)) return std::nullopt;
    std::cerr << "tavrinqa: " << what << " '" << vcl::PrintableText(output) << "' is the form '"
              << vcl::PrintableText(form) << "'; an output never replaces the form it comes from\n";
    return kUsage;
}

// The file's replacement, made when the first bytes come (a form that fails to read leaves
// none behind), and taking the file's place only when whole.
class FileSink : public formfile::ByteSink {
public:
    explicit FileSink(const std::string& path) : path_(path) {}
    void Write(std::string_view bytes) override { File().Write(bytes); }
    void Overwrite(uint64_t offset, std::string_view bytes) override { File().Overwrite(offset, bytes); }
    void Commit() { File().Commit(); }

private:
    zorbase::AtomicFileWriter& File() {
        if (!file_) file_.emplace(path_);
        return *file_;
    }
    const std::string& path_;
    std::optional<zorbase::AtomicFileWriter> file_;
};

// Text in the converter's layout, or a binary stream: with the resource header a binary
// .dfm carries when the output is a .dfm file, bare otherwise. The conversion is made while the
// form is read; should it meet anything, the form read is converted once more as it always
// was, so that every failure is the one it always was.
int Convert(const std::string& in, const std::string& out, const std::string& to, const std::string& codepage) {
    if (out != "-")
        if (auto refused = RefuseOutputOverForm("the output", out, in)) return *refused;
    const bool toStdout = out.empty() || out == "-";
    const bool dfm = out.size() > 4 && vcl::SameText(out.substr(out.size() - 4), ".dfm");
    const formfile::TextOptions options("\n", codepage);
    using Target = formfile::StreamedConversion::Target;
    const Target target = to.empty() ? Target::Other : to == "text" ? Target::Text : Target::Binary;
    std::optional<FileSink> streamed;
    if (!toStdout) streamed.emplace(out);
    formfile::StreamedConversion conversion(target, options, dfm, codepage, streamed ? &*streamed : nullptr);
    std::optional<formfile::Document> parsed;
    if (auto failed = ReadUserInput([&] { parsed.emplace(formfile::Document::ParseFile(in, &conversion)); }))
        return *failed;
    const formfile::Document& doc = *parsed;
    const bool toText = conversion.ToText();
    try {
        if (!conversion.Failed()) {
            conversion.Finish();
            if (!toStdout) return streamed->Commit(), kToolRan;
            const std::string bytes = conversion.TakeBytes();
            std::cout.write(bytes.data(), std::streamsize(bytes.size()));
            return kToolRan;
        }
        streamed.reset();  // what it made goes
        if (toStdout) {
            // Whole before it goes out: a failure half-way leaves standard output empty.
            const std::string bytes = toText ? formfile::ToText(doc, options) : formfile::ToBinary(doc, dfm, codepage);
            std::cout.write(bytes.data(), std::streamsize(bytes.size()));
        } else {
            FileSink sink(out);
            if (toText) formfile::WriteText(doc, options, sink);
            else formfile::WriteBinary(doc, dfm, codepage, sink);
            sink.Commit();
        }
    } catch (const vcl::EConvertError& e) {
        return Report(e, kUsage);  // an unknown code page, or text that is not in it
    }
    return kToolRan;
}

// A picture of the form as the designer shows it, with the overlays asked for. With a code
// page, 8-bit strings are read as text in it, as convert reads them.
int Preview(const Invocation& cl) {
    const std::string &form = cl.form, &picture = cl.output;
    if (auto refused = RefuseOutputOverForm("the picture", picture, form)) return *refused;
    zorbase::KeepAsInput(form);
    vcl::RegisterControlClasses();
    std::unique_ptr<formfile::TFormFile> file;
    try {
        if (auto failed = ReadUserInput([&] {
                if (cl.codepage.empty()) return file = formfile::TFormFile::Load(form), void();
                const formfile::Document doc = formfile::Document::ParseFile(form);
                file = formfile::TFormFile::LoadBytes(formfile::ToBinary(doc, false, cl.codepage), form);
            }))
            return *failed;
    } catch (const vcl::EConvertError& e) {
        return Report(e, kUsage);  // an unknown code page, or text that is not in it
    }
    ui::TPreviewOptions options = check::PreviewOptionsFor(*file);
    for (const std::string& overlay : cl.overlays) {
        if (overlay == "tab-order") options.tabOrder = true;
        if (overlay != "findings") continue;
        check::RuleSettings rules;
        if (const std::optional<std::string> config = check::FindConfig(form))
            if (auto failed = ReadUserInput([&] { rules = check::LoadConfig(*config).rules; })) return *failed;
        const check::FileResult result = check::CheckFile(form, rules);
        for (size_t i = 0; i < result.findings.size(); ++i)
            options.marks.push_back({result.findings[i].component, std::to_string(i + 1)});
    }
    try {
        ui::SavePreviewPicture(*file->Root(), picture, options);
    } catch (const vcl::Exception& e) {
        return Report(e, kToolFailed);
    }
    return kToolRan;
}

// What the package registered with the form designer, as the IDE would list it.
int ShowPalette() {
    tavrin::Register();
    const auto& d = designer::Designer();
    for (const auto& e : d.Palette()) std::cout << "component\t" << e.page << "\t" << e.className << "\n";
    for (const auto& e : d.PropertyEditors())
        std::cout << "property editor\t" << e.componentClass << "." << e.propertyName << "\t" << e.propertyType << "\n";
    vcl::TComponent* qa = vcl::ClassCatalogue().CreateComponent("TTavrinQA", nullptr);
    std::unique_ptr<vcl::TComponent> owned(qa);
    auto editor = d.CreateComponentEditor(qa);
    for (int i = 0; i < editor->GetVerbCount(); ++i) std::cout << "verb\t" << i << "\t" << editor->GetVerb(i) << "\n";
    return kToolRan;
}

int Run(int argc, char** argv) {
    Invocation cl;
    if (const std::optional<int> done = ParseCommandLine(argc, argv, cl)) return *done;
    const std::string &form = cl.form, &script = cl.script, &output = cl.output, &classes = cl.classes,
                      &unit = cl.unit, &homeOption = cl.home;
    const bool print = cl.print, noSave = cl.noSave;
    const int line = cl.line;

    if (!classes.empty())
        if (auto failed = ReadUserInput([&] { vcl::ClassCatalogue().LoadFromFile(classes); })) return *failed;

    if (cl.command == Command::Convert) return Convert(form, output, cl.to, cl.codepage);
    if (cl.command == Command::Preview) return Preview(cl);
    if (cl.command == Command::Check) {
        ConfigureEngine(FindSettingsHome(homeOption));  // the data rules' databases, read only
        return check::RunCheck(cl.check, std::cout, std::cerr);
    }

    const SettingsHome home = FindSettingsHome(homeOption);
    vcl::Application()->SetExeName(HostExecutable(home));
    if (cl.command == Command::Alias) return RunAlias(home, cl.aliasAction, cl.args);
    if (cl.command == Command::Catalogue) {
        try {
            return RunCatalogue(home, cl.args, cl.systemTables, cl.extendedInfo);
        } catch (const vcl::Exception& e) {
            return Report(e, kToolFailed);
        }
    }
    if (cl.command == Command::Palette) return ShowPalette();
    if (!unit.empty())
        if (auto refused = RefuseOutputOverForm("the unit", unit, form)) return *refused;
    zorbase::KeepAsInput(form);  // a text export or a picture never lands on it either
    vcl::RegisterControlClasses();
    tavrin::Register();
    ConfigureEngine(home);
    dbe::Engine().SetFormFolder(std::filesystem::path(form).parent_path().string());
    std::unique_ptr<formfile::TFormFile> file;
    std::unique_ptr<ui::TBackend> backend;
    ui::TScriptBackend* scriptBackend = nullptr;
    const auto read = ReadUserInput([&] {
        file = formfile::TFormFile::Load(form);
        // Who answers the windows: the script, the printer, or nobody (windows close at once).
        if (print) {
            backend = std::make_unique<ui::TPrintBackend>(std::cout, std::cerr);
        } else if (!script.empty()) {
            auto s = ui::TScriptBackend::FromFile(script, std::cout, std::cerr);
            scriptBackend = s.get();
            backend = std::move(s);
        }
    });
    if (read) return *read;
    // Without a script or the printer, a person answers the windows on screen; the display
    // is reached only now, so that headless runs never touch it.
    if (!print && script.empty()) {
        if (!ui::ScreenAvailable()) {
            std::cerr << "tavrinqa: the windows need a display, and none is set ($DISPLAY, $WAYLAND_DISPLAY); "
                         "use --script FILE or --print to run without one\n";
            return kUsage;
        }
        try {
            backend = ui::LoadScreenBackend();
        } catch (const vcl::EInOutError& e) {
            return Report(e, kUsage);
        }
    }
    // The system takes a whole process's memory back at once; freeing tens of thousands of
    // components one by one at exit only keeps the user waiting. Sanitized builds free it all,
    // so that their leak check still finds real leaks.
    struct LeaveFormToExit {
        std::unique_ptr<formfile::TFormFile>& file;
        ~LeaveFormToExit() {
#ifndef TAVRIN_SANITIZED
            (void)file.release();
#endif
        }
    } leaveFormToExit{file};
    MakeDefaultHome(home);
    std::optional<ui::TInstalled> installed;
    if (backend) installed.emplace(*backend);
    // What the person does in the tool's window is the run's edit session: only that is saved.
    tavrin::TFormRun run(*file);

    // Where Paste puts text: the unit file (written only when something was pasted), or
    // standard output.
    std::unique_ptr<zorbase::TUnitFileEditor> unitEditor;
    zorbase::TStreamEditor streamEditor(std::cout);
    if (!unit.empty()) unitEditor = std::make_unique<zorbase::TUnitFileEditor>(unit, line);
    zorbase::SetSourceEditor(unitEditor ? static_cast<zorbase::TSourceEditor*>(unitEditor.get()) : &streamEditor);
    struct Detach {
        ~Detach() { zorbase::SetSourceEditor(nullptr); }
    } detach;

    try {
        run.RunVerb(cl.verb);
        if (scriptBackend) scriptBackend->Finish();
        run.Finish();
    } catch (const ui::EScriptError& e) {
        std::cerr << "tavrinqa: script error: " << vcl::PrintableText(e.what()) << "\n";
        return kUsage;
    } catch (const tavrin::EToolUnavailable& e) {
        return Report(e, kUsage);
    } catch (const vcl::Exception& e) {
        return Report(e, kToolFailed);  // neither the form nor the unit is written
    }
    // Saving: a failure here is the run's failure, never bad usage.
    try {
        if (unitEditor && !unitEditor->Pending().empty()) unitEditor->Commit();
        std::optional<std::string> accepted;
        if (!print && !noSave && (accepted = run.AcceptedFile())) {
            const std::string target = output.empty() ? form : output;
            run.Save(target, std::move(*accepted));
            std::cerr << "tavrinqa: saved " << vcl::PrintableText(target) << ", changed:";
            for (const std::string& name : file->ChangedComponents()) std::cerr << " " << vcl::PrintableText(name);
            std::cerr << "\n";
        }
    } catch (const vcl::Exception& e) {
        return Report(e, kToolFailed);
    }
    return kToolRan;
}

}  // namespace

// Nothing escapes: a failure of the standard library or of memory is a message and status 1,
// and so is output that could not be written.
int main(int argc, char** argv) {
    app::TStandardOutput output;
    int status = kToolFailed;
    try {
        try {
            status = Run(argc, argv);
        } catch (const vcl::Exception& e) {
            status = Report(e, kToolFailed);
        } catch (const std::bad_alloc&) {
            std::cerr << "tavrinqa: out of memory\n";
        } catch (const std::exception& e) {
            std::cerr << "tavrinqa: " << vcl::PrintableText(e.what()) << "\n";
        } catch (...) {
            std::cerr << "tavrinqa: unexpected failure\n";
        }
    } catch (...) {
        std::cerr << "tavrinqa: out of memory\n";  // the message itself found no memory
    }
    if (const std::string lost = output.Finish(); !lost.empty()) {
        std::cerr << "tavrinqa: cannot write to standard output: " << lost << "\n";
        if (status != kUsage) status = kToolFailed;
    }
    return status;
}
