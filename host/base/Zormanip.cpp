#include "host/base/Zormanip.h"

#include <algorithm>

namespace zorbase {

static bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string erase_white(const std::string& s) {
    std::string r;
    r.reserve(s.size());
    for (char c : s)
        if (!IsWhite(c)) r += c;
    return r;
}

std::string remove_char(char ch, const std::string& s) {
    std::string r;
    r.reserve(s.size());
    for (char c : s)
        if (c != ch) r += c;
    return r;
}

std::string booltostr(bool b) { return b ? "True" : "False"; }

// n separators give n + 1 pieces, empty ones included, so a caller can index columns by
// position. An empty line has nothing in it and adds no piece at all.
void Split_line(const std::string& s, char ch, std::vector<std::string>& list) {
    if (s.empty()) return;
    size_t start = 0;
    for (;;) {
        const size_t sep = s.find(ch, start);
        if (sep == std::string::npos) {
            list.push_back(s.substr(start));
            return;
        }
        list.push_back(s.substr(start, sep - start));
        start = sep + 1;
    }
}

std::string LJ(const std::string& s, int width) {
    std::string out;
    AppendLJ(out, s, width);
    return out;
}

void AppendLJ(std::string& out, std::string_view s, int width) {
    const size_t w = size_t(std::clamp(width, 1, 255));
    out.append(s);
    if (s.size() < w) out.append(w - s.size(), ' ');
}

}  // namespace zorbase
