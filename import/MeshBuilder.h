// MeshBuilder: collects the points and polygons a model file describes and turns them into a
// TriangleMesh ready for the data file.
//
// Polygons are cut into triangles as the Open Asset Import Library's triangulation cuts them,
// so that a file gives the same triangles whichever path reads it: a quad is fanned from its
// concave corner (or its first), a larger polygon is cut ear by ear in the plane its Newell
// normal picks, and a polygon with no ear left keeps the triangles cut so far. Cutting ears takes
// time in the square of the corners, or worse, so a polygon of more than kMaxEarCorners corners
// (a file could hold one of millions) is fanned from its first corner instead, which is right
// for the convex caps such polygons mostly are. Polygons of fewer than three corners (points and
// lines) are dropped. finish() welds points at the same position and of the same colour
// into one (+0 and -0 alike), drops the points no triangle uses, sorts the triangles so that
// neighbours come together (each keeps its corners and winding), and numbers the points in the
// order the sorted triangles first use them, so that the viewer reads and draws them forward.
#pragma once

#include "mesh/TriangleMesh.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kalderino {

class MeshBuilder {
public:
    // The points every polygon refers to; several meshes may share them (as in OBJ).
    std::vector<std::array<float, 3>> points;
    // Per point, as many as points or none: colours, and normals, which only a mesh of points
    // alone keeps (the viewer computes a surface's own).
    std::vector<std::array<std::uint8_t, 4>> colours;
    std::vector<std::array<float, 3>> normals;

    // Gives every point a colour, opaque white until it is set, so that points of a colour
    // can join them.
    void useColours() { colours.resize(points.size(), {255, 255, 255, 255}); }
    // A copy of point index in the given colour, for a face of a colour of its own: its
    // number.
    std::uint32_t addColouredCopy(std::uint32_t index, const std::array<std::uint8_t, 4>& colour);

    // Cuts the polygon with these 0-based indices into points into triangles of the mesh being
    // built. The indices must be valid.
    void addPolygon(const std::uint32_t* corners, std::size_t count);
    void addTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        corners.push_back(a);
        corners.push_back(b);
        corners.push_back(c);
    }
    // A corner of a format that lists each triangle's corners (STL): a new point, or the point
    // of one of the last few distinct corners at the same position. Neighbouring triangles share
    // corners, so this spares welding most of its work; the numbering comes out the same.
    std::uint32_t addCorner(const std::array<float, 3>& position);
    void reserveTriangles(std::size_t count) { corners.reserve(3 * count); }
    bool empty() const { return corners.empty(); }
    std::size_t triangleCount() const { return corners.size() / 3; }

    // Moves the triangles added since the last call, with their welded points, into mesh. The
    // points stay, for the next mesh that shares them.
    void finish(TriangleMesh& mesh);
    // Moves every point, with its colour and normal, into mesh, which gets no triangles: a file
    // of points alone.
    void finishPoints(TriangleMesh& mesh);

    static constexpr std::size_t kMaxEarCorners = 256;

private:
    void addQuad(const std::uint32_t* quad);
    void addFan(const std::uint32_t* polygon, std::size_t count);
    void cutEars(const std::uint32_t* polygon, std::size_t count);
    // The polygon's corners in the coordinate plane its Newell normal is longest across, seen
    // from the side the normal points to, into flat.
    void flatten(const std::uint32_t* polygon, std::size_t count);
    // The ear after previous, from ear on, with next the corner after it; false when the walk
    // went round twice without one.
    bool findEar(int& previous, int& ear, int& next) const;

    std::vector<std::uint32_t> corners;  // three per triangle of the mesh being built
    static constexpr int kRecent = 8;
    struct Recent {
        std::array<float, 3> position;
        std::uint32_t point;
    };
    Recent recent[kRecent];  // the last distinct corners, by point number modulo kRecent
    int recentCount = 0;     // filled entries; none again once the points are cleared
    // Scratch space for cutting polygons and for finish(), kept between calls.
    std::vector<bool> cut;
    std::vector<std::array<float, 2>> flat;  // the polygon being cut, by flatten()
    std::vector<std::uint32_t> localIndex;   // kUnused between calls
};

}  // namespace kalderino
