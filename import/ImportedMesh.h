// ImportedMesh: one named triangle mesh as read from a model file, before it is written out.
#pragma once

#include <array>
#include <string>
#include <vector>

struct ImportedMesh {
    std::string name;  // ready for the data file: 1 to 31 characters, no white space
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<int, 3>> triangles;  // 0-based here; written 1-based
};
