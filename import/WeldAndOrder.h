// weldAndOrder: turns points and the triangles' corners, as a reader collects them, into a mesh
// ready to draw and to write: one point per position, the triangles in an order that keeps
// neighbours together, and the points numbered in the order those triangles first use them.
#pragma once

#include "mesh/TriangleMesh.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kalderino {

// Fills mesh.points and mesh.triangles from points (at most INT_MAX) and corners (three 0-based
// indices into points per triangle, each valid), and mesh.colours from colours (one per point, or
// none): points at the same position, compared bit for bit, and of the same colour become one,
// and points no corner uses are left out; the triangles are sorted along a
// space-filling curve through their centroids, each keeping its corners in order, and ties keeping
// the order given; the points are numbered in the order the sorted triangles first use them. Big
// meshes are shared with a second thread, which changes nothing in the result.
void weldAndOrder(const std::vector<std::array<float, 3>>& points,
                  const std::vector<std::array<std::uint8_t, 4>>& colours,
                  const std::vector<std::uint32_t>& corners, TriangleMesh& mesh);

}  // namespace kalderino
