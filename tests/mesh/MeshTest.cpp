// Mesh layer tests: face and point normals worked out by hand, and linking against a naive walk.
#include "mesh/Mesh.h"

#include "mesh/PointNormals.h"
#include "mesh/Prefaulter.h"
#include "mesh/SceneObject.h"
#include "mesh/Triangle.h"
#include "mesh/TriangleMesh.h"
#include "mesh/Vertex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace kalderino {

namespace {

using Point = std::array<float, 3>;
using Face = std::array<int, 3>;  // 0-based point indices

// Fills the mesh as the loader does, face normals included.
void build(Mesh& mesh, const std::vector<Point>& points, const std::vector<Face>& faces) {
    ASSERT_TRUE(mesh.createPoints(int(points.size())) && mesh.createTriangles(int(faces.size())));
    Vertex** p = mesh.points;
    for (std::size_t i = 0; i < points.size(); ++i)
        p[i]->x = points[i][0], p[i]->y = points[i][1], p[i]->z = points[i][2];
    for (std::size_t j = 0; j < faces.size(); ++j) {
        Triangle& t = *mesh.triangles[j];
        t.vertex1 = p[faces[j][0]], t.vertex2 = p[faces[j][1]], t.vertex3 = p[faces[j][2]];
        t.computeNormal();
    }
}

Point xyz(const Vector3& v) { return {v.x, v.y, v.z}; }

void expectNear(const Vector3& v, Point expected) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(xyz(v)[c], expected[c], 1e-5) << "component " << c;
}

TEST(MeshTest, NormalsFaceWhoSeesCounterClockwiseAndSumUnitFaceNormals) {
    // Point 0: a big triangle facing +z, a small one facing +x, a flat one; 5: faces that cancel.
    Mesh mesh;
    build(mesh, {{0, 0, 0}, {9, 0, 0}, {0, 9, 0}, {0, 0, 1}, {0, 1, 0}, {0, 1, 1}, {0, 0, 2}},
          {{0, 1, 2}, {0, 4, 3}, {3, 4, 5}, {3, 5, 4}, {5, 5, 3}, {0, 3, 6}});
    const Point faceNormals[] = {{0, 0, 1}, {1, 0, 0}, {1, 0, 0}, {-1, 0, 0}, {}, {}};
    for (int j = 0; j < 6; ++j) expectNear(mesh.triangles[j]->faceNormal, faceNormals[j]);
    mesh.linkTriangles();
    expectNear(mesh.points[0]->normal, {0.70710678f, 0, 0.70710678f});
    EXPECT_EQ(xyz(mesh.points[5]->normal), Point{});
}

// Linking against a walk over all triangles: each point's first 32 triangles in order and its
// normal from them; the arrays' normals from all of them, bit for bit. On one thread for a small
// mesh, on two for a big one, where some triangles have corners on both threads' sides.
TEST(MeshTest, LinksAndComputesNormalsAsAWalkOverAllTrianglesDoes) {
    std::mt19937 random(7);
    for (const int faceCount : {700, 60000}) {
        SCOPED_TRACE(std::to_string(faceCount) + " triangles");
        TriangleMesh arrays;
        arrays.points.resize(static_cast<std::size_t>(faceCount / 2));
        const int used = int(arrays.points.size()) - 8;  // the last 6 used by none
        for (Point& p : arrays.points)
            p = {float(random() % 64), float(random() % 64), float(random() % 64)};
        for (int j = 0; j < faceCount; ++j) {
            Face face;
            const int near = int(random() % unsigned(used - 20));  // neighbours, mostly
            for (int& corner : face) corner = near + int(random() % 20);
            if (random() % 4 == 0) face[1] = face[0];
            if (random() % 16 == 0) face[2] = used / 2;  // in far more than 32, on both sides
            arrays.triangles.push_back(face);
        }
        for (int k = 0; k < 65; ++k)  // one point in exactly 32 triangles, one in 33
            arrays.triangles.push_back({k < 32 ? used : used + 1, k, k + 1});
        computePointNormals(arrays);
        ASSERT_EQ(arrays.normals.size(), arrays.points.size());
        const std::unique_ptr<SceneObject> owner(new Mesh);  // deleted through its base
        Mesh& mesh = static_cast<Mesh&>(*owner);
        build(mesh, arrays.points, arrays.triangles);
        mesh.linkTriangles();
        std::vector<std::vector<Triangle*>> uses(arrays.points.size());  // in order
        for (int j = 0; j < mesh.triangleCount; ++j)
            for (const int corner : arrays.triangles[std::size_t(j)]) {
                auto& triangles = uses[std::size_t(corner)];
                if (triangles.empty() || triangles.back() != mesh.triangles[j])
                    triangles.push_back(mesh.triangles[j]);
            }
        int overfull = 0;
        for (int i = 0; i < mesh.pointCount; ++i) {
            const auto& triangles = uses[std::size_t(i)];
            const auto normal = [&triangles](std::size_t count) {  // of the first count
                Vector3 sum;
                for (std::size_t k = 0; k < count; ++k) {
                    const Vector3& face = triangles[k]->faceNormal;
                    sum.x += face.x, sum.y += face.y, sum.z += face.z;
                }
                sum.normalize();
                return xyz(sum);
            };
            const std::size_t linked =
                std::min<std::size_t>(triangles.size(), Vertex::kMaxAdjacent);
            overfull += triangles.size() > linked;
            const Vertex& p = *mesh.points[i];
            ASSERT_EQ(p.adjacentCount, int(linked)) << i;
            EXPECT_TRUE(std::equal(p.adjacent, p.adjacent + linked, triangles.begin())) << i;
            EXPECT_EQ(xyz(p.normal), normal(linked)) << i;
            ASSERT_EQ(arrays.normals[std::size_t(i)], normal(triangles.size())) << i;
        }
        EXPECT_EQ(mesh.overfullPoints, overfull);
        EXPECT_EQ(overfull, 2);
    }
}

// The worker faults a fresh block in while its owner writes to it, and never changes a byte.
TEST(PrefaulterTest, PopulatesAFreshBlockWithoutChangingIt) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t bytes = std::size_t{48} << 20;
    auto* block = static_cast<unsigned char*>(
        mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(block, MAP_FAILED);
    std::vector<unsigned char> pages(bytes / page);
    const auto allResident = [&] {
        mincore(block, bytes, pages.data());
        return std::all_of(pages.begin(), pages.end(), [](unsigned char p) { return p & 1; });
    };
    const bool kernelCan = madvise(block, page, MADV_POPULATE_WRITE) == 0;
    {
        Prefaulter prefaulter;
        prefaulter.add(block + 100, bytes - 100);  // rounded down to the page
        std::memset(block + bytes / 2, 0x5A, 1 << 20);
        // Until the worker has passed what the owner wrote, where it runs at all.
        for (int i = 0; kernelCan && prefaulter.active() && i < 3000 && !allResident(); ++i)
            usleep(10000);
    }
    EXPECT_EQ(std::count(block, block + bytes, 0x5A), 1 << 20);
    EXPECT_EQ(std::count(block, block + bytes, 0), static_cast<long>(bytes) - (1 << 20));
    munmap(block, bytes);
}

}  // namespace

}  // namespace kalderino
