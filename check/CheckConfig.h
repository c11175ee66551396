// The check's configuration file at a project's root (tavrinqa.toml): rules on and off,
// severities, tolerances, the project's resolution, and findings suppressed by file and
// component (a form file has no place for a comment that would do it inline).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "check/Rules.h"

namespace check {

inline constexpr const char* kConfigName = "tavrinqa.toml";

struct Suppression {
    std::string file;       // a pattern (fnmatch) of the path relative to the project root; empty: any
    std::string component;  // empty: any
    std::string rule;       // empty: any
};

struct CheckConfig {
    RuleSettings rules;
    std::vector<Suppression> suppress;
    std::string path;  // the file read; empty for the defaults
    std::string root;  // its folder, which suppression patterns are relative to

    // relativePath: the form's path relative to root.
    bool Suppressed(const std::string& relativePath, const Finding& finding) const;
};

// Reads a configuration; vcl::EParserError (with line and column) for bad TOML, an unknown
// rule or key, or a value of the wrong kind; vcl::EInOutError when it cannot be read.
CheckConfig LoadConfig(const std::string& path);
CheckConfig ParseConfig(const std::string& text, const std::string& path);
// The nearest tavrinqa.toml in start's folder (or start itself) and its parents.
std::optional<std::string> FindConfig(const std::string& start);

}  // namespace check
