// The viewer's entry point: loads dataTest3.dat, opens the window and runs the event loop.
#include "app/Callbacks.h"
#include "cli/CommandLine.h"
#include "io/MeshLoader.h"
#include "render/GlutWindow.h"
#include "render/Renderer.h"
#include "session/Session.h"

#include <GL/glut.h>

#include <cstdio>
#include <exception>
#include <new>

namespace kalderino {

namespace {

int run(int argc, char** argv) {
    Session* session = new Session;  // creates the loader; lives until the process ends
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(640, 480);
    glutInitWindowPosition(0, 0);

    GlutWindow* glut = new GlutWindow;  // lives until the process ends
    theRenderer = new Renderer(*glut);
    theRenderer->window = glut->open("KALDERINO 01- Visualiza\xE7\xE3"
                                     "o de Triangulos");
    theRenderer->width = 640;
    theRenderer->height = 480;

    // The loader has said what is wrong; nothing of a half-read file is drawn.
    if (!session->loadDataFile(MeshLoader::kFileName, stdout)) return 1;
    session->handOver(*theRenderer, stdout);

    registerCallbacks();
    theRenderer->initGL();
    glutMainLoop();
    return 0;
}

}  // namespace

}  // namespace kalderino

// No exception leaves the program: memory that runs out where no check was made ends the run
// with one line.
int main(int argc, char** argv) {
    return kalderino::runCatching("kalderino", kalderino::run, argc, argv);
}
