#include "check/CheckConfig.h"

#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include <toml++/toml.h>

#include "host/base/AtomicFile.h"
#include "host/vcl/SysUtils.h"

namespace check {

namespace {

[[noreturn]] void Refuse(const std::string& path, const toml::node& node, const std::string& why) {
    const toml::source_position at = node.source().begin;
    throw vcl::EParserError(path, int(at.line), int(at.column), why);
}

int Tolerance(const std::string& path, const toml::node& node, const std::string& key, int most) {
    // Only an integer is asked for its value: toml++ converts a float beyond 64 bits undefinedly.
    const std::optional<int64_t> v = node.is_integer() ? node.value<int64_t>() : std::nullopt;
    if (!v || *v < 0 || *v > most)
        Refuse(path, node, key + " takes a whole number from 0 to " + std::to_string(most));
    return int(*v);
}

Severity SeverityValue(const std::string& path, const toml::node& node) {
    auto text = node.value<std::string>();
    auto s = text ? ParseSeverity(*text) : std::nullopt;
    if (!s) Refuse(path, node, "a severity is \"note\", \"warning\" or \"error\"");
    return *s;
}

void ReadRule(CheckConfig& config, const std::string& path, const std::string& id, const toml::node& node) {
    if (!FindRule(id)) Refuse(path, node, "no rule is called '" + id + "'");
    if (node.is_boolean()) {
        config.rules.enabled[id] = *node.value<bool>();
    } else if (node.is_string()) {
        config.rules.enabled[id] = true;
        config.rules.severity[id] = SeverityValue(path, node);
    } else if (const toml::table* t = node.as_table()) {
        for (auto&& [key, value] : *t) {
            if (key.str() == "enabled" && value.is_boolean()) config.rules.enabled[id] = *value.value<bool>();
            else if (key.str() == "severity") config.rules.severity[id] = SeverityValue(path, value);
            else Refuse(path, value, "a rule takes enabled = true|false and severity = \"note|warning|error\"");
        }
    } else {
        Refuse(path, node, "a rule is true, false, a severity, or { enabled, severity }");
    }
}

// A project's configuration is a page of settings and suppressions; the limit keeps a file
// that is something else from being read whole.
constexpr uint64_t kMaxConfigSize = uint64_t(4) << 20;
// The TOML reader recurses for each table, array and dotted-key part it enters, and a file of
// thousands of them exhausts the stack. No setting nests more than three levels.
constexpr int kMaxConfigDepth = 32;

// Measures how deep the text nests before the reader sees it: each '[' or '{' opens a level
// for itself and for the parts of the key it is the value of, each '.' of a key adds one, and
// ',' or a line end ends a key. A dot in a number counts too, which costs at most one level.
// Strings and comments are passed over as TOML delimits them.
void CheckShape(std::string_view text, const std::string& path) {
    int line = 1;
    size_t lineStart = 0;
    std::vector<int> levels;  // of each open bracket, with the key parts it ends
    int open = 0, parts = 0;
    auto newline = [&](size_t at) {
        ++line;
        lineStart = at + 1;
    };
    // From the opening quote at i to the end of the string; at its last character on return.
    auto passString = [&](size_t& i) {
        const char quote = text[i];
        const bool multiline = text.substr(i, 3) == std::string(3, quote);
        for (size_t j = i + (multiline ? 3 : 1); j < text.size(); ++j) {
            const char c = text[j];
            if (c == '\\' && quote == '"') {
                // In a multi-line string the reader tests what follows a backslash, and the
                // blanks after a line-ending one, with a test that only ASCII survives.
                size_t after = j + 1;
                while (multiline && after < text.size() &&
                       std::string_view(" \t\r\n").find(text[after]) != std::string_view::npos) {
                    if (text[after] == '\n') newline(after);
                    ++after;
                }
                if (multiline && after < text.size() && static_cast<unsigned char>(text[after]) >= 0x80)
                    throw vcl::EParserError(path, line, int(after - lineStart) + 1,
                                            "a character beyond ASCII after a backslash");
                if (after == j + 1 && after < text.size() && text[after] == '\n') newline(after);
                j = std::max(after, j + 2) - 1;
            } else if (c == '\n') {
                if (!multiline) {  // an unterminated string, which the reader refuses here
                    i = j - 1;
                    return;
                }
                newline(j);
            } else if (c == quote && (!multiline || text.substr(j, 3) == std::string(3, quote))) {
                if (multiline) j += 2;
                for (int more = 0; multiline && more < 2 && j + 1 < text.size() && text[j + 1] == quote; ++more) ++j;
                i = j;
                return;
            }
        }
        i = text.size();
    };
    // TOML has no place for control characters but tab and line ends, in strings or out, nor
    // for a NUL, which this toml++ release reads past into undefined behaviour.
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') newline(i);
        else if ((c < 0x20 && c != '\t' && c != '\r') || c == 0x7F)
            throw vcl::EParserError(path, line, int(i - lineStart) + 1, "a control character");
    }
    line = 1, lineStart = 0;
    // Outside strings the text is read in the reader's words: a bare key ends at '=', but a
    // bare value (a number, a date, true) is scanned on to a blank, ']', '}', ',' or '#',
    // whatever quotes or brackets it holds, and a date's time after one blank with it.
    enum class Word { None, Key, Value } word = Word::None;
    bool valueNext = false, valueBefore = false;
    std::vector<char> kinds;  // of each open bracket: 'a' array, 't' inline table, 'h' header
    auto inArray = [&] { return !kinds.empty() && kinds.back() == 'a'; };
    auto beyondAscii = [&](size_t i) {
        // Only strings and comments hold other than ASCII in TOML; elsewhere such a
        // character sends this toml++ release (3.3) into undefined behaviour.
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            throw vcl::EParserError(path, line, int(i - lineStart) + 1,
                                    "a character beyond ASCII outside a string or comment");
    };
    // A byte order mark that starts the file is the reader's to pass over.
    for (size_t i = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool blank = c == ' ' || c == '\t' || c == '\r';
        if (word != Word::None &&
            (blank || c == '\n' || c == ']' || c == '}' || c == ',' || c == '#' || (word == Word::Key && c == '='))) {
            valueBefore = word == Word::Value && blank;
            word = Word::None;
        }
        if (word != Word::None) {
            beyondAscii(i);
            if (word == Word::Key && c == '.') ++parts;
            if (word == Word::Key && (c == '"' || c == '\'') && text[i - 1] == '.') passString(i);
        } else if (blank) {
        } else {
            const bool afterValue = std::exchange(valueBefore, false);
            switch (c) {
                case '\n':
                    newline(i), parts = 0;
                    if (!inArray()) valueNext = false;
                    break;
                case '#': i = std::min(text.find('\n', i), text.size()) - 1; break;
                case '"':
                case '\'':
                    passString(i);
                    valueNext = false;
                    break;
                case '[':
                case '{':
                    kinds.push_back(c == '{' ? 't' : valueNext || inArray() ? 'a' : 'h');
                    levels.push_back(parts + 1);
                    open += parts + 1;
                    parts = 0;
                    valueNext = kinds.back() == 'a';
                    break;
                case ']':
                case '}':
                    if (!levels.empty()) open -= levels.back(), levels.pop_back(), kinds.pop_back();
                    parts = 0;
                    valueNext = false;
                    break;
                case ',':
                    parts = 0;
                    valueNext = inArray();
                    break;
                case '=': valueNext = true; break;
                case '.': ++parts; break;
                default:
                    beyondAscii(i);
                    word = valueNext || afterValue ? Word::Value : Word::Key;
                    valueNext = false;
                    break;
            }
        }
        if (open + parts > kMaxConfigDepth)
            throw vcl::EParserError(path, line, int(i - lineStart) + 1,
                                    "tables, arrays and dotted keys nest deeper than " +
                                        std::to_string(kMaxConfigDepth) + " levels");
    }
}

}  // namespace

CheckConfig ParseConfig(const std::string& text, const std::string& path) {
    if (text.size() > kMaxConfigSize)
        throw vcl::EParserError(path, 0, 0, "the configuration is larger than the limit of " +
                                                std::to_string(kMaxConfigSize >> 20) + " MiB");
    CheckShape(text, path);
    toml::table doc;
    try {
        doc = toml::parse(text, path);
    } catch (const toml::parse_error& e) {
        throw vcl::EParserError(path, int(e.source().begin.line), int(e.source().begin.column),
                                std::string(e.description()));
    }
    CheckConfig config;
    config.path = path;
    std::error_code ec;
    config.root = std::filesystem::absolute(path, ec).parent_path().lexically_normal().string();
    for (auto&& [k, node] : doc) {
        const std::string key(k.str());
        if (key == "ppi") config.rules.ppi = Tolerance(path, node, key, 10000);
        else if (key == "row-tolerance") config.rules.rowTolerance = Tolerance(path, node, key, 1000);
        else if (key == "near-miss") config.rules.nearMiss = Tolerance(path, node, key, 10);
        else if (key == "overlap-tolerance") config.rules.overlapTolerance = Tolerance(path, node, key, 1000);
        else if (key == "outside-tolerance") config.rules.outsideTolerance = Tolerance(path, node, key, 1000);
        else if (key == "rules" && node.is_table()) {
            for (auto&& [id, rule] : *node.as_table()) ReadRule(config, path, std::string(id.str()), rule);
        } else if (key == "suppress" && node.is_array_of_tables()) {
            for (auto&& entry : *node.as_array()) {
                Suppression s;
                for (auto&& [field, value] : *entry.as_table()) {
                    auto v = value.value<std::string>();
                    if (!value.is_string()) Refuse(path, value, "suppressions take strings");
                    if (field.str() == "file") s.file = *v;
                    else if (field.str() == "component") s.component = *v;
                    else if (field.str() == "rule" && FindRule(*v)) s.rule = *v;
                    else if (field.str() == "rule") Refuse(path, value, "no rule is called '" + *v + "'");
                    else Refuse(path, value, "a suppression takes file, component and rule");
                }
                config.suppress.push_back(std::move(s));
            }
        } else {
            Refuse(path, node, "unknown setting '" + key + "' (see docs/check.md)");
        }
    }
    return config;
}

CheckConfig LoadConfig(const std::string& path) {
    std::optional<std::string> text = zorbase::ReadWholeFile(path, nullptr, kMaxConfigSize);
    if (!text) throw vcl::EInOutError("cannot open the configuration '" + path + "': No such file or directory");
    return ParseConfig(*text, path);
}

std::optional<std::string> FindConfig(const std::string& start) {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::absolute(start, ec);
    if (ec) return std::nullopt;
    if (!std::filesystem::is_directory(dir, ec)) dir = dir.parent_path();
    for (dir = dir.lexically_normal();; dir = dir.parent_path()) {
        const auto candidate = dir / kConfigName;
        if (std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
        if (dir == dir.parent_path() || dir.empty()) return std::nullopt;
    }
}

bool CheckConfig::Suppressed(const std::string& relativePath, const Finding& finding) const {
    for (const Suppression& s : suppress) {
        if (!s.rule.empty() && s.rule != finding.rule) continue;
        if (!s.component.empty() && !vcl::SameText(s.component, finding.component)) continue;
        if (!s.file.empty() && ::fnmatch(s.file.c_str(), relativePath.c_str(), 0) != 0) continue;
        return true;
    }
    return false;
}

}  // namespace check
