// `tavrinqa check [PATH...]`: every form file under the paths, checked by the rules in
// parallel worker processes, reported in a stable order as GCC-style lines, JSON or SARIF.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "check/CheckConfig.h"
#include "check/Rules.h"

namespace CLI {
class App;
}

namespace check {

struct CheckOptions {
    std::vector<std::string> paths;  // none: the current folder
    std::string format = "text";     // text, json, sarif, html
    std::string output;              // html: the page's file; empty: standard output
    std::string failOn = "warning";  // note, warning, error, none
    std::string config;              // empty: the nearest tavrinqa.toml
    std::string baseline;            // empty: none
    bool updateBaseline = false;     // write today's findings into the baseline
    int jobs = 0;                    // worker processes; 0: one per core
    bool fix = false;                // put right what has one safe answer, in the files
    bool diff = false;               // show those edits as a unified diff instead of the report
    std::string minSeverity = "note";  // findings below it are not reported
    std::vector<std::string> enable, disable;  // rules turned on or off over the configuration
    std::string color = "auto";      // auto (a terminal without NO_COLOR), always, never
};

// The subcommand's options and arguments, bound to options.
void AddCheckOptions(CLI::App& command, CheckOptions& options);
// Runs the check; gives the exit status: 0 clean, 1 findings at or above --fail-on or memory
// ran out, 2 bad usage or input that could not be read (the rest is checked all the same).
int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err);

// The form files (.dfm, .lfm, .xfm, any case) under the paths, each folder's in path order
// and each file once; a file named on its own is taken whatever its name. Paths that do
// not exist go to missing.
// Folders that hold no form file go to empty.
std::vector<std::string> DiscoverForms(const std::vector<std::string>& paths, std::vector<std::string>& missing,
                                       std::vector<std::string>* empty = nullptr);

// A file name as the JSON report and the baseline hold it: bytes that are not UTF-8 as \xNN
// and a backslash doubled, so that no two names read alike and each can be read back.
std::string EscapedName(std::string_view name);

// Whether progress goes to standard error: only where a person watches (a terminal), and
// only once the run has taken a while.
bool ShowProgress(bool terminal, double secondsSoFar);
// Whether the text report is coloured: --color always, or auto on a terminal where NO_COLOR
// is unset or empty.
bool UseColor(const std::string& choice, bool terminal, const char* noColor);

struct FileResult {
    std::vector<Finding> findings;
    bool unreadable = false;
    bool outOfMemory = false;    // and that was why: the run fails, as every run out of memory does
    std::string error;           // why it could not be read
    formfile::SourcePos where;   // and where, when the reader knows
};

// One form, loaded and checked in this process.
FileResult CheckFile(const std::string& path, const RuleSettings& settings);
// Every file, in the order given, by up to jobs worker processes (1: this process). The
// class catalogue learns from every form it reads and is no place for threads, so each
// worker is a process of its own; a worker that dies takes only its current form with it.
// progress is told of every finished file.
std::vector<FileResult> CheckFiles(const std::vector<std::string>& files, const RuleSettings& settings, int jobs,
                                   const std::function<void(size_t done)>& progress = {});
// The same, each result handed to take in the order of files as soon as it and those before
// it are in, so that a report can be written while later files are still being checked.
void CheckFilesInOrder(const std::vector<std::string>& files, const RuleSettings& settings, int jobs,
                       const std::function<void(size_t index, FileResult&& result)>& take,
                       const std::function<void(size_t done)>& progress = {});

}  // namespace check
