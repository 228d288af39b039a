// simplifyMesh: a coarse copy of a mesh of arrays, for the frames drawn while the view moves.
#pragma once

#include <cstddef>

namespace kalderino {

struct TriangleMesh;

// Makes copy a mesh of about triangles of mesh's triangles (fewer where its shape allows), with
// points of its own, their colours, newly computed normals, and mesh's name and colour. False, with
// copy untouched, when mesh has no more triangles than that or no coarser copy could be made.
bool simplifyMesh(const TriangleMesh& mesh, std::size_t triangles, TriangleMesh& copy);

}  // namespace kalderino
