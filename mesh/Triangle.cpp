// Triangle: the face normal.
#include "mesh/Triangle.h"

#include "mesh/Vertex.h"

namespace kalderino {

void Triangle::computeNormal() {
    const Vector3 normal = normalOf(vertex1->x, vertex1->y, vertex1->z, vertex2->x, vertex2->y,
                                    vertex2->z, vertex3->x, vertex3->y, vertex3->z);
    faceNormal.x = normal.x;
    faceNormal.y = normal.y;
    faceNormal.z = normal.z;
}

}  // namespace kalderino
