// Renderer: GL state, projection, frame drawing and the keyboard commands.
#include "render/Renderer.h"

#include "mesh/Camera.h"
#include "mesh/Mesh.h"
#include "mesh/StartView.h"
#include "render/AidDrawing.h"
#include "render/GLDisplayListRecorder.h"
#include "render/KeyCode.h"
#include "render/TriangleDrawing.h"
#include "render/TriangleMeshDrawing.h"
#include "render/Window.h"

#include <GL/glu.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace kalderino {

namespace {

constexpr float kStep = 10.0f;  // degrees for turns, model units for moves
constexpr double kFieldOfView = 45.0;
constexpr double kNear = 0.1;
constexpr double kFar = 1000.0;
constexpr float kMaterialColour[3] = {0.75f, 0.3f, 0.3f};  // ambient and diffuse

// width / height in double precision; a window 0 pixels high counts as 1 pixel high.
double aspectOf(int width, int height) {
    return static_cast<double>(width) / static_cast<double>(height == 0 ? 1 : height);
}

}  // namespace

Renderer::Renderer(Window& windowSystem) : windowSystem(windowSystem) {
    static GLDisplayListRecorder recorder;
    Mesh::displayLists = &recorder;
}

void Renderer::addMesh(Mesh* mesh) { meshes.push_back(mesh); }

void Renderer::linkMeshes() {
    for (Mesh* mesh : meshes) mesh->linkTriangles();
}

void Renderer::initGL() {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (camera != nullptr || !orthographic) loadProjection();
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glMatrixMode(GL_MODELVIEW);

    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glEnable(GL_LIGHTING);
    // Light 0 keeps the GL's default position: a directional headlight along the eye's axis.
    glLightfv(GL_LIGHT0, GL_AMBIENT, lightAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specularColor);
    glEnable(GL_LIGHT0);

    // The default colour-material mode: both faces' ambient and diffuse follow the colour.
    glEnable(GL_COLOR_MATERIAL);
    glColor3f(kMaterialColour[0], kMaterialColour[1], kMaterialColour[2]);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specularColor);
    glMateriali(GL_FRONT_AND_BACK, GL_SHININESS, 12);
}

// Onto the identity the projection matrix holds.
void Renderer::loadProjection() {
    if (camera != nullptr) {
        glLoadMatrixd(camera->projection(aspectOf(width, height), orthographic).data());
    } else if (orthographic) {
        glOrtho(-160.0, 160.0, -120.0, 120.0, -100.0, 1000.0);
    } else {
        gluPerspective(kFieldOfView, aspectOf(width, height), kNear, kFar);
    }
}

void Renderer::setProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    loadProjection();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Renderer::reshape(int w, int h) {
    width = w;
    height = h;
    glViewport(0, 0, w, h);
    setProjection();
    if (pendingWidth > 0) {
        if (w != pendingWidth || h != pendingHeight)
            windowSystem.resize(pendingWidth, pendingHeight);
        pendingWidth = pendingHeight = 0;
    }
}

// freeglut leaves full screen for a size request by putting back the size from before full
// screen, over the size asked for; so that size is asked for again once the window is back.
void Renderer::askWindowSize(int w, int h) {
    if (windowSystem.isFullScreen()) {
        pendingWidth = w;
        pendingHeight = h;
    }
    windowSystem.resize(w, h);
}

void Renderer::display() {
    draw();
    windowSystem.swapBuffers();
}

void Renderer::draw() {
    drawModel();
    if (aids.any()) drawAids();
}

void Renderer::drawModel() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(kMaterialColour[0], kMaterialColour[1], kMaterialColour[2]);
    glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    placeModel();

    for (const Mesh* mesh : meshes) drawTriangles(*mesh);
    drawModels(true);
}

void Renderer::drawModels(bool ownColours) {
    bool recoloured = false;  // the current colour is no longer the material's
    for (const TriangleMesh* model : models) {
        const bool pointColours = model->colours.size() == model->points.size();
        if (ownColours && model->colour && !pointColours) {
            glColor3fv(model->colour->data());
            recoloured = true;
        } else if (recoloured) {
            glColor3f(kMaterialColour[0], kMaterialColour[1], kMaterialColour[2]);
            recoloured = false;
        }
        drawTriangleMesh(*model, ownColours, pointSize);
        recoloured = recoloured || (ownColours && pointColours);
    }
}

// In the model's space first, then in the window's, the text over everything.
void Renderer::drawAids() {
    if (aids.grid) drawGrid(aids.low, aids.high, aids.up);
    if (aids.box) drawBox(aids.low, aids.high);
    if (aids.edges)
        drawEdges([this] {
            for (const Mesh* mesh : meshes) drawTriangles(*mesh);
            drawModels(false);
        });
    if (!aids.marks.empty()) drawMarks(aids.marks);
    if (aids.axes) drawAxesTriad(width, height);
    if (!aids.text.empty()) drawTextPanel(aids.text, width, height);
}

// After a swap the back buffer holds nothing defined, and the offscreen surface has one buffer,
// which shows: so the frame is drawn again for its depth, and again for the eye afterwards.
bool Renderer::pick(int x, int y, Vec3& model, Vec3& eye) {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    drawModel();
    windowSystem.postRedisplay();
    GLdouble modelView[16];
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int row = height - 1 - y;  // GL counts rows from the bottom
    GLfloat depth = 1.0f;
    glReadPixels(x, row, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    if (!(depth < 1.0f)) return false;  // the cleared depth: no model there
    const GLdouble identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    // The pixel's middle.
    return gluUnProject(x + 0.5, row + 0.5, depth, modelView, projection, viewport, &model[0],
                        &model[1], &model[2]) == GL_TRUE &&
           gluUnProject(x + 0.5, row + 0.5, depth, identity, projection, viewport, &eye[0], &eye[1],
                        &eye[2]) == GL_TRUE;
}

// T(translation) T(offset) Rx(x - 45) Ry(y) Rz(z) in the viewer; with a camera, its view
// between the move and turns about its target.
void Renderer::placeModel() {
    if (camera == nullptr) {
        glTranslatef(translation.x, translation.y, translation.z);
        glTranslatef(kCameraOffset[0], kCameraOffset[1], kCameraOffset[2]);
        glRotatef(rotation.x + kCameraTilt, 1.0f, 0.0f, 0.0f);  // the x angle carries the tilt
        glRotatef(rotation.y, 0.0f, 1.0f, 0.0f);
        glRotatef(rotation.z, 0.0f, 0.0f, 1.0f);
        return;
    }
    const double step = camera->unitScale();
    glTranslated(translation.x * step, translation.y * step, translation.z * step);
    glMultMatrixd(camera->view().data());
    const Vec3& pivot = camera->target;
    glTranslated(pivot[0], pivot[1], pivot[2]);
    glRotatef(rotation.x, 1.0f, 0.0f, 0.0f);
    glRotatef(rotation.y, 0.0f, 1.0f, 0.0f);
    glRotatef(rotation.z, 0.0f, 0.0f, 1.0f);
    glTranslated(-pivot[0], -pivot[1], -pivot[2]);
}

void Renderer::keyboard(unsigned char key, int /*x*/, int /*y*/) {
    switch (key) {
    case kKeyEscape:
        quit();
        return;
    case ' ':
        if (cullFaces) {
            glDisable(GL_CULL_FACE);
        } else {
            glEnable(GL_CULL_FACE);
        }
        cullFaces = !cullFaces;
        break;
    case 'a':
        rotation.z += kStep;
        break;
    case 's':
        rotation.z -= kStep;
        break;
    case 'f':
        rotation.x += kStep;
        break;
    case 'v':
        rotation.x -= kStep;
        break;
    case 'x':
        rotation.y += kStep;
        break;
    case 'z':
        rotation.y -= kStep;
        break;
    case 'r':
        translation.x += kStep;
        break;
    case 'e':
        translation.x -= kStep;
        break;
    case 'd':
        translation.y += kStep;
        break;
    case 'c':
        translation.y -= kStep;
        break;
    case 'w':
        translation.z += kStep;
        break;
    case 'q':
        translation.z -= kStep;
        break;
    case 'm':
        glShadeModel(flatShading ? GL_SMOOTH : GL_FLAT);
        flatShading = !flatShading;
        break;
    default:
        reportUnboundKey(key);
        return;
    }
    windowSystem.postRedisplay();
}

void Renderer::special(int key, int /*x*/, int /*y*/) {
    switch (key) {
    case kKeyF1:
        wireframe = false;
        break;
    case kKeyF1 + 1:
        wireframe = true;
        break;
    case kKeyF1 + 2:
        return;
    case kKeyF1 + 3:
        // The new mode's projection comes with the reshape GLUT delivers for the new size. The
        // size stops shrinking at 1 x 1, the smallest window there is.
        orthographic = !orthographic;
        askWindowSize(std::max(width - 1, 1), std::max(height - 1, 1));
        width = std::max(width - 1, 1);
        height = std::max(height - 1, 1);
        break;
    case kKeyLeft:
        rotation.y -= kStep;
        break;
    case kKeyUp:
        windowSystem.fullScreen();
        return;
    case kKeyRight:
        rotation.y += kStep;
        break;
    case kKeyDown:
        askWindowSize(640, 480);
        return;
    default:
        reportUnboundKey(key);
        return;
    }
    windowSystem.postRedisplay();
}

void Renderer::reportUnboundKey(int code) {
    if (keyReport != nullptr)
        std::fprintf(keyReport,
                     "Essa tecla n\xE3"
                     "o serve pra nada e seu codigo e: %d\n",
                     code);
}

void Renderer::quit() {
    // The GL calls come while the context still exists; after the window goes there is none.
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    windowSystem.destroy(window);
    for (Mesh* mesh : meshes) delete mesh;
    meshes.clear();
    std::exit(0);
}

}  // namespace kalderino
