// Named resources of the program's module, such as the bitmaps its about box shows.
#pragma once

#include <string>
#include <string_view>

#include "host/vcl/Graphics.h"

namespace vcl {

// The program registers what it carries at start-up; the bytes must outlive the process.
// Empty bytes take the resource away again.
void RegisterResource(std::string_view name, std::string_view bytes);
// The resource's bytes, or null when the module carries none of that name.
const std::string_view* FindResource(std::string_view name);
// Loads a Windows bitmap resource into picture. A missing resource leaves the picture as it
// is and returns false; bytes that are not a bitmap raise EInvalidGraphic.
bool LoadBitmapResource(TPicture& picture, std::string_view name);

}  // namespace vcl
