// MeshGenerator: builds test and sample meshes and writes them in the viewer's data format.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct GeneratedMesh {
    std::string name;
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<int, 3>> triangles;  // 0-based here; written 1-based
};

// The bundled sample: a smooth torus, a faceted gem and a patch of terrain, all in view of the
// viewer's fixed camera.
std::vector<GeneratedMesh> sampleScene();

// A rolling terrain of about triangleCount triangles (two per grid cell), 200 units across.
GeneratedMesh terrain(const std::string& name, long triangleCount, std::uint32_t seed);

// Numbers the points in a random order; the surface stays the same.
void shufflePoints(GeneratedMesh& mesh, std::uint32_t seed);

// The data file text, coordinates with the given number of decimals.
std::string formatDataFile(const std::vector<GeneratedMesh>& meshes, int decimals = 4);
