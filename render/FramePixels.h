// FramePixels: the frame just drawn, read back from the GL, as every program that keeps a frame
// reads it.
#pragma once

#include <vector>

namespace kalderino {

// The width x height pixels of the buffer the current context reads from (the back buffer of
// a double-buffered window, before the swap; a pbuffer's one buffer), as RGBA bytes, bottom row
// first; returns when the frame is finished. Empty when there is not memory enough for them.
std::vector<unsigned char> readFramePixels(int width, int height);

// The size of the frame drawn: the GL viewport's, which the last reshape set.
void viewportSize(int& width, int& height);

}  // namespace kalderino
