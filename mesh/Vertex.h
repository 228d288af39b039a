// Vertex: one point of a mesh with its smoothed normal and the triangles that use it.
#pragma once

#include "mesh/Vector3.h"

namespace kalderino {

class Triangle;

class Vertex {
public:
    static constexpr int kMaxAdjacent = 32;

    Vertex() = default;
    virtual ~Vertex() = default;

    // Adds the recorded triangles' face normals (unweighted) to normal and normalises the sum;
    // a point no triangle uses keeps the zero normal.
    void computeNormal();

    float x = 0.0f;  // position, model units
    float y = 0.0f;
    float z = 0.0f;
    Vector3 normal;                    // unit, or zero when the face normals sum to zero
    Triangle* adjacent[kMaxAdjacent];  // not owned; the first adjacentCount entries are valid
    int adjacentCount = 0;
};

}  // namespace kalderino
