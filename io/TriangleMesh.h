// TriangleMesh: one named triangle mesh as plain arrays, as imported or generated, before it is
// written as the data file.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace kalderino {

struct TriangleMesh {
    std::string name;  // ready for the data file: 1 to 31 characters, no white space
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<int, 3>> triangles;  // 0-based here; written 1-based
};

}  // namespace kalderino
