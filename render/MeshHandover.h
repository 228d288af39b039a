// handOverMeshes: the step between loading and drawing, shared by the viewer and kalderino-shot.
#pragma once

#include <cstdio>

class Mesh;
class Renderer;

// Appends the count loaded meshes to the renderer in file order, writing one line per mesh to
// report (nothing when null), links them, and warns on stderr, naming fileName, about meshes
// whose points are used by more than 32 triangles.
void handOverMeshes(Mesh* const* meshes, int count, Renderer& renderer, std::FILE* report,
                    const char* fileName);
