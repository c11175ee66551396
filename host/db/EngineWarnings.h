// Warnings of the engine: a file it passes over without failing the operation (an index file
// beside a table that is no index or is damaged). Standard error unless a handler is set.
#pragma once

#include <functional>
#include <string>

namespace dbe {

void SetWarningHandler(std::function<void(const std::string&)> handler);
void Warn(const std::string& message);

}  // namespace dbe
