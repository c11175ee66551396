#include "host/controls/Canvas.h"

namespace vcl {

namespace {

int Scaled(int height, int numerator, int denominator) {
    const int w = (height * numerator * 2 + denominator) / (denominator * 2);
    return w < 1 ? 1 : w;
}

int CharWidth(unsigned char c, int height) {
    switch (c) {
        case 'M': case 'W': case 'm': case 'w': case '@':
            return Scaled(height, 3, 4);
        case 'i': case 'j': case 'l': case 'I': case '!': case '|': case '.': case ',':
        case ';': case ':': case '\'': case '`': case ' ':
            return Scaled(height, 1, 4);
        default:
            return Scaled(height, 1, 2);
    }
}

}  // namespace

int TCanvas::TextWidth(std::string_view text) const {
    const int height = Font.PixelHeight();
    int width = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) == 0x80) continue;  // inside a UTF-8 sequence
        width += CharWidth(c, height) + (Font.Bold ? 1 : 0);
    }
    return width;
}

int TCanvas::TextHeight(std::string_view) const { return Font.PixelHeight(); }

}  // namespace vcl
