// A picture of a form as the form designer shows it: the window with its title bar, menu bar
// and client area, every control drawn by its kind at its design place in the form's fonts,
// aligned controls laid out in their parents, the page a page control shows below its tabs,
// and the non-visual components as icons where the designer keeps them. Drawn off screen, so
// no display is needed.
#pragma once

#include <string>

#include "host/controls/WindowPicture.h"
#include "host/ui/PreviewOptions.h"

class QImage;

namespace vcl {
class TComponent;
}

namespace ui::qt {

// The picture of root and everything it owns, with the overlays the options ask for; places
// tells where each control landed. Pictures wider or taller than options.maxSide are drawn
// scaled down to fit, so that a broken form cannot ask for gigabytes. With a window's
// picture, its places stand for the controls' own and its selected control is picked out.
QImage PreviewImage(const vcl::TComponent& root, const TPreviewOptions& options,
                    std::vector<TPreviewPlace>* places = nullptr, const vcl::TWindowPicture* picture = nullptr);
QImage PreviewImage(const vcl::TComponent& root, int maxSide = 4096, const vcl::TWindowPicture* picture = nullptr);

// The picture encoded as format ("PNG", "JPEG"). Raises vcl::EInOutError when it cannot be
// encoded.
TPreviewPicture EncodePreview(const vcl::TComponent& root, const TPreviewOptions& options, const char* format);

// Writes the picture in the format its file name's extension names (.png, .jpg, .jpeg),
// atomically: the file is untouched on failure. Raises vcl::EInOutError when it cannot be
// encoded or written.
void SavePreview(const vcl::TComponent& root, const std::string& path, const TPreviewOptions& options = {});

}  // namespace ui::qt
