// drawTriangleMesh: client-side vertex arrays and one glDrawElements.
#include "render/TriangleMeshDrawing.h"

#include "mesh/TriangleMesh.h"

#include <GL/gl.h>

namespace kalderino {

void drawTriangleMesh(const TriangleMesh& mesh) {
    if (mesh.points.empty() || mesh.normals.size() != mesh.points.size()) return;
    const bool coloured = mesh.colours.size() == mesh.points.size();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, mesh.points.data());
    glNormalPointer(GL_FLOAT, 0, mesh.normals.data());
    if (coloured) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, mesh.colours.data());
    }
    if (mesh.triangles.empty()) {
        glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(mesh.points.size()));
    } else {
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * mesh.triangles.size()),
                       GL_UNSIGNED_INT, mesh.triangles.data());
    }
    if (coloured) glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

}  // namespace kalderino
