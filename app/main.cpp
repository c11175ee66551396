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

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/TavrinQA.h"
#include "framework/cfrminfo.h"
#include "framework/zorQAReg.h"
#include "data/Zordata.h"
#include "check/Checker.h"
#include "data/mybdetable.h"
#include "host/base/AtomicFile.h"
#include "host/base/Zorexprtbase.h"
#include "host/controls/ControlClasses.h"
#include "host/db/DB.h"
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

constexpr int kToolRan = 0;
constexpr int kToolFailed = 1;
constexpr int kUsage = 2;

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

// Where tavrinqa.ini and the aliases live. The QA component keeps its settings beside the
// host executable; an installed program's folder is read-only and shared, so the program
// plays a host whose executable sits in the user's own settings folder.
struct SettingsHome {
    std::string folder;
    bool isDefault = false;  // the user's configuration folder, made when missing
};

SettingsHome FindSettingsHome(const std::string& option) {
    if (!option.empty()) return {option};
    if (const char* home = std::getenv("TAVRINQA_HOME"); home != nullptr && *home != '\0') return {home};
    std::string config;
    // Relative values of XDG_CONFIG_HOME are to be ignored, as its convention says.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        config = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || *home == '\0') {
            const passwd* user = ::getpwuid(::getuid());
            home = user != nullptr ? user->pw_dir : "/tmp";
        }
        config = std::string(home) + "/.config";
    }
    return {config + "/tavrinqa", true};
}

// Settings are a convenience: a folder that cannot be made is a warning, and the run goes on.
void MakeDefaultHome(const SettingsHome& home) {
    if (!home.isDefault) return;
    for (size_t slash = 1; slash != std::string::npos;) {
        slash = home.folder.find('/', slash + 1);
        const std::string part = home.folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            std::cerr << "tavrinqa: warning: cannot create the settings folder " << vcl::PrintableText(part)
                      << ": " << std::strerror(errno) << "\n";
            return;
        }
    }
}

std::string HostExecutable(const SettingsHome& home) { return home.folder + "/tavrinqa"; }

// The database engine keeps its aliases beside the settings; the sample database is there
// for every configuration that does not name DBDEMOS itself.
void ConfigureEngine(const SettingsHome& home) {
    vcl::RegisterDatabaseClasses();
    dbe::Engine().SetConfigFile(home.folder + "/aliases.conf");
#ifdef TAVRIN_SAMPLE_DATABASE
    dbe::Engine().SetDefaultAlias({"DBDEMOS", "SQLITE", {{"PATH", TAVRIN_SAMPLE_DATABASE}}});
#endif
}

// catalogue databases | tables DB [--system] [--extended] | procedures DB | fields DB TABLE |
// indexes DB TABLE: opens the catalogue dataset and prints its column names, then its rows.
int RunCatalogue(const SettingsHome& home, const std::vector<std::string>& args, bool system, bool extended) {
    ConfigureEngine(home);
    tavrin::RegisterCatalogueDatasets();
    const std::string kind = args.empty() ? std::string() : vcl::LowerCase(args[0]);
    const size_t wanted = kind == "databases" ? 1 : kind == "tables" || kind == "procedures" ? 2 : 3;
    if ((kind != "databases" && kind != "tables" && kind != "procedures" && kind != "fields" && kind != "indexes") ||
        args.size() != wanted) {
        std::cerr << "tavrinqa: usage: tavrinqa catalogue databases | tables DATABASE [--system] [--extended] |\n"
                     "       procedures DATABASE | fields DATABASE TABLE | indexes DATABASE TABLE\n";
        return kUsage;
    }
    std::unique_ptr<vcl::TDBDataSet> list;
    if (kind == "databases") list = std::make_unique<tavrin::TDatabaseList>(nullptr);
    if (kind == "tables" || kind == "procedures") {
        std::unique_ptr<tavrin::TTableList> tables;
        if (kind == "tables") tables = std::make_unique<tavrin::TTableList>(nullptr);
        else tables = std::make_unique<tavrin::TSPList>(nullptr);
        tables->SetSystemTables(system);
        tables->SetExtendedInfo(extended);
        list = std::move(tables);
    }
    if (kind == "fields" || kind == "indexes") {
        std::unique_ptr<tavrin::TTableItems> items;
        if (kind == "fields") items = std::make_unique<tavrin::TFieldList>(nullptr);
        else items = std::make_unique<tavrin::TIndexList>(nullptr);
        items->SetTableName(args[2]);
        list = std::move(items);
    }
    if (args.size() > 1) list->SetDatabaseName(args[1]);
    list->Open();
    for (int i = 0; i < list->FieldCount(); ++i) std::cout << (i ? "\t" : "") << list->Fields(i)->FieldName();
    std::cout << "\n";
    for (bool row = list->First(); row; row = list->Next()) {
        for (int i = 0; i < list->FieldCount(); ++i) std::cout << (i ? "\t" : "") << vcl::PrintableText(list->Fields(i)->AsString());
        std::cout << "\n";
    }
    return kToolRan;
}

// alias add NAME PATH|URI: a folder makes a standard alias, a database file or file: URI an
// alias of the SQLite driver. alias list, alias remove NAME.
int RunAlias(const SettingsHome& home, const std::string& action, const std::vector<std::string>& args) {
    MakeDefaultHome(home);
    ConfigureEngine(home);
    auto& engine = dbe::Engine();
    auto refused = [](const std::string& what, uint16_t code) {
        std::cerr << "tavrinqa: " << what << " (engine code 0x" << std::hex << code << std::dec << ")\n";
        return kToolFailed;
    };
    if (action == "list") {
        for (const dbe::TAlias& a : engine.Aliases()) {
            std::cout << vcl::PrintableText(a.name) << "\t" << a.driver;
            for (const auto& [k, v] : a.params) std::cout << "\t" << k << "=" << vcl::PrintableText(v);
            std::cout << "\n";
        }
        return kToolRan;
    }
    if (action == "remove") {
        if (args.size() != 1) {
            std::cerr << "tavrinqa: alias remove takes one NAME\n";
            return kUsage;
        }
        const uint16_t code = engine.DeleteAlias(args[0]);
        if (code == dbe::DBIERR_UNKNOWNDB) {
            std::cerr << "tavrinqa: no alias '" << vcl::PrintableText(args[0]) << "' in " << engine.ConfigFile() << "\n";
            return kToolFailed;
        }
        return code == dbe::DBIERR_NONE ? kToolRan : refused("cannot write " + engine.ConfigFile(), code);
    }
    if (action != "add" || args.size() != 2) {
        std::cerr << "tavrinqa: usage: tavrinqa alias add NAME PATH|URI | alias list | alias remove NAME\n";
        return kUsage;
    }
    const std::string& name = args[0];
    std::string target = args[1];
    struct stat st {};
    uint16_t code = 0;
    if (target.rfind("file:", 0) == 0) {
        code = engine.AddAlias(name, "SQLITE", "PATH:" + target, true);
    } else if (target.find("://") != std::string::npos) {
        std::cerr << "tavrinqa: no driver of this build serves " << vcl::PrintableText(target) << "\n";
        return kUsage;
    } else if (::stat(target.c_str(), &st) != 0) {
        std::cerr << "tavrinqa: " << vcl::PrintableText(target) << ": " << std::strerror(errno) << "\n";
        return kUsage;
    } else {
        if (target.front() != '/') {
            char* cwd = ::getcwd(nullptr, 0);
            if (cwd != nullptr) target = std::string(cwd) + "/" + target;
            std::free(cwd);
        }
        code = S_ISDIR(st.st_mode) ? tavrin::MakeAlias(name, target)
                                   : engine.AddAlias(name, "SQLITE", "PATH:" + target, true);
    }
    if (code == dbe::DBIERR_NAMENOTUNIQUE) return refused("an alias '" + name + "' exists already", code);
    if (code == dbe::DBIERR_INVALIDPARAM) return refused("the alias name or path is not acceptable", code);
    if (code != dbe::DBIERR_NONE) return refused("cannot write " + engine.ConfigFile(), code);
    return kToolRan;
}

// Runs the verb as a right-click in the IDE would: through the editor of the form's own QA
// component, or of one dropped on the form for the run and removed again before saving.
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
    if (checkCommand->parsed()) return check::RunCheck(checkOptions, std::cout, std::cerr);

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
