// drawTriangleMesh: how a mesh held as arrays goes to OpenGL, for every frame.
#pragma once

namespace kalderino {

struct TriangleMesh;

// Draws the triangles (points, when the mesh has none) with the per-point normals, and the
// per-point colours where the mesh has them, in the GL state of the moment: its light, material,
// shading, polygon mode, culling and matrices. Leaves the current colour undefined.
void drawTriangleMesh(const TriangleMesh& mesh);

}  // namespace kalderino
