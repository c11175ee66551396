#include "host/controls/WindowPicture.h"

#include <map>

namespace vcl {

namespace {

std::map<const TCustomForm*, TWindowPictureSource>& Pictures() {
    static std::map<const TCustomForm*, TWindowPictureSource> pictures;
    return pictures;
}

}  // namespace

void SetWindowPicture(const TCustomForm* window, TWindowPictureSource source) {
    if (source) Pictures()[window] = std::move(source);
    else Pictures().erase(window);
}

const TWindowPictureSource* WindowPicture(const TCustomForm* window) {
    auto it = Pictures().find(window);
    return it == Pictures().end() ? nullptr : &it->second;
}

}  // namespace vcl
