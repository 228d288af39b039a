// MeshGenerator: builds test and sample meshes and writes them in the viewer's data format.
#pragma once

#include "mesh/TriangleMesh.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kalderino {

// Decimals of the generated files' coordinates: the benchmarks' figures are for these files.
constexpr int kGeneratedDecimals = 4;

// The bundled sample: a smooth torus, a faceted gem and a patch of terrain, all in view of the
// viewer's fixed camera.
std::vector<TriangleMesh> sampleScene();

// A rolling terrain of about triangleCount triangles (two per grid cell), 200 units across.
TriangleMesh terrain(const std::string& name, long triangleCount, std::uint32_t seed);

// Numbers the points in a random order; the surface stays the same.
void shufflePoints(TriangleMesh& mesh, std::uint32_t seed);

// The data file text, coordinates with the given number of decimals.
std::string formatDataFile(const std::vector<TriangleMesh>& meshes,
                           int decimals = kGeneratedDecimals);

}  // namespace kalderino
