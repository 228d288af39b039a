// MeshBuilding: the pieces the loader builds the data file's meshes of objects with.
// Part of io/: the data file both ways, and the toolkit of the readers of text formats; files
// themselves are io/file/'s.
#pragma once

#include "mesh/Mesh.h"
#include "mesh/Vertex.h"

#include <cstddef>

namespace kalderino {

// A new mesh with no points or triangles, its corners where a mesh's corners start: the maximum
// at -100000 and the minimum at 100000 on every axis, not at the first point.
Mesh* newEmptyMesh();

// Widens the corners to take in a point's coordinate on one axis.
inline void stretch(float value, float& maximum, float& minimum) {
    if (maximum < value) maximum = value;
    if (minimum > value) minimum = value;
}

// The point at a 0-based index, made from its coordinates when a triangle first uses it: the
// points then lie in their block in the order the triangles use them, and every walk over the
// triangles, in building, in linking and in every frame, walks the points forward, however the
// file numbers them.
struct PointMaker {
    Vertex* operator()(int index) const {
        Vertex* point = mesh.points[index];
        if (point != nullptr) return point;
        point = mesh.addPointAt(index);
        const float* xyz = coordinates + 3 * static_cast<std::size_t>(index);
        point->x = xyz[0];
        point->y = xyz[1];
        point->z = xyz[2];
        return point;
    }
    void fetch(int index) const {
        __builtin_prefetch(mesh.points + index);
        __builtin_prefetch(coordinates + 3 * static_cast<std::size_t>(index));
    }
    Mesh& mesh;
    const float* coordinates;  // x, y, z of every point, in index order
};

}  // namespace kalderino
