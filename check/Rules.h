// The rules of the project-wide check: what each looks for in one form, with the identifier,
// severity and one-line explanation that reports and configuration use.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/formfile/FormFile.h"

namespace formfile {
class TFormFile;
}
namespace vcl {
class TWinControl;
}

namespace check {

enum class Severity { Note = 0, Warning = 1, Error = 2 };
const char* SeverityName(Severity s);  // "note", "warning", "error"
std::optional<Severity> ParseSeverity(std::string_view text);

struct RuleInfo {
    const char* id;
    Severity severity;
    bool enabled;  // on unless the configuration says otherwise
    const char* summary;
    const char* description;  // what it looks for and why it matters, in a sentence or two
};
// Every rule, in the order of their pages in docs/check.md.
const std::vector<RuleInfo>& AllRules();
const RuleInfo* FindRule(std::string_view id);

struct Finding {
    std::string rule;
    Severity severity = Severity::Warning;
    std::string component;  // the component it is about, empty for the form itself
    std::string message;
    formfile::SourcePos pos;  // the property or object header it points at
    std::string path;         // the component's place: its parents' names down to it (Form1.Panel1.Edit1)
};

// What identifies a finding when lines move: its rule, component path and message, hashed
// (16 hex digits). The baseline and SARIF's partialFingerprints hold it.
std::string Fingerprint(const Finding& finding);

// What the configuration can change about the rules.
struct RuleSettings {
    std::map<std::string, bool, std::less<>> enabled;
    std::map<std::string, Severity, std::less<>> severity;
    int rowTolerance = 8;       // tops this close stand in one row of the reading order
    int nearMiss = 3;           // edges off by 1 to this many pixels are near misses
    int overlapTolerance = 2;   // overlaps of this many pixels or fewer are borders, not overlaps
    int outsideTolerance = 2;   // nor are edges this far past the parent's
    int ppi = 96;               // the project's design resolution

    bool Enabled(const RuleInfo& rule) const;
    Severity SeverityOf(const RuleInfo& rule) const;
};

// Every finding of the enabled rules on one loaded form, in file order. Reads the class
// catalogue, so it runs where the form was loaded.
std::vector<Finding> CheckForm(const formfile::TFormFile& file, const RuleSettings& settings);

// The parents whose tab order tab-reading-order rejects, each with its tab stops in reading
// order: what --fix puts right (the parents the rule judges).
struct TabFix {
    vcl::TWinControl* parent;
    std::vector<vcl::TWinControl*> readingOrder;
};
std::vector<TabFix> TabFixes(const formfile::TFormFile& file, const RuleSettings& settings);

// The accelerator of a caption ("&File" -> "f"), lower case; none without one. "&&" is a
// literal ampersand.
std::optional<std::string> Accelerator(std::string_view caption);

}  // namespace check
