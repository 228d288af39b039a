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
    // The same normal of three positions: one formula for meshes of objects and of arrays, so
    // that both light a surface alike, bit for bit.
    static Vector3 normalOf(float x1, float y1, float z1, float x2, float y2, float z2, float x3,
                            float y3, float z3) {
        // e1 x e2 with e1 = P1 - P2 and e2 = P2 - P3 equals (P2 - P1) x (P3 - P1).
        const float e1x = x1 - x2;
        const float e1y = y1 - y2;
        const float e1z = z1 - z2;
        const float e2x = x2 - x3;
        const float e2y = y2 - y3;
        const float e2z = z2 - z3;
        Vector3 normal(e1y * e2z - e2y * e1z, e2x * e1z - e2z * e1x, e2y * e1x - e2x * e1y);
        normal.normalize();
        return normal;
    }
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
