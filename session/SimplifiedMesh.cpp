// simplifyMesh: meshoptimizer's sloppy simplifier, which merges the points of a grid's cells. On
// the 2 M terrain it takes well under a second, where its careful simplifier, which keeps edges
// and borders, took more than ten; a copy shown only while the view moves needs no more.
#include "session/SimplifiedMesh.h"

#include "mesh/PointNormals.h"
#include "mesh/TriangleMesh.h"

#include <cfloat>
#include <meshoptimizer.h>
#include <vector>

namespace kalderino {

static_assert(sizeof(std::array<int, 3>) == 3 * sizeof(unsigned int) &&
                  sizeof(std::array<float, 3>) == 3 * sizeof(float),
              "the arrays are plain runs of indices and coordinates");

bool simplifyMesh(const TriangleMesh& mesh, std::size_t triangles, TriangleMesh& copy) {
    if (mesh.triangles.size() <= triangles || mesh.points.empty()) return false;
    // Every index names a point (the readers see to it), so none is negative: the same bits
    // read as unsigned, which may alias them.
    const auto* indices = reinterpret_cast<const unsigned int*>(mesh.triangles.data());
    std::vector<unsigned int> kept(3 * mesh.triangles.size());
    // No error bound: the count alone decides how coarse the copy is.
    kept.resize(meshopt_simplifySloppy(kept.data(), indices, kept.size(), mesh.points[0].data(),
                                       mesh.points.size(), sizeof mesh.points[0], 3 * triangles,
                                       FLT_MAX, nullptr));
    if (kept.empty()) return false;
    TriangleMesh coarse;
    coarse.name = mesh.name;
    coarse.colour = mesh.colour;
    const bool coloured = mesh.colours.size() == mesh.points.size();
    constexpr unsigned int kUnused = ~0u;
    std::vector<unsigned int> renumbered(mesh.points.size(), kUnused);
    coarse.triangles.resize(kept.size() / 3);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        unsigned int& number = renumbered[kept[i]];
        if (number == kUnused) {
            number = static_cast<unsigned int>(coarse.points.size());
            coarse.points.push_back(mesh.points[kept[i]]);
            if (coloured) coarse.colours.push_back(mesh.colours[kept[i]]);
        }
        coarse.triangles[i / 3][i % 3] = static_cast<int>(number);
    }
    computePointNormals(coarse);
    copy = std::move(coarse);
    return true;
}

}  // namespace kalderino
