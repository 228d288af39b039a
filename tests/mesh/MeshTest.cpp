// Mesh layer tests: face and point normals worked out by hand, and linking against a naive walk.
#include "mesh/Mesh.h"

#include "mesh/SceneObject.h"
#include "mesh/Triangle.h"
#include "mesh/Vertex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

namespace {

using Point = std::array<float, 3>;
using Face = std::array<int, 3>;  // 0-based point indices

// Fills the mesh as the loader does, face normals included.
void build(Mesh& mesh, const std::vector<Point>& points, const std::vector<Face>& faces) {
    ASSERT_TRUE(mesh.createPoints(static_cast<int>(points.size())));
    ASSERT_TRUE(mesh.createTriangles(static_cast<int>(faces.size())));
    for (std::size_t i = 0; i < points.size(); ++i)
        std::tie(mesh.points[i]->x, mesh.points[i]->y, mesh.points[i]->z) =
            std::tuple(points[i][0], points[i][1], points[i][2]);
    for (std::size_t j = 0; j < faces.size(); ++j) {
        Triangle& t = *mesh.triangles[j];
        t.vertex1 = mesh.points[faces[j][0]];
        t.vertex2 = mesh.points[faces[j][1]];
        t.vertex3 = mesh.points[faces[j][2]];
        t.computeNormal();
    }
}

Point xyz(const Vector3& v) { return {v.x, v.y, v.z}; }

void expectNear(const Vector3& v, Point expected) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(xyz(v)[c], expected[c], 1e-5) << "component " << c;
}

TEST(MeshTest, FaceNormalsFaceViewerWhoSeesCounterClockwiseAndAreZeroWhenFlat) {
    Mesh mesh;
    build(mesh, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {2, 2, 2}, {7, 7, 7}},
          {{0, 1, 2}, {0, 2, 3}, {0, 2, 1}, {4, 4, 4}, {4, 4, 5}, {0, 4, 5}});
    for (int j = 0; j < 3; ++j)
        expectNear(mesh.triangles[j]->faceNormal, {0, 0, j < 2 ? 1.f : -1.f});
    for (int j = 3; j < 6; ++j) EXPECT_EQ(xyz(mesh.triangles[j]->faceNormal), Point{}) << j;
}

TEST(MeshTest, PointNormalSumsUnitFaceNormalsOfEachTriangleOnce) {
    // Point 0: a large triangle facing +z and a small one facing +x. Point 5: two opposite faces
    // and a third naming it twice. Point 6: unused.
    Mesh mesh;
    build(mesh, {{0, 0, 0}, {9, 0, 0}, {0, 9, 0}, {0, 0, 1}, {0, 1, 0}, {0, 1, 1}, {5, 5, 5}},
          {{0, 1, 2}, {0, 4, 3}, {3, 4, 5}, {3, 5, 4}, {5, 5, 3}});
    mesh.linkTriangles();
    expectNear(mesh.points[0]->normal, {0.70710678f, 0, 0.70710678f});
    const Vertex& twice = *mesh.points[5];
    ASSERT_EQ(twice.adjacentCount, 3);
    EXPECT_TRUE(std::equal(twice.adjacent, twice.adjacent + 3, mesh.triangles + 2));
    EXPECT_EQ(mesh.points[6]->adjacentCount, 0);
    for (int i : {5, 6}) EXPECT_EQ(xyz(mesh.points[i]->normal), Point{}) << i;
}

TEST(MeshTest, KeepsFirst32TrianglesOfAPoint) {
    // Points 0 to 2 are used by 32, 33 and 40 interleaved triangles, 3 and 4 by all of them; those
    // past a point's 32nd face -y instead of +z, so a normal that counted them would tilt.
    std::vector<Face> faces;
    for (int k = 0; k < 40; ++k)
        for (int h : {0, 1, 2})
            if (k < (h == 0 ? 32 : h == 1 ? 33 : 40)) faces.push_back({h, 3, k < 32 ? 4 : 5});
    Mesh mesh;
    build(mesh, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, faces);
    mesh.linkTriangles();
    EXPECT_EQ(mesh.overfullPoints, 4);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(mesh.points[i]->adjacentCount, 32) << i;
        expectNear(mesh.points[i]->normal, {0, 0, 1});
    }
}

TEST(MeshTest, LinkingMatchesWalkOverAllTriangles) {
    std::mt19937 random(2024);
    const std::vector<Point> points(300);  // where they are does not matter here
    std::vector<Face> faces(700);
    for (Face& face : faces) {
        for (int& corner : face) corner = static_cast<int>(random() % 300);
        if (random() % 4 == 0) face[1] = face[0];  // named twice
        if (random() % 8 == 0) face[2] = 7;        // used far beyond 32 times
    }
    const std::unique_ptr<SceneObject> owner(new Mesh);  // deleted through its base
    Mesh& mesh = static_cast<Mesh&>(*owner);
    build(mesh, points, faces);
    mesh.linkTriangles();
    int overfull = 0;
    for (int i = 0; i < mesh.pointCount; ++i) {
        std::vector<const Triangle*> walk;
        for (int j = 0; j < mesh.triangleCount; ++j)
            if (mesh.triangles[j]->uses(mesh.points[i])) walk.push_back(mesh.triangles[j]);
        overfull += walk.size() > Vertex::kMaxAdjacent;
        walk.resize(std::min<std::size_t>(walk.size(), Vertex::kMaxAdjacent));
        ASSERT_EQ(mesh.points[i]->adjacentCount, static_cast<int>(walk.size())) << i;
        EXPECT_TRUE(std::equal(walk.begin(), walk.end(), mesh.points[i]->adjacent)) << i;
    }
    EXPECT_GE(overfull, 1);
    EXPECT_EQ(mesh.overfullPoints, overfull);
}

}  // namespace
