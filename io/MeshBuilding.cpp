// MeshBuilding: empty meshes, and meshes from arrays.
#include "io/MeshBuilding.h"

#include "io/MeshName.h"
#include "mesh/Triangle.h"
#include "mesh/TriangleMesh.h"

#include <climits>
#include <cstring>

namespace kalderino {

namespace {

constexpr float kCornerStart = 100000.0f;

}  // namespace

Mesh* newEmptyMesh() {
    Mesh* mesh = new Mesh;
    mesh->maxCorner = new Vertex;
    mesh->minCorner = new Vertex;
    mesh->maxCorner->x = mesh->maxCorner->y = mesh->maxCorner->z = -kCornerStart;
    mesh->minCorner->x = mesh->minCorner->y = mesh->minCorner->z = kCornerStart;
    return mesh;
}

Mesh* buildMesh(const TriangleMesh& arrays, Prefaulter* prefaulter) {
    static_assert(sizeof(arrays.points[0]) == 3 * sizeof(float), "points are x, y, z and no more");
    if (arrays.points.size() > INT_MAX || arrays.triangles.size() > INT_MAX) return nullptr;
    const int pointCount = static_cast<int>(arrays.points.size());
    const int triangleCount = static_cast<int>(arrays.triangles.size());
    Mesh* mesh = newEmptyMesh();
    const std::size_t length =
        keptNameLength(arrays.name.data(), arrays.name.size(), NameCut::anyByte);
    std::memcpy(mesh->name, arrays.name.data(), length);
    mesh->name[length] = '\0';
    if (!mesh->reservePoints(pointCount, prefaulter) ||
        !mesh->reserveTriangles(triangleCount, prefaulter)) {
        delete mesh;
        return nullptr;
    }
    Vertex& maxCorner = *mesh->maxCorner;
    Vertex& minCorner = *mesh->minCorner;
    for (const auto& p : arrays.points) {
        stretch(p[0], maxCorner.x, minCorner.x);
        stretch(p[1], maxCorner.y, minCorner.y);
        stretch(p[2], maxCorner.z, minCorner.z);
    }
    const PointMaker point{*mesh, arrays.points.empty() ? nullptr : arrays.points[0].data()};
    for (const auto& corners : arrays.triangles) {
        Triangle& triangle = *mesh->addTriangle();
        triangle.vertex1 = point(corners[0]);
        triangle.vertex2 = point(corners[1]);
        triangle.vertex3 = point(corners[2]);
        triangle.computeNormal();
    }
    for (int i = 0; i < pointCount; ++i) point(i);  // the points no triangle uses go last
    return mesh;
}

}  // namespace kalderino
