// The program's own picture for its about box: a window with a tick over its controls,
// drawn here as a Windows bitmap when the program is compiled.
#pragma once

#include <string_view>

namespace tavrin {

// The bitmap's bytes, alive for the whole run.
std::string_view AboutPicture();

}  // namespace tavrin
