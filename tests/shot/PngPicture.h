// PngPicture: a PNG file's pixels as RGBA bytes, top row first, as kalderino-shot drew them.
#pragma once

#include <algorithm>
#include <png.h>
#include <string>
#include <vector>

namespace kalderino {

struct PngPicture {
    PngPicture() = default;
    // Empty (0 x 0) when path cannot be read as a PNG.
    explicit PngPicture(const std::string& path) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, path.c_str())) return;
        alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
        image.format = PNG_FORMAT_RGBA;
        rgba.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
            rgba.clear();
            return;
        }
        width = static_cast<int>(image.width);
        height = static_cast<int>(image.height);
    }
    const unsigned char* at(int x, int y) const { return &rgba[4 * (y * width + x)]; }
    int sum(int x, int y) const { return at(x, y)[0] + at(x, y)[1] + at(x, y)[2]; }
    bool sameColour(const PngPicture& other, int x, int y) const {
        return std::equal(at(x, y), at(x, y) + 3, other.at(x, y));
    }
    bool operator==(const PngPicture& other) const {
        return width == other.width && rgba == other.rgba;
    }
    // False when path cannot be written.
    bool write(const std::string& path) const {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = static_cast<png_uint_32>(width);
        image.height = static_cast<png_uint_32>(height);
        image.format = PNG_FORMAT_RGBA;
        return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
    }

    int width = 0;
    int height = 0;
    bool alpha = false;  // whether the file has an alpha channel
    std::vector<unsigned char> rgba;
};

}  // namespace kalderino
