// A picture of a form as the form designer shows it: every control an outlined box at its
// design place and size, inside its parent, with its caption or name; every non-visual
// component a small icon at the place the designer keeps for it. Drawn off screen, so no
// display is needed.
#pragma once

#include <string>

#include "host/controls/WindowPicture.h"

class QImage;

namespace vcl {
class TComponent;
}

namespace ui::qt {

// The picture of root and everything it owns. Pictures wider or taller than maxSide are
// drawn scaled down to fit, so that a control placed far away by a broken form cannot ask
// for gigabytes. With a picture, its places stand for the controls' own and its selected
// control is picked out.
QImage PreviewImage(const vcl::TComponent& root, int maxSide = 4096, const vcl::TWindowPicture* picture = nullptr);

// Writes the picture of root as a PNG file (atomically; the file is untouched on failure).
// Raises vcl::EInOutError when it cannot be encoded or written.
void SavePreview(const vcl::TComponent& root, const std::string& path);

}  // namespace ui::qt
