// drawTriangles: the one loop that sends a mesh's triangles to OpenGL, for frames and lists.
#pragma once

namespace kalderino {

class Mesh;

// Every triangle in immediate mode, each with its own begin and end and its three points'
// normals and positions, in the order the mesh holds them.
void drawTriangles(const Mesh& mesh);

}  // namespace kalderino
