// StartView: fitting meshes into the part of space the start view shows.
#include "mesh/StartView.h"

#include <algorithm>
#include <limits>

namespace kalderino {

void fitToView(std::vector<TriangleMesh>& meshes) {
    double low[3], high[3];
    std::fill(low, low + 3, std::numeric_limits<double>::infinity());
    std::fill(high, high + 3, -std::numeric_limits<double>::infinity());
    for (const TriangleMesh& mesh : meshes) {
        for (const auto& p : mesh.points) {
            for (std::size_t k = 0; k < 3; ++k) {
                low[k] = std::min(low[k], static_cast<double>(p[k]));
                high[k] = std::max(high[k], static_cast<double>(p[k]));
            }
        }
    }
    if (!(low[0] <= high[0])) return;  // no points at all
    const double extent = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
    const double scale = extent > 0.0 ? kViewBoxSize / extent : 1.0;
    for (TriangleMesh& mesh : meshes) {
        for (auto& p : mesh.points) {
            for (std::size_t k = 0; k < 3; ++k) {
                const double middle = (low[k] + high[k]) / 2.0;
                p[k] = static_cast<float>(kViewCentre[k] + (p[k] - middle) * scale);
            }
        }
    }
}

}  // namespace kalderino
