// GLDisplayListRecorder: a mesh's triangles as one display list, drawn as frames draw them.
#include "render/GLDisplayListRecorder.h"

#include "render/TriangleDrawing.h"

#include <GL/gl.h>

namespace kalderino {

int GLDisplayListRecorder::record(const Mesh& mesh) {
    const GLuint listId = glGenLists(1);
    glNewList(listId, GL_COMPILE);
    glLoadIdentity();
    drawTriangles(mesh);
    glEndList();
    return static_cast<int>(listId);
}

void GLDisplayListRecorder::release(int listId) { glDeleteLists(static_cast<GLuint>(listId), 1); }

}  // namespace kalderino
