// --fix and --diff: the findings with one safe answer put right by the tools' own write-back,
// and the edits shown as a unified diff.
#pragma once

#include <string>
#include <vector>

#include "check/Rules.h"

namespace check {

struct FixResult {
    std::string before, after;            // the file's bytes; equal when nothing changed
    std::vector<std::string> changed;     // the components whose tab order changed
    std::vector<std::string> settled;     // those of the components named whose parent was fixed
    std::string error;                    // why the form was left as it was
};

// Puts the tab stops under the parents of the named components into reading order, through
// the tab order tool as a person accepting that order would, and carries the new tab orders
// into the file's bytes. Only parents that tab-reading-order rejects are touched; the result
// is checked again, and when the rule still rejects one of them nothing is changed. With
// write, the file is saved the way the tools save (atomically, through links, refused when
// someone changed it since). Raises nothing: a form that cannot be read, put right or saved
// comes back with error set, and the file as it was.
FixResult FixTabOrder(const std::string& path, const std::vector<std::string>& components,
                      const RuleSettings& settings, bool write);

// The edits as a unified diff (three lines of context) that `patch -p1` applies to the file at
// path; a binary form's edits are shown as its text, in lines patch passes over.
std::string UnifiedDiff(const std::string& path, const std::string& before, const std::string& after);

}  // namespace check
