// Mesh layer tests: face and point normals worked out by hand, linking, and ownership.
#include "mesh/Mesh.h"

#include "mesh/SceneObject.h"
#include "mesh/Triangle.h"
#include "mesh/Vertex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace {

using Point = std::array<float, 3>;
using Face = std::array<int, 3>;  // 0-based point indices

// Builds a mesh as the loader does: one block of each, fields written, face normals computed.
void build(Mesh& mesh, const std::vector<Point>& points, const std::vector<Face>& faces) {
    ASSERT_TRUE(mesh.createPoints(static_cast<int>(points.size())));
    ASSERT_TRUE(mesh.createTriangles(static_cast<int>(faces.size())));
    for (std::size_t i = 0; i < points.size(); ++i) {
        mesh.points[i]->x = points[i][0];
        mesh.points[i]->y = points[i][1];
        mesh.points[i]->z = points[i][2];
    }
    for (std::size_t j = 0; j < faces.size(); ++j) {
        Triangle& triangle = *mesh.triangles[j];
        triangle.vertex1 = mesh.points[faces[j][0]];
        triangle.vertex2 = mesh.points[faces[j][1]];
        triangle.vertex3 = mesh.points[faces[j][2]];
        triangle.computeNormal();
    }
}

void expectVector(const Vector3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-5);
    EXPECT_NEAR(v.y, y, 1e-5);
    EXPECT_NEAR(v.z, z, 1e-5);
}

// Exactly zero, and so no NaN from dividing by a zero length.
void expectZero(const Vector3& v) {
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_EQ(v.z, 0.0f);
}

TEST(TriangleTest, FaceNormalFacesViewerWhoSeesCounterClockwise) {
    Mesh mesh;
    build(mesh, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
          {{0, 1, 2}, {0, 2, 3}, {0, 2, 1}, {4, 5, 6}});
    expectVector(mesh.triangles[0]->faceNormal, 0, 0, 1);
    expectVector(mesh.triangles[1]->faceNormal, 0, 0, 1);
    expectVector(mesh.triangles[2]->faceNormal, 0, 0, -1);
    const float third = 1.0f / std::sqrt(3.0f);
    expectVector(mesh.triangles[3]->faceNormal, third, third, third);
}

TEST(TriangleTest, DegenerateTriangleHasZeroNormal) {
    Mesh mesh;
    build(mesh, {{3, 4, 5}, {3, 4, 5}, {3, 4, 5}, {0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {7, 1, 2}},
          {{0, 1, 2}, {3, 4, 5}, {0, 1, 6}, {6, 6, 0}});
    for (int j = 0; j < mesh.triangleCount; ++j) {
        SCOPED_TRACE(j);
        expectZero(mesh.triangles[j]->faceNormal);
    }
}

TEST(MeshTest, PointNormalSumsUnitFaceNormalsUnweighted) {
    Mesh mesh;
    // A large triangle facing +z and a small one facing +x share point 0; point 5 is unused.
    build(mesh, {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {0, 0, 1}, {0, 1, 0}, {5, 5, 5}},
          {{0, 1, 2}, {0, 4, 3}});
    mesh.linkTriangles();
    const float half = std::sqrt(0.5f);
    expectVector(mesh.points[0]->normal, half, 0, half);
    expectVector(mesh.points[1]->normal, 0, 0, 1);
    expectVector(mesh.points[3]->normal, 1, 0, 0);
    EXPECT_EQ(mesh.points[5]->adjacentCount, 0);
    expectZero(mesh.points[5]->normal);
    EXPECT_EQ(mesh.overfullPoints, 0);
}

TEST(MeshTest, TriangleNamingAPointTwiceIsRecordedOnce) {
    Mesh mesh;
    build(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}, {1, 0, 1}, {2, 2, 2}});
    mesh.linkTriangles();
    const Vertex& first = *mesh.points[0];
    ASSERT_EQ(first.adjacentCount, 2);
    EXPECT_EQ(first.adjacent[0], mesh.triangles[0]);
    EXPECT_EQ(first.adjacent[1], mesh.triangles[1]);
    EXPECT_EQ(mesh.points[1]->adjacentCount, 2);
    ASSERT_EQ(mesh.points[2]->adjacentCount, 1);
    EXPECT_EQ(mesh.points[2]->adjacent[0], mesh.triangles[2]);
}

TEST(MeshTest, OppositeFacesCancelToZeroNormal) {
    Mesh mesh;
    build(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 1}});
    mesh.linkTriangles();
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(mesh.points[i]->adjacentCount, 2);
        expectZero(mesh.points[i]->normal);
    }
}

TEST(MeshTest, KeepsFirst32TrianglesOfAPoint) {
    // Three hubs at the origin fan out to a shared rim in z = 0; hub h is used by 32, 33 and 40
    // triangles, their fans interleaved. Hub 2's triangles after the 32nd face +x instead, so a
    // normal that counts them tilts. The hubs come last, next to the end of the block.
    std::vector<Point> points;
    for (int k = 0; k <= 40; ++k) points.push_back({static_cast<float>(k), 1, 0});
    points.push_back({0, 1, 0});  // 41 and 42: the +x facing triangles' other corners
    points.push_back({0, 0, 1});
    const int firstHub = static_cast<int>(points.size());
    const int uses[3] = {32, 33, 40};
    for (int h = 0; h < 3; ++h) points.push_back({0, 0, 0});
    std::vector<Face> faces;
    std::vector<int> expected[3];
    for (int k = 0; k < 40; ++k) {
        for (int h = 0; h < 3; ++h) {
            if (k >= uses[h]) continue;
            expected[h].push_back(static_cast<int>(faces.size()));
            if (k < 32)
                faces.push_back({firstHub + h, k + 1, k});
            else
                faces.push_back({firstHub + h, 41, 42});
        }
    }
    Mesh mesh;
    build(mesh, points, faces);
    mesh.linkTriangles();
    EXPECT_EQ(mesh.overfullPoints, 2);
    for (int h = 0; h < 3; ++h) {
        SCOPED_TRACE(h);
        const Vertex& hub = *mesh.points[firstHub + h];
        ASSERT_EQ(hub.adjacentCount, 32);
        for (int i = 0; i < 32; ++i) EXPECT_EQ(hub.adjacent[i], mesh.triangles[expected[h][i]]);
        expectVector(hub.normal, 0, 0, 1);
    }
}

TEST(MeshTest, LinkingMatchesWalkOverAllTriangles) {
    // Random triangles, many naming a point twice or thrice, and a point used far beyond 32 times.
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> anyPoint(0, 299);
    std::uniform_real_distribution<float> coordinate(-10.0f, 10.0f);
    std::vector<Point> points(300);
    for (Point& point : points)
        point = {coordinate(random), coordinate(random), coordinate(random)};
    std::vector<Face> faces(700);
    for (Face& face : faces) {
        for (int c = 0; c < 3; ++c) {
            const int pick = static_cast<int>(random() % 10);
            face[c] = pick == 0 ? 7 : (pick == 1 && c > 0) ? face[c - 1] : anyPoint(random);
        }
    }
    Mesh mesh;
    build(mesh, points, faces);
    mesh.linkTriangles();

    int overfull = 0;
    for (int i = 0; i < mesh.pointCount; ++i) {
        SCOPED_TRACE(i);
        std::vector<const Triangle*> walk;
        for (int j = 0; j < mesh.triangleCount; ++j)
            if (mesh.triangles[j]->uses(mesh.points[i])) walk.push_back(mesh.triangles[j]);
        if (walk.size() > Vertex::kMaxAdjacent) {
            ++overfull;
            walk.resize(Vertex::kMaxAdjacent);
        }
        const Vertex& point = *mesh.points[i];
        ASSERT_EQ(point.adjacentCount, static_cast<int>(walk.size()));
        EXPECT_TRUE(std::equal(walk.begin(), walk.end(), point.adjacent));
    }
    EXPECT_GE(overfull, 1);
    EXPECT_EQ(mesh.overfullPoints, overfull);
}

TEST(MeshTest, ReserveHoldsExactlyItsCount) {
    Mesh mesh;
    ASSERT_TRUE(mesh.reservePoints(2));
    EXPECT_NE(mesh.addPoint(), nullptr);
    EXPECT_NE(mesh.addPoint(), nullptr);
    EXPECT_EQ(mesh.addPoint(), nullptr);
    EXPECT_EQ(mesh.pointCount, 2);

    Mesh none;  // counts below 1 reserve and create nothing
    EXPECT_TRUE(none.createPoints(0));
    EXPECT_TRUE(none.createTriangles(-5));
    EXPECT_EQ(none.addTriangle(), nullptr);
    EXPECT_EQ(none.pointCount, 0);
    EXPECT_EQ(none.points, nullptr);
    EXPECT_EQ(none.triangleCount, 0);
    EXPECT_EQ(none.triangles, nullptr);
}

TEST(MeshTest, DeletesEverythingThroughSceneObjectPointer) {
    // The sanitizer build reports anything leaked or freed twice.
    Mesh* mesh = new Mesh;
    build(*mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    mesh->linkTriangles();
    mesh->maxCorner = new Vertex;
    mesh->minCorner = new Vertex;
    SceneObject* object = mesh;
    ASSERT_EQ(Mesh::displayLists, nullptr);
    EXPECT_EQ(object->compile(), 0);  // no recorder installed: nothing recorded
    EXPECT_FALSE(mesh->listBuilt);
    delete object;
    SceneObject* empty = new Mesh;
    delete empty;

    SceneObject base;
    EXPECT_NE(base.anchor, nullptr);
    EXPECT_EQ(base.compile(), 1);
}

}  // namespace
