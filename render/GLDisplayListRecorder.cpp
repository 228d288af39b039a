// GLDisplayListRecorder: a mesh's triangles as one display list.
#include "render/GLDisplayListRecorder.h"

#include "mesh/Mesh.h"
#include "mesh/Triangle.h"
#include "mesh/Vertex.h"

#include <GL/gl.h>

#include <initializer_list>

int GLDisplayListRecorder::record(const Mesh& mesh) {
    const GLuint listId = glGenLists(1);
    glNewList(listId, GL_COMPILE);
    glLoadIdentity();
    sendTriangles(mesh);
    glEndList();
    return static_cast<int>(listId);
}

void GLDisplayListRecorder::sendTriangles(const Mesh& mesh) {
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

void GLDisplayListRecorder::release(int listId) { glDeleteLists(static_cast<GLuint>(listId), 1); }
