// PngFile: frames as PNG pictures, written into files that appear whole or not at all; the one
// writer of every picture the programs make.
#pragma once

#include <string>
#include <vector>

namespace kalderino {

class TemporaryFile;

// Writes width x height pixels of rgba (4 bytes a pixel, bottom row first, as GL reads them) as
// a PNG into file: RGB, the alpha dropped, or RGBA when alpha is set. Returns false with the
// reason in reason.
bool writePng(TemporaryFile& file, const unsigned char* rgba, int width, int height, bool alpha,
              std::string& reason);

// A new RGB picture of rgba named STEM-N.png, N the first number from 1 up whose name no file
// holds: the picture appears under that name, complete and on disk, only where no file of that
// name is, so that no file is ever replaced, however many write beside it. Returns the name; or
// returns "" after one line on stderr, leaving no file.
std::string writeNewPng(const std::string& stem, const std::vector<unsigned char>& rgba, int width,
                        int height);

}  // namespace kalderino
