// Session: reading the files and handing the meshes over.
#include "session/Session.h"

#include "io/Diagnostic.h"
#include "io/MeshBuilding.h"
#include "mesh/Mesh.h"
#include "mesh/Prefaulter.h"
#include "mesh/StartView.h"
#include "mesh/TriangleMesh.h"
#include "mesh/Vertex.h"
#include "render/Renderer.h"
#include "session/ModelFiles.h"

#include <algorithm>

namespace kalderino {

Session::Session(ModelFiles* modelFiles) : modelFiles(modelFiles) {}

Session::~Session() {
    if (!handedOver)
        for (const Source& source : sources)
            for (Mesh* mesh : source.meshes) delete mesh;
    delete[] loader.meshes;  // the loader's list; the meshes in it are counted in sources
}

bool Session::loadDataFile(const std::string& path, std::FILE* report) {
    loader.report = report;
    loaderUsed = true;
    return loadInto(loader, path);
}

bool Session::loadInto(MeshLoader& fileLoader, const std::string& path) {
    const bool loaded = fileLoader.loadFile(path.c_str());
    fileLoader.fileName = MeshLoader::kFileName;  // path names the file only while it is read
    if (!loaded) return false;
    sources.push_back({path, {}});
    sources.back().meshes.assign(fileLoader.meshes, fileLoader.meshes + fileLoader.meshCount);
    return true;
}

bool Session::open(const std::vector<std::string>& paths, const ModelOptions& options) {
    // Model meshes are fitted into the view all together, so every model file is read before
    // any of them becomes meshes; data files become meshes as they are read.
    struct Pending {
        std::size_t source;
        std::size_t first;  // in models
        std::size_t count;
    };
    std::vector<TriangleMesh> models;
    std::vector<Pending> pending;
    for (const std::string& path : paths) {
        const bool model = isModelFile(path);
        if (options.ownReadersOnly && !model) {
            reportError(stderr, path, 0, "only OBJ, PLY, STL and OFF files are read here");
            return false;
        }
        if (!model && !loaderUsed) {
            loaderUsed = true;
            loader.report = nullptr;
            if (!loadInto(loader, path)) return false;
        } else if (!model) {
            // Each further data file has a loader of its own, kept only while it reads.
            MeshLoader fileLoader;
            fileLoader.report = nullptr;
            const bool loaded = loadInto(fileLoader, path);
            delete[] fileLoader.meshes;  // the meshes themselves are the session's now
            if (!loaded) return false;
        } else {
            const std::size_t before = models.size();
            if (!modelFiles->read(path, options.ownReadersOnly, models)) return false;
            pending.push_back({sources.size(), before, models.size() - before});
            sources.push_back({path, {}});
        }
    }
    if (!options.keepCoordinates) fitToView(models);

    Prefaulter prefaulter;
    for (const Pending& file : pending) {
        Source& source = sources[file.source];
        for (std::size_t i = 0; i < file.count; ++i) {
            TriangleMesh& arrays = models[file.first + i];
            Mesh* mesh = buildMesh(arrays, &prefaulter);
            if (mesh == nullptr) {
                reportError(stderr, source.path, 0, "not enough memory for its meshes");
                return false;
            }
            source.meshes.push_back(mesh);
            arrays = TriangleMesh();  // its memory goes back before the next mesh takes its own
        }
    }
    return true;
}

bool Session::isModelFile(const std::string& path) const {
    return modelFiles != nullptr && modelFiles->isModelFile(path);
}

bool Session::bounds(std::array<double, 3>& low, std::array<double, 3>& high) const {
    bool found = false;
    for (const Source& source : sources) {
        for (const Mesh* mesh : source.meshes) {
            if (mesh->pointCount <= 0) continue;  // its corners are where they start
            const Vertex& max = *mesh->maxCorner;
            const Vertex& min = *mesh->minCorner;
            const std::array<double, 3> meshHigh{max.x, max.y, max.z};
            const std::array<double, 3> meshLow{min.x, min.y, min.z};
            for (std::size_t k = 0; k < 3; ++k) {
                low[k] = found ? std::min(low[k], meshLow[k]) : meshLow[k];
                high[k] = found ? std::max(high[k], meshHigh[k]) : meshHigh[k];
            }
            found = true;
        }
    }
    return found;
}

std::vector<std::array<double, 3>> Session::samplePoints(std::size_t most) const {
    std::size_t total = 0;
    for (const Source& source : sources)
        for (const Mesh* mesh : source.meshes) total += static_cast<std::size_t>(mesh->pointCount);
    const std::size_t stride =
        std::max<std::size_t>(1, (total + most - 1) / std::max<std::size_t>(most, 1));
    std::vector<std::array<double, 3>> sample;
    for (const Source& source : sources) {
        for (const Mesh* mesh : source.meshes) {
            for (int i = 0; i < mesh->pointCount; i += static_cast<int>(stride)) {
                const Vertex& point = *mesh->points[i];
                sample.push_back({point.x, point.y, point.z});
            }
        }
    }
    return sample;
}

void Session::handOver(Renderer& renderer, std::FILE* report) {
    for (const Source& source : sources) {
        for (Mesh* mesh : source.meshes) {
            renderer.addMesh(mesh);
            if (report != nullptr) std::fprintf(report, "Uma mecha passada para o renderer\n");
        }
    }
    handedOver = true;
    if (!linked) renderer.linkMeshes();
    for (const Source& source : sources) {
        for (const Mesh* mesh : source.meshes) {
            if (mesh->overfullPoints > 0)
                reportError(stderr, source.path, 0,
                            "warning: " + std::to_string(mesh->overfullPoints) +
                                " points of mesh \"" + mesh->name +
                                "\" are used by more than 32 triangles; their normals use the "
                                "first 32");
        }
    }
}

void Session::link() {
    for (const Source& source : sources)
        for (Mesh* mesh : source.meshes) mesh->linkTriangles();
    linked = true;
}

void Session::withdraw(Renderer& renderer) {
    if (!handedOver) return;
    std::vector<Mesh*> own;
    for (const Source& source : sources)
        own.insert(own.end(), source.meshes.begin(), source.meshes.end());
    std::sort(own.begin(), own.end());
    std::vector<Mesh*>& drawn = renderer.meshes;
    drawn.erase(std::remove_if(drawn.begin(), drawn.end(),
                               [&own](Mesh* mesh) {
                                   return std::binary_search(own.begin(), own.end(), mesh);
                               }),
                drawn.end());
    for (Mesh* mesh : own) delete mesh;
    sources.clear();
}

}  // namespace kalderino
