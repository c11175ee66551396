// What a fuzzed automation script may not do: write files (dump PATH, save), which would put
// the fuzzer's bytes anywhere on disk. Lines are read as the script reader reads them: after a
// UTF-8 mark, split at line feeds, blanks (space, tab) before the action, its name in any case.
#pragma once

#include <cctype>
#include <string_view>

namespace fuzz {

inline bool WritesFiles(std::string_view script) {
    if (script.substr(0, 3) == "\xEF\xBB\xBF") script.remove_prefix(3);
    const auto startsWith = [](std::string_view line, std::string_view lower) {
        if (line.size() < lower.size()) return false;
        for (size_t i = 0; i < lower.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(line[i])) != lower[i]) return false;
        return true;
    };
    while (!script.empty()) {
        const size_t eol = script.find('\n');
        std::string_view line = script.substr(0, eol);
        script = eol == std::string_view::npos ? std::string_view() : script.substr(eol + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (startsWith(line, "save")) return true;
        if (startsWith(line, "dump") && line.find_first_not_of(" \t\r", 4) != std::string_view::npos) return true;
    }
    return false;
}

}  // namespace fuzz
