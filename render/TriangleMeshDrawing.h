// drawTriangleMesh: how a mesh held as arrays goes to OpenGL, for every frame.
#pragma once

namespace kalderino {

struct TriangleMesh;

// Draws the triangles (points pointSize pixels wide, when the mesh has none) with the per-point
// normals, and, when ownColours, the per-point colours where the mesh has them, in the GL state
// of the moment: its light, material, colour, shading, polygon mode, culling and matrices.
// Points without normals are drawn unlit, in their colours. Leaves the current colour undefined
// when it draws the mesh's own.
void drawTriangleMesh(const TriangleMesh& mesh, bool ownColours = true, float pointSize = 1.0f);

}  // namespace kalderino
