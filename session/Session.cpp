// Session: reading the files, handing the meshes over, and starting a renderer.
#include "session/Session.h"

#include "io/DataFileWriter.h"
#include "io/Diagnostic.h"
#include "io/MeshBuilding.h"
#include "io/MeshLoader.h"
#include "mesh/Mesh.h"
#include "mesh/Prefaulter.h"
#include "mesh/StartView.h"
#include "mesh/TriangleMesh.h"
#include "render/Renderer.h"
#include "session/ModelFiles.h"

namespace kalderino {

Session::Session() : loader(new MeshLoader) {}

bool Session::loadDataFile(const char* path, std::FILE* report) {
    loader->report = report;
    return loadInto(*loader, path);
}

bool Session::loadInto(MeshLoader& fileLoader, const char* path) {
    if (!fileLoader.loadFile(path)) return false;
    sources.push_back({path, fileLoader.meshes, fileLoader.meshCount});
    return true;
}

bool Session::open(const std::vector<std::string>& files, const ModelOptions& options) {
    // Model meshes are fitted into the view all together, so every model file is read before
    // any of them becomes meshes; data files become meshes as they are read.
    struct Pending {
        std::size_t source;
        std::size_t first;  // in models
        std::size_t count;
    };
    std::vector<TriangleMesh> models;
    std::vector<Pending> pending;
    bool loaderFree = sources.empty();
    for (const std::string& file : files) {
        paths.push_back(file);
        const char* path = paths.back().c_str();
        const FileKind kind = kindOf(file);
        if (options.ownReadersOnly && kind != FileKind::ownModel) {
            reportError(stderr, file, 0, "only OBJ, PLY, STL and OFF files are read here");
            return false;
        }
        if (kind == FileKind::data) {
            MeshLoader* fileLoader = loaderFree ? loader : new MeshLoader;
            loaderFree = false;
            fileLoader->report = nullptr;
            if (!loadInto(*fileLoader, path)) return false;
        } else {
            const std::size_t before = models.size();
            if (!readModelFile(file, options.ownReadersOnly, models)) return false;
            pending.push_back({sources.size(), before, models.size() - before});
            sources.push_back({path, nullptr, 0});
        }
    }
    if (!options.keepCoordinates) fitToView(models);

    Prefaulter prefaulter;
    for (const Pending& file : pending) {
        Source& source = sources[file.source];
        source.meshes = new Mesh*[file.count];
        for (std::size_t i = 0; i < file.count; ++i) {
            TriangleMesh& arrays = models[file.first + i];
            source.meshes[source.count] = buildMesh(arrays, &prefaulter);
            if (source.meshes[source.count] == nullptr) {
                reportError(stderr, source.path, 0, "not enough memory for its meshes");
                return false;
            }
            ++source.count;
            arrays =
                TriangleMesh();  // the arrays' memory goes back before the next mesh takes its own
        }
    }
    return true;
}

void Session::handOver(Renderer& renderer, std::FILE* report) {
    for (const Source& source : sources) {
        for (int i = 0; i < source.count; ++i) {
            renderer.addMesh(source.meshes[i]);
            if (report != nullptr) std::fprintf(report, "Uma mecha passada para o renderer\n");
        }
    }
    renderer.linkMeshes();
    for (const Source& source : sources) {
        for (int i = 0; i < source.count; ++i) {
            const Mesh& mesh = *source.meshes[i];
            if (mesh.overfullPoints > 0)
                reportError(stderr, source.path, 0,
                            "warning: " + std::to_string(mesh.overfullPoints) +
                                " points of mesh \"" + mesh.name +
                                "\" are used by more than 32 triangles; their normals use the "
                                "first 32");
        }
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

}  // namespace kalderino
