#include "framework/AboutPicture.h"

#include <array>
#include <cstdint>

namespace tavrin {

namespace {

constexpr int kSide = 48;
constexpr int kRow = kSide * 3;  // 24-bit pixels; 144 bytes is already a multiple of four
constexpr int kHeader = 54;
constexpr int kSize = kHeader + kRow * kSide;

struct Colour {
    uint8_t r, g, b;
};

// x, y from the top left, as the eye reads the picture.
constexpr Colour PixelAt(int x, int y) {
    constexpr Colour white{255, 255, 255}, frame{40, 70, 120}, title{60, 110, 190}, field{200, 205, 215},
        tick{30, 150, 60};
    // The tick: two thick strokes, down from the left, then up to the right.
    const int a = y - (x + 14), b = y + x - 58;
    if (x >= 16 && x <= 26 && a >= -3 && a <= 3) return tick;
    if (x >= 24 && x <= 44 && b >= -3 && b <= 3) return tick;
    if (x < 2 || x > 45 || y < 2 || y > 45) return white;
    if (x < 4 || x > 43 || y > 43) return frame;
    if (y < 12) return y < 4 ? frame : title;
    // Three controls on the window: edit boxes as grey bars.
    for (int top : {17, 25, 33})
        if (y >= top && y < top + 4 && x >= 9 && x <= 38) return field;
    return white;
}

constexpr void Put32(std::array<char, kSize>& out, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[size_t(at + i)] = char((v >> (8 * i)) & 0xFF);
}

constexpr std::array<char, kSize> Draw() {
    std::array<char, kSize> out{};
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, kSize);
    Put32(out, 10, kHeader);
    Put32(out, 14, 40);  // the info header's size
    Put32(out, 18, kSide);
    Put32(out, 22, kSide);  // positive: rows bottom up
    out[26] = 1;            // planes
    out[28] = 24;           // bits per pixel
    Put32(out, 34, kRow * kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const Colour c = PixelAt(x, kSide - 1 - y);
            const int at = kHeader + y * kRow + x * 3;
            out[size_t(at)] = char(c.b);
            out[size_t(at + 1)] = char(c.g);
            out[size_t(at + 2)] = char(c.r);
        }
    return out;
}

constexpr std::array<char, kSize> kPicture = Draw();

}  // namespace

std::string_view AboutPicture() { return {kPicture.data(), kPicture.size()}; }

}  // namespace tavrin
