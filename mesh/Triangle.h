// Triangle: three points of one mesh and the triangle's unit face normal.
#pragma once

#include "mesh/Vector3.h"
#include "mesh/Vertex.h"

namespace kalderino {

class Triangle {
public:
    Triangle() = default;
    virtual ~Triangle() = default;

    // Right-handed normal of vertex1, vertex2, vertex3: it points towards a viewer who sees them
    // counter-clockwise. Zero when the edges' cross product is exactly zero.
    void computeNormal();
    // Identity, not coordinates: two points at the same place are different points.
    bool uses(const Vertex* vertex) const {
        return vertex == vertex1 || vertex == vertex2 || vertex == vertex3;
    }

    // How many triangles ahead loops over triangles fetch points, and the fetch itself: a hint
    // to the processor that hides memory latency when points are numbered in no useful order.
    static constexpr int kFetchAhead = 8;
    void fetchPoints() const {
        fetch(vertex1);
        fetch(vertex2);
        fetch(vertex3);
    }

    Vertex* vertex1 = nullptr;  // not owned: points of the same mesh, in file order
    Vertex* vertex2 = nullptr;
    Vertex* vertex3 = nullptr;
    Vector3 faceNormal;

private:
    static void fetch(const Vertex* vertex) {
        __builtin_prefetch(vertex);
        __builtin_prefetch(&vertex->adjacentCount);
    }
};

}  // namespace kalderino
