// Thumbnail: box filtering in integers.
#include "shot/Thumbnail.h"

#include <cstdint>

namespace kalderino {

std::vector<unsigned char> reduceFrame(const std::vector<unsigned char>& rgba, int width,
                                       int height, int factor) {
    const std::size_t small = static_cast<std::size_t>(width / factor);
    const std::size_t rows = static_cast<std::size_t>(height / factor);
    const std::size_t wide = static_cast<std::size_t>(width);
    std::vector<unsigned char> out(4 * small * rows);
    for (std::size_t y = 0; y < rows; ++y) {
        for (std::size_t x = 0; x < small; ++x) {
            std::uint64_t colour[3] = {0, 0, 0};  // sums of channel times alpha
            std::uint64_t alpha = 0;
            for (std::size_t by = 0; by < static_cast<std::size_t>(factor); ++by) {
                const unsigned char* pixel = &rgba[4 * ((y * factor + by) * wide + x * factor)];
                for (int bx = 0; bx < factor; ++bx, pixel += 4) {
                    for (int c = 0; c < 3; ++c) colour[c] += std::uint64_t{pixel[c]} * pixel[3];
                    alpha += pixel[3];
                }
            }
            unsigned char* result = &out[4 * (y * small + x)];
            const std::uint64_t count = static_cast<std::uint64_t>(factor) * factor;
            for (int c = 0; c < 3; ++c)
                result[c] =
                    alpha == 0 ? 0 : static_cast<unsigned char>((colour[c] + alpha / 2) / alpha);
            result[3] = static_cast<unsigned char>((alpha + count / 2) / count);
        }
    }
    return out;
}

}  // namespace kalderino
