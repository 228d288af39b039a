// drawTriangleMesh: client-side vertex arrays, drawn a piece at a time.
//
// Measured on Mesa's software renderer (bench/draw_bench, a 2M-triangle mesh): client arrays
// and glDrawElements draw a frame in less time than immediate mode from the same arrays, buffer
// objects or a display list, and the last two copy the arrays into the GL's own memory besides.
// The renderer bins every triangle it is given before it rasterizes, tens of bytes a triangle,
// and queues what it has binned for its threads: given a whole mesh at once it held a hundred
// megabytes and more, which pieces with a wait for the GL after every few keep to a few. A
// hardware driver would rather have the arrays in buffer objects, filled once, and one draw per
// mesh with no waits; this function is the one place to change for it.
#include "render/TriangleMeshDrawing.h"

#include "mesh/TriangleMesh.h"

#include <GL/gl.h>

#include <algorithm>

namespace kalderino {

namespace {

constexpr std::size_t kPiece = 20000;    // triangles or points a draw
constexpr std::size_t kPiecesAWait = 4;  // drawn before the GL is waited for

// Calls draw(first, count) for each piece of count items, waiting for the GL now and then.
template <typename Draw> void inPieces(std::size_t count, const Draw& draw) {
    for (std::size_t first = 0, piece = 1; first < count; first += kPiece, ++piece) {
        draw(first, std::min(kPiece, count - first));
        if (first + kPiece >= count) break;
        if (piece % kPiecesAWait == 0) {
            glFinish();
        } else {
            glFlush();
        }
    }
}

// Points alone, lit when they have normals.
void drawPoints(const TriangleMesh& mesh, float pointSize) {
    const bool unlit = mesh.normals.empty() && glIsEnabled(GL_LIGHTING);
    glPointSize(pointSize);
    if (unlit) glDisable(GL_LIGHTING);
    inPieces(mesh.points.size(), [](std::size_t first, std::size_t count) {
        glDrawArrays(GL_POINTS, static_cast<GLint>(first), static_cast<GLsizei>(count));
    });
    if (unlit) glEnable(GL_LIGHTING);
    glPointSize(1.0f);
}

}  // namespace

void drawTriangleMesh(const TriangleMesh& mesh, bool ownColours, float pointSize) {
    const bool lit = mesh.normals.size() == mesh.points.size();
    if (mesh.points.empty() || !(lit || (mesh.triangles.empty() && mesh.normals.empty()))) return;
    const bool coloured = ownColours && mesh.colours.size() == mesh.points.size();
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, mesh.points.data());
    if (lit) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, mesh.normals.data());
    }
    if (coloured) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, mesh.colours.data());
    }
    if (mesh.triangles.empty()) {
        drawPoints(mesh, pointSize);
    } else {
        inPieces(mesh.triangles.size(), [&mesh](std::size_t first, std::size_t count) {
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * count), GL_UNSIGNED_INT,
                           mesh.triangles[first].data());
        });
    }
    if (coloured) glDisableClientState(GL_COLOR_ARRAY);
    if (lit) glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

}  // namespace kalderino
