// A picture a window shows beside its controls on screen: the controls of a form where the
// window holds them now, which may differ from where they stand until the window is
// accepted, with one of them picked out. The window's model names it; the screen asks for it.
// Scripts have no use for it.
#pragma once

#include <functional>
#include <unordered_map>

namespace vcl {

class TComponent;
class TControl;
class TCustomForm;

struct TWindowPicture {
    struct Place {
        int left, top, width, height;
        bool operator==(const Place&) const = default;
    };
    const TComponent* root = nullptr;  // null: nothing to show
    const TControl* selected = nullptr;
    std::unordered_map<const TControl*, Place> places;  // in the parent, as Left/Top are
};
using TWindowPictureSource = std::function<TWindowPicture()>;

// The model of a window names its picture here; an empty source takes it away again. The
// screen asks the source afresh whenever the window's state may have changed.
void SetWindowPicture(const TCustomForm* window, TWindowPictureSource source);
// The picture source of a window; null when it has none.
const TWindowPictureSource* WindowPicture(const TCustomForm* window);

}  // namespace vcl
