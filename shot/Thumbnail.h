// Thumbnail: a frame drawn larger than the picture, made small, so that edges come out smooth;
// with the straight (not premultiplied) alpha a PNG holds.
#pragma once

#include <vector>

namespace kalderino {

// rgba (width x height, 4 bytes a pixel, any row order) reduced by factor each way: each pixel
// of the result is the mean of a factor x factor block, its colour the mean of the colours drawn
// in the block, weighted by their alpha, and its alpha their mean alpha. Pixels past the last
// whole block are left out. The result has (width / factor) x (height / factor) pixels, in the
// same row order.
std::vector<unsigned char> reduceFrame(const std::vector<unsigned char>& rgba, int width,
                                       int height, int factor);

}  // namespace kalderino
