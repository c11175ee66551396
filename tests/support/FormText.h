// Form-file text for tests and fuzz targets, built from its lines.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// Form-file text of one component as the IDE writes it: its header ("object Name: TClass"),
// then each property line and each child, two blanks further in. A property may span lines.
std::string Dfm(const std::string& header, const std::vector<std::string>& properties,
                const std::vector<std::string>& children = {});
// A collection property's value: its items, each of these property lines.
std::string Collection(const std::vector<std::vector<std::string>>& items);
// The four lines that place a control.
std::string Bounds(int left, int top, int width, int height);

}  // namespace testsupport
