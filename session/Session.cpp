// Session: reading the files and handing the meshes over.
#include "session/Session.h"

#include "import/Formats.h"
#include "io/file/Diagnostic.h"
#include "io/file/MemoryShortage.h"
#include "mesh/Mesh.h"
#include "mesh/PointNormals.h"
#include "mesh/StartView.h"
#include "mesh/Vertex.h"
#include "render/Renderer.h"
#include "session/ModelFiles.h"

#include <algorithm>
#include <iterator>
#include <system_error>
#include <utility>

namespace kalderino {

Session::Session(ModelFiles* modelFiles) : modelFiles(modelFiles) {}

Session::~Session() {
    if (finishing.joinable()) finishing.join();
    if (!handedOver)
        for (const Source& source : sources)
            for (Mesh* mesh : source.meshes) delete mesh;
    delete[] loader.meshes;  // the loader's list; the meshes in it are counted in sources
}

void Session::finishModels() {
    if (finishing.joinable()) finishing.join();
    // Memory that ran out is said with the file and what was being made, not as the program's.
    std::string shortage;
    if (finishingShort < unfinished.size())
        shortage = sources[unfinishedSources[finishingShort]].path + ": " +
                   notEnoughMemory("the normals of " +
                                   counted(unfinished[finishingShort].points.size()) + " points");
    for (std::size_t i = 0; i < unfinished.size(); ++i) {
        models.push_back(std::move(unfinished[i]));
        sources[unfinishedSources[i]].models.push_back(&models.back());
    }
    unfinished.clear();
    unfinishedSources.clear();
    finishingShort = kNoShortage;
    if (!shortage.empty()) {
        finishingFailure = nullptr;
        throw MemoryShortage(shortage);
    }
    if (finishingFailure) std::rethrow_exception(std::exchange(finishingFailure, nullptr));
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
    sources.push_back({path, {}, {}});
    sources.back().meshes.assign(fileLoader.meshes, fileLoader.meshes + fileLoader.meshCount);
    return true;
}

namespace {

// The meshes of a model file, from first on in meshes, the order-th model file opened: those
// without colours of their own in the colour the options give them.
void colourFile(std::vector<TriangleMesh>& meshes, std::size_t first, std::size_t order,
                const ModelOptions& options) {
    if (!options.colour && order == 0) return;  // the material's
    const std::size_t palette = std::size(ModelOptions::kPalette);
    for (std::size_t i = first; i < meshes.size(); ++i)
        if (meshes[i].colours.empty())
            meshes[i].colour =
                options.colour ? *options.colour : ModelOptions::kPalette[(order - 1) % palette];
}

}  // namespace

bool Session::open(const std::vector<std::string>& paths, const ModelOptions& options) {
    // Model meshes are fitted into the view all together, so every model file is read before
    // any of them is kept; data files become meshes as they are read.
    struct Pending {
        std::size_t source;
        std::size_t count;  // meshes, in read
    };
    std::vector<TriangleMesh> read;
    std::vector<Pending> pending;
    std::size_t modelCount = 0;  // model files read
    for (const std::string& path : paths) {
        const Format* format = modelFiles != nullptr ? modelFiles->formatOf(path) : nullptr;
        const bool model = format != nullptr;
        if (options.ownReadersOnly && !model) {
            reportError(stderr, path, 0, thumbnailRefusal());
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
            const std::size_t before = read.size();
            if (!modelFiles->read(path, *format, options.ownReadersOnly, read)) return false;
            colourFile(read, before, modelCount++, options);
            pending.push_back({sources.size(), read.size() - before});
            sources.push_back({path, {}, {}});
        }
    }
    // Fitting and normals cannot fail but for memory: they are done while the program opens its
    // window, which takes about as long, and waited for when the meshes are needed.
    finishModels();
    for (const Pending& file : pending)
        unfinishedSources.insert(unfinishedSources.end(), file.count, file.source);
    if (!read.empty()) finishInBackground(std::move(read), !options.keepCoordinates);
    return true;
}

void Session::finishInBackground(std::vector<TriangleMesh> read, bool fit) {
    unfinished = std::move(read);
    const auto finish = [this, fit] {
        std::size_t at = 0;
        try {
            if (fit) fitToView(unfinished);
            // Points alone keep the normals of their file, or none.
            for (; at < unfinished.size(); ++at)
                if (!unfinished[at].triangles.empty()) computePointNormals(unfinished[at]);
        } catch (const std::bad_alloc&) {
            finishingShort = at;  // said by finishModels, which knows the files
        } catch (...) {
            finishingFailure = std::current_exception();
        }
    };
    try {
        finishing = std::thread(finish);
    } catch (const std::system_error&) {  // no thread to be had: here and now
        finish();
    }
}

bool Session::isModelFile(const std::string& path) const {
    return modelFiles != nullptr && modelFiles->formatOf(path) != nullptr;
}

bool Session::bounds(std::array<double, 3>& low, std::array<double, 3>& high) const {
    bool found = false;
    const auto take = [&](const std::array<double, 3>& meshLow,
                          const std::array<double, 3>& meshHigh) {
        for (std::size_t k = 0; k < 3; ++k) {
            low[k] = found ? std::min(low[k], meshLow[k]) : meshLow[k];
            high[k] = found ? std::max(high[k], meshHigh[k]) : meshHigh[k];
        }
        found = true;
    };
    for (const Source& source : sources) {
        for (const Mesh* mesh : source.meshes) {
            if (mesh->pointCount <= 0) continue;  // its corners are where they start
            const Vertex& max = *mesh->maxCorner;
            const Vertex& min = *mesh->minCorner;
            take({min.x, min.y, min.z}, {max.x, max.y, max.z});
        }
        for (const TriangleMesh* model : source.models) {
            if (model->points.empty()) continue;
            std::array<float, 3> modelLow = model->points[0];
            std::array<float, 3> modelHigh = modelLow;
            for (const std::array<float, 3>& point : model->points) {
                for (std::size_t k = 0; k < 3; ++k) {
                    modelLow[k] = std::min(modelLow[k], point[k]);
                    modelHigh[k] = std::max(modelHigh[k], point[k]);
                }
            }
            take({modelLow[0], modelLow[1], modelLow[2]},
                 {modelHigh[0], modelHigh[1], modelHigh[2]});
        }
    }
    return found;
}

std::vector<std::array<double, 3>> Session::samplePoints(std::size_t most) const {
    std::size_t total = 0;
    for (const Source& source : sources) {
        for (const Mesh* mesh : source.meshes) total += static_cast<std::size_t>(mesh->pointCount);
        for (const TriangleMesh* model : source.models) total += model->points.size();
    }
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
        for (const TriangleMesh* model : source.models) {
            for (std::size_t i = 0; i < model->points.size(); i += stride) {
                const std::array<float, 3>& point = model->points[i];
                sample.push_back({point[0], point[1], point[2]});
            }
        }
    }
    return sample;
}

void Session::handOver(Renderer& renderer, std::FILE* report) {
    finishModels();
    for (const Source& source : sources) {
        for (Mesh* mesh : source.meshes) {
            renderer.addMesh(mesh);
            if (report != nullptr) std::fprintf(report, "Uma mecha passada para o renderer\n");
        }
        for (const TriangleMesh* model : source.models) {
            renderer.addModel(*model);
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
    finishModels();
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
    std::vector<const TriangleMesh*>& drawnModels = renderer.models;
    drawnModels.erase(std::remove_if(drawnModels.begin(), drawnModels.end(),
                                     [this](const TriangleMesh* model) {
                                         return std::any_of(models.begin(), models.end(),
                                                            [model](const TriangleMesh& kept) {
                                                                return &kept == model;
                                                            });
                                     }),
                      drawnModels.end());
    models.clear();
    sources.clear();
}

}  // namespace kalderino
