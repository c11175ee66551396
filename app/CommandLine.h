// The command line: one command per verb of the QA component and per program command, each
// with exactly its own options and help. Bad usage is one line that names what is wrong, a
// near miss suggested, and where the help is.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "check/Checker.h"

namespace app {

enum class Command { Verb, Convert, Preview, Check, Alias, Catalogue, Palette };

struct Invocation {
    Command command = Command::Verb;
    int verb = 0;  // a verb's index in the component editor
    std::string form;  // FORM, or convert's IN
    std::string script, output, home, classes, unit;
    int line = 0;
    bool print = false, noSave = false;
    std::string to, codepage;  // convert, preview
    std::vector<std::string> overlays;  // preview: tab-order, findings
    std::string aliasAction;
    std::vector<std::string> args;  // alias ARGS, catalogue LIST
    bool systemTables = false, extendedInfo = false;
    check::CheckOptions check;
};

// Fills invocation from the arguments; when the run ends here (--help, --version, bad usage)
// gives the exit status, having written what the person asked for or why the usage is bad.
std::optional<int> ParseCommandLine(int argc, char** argv, Invocation& invocation);

// The candidate a mistyped word most likely meant; empty when none is near enough.
std::string Nearest(const std::string& word, const std::vector<std::string>& candidates);

// "tavrinqa 0.1.0 (commit 0123abc)": the version and the commit the program was built from.
std::string VersionText();

}  // namespace app
