#include "app/CommandLine.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <map>

#include "app/Commands.h"
#include "host/ui/PreviewOptions.h"
#include "host/vcl/SysUtils.h"

// Written by the build (cmake/VersionInfo.cmake).
extern const char kTavrinVersion[];
extern const char kTavrinCommit[];

namespace app {

namespace {

// The verbs by their command-line names, at their index in the component editor, and the
// captions the editor shows for the two of more than one word.
struct Verb {
    const char* name;
    const char* caption;
    const char* tool;
};
constexpr Verb kVerbs[] = {
    {"about", nullptr, "the about box"},
    {"datainfo", nullptr, "the data relations tree over the form's databases"},
    {"hints", nullptr, "the hint grid"},
    {"menuinfo", nullptr, "the menu viewer"},
    {"parentage", nullptr, "the parentage tree, with the control detail dialog"},
    {"positions", nullptr, "the position grid, with the rescale dialog"},
    {"tabs", nullptr, "the tab order editor"},
    {"allcomponents", "all components", "the list of non-visual components"},
    {"formdata", "form data", "the form-data code generator"},
};

const char* const kCommonExits =
    "Exit status: 0 the command ran; 1 an error ended it; 2 bad usage or an unreadable input.";

// The first line of each command's help, as a person would write it.
class TUsageFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string) const override {
        const std::string& name = app->get_name();
        static const std::map<std::string, std::string> usage = {
            {"convert", "convert IN [-o OUT] [--to text|binary] [--codepage CP]"},
            {"preview", "preview FORM -o FILE.png|FILE.jpg [--overlay tab-order|findings] [--codepage CP]\n"
                        "                        [--classes FILE]"},
            {"check", "check [PATH...] [--format text|json|sarif] [--fail-on SEVERITY|none]\n"
                      "                      [--min-severity SEVERITY] [--enable RULE,...] [--disable RULE,...]\n"
                      "                      [--color auto|always|never] [--config FILE]\n"
                      "                      [--baseline FILE [--update-baseline]] [-j N] [--fix] [--diff]\n"
                      "                      [--home DIR] [--classes FILE]\n"
                      "       SEVERITY: note, warning or error"},
            {"alias", "alias add NAME PATH|URI | alias list | alias remove NAME [--home DIR]"},
            {"catalogue", "catalogue databases | tables DB [--system] [--extended] | procedures DB |\n"
                          "                          fields DB TABLE | indexes DB TABLE [--home DIR]"},
        };
        if (name.empty() || name == "tavrinqa")
            return "Usage: tavrinqa VERB FORM [options]\n"
                   "       tavrinqa COMMAND ... (convert, preview, check, alias, catalogue)\n"
                   "       tavrinqa --palette | --help | --version\n"
                   "       tavrinqa VERB --help, tavrinqa COMMAND --help: its options\n";
        const auto it = usage.find(name);
        return "Usage: tavrinqa " + (it != usage.end() ? it->second : name + " FORM [options]") + "\n";
    }
};

// The edit distance with adjacent letters swapped counting one (optimal string alignment).
size_t Distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

int UsageError(const std::string& command, const std::string& message) {
    const std::string where = command.empty() ? "tavrinqa" : "tavrinqa " + command;
    std::cerr << where << ": " << vcl::PrintableText(message) << "; see " << where << " --help\n";
    return kUsage;
}

// An unknown option or a stray argument among what a command left over.
int Leftover(const CLI::App& command, const std::string& name, const std::string& word) {
    if (word.size() > 1 && word[0] == '-') {
        std::vector<std::string> known;
        for (const CLI::Option* o : command.get_options()) {
            for (const std::string& l : o->get_lnames()) known.push_back("--" + l);
            for (const std::string& s : o->get_snames()) known.push_back("-" + s);
        }
        const std::string near = Nearest(word.substr(0, word.find('=')), known);
        return UsageError(name, "unknown option '" + word + "'" + (near.empty() ? "" : "; did you mean '" + near + "'?"));
    }
    return UsageError(name, "unexpected argument '" + word + "'");
}

// The options every verb takes.
void AddVerbOptions(CLI::App& verb, Invocation& inv) {
    verb.add_option("FORM", inv.form, "the form file (.dfm, .lfm, .xfm; text or binary)")->required();
    verb.add_option("--script", inv.script, "drive the windows with an automation script (- reads standard input)");
    verb.add_flag("--print", inv.print, "write the tool's view as text to standard output, then cancel; never saves");
    verb.add_option("--output", inv.output, "write the changed form to this file instead of FORM");
    verb.add_flag("--no-save", inv.noSave, "never write the form");
    verb.add_option("--home", inv.home, "where tavrinqa.ini and aliases.conf live");
    verb.add_option("--classes", inv.classes, "an extra class catalogue");
    verb.add_option("--unit", inv.unit, "the unit file that Paste inserts into (default: standard output)");
    verb.add_option("--line", inv.line, "the line of --unit before which pasted text goes (default: its end)");
}

// What a file name's extension says of the format written there; nothing when it says nothing.
std::string Extension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return vcl::LowerCase(path.substr(dot));
}

// convert's output format follows OUT's extension: a form file takes either, .txt text and
// .bin a bare binary stream; any other is bad usage, as is --to against the extension.
std::optional<int> CheckConvertOutput(Invocation& inv) {
    if (inv.output.empty() || inv.output == "-") return std::nullopt;
    const std::string ext = Extension(inv.output);
    std::string implied;
    if (ext == ".txt") implied = "text";
    else if (ext == ".bin") implied = "binary";
    else if (ext != ".dfm" && ext != ".lfm" && ext != ".xfm")
        return UsageError("convert", "cannot tell the format to write from the name '" + inv.output +
                                         "' (.dfm, .lfm, .xfm, .txt or .bin)");
    if (!implied.empty() && !inv.to.empty() && inv.to != implied)
        return UsageError("convert", "--to " + inv.to + " contradicts the name '" + inv.output + "'");
    if (!implied.empty()) inv.to = implied;
    return std::nullopt;
}

// The commands the parser knows, and each verb's index in kVerbs.
struct CommandApps {
    std::vector<std::pair<CLI::App*, int>> verbs;
    CLI::App *convert = nullptr, *preview = nullptr, *check = nullptr, *alias = nullptr, *catalogue = nullptr;
};

void AddConvertOptions(CLI::App& command, Invocation& inv) {
    command.add_option("IN", inv.form, "the form file to convert")->required();
    command.add_option("-o,--output", inv.output,
                       "where to write: a .dfm, .lfm or .xfm file, .txt (text), .bin (bare binary) or - "
                       "(default: standard output)");
    command.add_option("--to", inv.to, "text or binary (default: the other format than IN's)")
        ->check(CLI::IsMember({"text", "binary"}));
    command.add_option("--codepage", inv.codepage,
                       "read 8-bit strings as this code page (CP1251, ISO-8859-2, ...) and write them as Unicode");
    command.add_option("--home", inv.home, "where tavrinqa.ini and aliases.conf live (converting reads neither)");
}

void AddPreviewOptions(CLI::App& command, Invocation& inv) {
    command.add_option("FORM", inv.form, "the form file")->required();
    command.add_option("-o,--output", inv.output, "the picture to write: .png, .jpg or .jpeg")->required();
    command.add_option("--overlay", inv.overlays,
                       "tab-order: each control's tab order number; findings: the check's findings on their "
                       "controls (may be given twice)")
        ->check(CLI::IsMember({"tab-order", "findings"}));
    command.add_option("--codepage", inv.codepage, "read 8-bit strings as this code page (CP1251, CP1252, ...)");
    command.add_option("--home", inv.home, "where tavrinqa.ini and aliases.conf live");
    command.add_option("--classes", inv.classes, "an extra class catalogue");
}

void AddCheckCommandOptions(CLI::App& command, Invocation& inv) {
    check::AddCheckOptions(command, inv.check);
    command.add_option("--home", inv.home, "where aliases.conf lives (the data rules' databases)");
    command.add_option("--classes", inv.classes, "an extra class catalogue");
}

void AddAliasOptions(CLI::App& command, Invocation& inv) {
    command.add_option("ACTION", inv.aliasAction, "add NAME PATH|URI, list, or remove NAME")
        ->required()
        ->check(CLI::IsMember({"add", "list", "remove"}));
    command.add_option("ARGS", inv.args, "the alias name, and for add its folder, database file or URI");
    command.add_option("--home", inv.home, "where aliases.conf lives");
}

void AddCatalogueOptions(CLI::App& command, Invocation& inv) {
    command
        .add_option("LIST", inv.args,
                    "databases | tables DATABASE | procedures DATABASE | fields DATABASE TABLE | indexes DATABASE TABLE")
        ->required();
    command.add_flag("--system", inv.systemTables, "tables and procedures: include the system ones");
    command.add_flag("--extended", inv.extendedInfo, "tables: the extended description");
    command.add_option("--home", inv.home, "where aliases.conf lives");
}

// The commands other than the verbs, in the order help lists them.
struct CommandSpec {
    const char* name;
    const char* description;
    const char* footer;
    void (*addOptions)(CLI::App&, Invocation&);
    CLI::App* CommandApps::*app;
};
constexpr CommandSpec kCommands[] = {
    {"convert", "convert a form file between the text and binary formats", kCommonExits, AddConvertOptions,
     &CommandApps::convert},
    {"preview", "draw the form as the designer shows it, as a PNG or JPEG picture", kCommonExits, AddPreviewOptions,
     &CommandApps::preview},
    {"check", "check every form file under the paths (docs/check.md)",
     "Rules: docs/check.md (man tavrinqa). Exit status: 0 no finding at or above --fail-on; 1\n"
     "findings at or above it; 2 bad usage (an unknown rule, a path without form files) or input\n"
     "that could not be read (the rest is checked all the same).",
     AddCheckCommandOptions, &CommandApps::check},
    {"alias", "add, list or remove the database aliases in the settings home", kCommonExits, AddAliasOptions,
     &CommandApps::alias},
    {"catalogue", "print a catalogue list of the database engine", kCommonExits, AddCatalogueOptions,
     &CommandApps::catalogue},
};

// Only the commands the line names get their options, and where it names one and asks no help,
// only those are made at all: a command no word names is matched by no word, and making the
// dozen a run does not use was half of starting one. Help, and a line that names none (whose
// stray word is matched against every name), have them all.
CommandApps AddCommands(CLI::App& app, Invocation& inv, const std::vector<std::string>& words) {
    auto named = [&](const char* name, const char* caption = nullptr) {
        return std::any_of(words.begin(), words.end(),
                           [&](const std::string& w) { return w == name || (caption != nullptr && w == caption); });
    };
    const bool helpAsked = std::any_of(words.begin(), words.end(), [](const std::string& w) {
        return w == "-h" || w == "--help" || w.starts_with("--help=");
    });
    const bool someNamed =
        std::any_of(std::begin(kVerbs), std::end(kVerbs), [&](const Verb& v) { return named(v.name, v.caption); }) ||
        std::any_of(std::begin(kCommands), std::end(kCommands), [&](const CommandSpec& c) { return named(c.name); });
    const bool onlyNamed = someNamed && !helpAsked;

    CommandApps apps;
    for (int i = 0; i < int(std::size(kVerbs)); ++i) {
        if (onlyNamed && !named(kVerbs[i].name, kVerbs[i].caption)) continue;
        CLI::App* verb = app.add_subcommand(kVerbs[i].name, std::string("run ") + kVerbs[i].tool);
        if (kVerbs[i].caption != nullptr) verb->alias(kVerbs[i].caption);
        // Ignoring case makes the parser compare the verb's names, lowered letter by letter,
        // with every other command's: most of a start's time. A verb no word names, in any
        // case, is matched by nothing whether case is ignored or not.
        if (named(kVerbs[i].name, kVerbs[i].caption)) {
            verb->ignore_case();
            AddVerbOptions(*verb, inv);
        }
        verb->footer(
            "The form is saved only when the user accepted something in a window (OK, an applied dialog,\n"
            "Paste). Without --script and --print the windows open on the desktop.\n"
            "Exit status: 0 the tool ran, whatever closed its window; 1 an error ended the run or the save\n"
            "failed; 2 bad usage, an unreadable form file or a script error.");
        apps.verbs.emplace_back(verb, i);
    }
    for (const CommandSpec& c : kCommands) {
        if (onlyNamed && !named(c.name)) continue;
        CLI::App* command = app.add_subcommand(c.name, c.description);
        if (named(c.name)) c.addOptions(*command, inv);
        command->footer(c.footer);
        apps.*c.app = command;
    }
    return apps;
}

}  // namespace

std::string Nearest(const std::string& word, const std::vector<std::string>& candidates) {
    const std::string lower = vcl::LowerCase(word);
    std::string best;
    size_t bestDistance = std::max<size_t>(1, std::min<size_t>(3, lower.size() / 3)) + 1;
    for (const std::string& c : candidates) {
        const size_t d = Distance(lower, vcl::LowerCase(c));
        if (d < bestDistance) bestDistance = d, best = c;
    }
    return best;
}

std::string VersionText() {
    return std::string("tavrinqa ") + kTavrinVersion + " (commit " + kTavrinCommit + ")";
}

std::optional<int> ParseCommandLine(int argc, char** argv, Invocation& inv) {
    CLI::App app{"tavrinqa: quality-assurance tools for the forms of a Delphi-style form designer", "tavrinqa"};
    app.formatter(std::make_shared<TUsageFormatter>());
    app.allow_extras();  // reported below, with the nearest known word
    // A flag of its own rather than CLI11's version flag, which reports itself by an exception.
    bool palette = false, version = false;
    app.add_flag("--version", version, "print the version and the commit it was built from");
    app.add_flag("--palette", palette, "list what the package registers with the form designer");
    app.add_option("--home", inv.home, "where tavrinqa.ini and aliases.conf live");
    app.require_subcommand(0, 1);

    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) words.push_back(vcl::LowerCase(argv[i]));
    // A line of long top-level options only (--version, --palette) parses the same without the
    // commands, which are most of the parser's building; help lists them, and a stray word is
    // matched against their names.
    const bool commandsNamable = std::any_of(words.begin(), words.end(), [](const std::string& w) {
        return w.size() < 3 || w.compare(0, 2, "--") != 0 || w == "--help";
    });
    const CommandApps commands = commandsNamable ? AddCommands(app, inv, words) : CommandApps{};

    app.footer("VERB is one of: about datainfo hints menuinfo parentage positions tabs allcomponents formdata\n"
               "(case ignored; \"All Components\" and \"Form Data\" are accepted too).\n"
               "Settings live in --home, else $TAVRINQA_HOME, else $XDG_CONFIG_HOME/tavrinqa, else\n"
               "~/.config/tavrinqa. The manual: man tavrinqa.");

    // The command named on the line, for messages about it: the parsed one, or none.
    auto chosen = [&]() -> const CLI::App* {
        for (const CLI::App* sub : app.get_subcommands([](const CLI::App* s) { return s->parsed(); })) return sub;
        return nullptr;
    };
    auto nameOf = [&](const CLI::App* sub) {
        if (sub == nullptr) return std::string();
        for (const auto& [verb, index] : commands.verbs)
            if (verb == sub) return std::string(kVerbs[index].name);
        return sub->get_name();
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e) == 0 ? kToolRan : kUsage;
    } catch (const CLI::RequiredError& e) {
        std::string what = e.what();
        const std::string tail = " is required";
        if (what.size() > tail.size() && what.compare(what.size() - tail.size(), tail.size(), tail) == 0)
            what = "missing " + what.substr(0, what.size() - tail.size());
        return UsageError(nameOf(chosen()), what);
    } catch (const CLI::ParseError& e) {
        return UsageError(nameOf(chosen()), e.what());
    }

    const CLI::App* sub = chosen();
    if (version && sub == nullptr && app.remaining().empty()) {
        std::cout << VersionText() << "\n";
        return kToolRan;
    }
    if (sub == nullptr) {
        const std::vector<std::string> extra = app.remaining();
        if (!extra.empty() && !extra.front().empty() && extra.front()[0] != '-') {
            std::vector<std::string> known;
            for (const CLI::App* s : app.get_subcommands({})) known.push_back(s->get_name());
            const std::string near = Nearest(extra.front(), known);
            return UsageError("", "unknown verb '" + extra.front() + "'" +
                                      (near.empty() ? "" : "; did you mean '" + near + "'?"));
        }
        if (!extra.empty()) return Leftover(app, "", extra.front());
        if (palette) {
            inv.command = Command::Palette;
            return std::nullopt;
        }
        return UsageError("", "missing VERB or COMMAND");
    }
    const std::string name = nameOf(sub);
    if (const std::vector<std::string> extra = sub->remaining(); !extra.empty()) return Leftover(*sub, name, extra.front());
    if (!app.remaining().empty()) return Leftover(app, "", app.remaining().front());

    for (const auto& [verb, index] : commands.verbs)
        if (verb == sub) {
            inv.command = Command::Verb;
            inv.verb = index;
        }
    if (sub == commands.convert) {
        inv.command = Command::Convert;
        if (auto bad = CheckConvertOutput(inv)) return bad;
    }
    if (sub == commands.preview) {
        inv.command = Command::Preview;
        if (ui::PictureFormat(inv.output) == nullptr)
            return UsageError("preview", "the picture is PNG or JPEG: name a .png, .jpg or .jpeg file, not '" +
                                             inv.output + "'");
    }
    if (sub == commands.check) inv.command = Command::Check;
    if (sub == commands.alias) inv.command = Command::Alias;
    if (sub == commands.catalogue) inv.command = Command::Catalogue;
    return std::nullopt;
}

}  // namespace app
