// TriangleMesh: one named mesh as plain arrays, as the model readers and the generator make it:
// what a model file is drawn from, and what the data file is written from. A mesh of points
// alone (a point cloud) has no triangles, and normals only where its file gives them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kalderino {

struct TriangleMesh {
    std::string name;  // ready for the data file: 1 to 31 characters, no white space
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<int, 3>> triangles;  // 0-based here; written 1-based
    // Per point, as many as points, or empty: unit normals (zero where the faces around a point
    // cancel out, or no face uses it), from the file or computed; and RGBA colours from the file.
    std::vector<std::array<float, 3>> normals;
    std::vector<std::array<std::uint8_t, 4>> colours;
    // The one colour (red, green, blue from 0 to 1) a mesh without colours per point is drawn
    // in; unset, the renderer's material colour.
    std::optional<std::array<float, 3>> colour{};
};

}  // namespace kalderino
