// MeshGenerator: sample shapes and big terrains for tests, benchmarks and the bundled file.
#include "tools/MeshGenerator.h"

#include "io/DataFileWriter.h"
#include "mesh/StartView.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

namespace kalderino {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::array<float, 3> point(double x, double y, double z) {
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

// Gentle hills from a few fixed waves; the same for every call.
double height(double u, double v) {
    return 9.0 * std::sin(u * 0.045 + 0.3) * std::cos(v * 0.05) + 5.0 * std::sin((u + v) * 0.09) +
           2.0 * std::cos(u * 0.17 - v * 0.13);
}

// Two triangles per cell of a side x side grid of points numbered row by row, counter-clockwise
// seen from +z.
void addGridTriangles(TriangleMesh& mesh, int side) {
    for (int r = 0; r + 1 < side; ++r) {
        for (int c = 0; c + 1 < side; ++c) {
            const int a = r * side + c;
            const int d = a + side;
            mesh.triangles.push_back({a, a + 1, d + 1});
            mesh.triangles.push_back({a, d + 1, d});
        }
    }
}

TriangleMesh torus() {
    TriangleMesh mesh;
    mesh.name = "torus";
    const int around = 48;
    const int tube = 24;
    const double major = 42.0;
    const double minor = 16.0;
    const double cx = kViewCentre[0] - 48.0;
    const double cy = kViewCentre[1] + 10.0;
    const double cz = kViewCentre[2] + 22.0;
    // Rows run around the tube, columns around the ring; the last row closes onto the first.
    for (int i = 0; i <= tube; ++i) {
        const double phi = 2.0 * kPi * (i % tube) / tube;
        for (int j = 0; j < around; ++j) {
            const double theta = 2.0 * kPi * j / around;
            const double ring = major + minor * std::cos(phi);
            mesh.points.push_back(point(cx + ring * std::cos(theta), cy + ring * std::sin(theta),
                                        cz + minor * std::sin(phi)));
        }
    }
    mesh.points.resize(static_cast<std::size_t>(tube * around));
    for (int i = 0; i < tube; ++i) {
        for (int j = 0; j < around; ++j) {
            const int j1 = (j + 1) % around;
            const int a = i * around + j;
            const int b = i * around + j1;
            const int d = ((i + 1) % tube) * around + j;
            const int e = ((i + 1) % tube) * around + j1;
            mesh.triangles.push_back({a, b, e});
            mesh.triangles.push_back({a, e, d});
        }
    }
    return mesh;
}

// An icosahedron split once into 80 faces, each face with points of its own so that nothing is
// smoothed across its edges.
TriangleMesh gem() {
    TriangleMesh mesh;
    mesh.name = "gem";
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    const std::array<std::array<double, 3>, 12> corners = {{{-1, t, 0},
                                                            {1, t, 0},
                                                            {-1, -t, 0},
                                                            {1, -t, 0},
                                                            {0, -1, t},
                                                            {0, 1, t},
                                                            {0, -1, -t},
                                                            {0, 1, -t},
                                                            {t, 0, -1},
                                                            {t, 0, 1},
                                                            {-t, 0, -1},
                                                            {-t, 0, 1}}};
    const int faces[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                              {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                              {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                              {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    const double radius = 34.0;
    const double cx = kViewCentre[0] + 52.0;
    const double cy = kViewCentre[1] + 18.0;
    const double cz = kViewCentre[2] + 26.0;
    auto onSphere = [&](std::array<double, 3> p) {
        const double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        return point(cx + radius * p[0] / length, cy + radius * p[1] / length,
                     cz + radius * p[2] / length);
    };
    auto middle = [](const std::array<double, 3>& p, const std::array<double, 3>& q) {
        return std::array<double, 3>{(p[0] + q[0]) / 2, (p[1] + q[1]) / 2, (p[2] + q[2]) / 2};
    };
    auto addFace = [&](const std::array<double, 3>& p, const std::array<double, 3>& q,
                       const std::array<double, 3>& r) {
        const int first = static_cast<int>(mesh.points.size());
        mesh.points.push_back(onSphere(p));
        mesh.points.push_back(onSphere(q));
        mesh.points.push_back(onSphere(r));
        mesh.triangles.push_back({first, first + 1, first + 2});
    };
    for (const auto& face : faces) {
        const auto& a = corners[static_cast<std::size_t>(face[0])];
        const auto& b = corners[static_cast<std::size_t>(face[1])];
        const auto& c = corners[static_cast<std::size_t>(face[2])];
        const auto ab = middle(a, b);
        const auto bc = middle(b, c);
        const auto ca = middle(c, a);
        addFace(a, ab, ca);
        addFace(ab, b, bc);
        addFace(ca, bc, c);
        addFace(ab, bc, ca);
    }
    return mesh;
}

}  // namespace

TriangleMesh terrain(const std::string& name, long triangleCount, std::uint32_t seed) {
    TriangleMesh mesh;
    mesh.name = name;
    const int cells = std::max(1, static_cast<int>(std::lround(std::sqrt(triangleCount / 2.0))));
    const int side = cells + 1;
    const double size = 200.0;
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> jitter(-0.4, 0.4);
    mesh.points.reserve(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
    for (int r = 0; r < side; ++r) {
        for (int c = 0; c < side; ++c) {
            const double u = size * c / cells - size / 2;
            const double v = size * r / cells - size / 2;
            mesh.points.push_back(point(kViewCentre[0] + u, kViewCentre[1] + v,
                                        kViewCentre[2] - 45.0 + height(u, v) + jitter(random)));
        }
    }
    mesh.triangles.reserve(2 * static_cast<std::size_t>(cells) * static_cast<std::size_t>(cells));
    addGridTriangles(mesh, side);
    return mesh;
}

std::vector<TriangleMesh> sampleScene() { return {torus(), gem(), terrain("terrain", 3200, 7)}; }

void shufflePoints(TriangleMesh& mesh, std::uint32_t seed) {
    std::vector<int> newIndex(mesh.points.size());
    std::iota(newIndex.begin(), newIndex.end(), 0);
    std::shuffle(newIndex.begin(), newIndex.end(), std::mt19937(seed));
    std::vector<std::array<float, 3>> points(mesh.points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        points[static_cast<std::size_t>(newIndex[i])] = mesh.points[i];
    mesh.points = std::move(points);
    for (auto& triangle : mesh.triangles)
        for (int& index : triangle) index = newIndex[static_cast<std::size_t>(index)];
}

std::string formatDataFile(const std::vector<TriangleMesh>& meshes, int decimals) {
    return dataFileText(meshes, decimals);
}

}  // namespace kalderino
