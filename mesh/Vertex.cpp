// Vertex: the smoothed point normal.
#include "mesh/Vertex.h"

#include "mesh/Triangle.h"

namespace kalderino {

void Vertex::computeNormal() {
    for (int i = 0; i < adjacentCount; ++i) {
        const Vector3& face = adjacent[i]->faceNormal;
        normal.x += face.x;
        normal.y += face.y;
        normal.z += face.z;
    }
    normal.normalize();
}

}  // namespace kalderino
