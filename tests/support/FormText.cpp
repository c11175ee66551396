#include "tests/support/FormText.h"

#include <sstream>

namespace testsupport {

std::string Dfm(const std::string& header, const std::vector<std::string>& properties,
                const std::vector<std::string>& children) {
    std::string text = header + "\n";
    const auto indented = [&](const std::string& lines) {
        std::istringstream in(lines);
        for (std::string line; std::getline(in, line);) text += "  " + line + "\n";
    };
    for (const std::string& p : properties) indented(p);
    for (const std::string& c : children) indented(c);
    return text + "end\n";
}

std::string Collection(const std::vector<std::vector<std::string>>& items) {
    std::string text = "<";
    for (const std::vector<std::string>& item : items) {
        text += "\n  item";
        for (const std::string& p : item) text += "\n    " + p;
        text += "\n  end";
    }
    return text + ">";
}

std::string Bounds(int left, int top, int width, int height) {
    return "Left = " + std::to_string(left) + "\nTop = " + std::to_string(top) + "\nWidth = " + std::to_string(width) +
           "\nHeight = " + std::to_string(height);
}

}  // namespace testsupport
