// The viewer's entry point: loads dataTest3.dat, opens the window and runs the event loop.
#include "app/Callbacks.h"
#include "io/MeshLoader.h"
#include "mesh/Mesh.h"
#include "render/Renderer.h"

#include <GL/glut.h>

#include <cstdio>

int main(int argc, char** argv) {
    MeshLoader* loader = new MeshLoader;  // lives until the process ends
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(640, 480);
    glutInitWindowPosition(0, 0);

    theRenderer = new Renderer;
    theRenderer->window = glutCreateWindow("KALDERINO 01- Visualiza\xE7\xE3"
                                           "o de Triangulos");
    theRenderer->width = 640;
    theRenderer->height = 480;

    // The loader has said what is wrong; nothing of a half-read file is drawn.
    if (!loader->load()) return 1;
    for (int i = 0; i < loader->meshCount; ++i) {
        theRenderer->addMesh(loader->meshes[i]);
        std::printf("Uma mecha passada para o renderer\n");
    }
    theRenderer->linkMeshes();
    for (const Mesh* mesh : theRenderer->meshes) {
        if (mesh->overfullPoints > 0)
            std::fprintf(stderr,
                         "%s: warning: %d points of mesh \"%s\" are used by more than 32 "
                         "triangles; their normals use the first 32\n",
                         MeshLoader::kFileName, mesh->overfullPoints, mesh->name);
    }

    glutReshapeFunc(onReshape);
    glutDisplayFunc(onDisplay);
    glutKeyboardFunc(onKeyboard);
    glutSpecialFunc(onSpecial);
    theRenderer->initGL();
    glutMainLoop();
    return 0;
}
