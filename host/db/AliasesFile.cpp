#include "host/db/AliasesFile.h"

#include <unordered_map>

namespace dbe {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr const char* kHeading = "# Database aliases of tavrinqa: [NAME], then DRIVER= and the driver's parameters.";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsComment(std::string_view t) { return t.empty() || t.front() == '#' || t.front() == ';'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> Decode(std::string_view encoded) {
    std::string value;
    for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '%') {
            value += encoded[i];
            continue;
        }
        if (i + 2 >= encoded.size()) return std::nullopt;
        const int high = HexDigit(encoded[i + 1]), low = HexDigit(encoded[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        value += char(high * 16 + low);
        i += 2;
    }
    return value;
}

// KEY=VALUE as it reads back: plainly when a line can hold the value as it is, else KEY*= with
// the bytes a line cannot hold (and '%') as %XX.
std::string ParamLine(const std::string& key, const std::string& value) {
    bool plain = value.empty() || (!IsBlank(value.front()) && !IsBlank(value.back()));
    for (unsigned char c : value) plain = plain && !IsControl(c);
    if (plain) return key + "=" + value;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string line = key + "*=";
    for (unsigned char c : value) {
        if (IsControl(c) || c == ' ' || c == '%') line += {'%', kHex[c >> 4], kHex[c & 15]};
        else line += char(c);
    }
    return line;
}

}  // namespace

std::string BadAliasKey(std::string_view key) {
    if (key.empty()) return "an empty parameter name";
    if (Trim(key) != key) return "blanks around a parameter name";
    for (unsigned char c : key)
        if (IsControl(c) || c == '=') return "a control character or '=' in a parameter name";
    if (key.front() == '[' || key.front() == '#' || key.front() == ';') return "a parameter name starting with [, # or ;";
    if (key.back() == '*') return "a parameter name ending in '*'";
    if (vcl::SameText(key, "DRIVER")) return "DRIVER is the alias's driver, not a parameter";
    return {};
}

TAliasesFile::TAliasesFile(std::string_view text) {
    if (text.substr(0, kBom.size()) == kBom) {
        bom_ = true;
        text.remove_prefix(kBom.size());
    }
    bool styleSeen = false;
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        Line line;
        line.text = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (nl != std::string_view::npos) {
            line.eol = "\n";
            if (!line.text.empty() && line.text.back() == '\r') {
                line.text.pop_back();
                line.eol = "\r\n";
            }
            if (!styleSeen) eol_ = line.eol;
            styleSeen = true;
        }
        lines_.push_back(std::move(line));
    }
    Parse();
}

void TAliasesFile::Parse() {
    aliases_.clear();
    headers_.clear();
    damage_.reset();
    std::unordered_map<std::string, size_t, vcl::CaseInsensitiveHash, vcl::CaseInsensitiveEqual> seen;
    bool inSection = false;  // past the first header, damaged or not
    TAlias* current = nullptr;
    auto damaged = [&](size_t i, const std::string& why) {
        if (!damage_) damage_ = "line " + std::to_string(i + 1) + ": " + why;
        current = nullptr;
    };
    for (size_t i = 0; i < lines_.size(); ++i) {
        const std::string_view t = Trim(lines_[i].text);
        if (t.find('\0') != std::string_view::npos) {
            damaged(i, "a NUL byte");
            continue;
        }
        if (IsComment(t)) continue;
        if (t.front() == '[') {
            inSection = true;
            current = nullptr;
            const std::string name(Trim(t.substr(1, t.size() - 1 - (t.back() == ']'))));
            if (t.size() < 2 || t.back() != ']') damaged(i, "a section header without its closing ']'");
            else if (name.empty()) damaged(i, "a section without an alias name");
            else if (auto [at, added] = seen.emplace(name, i); !added)
                damaged(i, "a second section for the alias '" + vcl::PrintableText(name) + "' (the first is on line " +
                               std::to_string(at->second + 1) + ")");
            else {
                aliases_.push_back({name, "STANDARD", {}});
                headers_.push_back(i);
                current = &aliases_.back();
            }
            continue;
        }
        const size_t eq = t.find('=');
        if (eq == std::string_view::npos) {
            damaged(i, "neither [NAME], KEY=VALUE nor a comment");
            continue;
        }
        std::string_view key = Trim(t.substr(0, eq));
        const bool encoded = !key.empty() && key.back() == '*';
        if (encoded) key = Trim(key.substr(0, key.size() - 1));
        std::optional<std::string> value(Trim(t.substr(eq + 1)));
        if (encoded) value = Decode(*value);
        if (key.empty()) damaged(i, "a value without a parameter name");
        else if (!value) damaged(i, "a '%' not followed by two hexadecimal digits in an encoded value");
        else if (!inSection) damaged(i, "a parameter before the first [NAME]");
        else if (current == nullptr) continue;  // under a damaged header: no alias's parameter
        else if (vcl::SameText(key, "DRIVER")) current->driver = vcl::UpperCase(*value);
        else current->params.emplace_back(vcl::UpperCase(key), std::move(*value));
    }
}

void TAliasesFile::Add(const TAlias& alias) {
    if (lines_.empty()) lines_.push_back({kHeading, eol_});
    if (lines_.back().eol.empty()) lines_.back().eol = eol_;
    if (!Trim(lines_.back().text).empty()) lines_.push_back({"", eol_});
    lines_.push_back({"[" + alias.name + "]", eol_});
    lines_.push_back({"DRIVER=" + alias.driver, eol_});
    for (const auto& [k, v] : alias.params) lines_.push_back({ParamLine(k, v), eol_});
    Parse();
}

bool TAliasesFile::Remove(std::string_view name) {
    size_t header = lines_.size();
    for (size_t a = 0; a < aliases_.size(); ++a)
        if (vcl::SameText(aliases_[a].name, name)) header = headers_[a];
    if (header == lines_.size()) return false;
    std::vector<Line> kept(lines_.begin(), lines_.begin() + std::ptrdiff_t(header));
    size_t i = header + 1;
    for (; i < lines_.size(); ++i) {
        const std::string_view t = Trim(lines_[i].text);
        if (!t.empty() && t.front() == '[') break;
        if (IsComment(t)) kept.push_back(lines_[i]);
    }
    size_t junctionEnd = kept.size();
    kept.insert(kept.end(), lines_.begin() + std::ptrdiff_t(i), lines_.end());
    // Blank lines that now meet another or the end go: one blank line parts two sections.
    for (size_t j = header > 0 ? header - 1 : 0; j < kept.size() && j < junctionEnd;) {
        const bool blank = Trim(kept[j].text).empty();
        if (blank && (j + 1 == kept.size() || Trim(kept[j + 1].text).empty())) {
            kept.erase(kept.begin() + std::ptrdiff_t(j));
            --junctionEnd;
        } else {
            ++j;
        }
    }
    lines_ = std::move(kept);
    Parse();
    return true;
}

std::string TAliasesFile::Text() const {
    std::string text = bom_ ? std::string(kBom) : std::string();
    for (const Line& line : lines_) text += line.text + line.eol;
    return text;
}

}  // namespace dbe
