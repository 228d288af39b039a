// Triangle: the face normal.
#include "mesh/Triangle.h"

#include "mesh/Vertex.h"

namespace kalderino {

void Triangle::computeNormal() {
    // e1 x e2 with e1 = P1 - P2 and e2 = P2 - P3 equals (P2 - P1) x (P3 - P1).
    const float e1x = vertex1->x - vertex2->x;
    const float e1y = vertex1->y - vertex2->y;
    const float e1z = vertex1->z - vertex2->z;
    const float e2x = vertex2->x - vertex3->x;
    const float e2y = vertex2->y - vertex3->y;
    const float e2z = vertex2->z - vertex3->z;
    faceNormal.x = e1y * e2z - e2y * e1z;
    faceNormal.y = e2x * e1z - e2z * e1x;
    faceNormal.z = e2y * e1x - e2x * e1y;
    faceNormal.normalize();
}

}  // namespace kalderino
