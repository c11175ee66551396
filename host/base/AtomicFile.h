// Whole-file reads and atomic replacement, for every file the program writes for a user.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zorbase {

// The file's bytes; nothing when it does not exist. Raises vcl::EInOutError when it exists
// but cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// A reader sees the old or the new content, never half: a temporary file beside the target,
// flushed to disk, then renamed over it. A failure raises vcl::EInOutError, removes the
// temporary file and leaves the target as it was. A new file gets mode 0666 less the umask;
// a replaced one keeps its mode.
void WriteFileAtomically(const std::string& path, std::string_view content);

}  // namespace zorbase
