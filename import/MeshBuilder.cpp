// MeshBuilder: cutting polygons into triangles, welding and numbering points.
#include "import/MeshBuilder.h"

#include "import/WeldAndOrder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kalderino {

namespace {

constexpr float kPi = 3.1415926538f;  // the value the library compares quad angles with
constexpr std::uint32_t kUnused = ~std::uint32_t{0};

// Float arithmetic in the library's order, so that the same corner turns out concave.
struct Vec3 {
    float x, y, z;
};

Vec3 toward(const std::array<float, 3>& from, const std::array<float, 3>& to) {
    Vec3 v{to[0] - from[0], to[1] - from[1], to[2] - from[2]};
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0.0f) return v;
    const float inverse = 1.0f / length;
    return {v.x * inverse, v.y * inverse, v.z * inverse};
}

float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

struct Vec2 {
    float x, y;
    bool operator==(const Vec2& o) const { return x == o.x && y == o.y; }
};

Vec2 vec2(const std::array<float, 2>& a) { return {a[0], a[1]}; }
Vec2 operator-(const Vec2& a, const Vec2& b) { return {a.x - b.x, a.y - b.y}; }
float dot(const Vec2& a, const Vec2& b) { return a.x * b.x + a.y * b.y; }

// The signed area of p, q, r, positive when they run counter-clockwise.
double area(const Vec2& p, const Vec2& q, const Vec2& r) {
    return 0.5 * (p.x * (static_cast<double>(r.y) - q.y) + q.x * (static_cast<double>(p.y) - r.y) +
                  r.x * (static_cast<double>(q.y) - p.y));
}

// Strictly inside, by barycentric coordinates.
bool inside(const Vec2& p0, const Vec2& p1, const Vec2& p2, const Vec2& point) {
    const Vec2 v0 = p1 - p0;
    const Vec2 v1 = p2 - p0;
    const Vec2 v2 = point - p0;
    const double dot00 = dot(v0, v0);
    const double dot01 = dot(v0, v1);
    const double dot02 = dot(v0, v2);
    const double dot11 = dot(v1, v1);
    const double dot12 = dot(v1, v2);
    const double denominator = dot00 * dot11 - dot01 * dot01;
    if (denominator == 0.0) return false;
    const double inverse = 1.0 / denominator;
    const double u = (dot11 * dot02 - dot01 * dot12) * inverse;
    const double v = (dot00 * dot12 - dot01 * dot02) * inverse;
    return u > 0 && v > 0 && u + v < 1;
}

}  // namespace

std::uint32_t MeshBuilder::addCorner(const std::array<float, 3>& position) {
    if (points.empty()) recentCount = 0;
    for (int i = 0; i < recentCount; ++i)
        if (std::memcmp(&recent[i].position, &position, sizeof position) == 0)
            return recent[i].point;
    const auto point = static_cast<std::uint32_t>(points.size());
    recent[point % kRecent] = {position, point};
    recentCount = std::min(recentCount + 1, kRecent);
    points.push_back(position);
    return point;
}

void MeshBuilder::addPolygon(const std::uint32_t* polygon, std::size_t count) {
    if (count < 3) return;
    if (count == 3)
        addTriangle(polygon[0], polygon[1], polygon[2]);
    else if (count == 4)
        addQuad(polygon);
    else if (count <= kMaxEarCorners)
        cutEars(polygon, count);
    else
        addFan(polygon, count);
}

void MeshBuilder::addFan(const std::uint32_t* polygon, std::size_t count) {
    for (std::size_t i = 2; i < count; ++i) addTriangle(polygon[0], polygon[i - 1], polygon[i]);
}

// A quad has at most one concave corner, the one whose two angles to the opposite corner add up
// to more than pi; fanning from it keeps both triangles inside.
void MeshBuilder::addQuad(const std::uint32_t* quad) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& corner = points[quad[i]];
        const Vec3 left = toward(corner, points[quad[(i + 3) % 4]]);
        const Vec3 diagonal = toward(corner, points[quad[(i + 2) % 4]]);
        const Vec3 right = toward(corner, points[quad[(i + 1) % 4]]);
        if (std::acos(dot(left, diagonal)) + std::acos(dot(right, diagonal)) > kPi) {
            start = i;
            break;
        }
    }
    addTriangle(quad[start], quad[(start + 1) % 4], quad[(start + 2) % 4]);
    addTriangle(quad[start], quad[(start + 2) % 4], quad[(start + 3) % 4]);
}

void MeshBuilder::flatten(const std::uint32_t* polygon, std::size_t count) {
    const int n = static_cast<int>(count);
    float normal[3] = {0.0f, 0.0f, 0.0f};  // yz, zx and xy areas
    for (int i = 0; i < n; ++i) {
        const auto& low = points[polygon[i]];
        const auto& middle = points[polygon[(i + 1) % n]];
        const auto& high = points[polygon[(i + 2) % n]];
        normal[2] += middle[0] * (high[1] - low[1]);
        normal[0] += middle[1] * (high[2] - low[2]);
        normal[1] += middle[2] * (high[0] - low[0]);
    }
    const float ax = std::fabs(normal[0]);
    const float ay = std::fabs(normal[1]);
    const float az = std::fabs(normal[2]);
    int first = 0, second = 1;  // the axes kept
    float facing = normal[2];
    if (ax > ay) {
        if (ax > az) first = 1, second = 2, facing = normal[0];
    } else if (ay > az) {
        first = 2, second = 0, facing = normal[1];
    }
    if (facing < 0.0f) std::swap(first, second);
    flat.resize(count);
    for (int i = 0; i < n; ++i) flat[i] = {points[polygon[i]][first], points[polygon[i]][second]};
}

bool MeshBuilder::findEar(int& previous, int& ear, int& next) const {
    const int n = static_cast<int>(flat.size());
    int wraps = 0;
    for (;; previous = ear, ear = next) {
        next = ear + 1;
        for (;; ++next) {
            if (next >= n) next = 0;
            if (!cut[next]) break;
        }
        if (next < ear && ++wraps == 2) return false;
        const Vec2 p0 = vec2(flat[previous]);
        const Vec2 p1 = vec2(flat[ear]);
        const Vec2 p2 = vec2(flat[next]);
        if (area(p0, p1, p2) > 0) continue;  // a reflex corner
        int k = 0;
        for (; k < n; ++k) {
            const Vec2 other = vec2(flat[k]);
            if (!(other == p1) && !(other == p2) && !(other == p0) && inside(p0, p1, p2, other))
                break;
        }
        if (k == n) return true;  // no other corner inside
    }
}

// Ear cutting walking the corners as the library does, so that it picks the same ears.
void MeshBuilder::cutEars(const std::uint32_t* polygon, std::size_t count) {
    flatten(polygon, count);
    cut.assign(count, false);
    const int n = static_cast<int>(count);
    int left = n;
    int previous = n - 1, next = 0;
    while (left > 3) {
        int ear = next;
        // Not a simple polygon: the rest is dropped, as the library does.
        if (!findEar(previous, ear, next)) return;
        addTriangle(polygon[previous], polygon[ear], polygon[next]);
        cut[ear] = true;
        --left;
    }
    std::uint32_t last[3];
    for (int i = 0, found = 0; found < 3; ++i)
        if (!cut[i]) last[found++] = polygon[i];
    addTriangle(last[0], last[1], last[2]);
}

void MeshBuilder::finish(TriangleMesh& mesh) {
    const std::size_t cornerCount = corners.size();
    // A mesh that uses fewer corners than there are points is one of several sharing them (an
    // OBJ's groups): its own points are gathered first, since welding takes time in the number
    // of points it is given. Otherwise welding drops the unused points by itself.
    const bool direct = cornerCount >= points.size();
    std::vector<std::array<float, 3>> used;
    std::vector<std::array<std::uint8_t, 4>> usedColours;
    std::vector<std::uint32_t> local;
    if (!direct) {
        localIndex.resize(points.size(), kUnused);
        local.resize(cornerCount);
        for (std::size_t k = 0; k < cornerCount; ++k) {
            std::uint32_t& index = localIndex[corners[k]];
            if (index == kUnused) {
                index = static_cast<std::uint32_t>(used.size());
                used.push_back(points[corners[k]]);
                if (!colours.empty()) usedColours.push_back(colours[corners[k]]);
            }
            local[k] = index;
        }
        for (std::uint32_t corner : corners) localIndex[corner] = kUnused;
    }
    weldAndOrder(direct ? points : used, direct ? colours : usedColours, direct ? corners : local,
                 mesh);
    corners.clear();
}

void MeshBuilder::finishPoints(TriangleMesh& mesh) {
    mesh.points = std::move(points);
    mesh.colours = std::move(colours);
    mesh.normals = std::move(normals);
    mesh.triangles.clear();
    points.clear();
    colours.clear();
    normals.clear();
}

std::uint32_t MeshBuilder::addColouredCopy(std::uint32_t index,
                                           const std::array<std::uint8_t, 4>& colour) {
    useColours();
    const std::array<float, 3> position = points[index];
    points.push_back(position);
    colours.push_back(colour);
    if (!normals.empty()) normals.push_back(std::array<float, 3>(normals[index]));
    return static_cast<std::uint32_t>(points.size() - 1);
}

}  // namespace kalderino
