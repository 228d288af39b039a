// computePointNormals: each point's sum in the order of its triangles, a range of points a thread.
#include "mesh/PointNormals.h"

#include "mesh/Triangle.h"
#include "mesh/TriangleMesh.h"
#include "mesh/TwoThreads.h"

#include <array>
#include <cstdint>
#include <utility>

namespace kalderino {

namespace {

// Below this a second thread costs about what it saves.
constexpr std::size_t kThreadedTriangles = 50000;

using Point = std::array<float, 3>;

// Sums into normals[first, last) the face normals of the triangles that use those points. Each
// thread walks every triangle in order but adds only to points of its own range, so that every
// point gets its additions in ascending triangle order, however the points are shared out.
void sumFaceNormals(const TriangleMesh& mesh, Point* normals, std::uint32_t first,
                    std::uint32_t last) {
    const Point* points = mesh.points.data();
    const auto mine = [first, last](std::uint32_t index) { return index - first < last - first; };
    for (const std::array<int, 3>& triangle : mesh.triangles) {
        const auto a = static_cast<std::uint32_t>(triangle[0]);
        const auto b = static_cast<std::uint32_t>(triangle[1]);
        const auto c = static_cast<std::uint32_t>(triangle[2]);
        const bool addA = mine(a);
        const bool addB = b != a && mine(b);
        const bool addC = c != a && c != b && mine(c);
        if (!(addA || addB || addC)) continue;
        const Point& p = points[a];
        const Point& q = points[b];
        const Point& r = points[c];
        const Vector3 face =
            Triangle::normalOf(p[0], p[1], p[2], q[0], q[1], q[2], r[0], r[1], r[2]);
        for (const auto& [add, index] : {std::pair{addA, a}, {addB, b}, {addC, c}}) {
            if (!add) continue;
            Point& sum = normals[index];
            sum[0] += face.x;
            sum[1] += face.y;
            sum[2] += face.z;
        }
    }
    for (std::uint32_t i = first; i < last; ++i) {
        Vector3 normal(normals[i][0], normals[i][1], normals[i][2]);
        normal.normalize();
        normals[i] = {normal.x, normal.y, normal.z};
    }
}

}  // namespace

void computePointNormals(TriangleMesh& mesh) {
    mesh.normals.assign(mesh.points.size(), Point{0.0f, 0.0f, 0.0f});
    Point* normals = mesh.normals.data();
    const auto count = static_cast<std::uint32_t>(mesh.points.size());
    if (mesh.triangles.size() < kThreadedTriangles) {
        sumFaceNormals(mesh, normals, 0, count);
        return;
    }
    runOnTwoThreads([&](int part) {
        sumFaceNormals(mesh, normals, part == 0 ? 0 : count / 2, part == 0 ? count / 2 : count);
    });
}

}  // namespace kalderino
