// handOverMeshes: the meshes move from the loader to the renderer, which links them.
#include "render/MeshHandover.h"

#include "mesh/Mesh.h"
#include "render/Renderer.h"

void handOverMeshes(Mesh* const* meshes, int count, Renderer& renderer, std::FILE* report,
                    const char* fileName) {
    for (int i = 0; i < count; ++i) {
        renderer.addMesh(meshes[i]);
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
