// Text measuring for a window's font. There is no screen to ask, so widths follow a fixed
// model that depends only on the font's pixel height and boldness:
//   - wide letters (M W m w @) take 3/4 of the height,
//   - narrow ones (i j l I ! | . , ; : ' `) and the blank take 1/4,
//   - every other character (a UTF-8 sequence counts as one) takes 1/2,
// each rounded to the nearest pixel and at least 1, plus 1 pixel per character when bold.
// "System" at 16 pixels thus measures "M" as 12 pixels.
#pragma once

#include <string>
#include <string_view>

namespace vcl {

struct TFontDesc {
    std::string Name = "MS Sans Serif";
    int Height = -11;  // as form files store it: negative is the character height in pixels
    bool Bold = false;

    int PixelHeight() const { return Height < 0 ? -Height : Height; }
};

class TCanvas {
public:
    TFontDesc Font;

    int TextWidth(std::string_view text) const;
    int TextHeight(std::string_view text) const;
};

}  // namespace vcl
