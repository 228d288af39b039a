// handOverMeshes: the meshes move from the loader to the renderer, which links them.
#include "app/MeshHandover.h"

#include "io/MeshLoader.h"
#include "mesh/Mesh.h"
#include "render/Renderer.h"

void handOverMeshes(const MeshLoader& loader, Renderer& renderer, std::FILE* report,
                    const char* fileName) {
    for (int i = 0; i < loader.meshCount; ++i) {
        renderer.addMesh(loader.meshes[i]);
        if (report != nullptr) std::fprintf(report, "Uma mecha passada para o renderer\n");
    }
    renderer.linkMeshes();
    for (const Mesh* mesh : renderer.meshes) {
        if (mesh->overfullPoints > 0)
            std::fprintf(stderr,
                         "%s: warning: %d points of mesh \"%s\" are used by more than 32 "
                         "triangles; their normals use the first 32\n",
                         fileName, mesh->overfullPoints, mesh->name);
    }
}
