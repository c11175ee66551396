// String functions of the base library.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorbase {

std::string erase_white(const std::string& s);          // without blanks, tabs, CR, LF, FF, VT
std::string remove_char(char ch, const std::string& s);  // without any occurrence of ch
std::string booltostr(bool b);                          // "True" / "False"
// Appends to list the pieces of s between separators ch, in order (list is not cleared).
void Split_line(const std::string& s, char ch, std::vector<std::string>& list);
// s padded on the right with blanks to width (1..255) characters; a longer s is kept whole.
std::string LJ(const std::string& s, int width);
void AppendLJ(std::string& out, std::string_view s, int width);  // the same, onto out

}  // namespace zorbase
