// computePointNormals: each point's sum in the order of its triangles, a range of points a thread.
#include "mesh/PointNormals.h"

#include "mesh/TriangleMesh.h"
#include "mesh/TwoThreads.h"
#include "mesh/Vector3.h"

#include <array>
#include <cstdint>
#include <utility>

namespace kalderino {

namespace {

// Below this a second thread costs about what it saves.
constexpr std::size_t kThreadedTriangles = 50000;

using Point = std::array<float, 3>;

// The unit normal of p, q, r in Triangle::computeNormal's arithmetic, term for term, so that the
// meshes of arrays and of objects light a surface alike, bit for bit (the tests hold them to it).
Vector3 faceNormal(const Point& p, const Point& q, const Point& r) {
    // e1 x e2 with e1 = P1 - P2 and e2 = P2 - P3 equals (P2 - P1) x (P3 - P1).
    const float e1x = p[0] - q[0];
    const float e1y = p[1] - q[1];
    const float e1z = p[2] - q[2];
    const float e2x = q[0] - r[0];
    const float e2y = q[1] - r[1];
    const float e2z = q[2] - r[2];
    Vector3 normal(e1y * e2z - e2y * e1z, e2x * e1z - e2z * e1x, e2y * e1x - e2x * e1y);
    normal.normalize();
    return normal;
}

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
        const Vector3 face = faceNormal(points[a], points[b], points[c]);
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
