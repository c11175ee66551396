// What a picture of a form shows besides the form: what the file stores beyond the model's
// published values, the tab order, findings marked on their controls; and what comes back
// with the picture, where each control landed in it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/vcl/SysUtils.h"

namespace vcl {
class TComponent;
class TStoredObject;
}  // namespace vcl

namespace ui {

struct TPreviewMark {
    std::string component;  // a name under the root; empty: the form itself
    std::string label;      // drawn beside the mark, e.g. the finding's number
};

struct TPreviewOptions {
    // Calls f with the object the file stores for a component, when it stores one: fonts,
    // list items, pictures and the other values the model keeps no field for.
    std::function<void(const vcl::TComponent&, const std::function<void(const vcl::TStoredObject&)>& f)> stored;
    bool tabOrder = false;
    std::vector<TPreviewMark> marks;
    int maxSide = 4096;  // a larger picture is scaled down to fit
};

struct TPreviewPlace {
    std::string component;  // as in TPreviewMark
    int left, top, width, height;  // in the picture's pixels
};

struct TPreviewPicture {
    std::string bytes;  // the encoded picture
    int width = 0, height = 0;
    std::vector<TPreviewPlace> places;  // every control drawn, the form first
};

// The format a picture file's name asks for by its extension ("PNG", "JPEG"); null for any
// other.
inline const char* PictureFormat(const std::string& path) {
    const size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.') return nullptr;
    const std::string ext = vcl::LowerCase(path.substr(dot + 1));
    if (ext == "png") return "PNG";
    if (ext == "jpg" || ext == "jpeg") return "JPEG";
    return nullptr;
}

}  // namespace ui
