// Session: reading the files, handing the meshes over, and starting a renderer.
#include "session/Session.h"

#include "io/Diagnostic.h"
#include "io/MeshLoader.h"
#include "mesh/Mesh.h"
#include "render/Renderer.h"

#include <string>

Session::Session() : loader(new MeshLoader) {}

bool Session::loadDataFile(const char* path, std::FILE* report) {
    loader->report = report;
    return loader->loadFile(path);
}

void Session::handOver(Renderer& renderer, std::FILE* report) {
    for (int i = 0; i < loader->meshCount; ++i) {
        renderer.addMesh(loader->meshes[i]);
        if (report != nullptr) std::fprintf(report, "Uma mecha passada para o renderer\n");
    }
    renderer.linkMeshes();
    for (const Mesh* mesh : renderer.meshes) {
        if (mesh->overfullPoints > 0)
            reportError(stderr, loader->fileName, 0,
                        "warning: " + std::to_string(mesh->overfullPoints) + " points of mesh \"" +
                            mesh->name +
                            "\" are used by more than 32 triangles; their normals use the "
                            "first 32");
    }
}

Renderer* Session::start(Window& window, int width, int height, std::FILE* keyReport) {
    Renderer* renderer = new Renderer(window);
    renderer->keyReport = keyReport;
    renderer->width = width;
    renderer->height = height;
    handOver(*renderer, nullptr);
    renderer->initGL();
    return renderer;
}
