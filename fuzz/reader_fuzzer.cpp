// reader_fuzzer: feeds arbitrary bytes to MeshLoader::read, then links and frees what it accepts.
#include "fuzz/FuzzCheck.h"
#include "io/MeshLoader.h"
#include "mesh/Mesh.h"
#include "mesh/Triangle.h"
#include "mesh/Vertex.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace kalderino;

namespace {

void checkMesh(const Mesh& mesh) {
    // Counts below 1 are kept as read, with no entries behind them.
    require((mesh.pointCount < 1) == (mesh.points == nullptr), "points do not match the count");
    require((mesh.triangleCount < 1) == (mesh.triangles == nullptr),
            "triangles do not match the count");
    require(mesh.name[Mesh::kNameCapacity - 1] == '\0', "name not terminated");
    std::vector<const Vertex*> points;
    if (mesh.points != nullptr) points.assign(mesh.points, mesh.points + mesh.pointCount);
    std::sort(points.begin(), points.end());
    const auto owned = [&points](const Vertex* vertex) {
        return std::binary_search(points.begin(), points.end(), vertex);
    };
    for (int j = 0; j < mesh.triangleCount; ++j) {
        const Triangle& triangle = *mesh.triangles[j];
        require(owned(triangle.vertex1) && owned(triangle.vertex2) && owned(triangle.vertex3),
                "triangle uses a point of no mesh");
    }
    for (int i = 0; i < mesh.pointCount; ++i) {
        const Vertex& point = *mesh.points[i];
        require(point.adjacentCount >= 0 && point.adjacentCount <= Vertex::kMaxAdjacent,
                "adjacency count out of range");
        for (int k = 0; k < point.adjacentCount; ++k)
            require(point.adjacent[k]->uses(&point), "point linked to a triangle not using it");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MeshLoader loader;
    loader.report = nullStream();
    loader.diagnostics = nullStream();
    if (!loader.read(reinterpret_cast<const char*>(data), size)) {
        require(loader.meshCount == 0 && loader.meshes == nullptr, "half-read meshes kept");
        return 0;
    }
    require((loader.meshCount > 0) == (loader.meshes != nullptr), "meshes do not match the count");
    for (int i = 0; i < loader.meshCount; ++i) {
        loader.meshes[i]->linkTriangles();
        checkMesh(*loader.meshes[i]);
    }
    for (int i = 0; i < loader.meshCount; ++i) delete loader.meshes[i];
    delete[] loader.meshes;
    return 0;
}
