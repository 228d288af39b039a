// drawTriangles: immediate mode, six calls a triangle between its begin and end.
#include "render/TriangleDrawing.h"

#include "mesh/Mesh.h"
#include "mesh/Triangle.h"
#include "mesh/Vertex.h"

#include <GL/gl.h>

#include <initializer_list>

namespace kalderino {

void drawTriangles(const Mesh& mesh) {
    for (int j = 0; j < mesh.triangleCount; ++j) {
        const Triangle& triangle = *mesh.triangles[j];
        glBegin(GL_TRIANGLES);
        for (const Vertex* point : {triangle.vertex1, triangle.vertex2, triangle.vertex3}) {
            glNormal3f(point->normal.x, point->normal.y, point->normal.z);
            glVertex3f(point->x, point->y, point->z);
        }
        glEnd();
    }
}

}  // namespace kalderino
