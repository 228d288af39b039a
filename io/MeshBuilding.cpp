// MeshBuilding: empty meshes.
#include "io/MeshBuilding.h"

namespace kalderino {

namespace {

constexpr float kCornerStart = 100000.0f;

}  // namespace

Mesh* newEmptyMesh() {
    Mesh* mesh = new Mesh;
    mesh->maxCorner = new Vertex;
    mesh->minCorner = new Vertex;
    mesh->maxCorner->x = mesh->maxCorner->y = mesh->maxCorner->z = -kCornerStart;
    mesh->minCorner->x = mesh->minCorner->y = mesh->minCorner->z = kCornerStart;
    return mesh;
}

}  // namespace kalderino
