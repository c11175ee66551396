// tavrinqa: plays the IDE for the QA toolkit. It opens a form file, runs one verb of the QA
// component on it, and saves the changed form; or converts form files between formats.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "app/Commands.h"
#include "check/Checker.h"
#include "framework/TavrinQA.h"
#include "framework/cfrminfo.h"
#include "framework/zorQAReg.h"
#include "host/base/AtomicFile.h"
#include "host/base/Zorexprtbase.h"
#include "host/controls/ControlClasses.h"
#include "host/designer/DesignIntf.h"
#include "host/formfile/FormFile.h"
#include "host/formfile/FormModel.h"
#include "host/vcl/ClassCatalogue.h"
#include "host/vcl/Forms.h"
#include "host/ui/Backend.h"
#include "host/ui/Print.h"
#include "host/ui/Script.h"
#include "host/ui/ScreenLoader.h"
#include "host/vcl/SysUtils.h"

namespace {

using namespace app;

// The verbs by their command-line names, at their index in the component editor.
constexpr const char* kVerbs[] = {"about", "datainfo", "hints", "menuinfo", "parentage",
                                  "positions", "tabs", "allcomponents", "formdata"};

// "All Components" and "Form Data" (the verb captions) are accepted as well; case is ignored.
std::optional<int> VerbIndex(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    text = vcl::LowerCase(text);
    for (int i = 0; i < int(std::size(kVerbs)); ++i)
        if (text == kVerbs[i]) return i;
    return std::nullopt;
}

void RunVerb(vcl::TComponent* root, int verb) {
    tavrin::TTavrinQA* qa = nullptr;
    for (int i = 0; i < root->ComponentCount() && qa == nullptr; ++i)
        qa = dynamic_cast<tavrin::TTavrinQA*>(root->Components(i));
    std::unique_ptr<tavrin::TTavrinQA> dropped;
    if (qa == nullptr) dropped.reset(qa = new tavrin::TTavrinQA(root));
    designer::Designer().CreateComponentEditor(qa)->ExecuteVerb(verb);
}

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

// The first line of --help, as a person would write it.
class TUsageFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App*, std::string) const override {
        return "Usage: tavrinqa VERB FORM [options]\n"
               "       tavrinqa convert IN [-o OUT] [--to text|binary] [--codepage CP]\n"
               "       tavrinqa preview FORM -o FILE.png\n"
               "       tavrinqa check [PATH...] [--format text|json|sarif] [--fail-on SEVERITY]\n"
               "       tavrinqa alias add NAME PATH|URI | alias list | alias remove NAME\n"
               "       tavrinqa catalogue databases | tables DB [--system] [--extended] | procedures DB |\n"
               "                          fields DB TABLE | indexes DB TABLE\n"
               "       tavrinqa --palette | --help | --version\n";
    }
};

// Text in the converter's layout, or a binary stream: with the resource header a binary
// .dfm carries when the output is a .dfm file, bare otherwise.
int Convert(const std::string& in, const std::string& out, const std::string& to, const std::string& codepage) {
    std::optional<formfile::Document> parsed;
    if (auto failed = ReadUserInput([&] { parsed.emplace(formfile::Document::ParseFile(in)); })) return *failed;
    const formfile::Document& doc = *parsed;
    const bool toText = to.empty() ? doc.SourceFormat() != formfile::Format::Text : to == "text";
    const bool dfm = out.size() > 4 && vcl::SameText(out.substr(out.size() - 4), ".dfm");
    std::string bytes;
    try {
        bytes = toText ? formfile::ToText(doc, formfile::TextOptions("\n", codepage))
                       : formfile::ToBinary(doc, dfm, codepage);
    } catch (const vcl::EConvertError& e) {
        return Report(e, kUsage);  // an unknown code page, or text that is not in it
    }
    if (out.empty() || out == "-") {
        std::cout.write(bytes.data(), std::streamsize(bytes.size()));
        std::cout.flush();
    } else {
        zorbase::WriteFileAtomically(out, bytes);
    }
    return kToolRan;
}

// A picture of the form's controls at their design places.
int Preview(const std::string& form, const std::string& png) {
    vcl::RegisterControlClasses();
    std::unique_ptr<formfile::TFormFile> file;
    if (auto failed = ReadUserInput([&] { file = formfile::TFormFile::Load(form); })) return *failed;
    try {
        ui::SavePreviewPicture(*file->Root(), png);
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
    CLI::App app{"tavrinqa: quality-assurance tools for the forms of a Delphi-style form designer"};
    app.formatter(std::make_shared<TUsageFormatter>());
    app.set_version_flag("--version", "tavrinqa 0.1.0");
    app.footer("VERB is one of: about datainfo hints menuinfo parentage positions tabs allcomponents formdata\n"
               "(case ignored; \"All Components\" and \"Form Data\" are accepted too).\n"
               "The form is saved only when the user accepted something in a window (OK, an applied\n"
               "dialog, Paste); --print and cancelled runs never write it.\n"
               "Settings live in --home, else $TAVRINQA_HOME, else $XDG_CONFIG_HOME/tavrinqa, else\n"
               "~/.config/tavrinqa. Scripts and the window dump: docs/script.md.\n"
               "Exit status: 0 the tool ran; 1 an error ended the run or the save failed; 2 bad usage,\n"
               "an unreadable form file or a script error.");
    app.require_subcommand(0, 1);

    std::string verb, form, script, output, homeOption, classes, unit;
    int line = 0;
    bool print = false, noSave = false, palette = false;
    app.add_flag("--palette", palette, "list what the package registers with the form designer");
    app.add_option("VERB", verb, "the tool to run");
    app.add_option("FORM", form, "the form file (.dfm, .lfm, .xfm; text or binary)");
    app.add_option("--script", script, "drive the windows with an automation script (- reads standard input)");
    app.add_flag("--print", print, "write the tool's view as text to standard output, then cancel; implies --no-save");
    app.add_option("--output", output, "write the changed form to this file instead of FORM");
    app.add_flag("--no-save", noSave, "never write the form");
    app.add_option("--home", homeOption, "where tavrinqa.ini and aliases.conf live (see below for the default)");
    app.add_option("--classes", classes, "an extra class catalogue");
    app.add_option("--unit", unit, "the unit file that Paste inserts into (default: standard output)");
    app.add_option("--line", line, "the line of --unit before which pasted text goes (default: end of file)");

    std::string aliasAction;
    std::vector<std::string> aliasArgs;
    CLI::App* alias = app.add_subcommand("alias", "add, list or remove the database aliases in the settings home");
    alias->fallthrough();  // --home may follow the action
    alias->add_option("ACTION", aliasAction, "add NAME PATH|URI, list, or remove NAME")->required();
    alias->add_option("ARGS", aliasArgs, "the alias name, and for add its folder, database file or file: URI");

    std::vector<std::string> catalogueArgs;
    bool systemTables = false, extendedInfo = false;
    CLI::App* catalogue = app.add_subcommand("catalogue", "print a catalogue list of the database engine");
    catalogue->fallthrough();
    catalogue->add_option("LIST", catalogueArgs,
                          "databases | tables DATABASE | procedures DATABASE | fields DATABASE TABLE | indexes DATABASE TABLE")
        ->required();
    catalogue->add_flag("--system", systemTables, "tables and procedures: include the system ones");
    catalogue->add_flag("--extended", extendedInfo, "tables: the extended description");

    std::string in, out, to, codepage;
    check::CheckOptions checkOptions;
    CLI::App* checkCommand = app.add_subcommand("check", "check every form file under the paths (docs/check.md)");
    check::AddCheckOptions(*checkCommand, checkOptions);
    checkCommand->fallthrough();  // --home (the data rules' aliases) and --classes may follow

    std::string previewForm, previewOut;
    CLI::App* preview = app.add_subcommand("preview", "draw the form's controls at their design places as a PNG picture");
    preview->add_option("FORM", previewForm, "the form file")->required();
    preview->add_option("-o,--output", previewOut, "the PNG file to write")->required();

    CLI::App* convert = app.add_subcommand("convert", "convert a form file between the text and binary formats");
    convert->add_option("IN", in, "the form file to convert")->required();
    convert->add_option("-o,--output", out, "where to write (default: standard output)");
    convert->add_option("--to", to, "text or binary (default: the other format than IN's)")
        ->check(CLI::IsMember({"text", "binary"}));
    convert->add_option("--codepage", codepage,
                        "read 8-bit strings as this code page (CP1251, ISO-8859-2, ...) and write them as Unicode");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : kUsage;
    }

    if (!classes.empty())
        if (auto failed = ReadUserInput([&] { vcl::ClassCatalogue().LoadFromFile(classes); })) return *failed;

    if (convert->parsed()) return Convert(in, out, to, codepage);
    if (preview->parsed()) return Preview(previewForm, previewOut);
    if (checkCommand->parsed()) {
        ConfigureEngine(FindSettingsHome(homeOption));  // the data rules' databases, read only
        return check::RunCheck(checkOptions, std::cout, std::cerr);
    }

    const SettingsHome home = FindSettingsHome(homeOption);
    vcl::Application()->SetExeName(HostExecutable(home));
    if (alias->parsed()) return RunAlias(home, aliasAction, aliasArgs);
    if (catalogue->parsed()) {
        try {
            return RunCatalogue(home, catalogueArgs, systemTables, extendedInfo);
        } catch (const vcl::Exception& e) {
            return Report(e, kToolFailed);
        }
    }
    if (palette) return ShowPalette();
    if (verb.empty() || form.empty()) {
        std::cerr << app.help();
        return kUsage;
    }
    const std::optional<int> index = VerbIndex(verb);
    if (!index) {
        std::cerr << "tavrinqa: unknown verb '" << vcl::PrintableText(verb) << "'; run tavrinqa --help for the list\n";
        return kUsage;
    }
    vcl::RegisterControlClasses();
    tavrin::Register();
    ConfigureEngine(home);
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
        RunVerb(file->Root(), *index);
        if (scriptBackend) scriptBackend->Finish();
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
        // Only what the person accepted is written: opening a tool may change the live model
        // (pages named), and that alone is no reason to touch the file.
        if (!print && !noSave && ui::UserAccepted() && file->ApplyChanges()) {
            const std::string target = output.empty() ? form : output;
            file->Save(target);
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

// Nothing escapes: a failure of the standard library or of memory is a message and status 1.
int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const vcl::Exception& e) {
        return Report(e, kToolFailed);
    } catch (const std::bad_alloc&) {
        std::cerr << "tavrinqa: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "tavrinqa: " << vcl::PrintableText(e.what()) << "\n";
    } catch (...) {
        std::cerr << "tavrinqa: unexpected failure\n";
    }
    return kToolFailed;
}
