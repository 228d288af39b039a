// computePointNormals: the smoothed point normals of a mesh held as arrays, as the viewer smooths
// the points of the meshes it reads from its data file.
#pragma once

namespace kalderino {

struct TriangleMesh;

// Fills mesh.normals, one per point: the sum of the unit face normals (as Triangle::computeNormal
// has them) of the triangles that use the point, added in ascending triangle order, a triangle
// that names a point twice adding once, then normalised; zero where they cancel out or no triangle
// uses the point. Unlike a point of the data file's meshes, which takes its first 32 triangles, a
// point takes all of its own. Every index must name a point. Big meshes are shared with a second
// thread, which gives the same bits.
void computePointNormals(TriangleMesh& mesh);

}  // namespace kalderino
