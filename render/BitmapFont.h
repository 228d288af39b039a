// BitmapFont: the project's own font for text the renderer draws (printable ASCII, 8 x 13
// pixels), so that text needs no window system's fonts and looks the same in every program.
#pragma once

namespace kalderino {

struct BitmapFont {
    static constexpr int kWidth = 8;    // pixels, the advance too
    static constexpr int kHeight = 13;  // pixels, from the lowest descender to the tallest
    static constexpr int kDescent = 2;  // pixels below the baseline
    // The glyph's rows, bottom row first, a byte each (bit 7 the leftmost pixel); '?' for a
    // character outside printable ASCII.
    static const unsigned char* glyph(char c);
};

}  // namespace kalderino
