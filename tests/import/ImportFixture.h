// ImportFixture: a fresh working folder per test, model files written there, and the data file
// read back with the viewer's own reader.
#pragma once

#include "import/ImportedMesh.h"
#include "io/MeshLoader.h"
#include "mesh/Mesh.h"
#include "mesh/Vertex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <stdlib.h>
#include <string>
#include <vector>

class ImportFixture : public ::testing::Test {
protected:
    void SetUp() override {
        previous = std::filesystem::current_path();
        char pattern[] = "/tmp/import_test_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder = pattern;
        std::filesystem::current_path(folder);
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }

    static void writeFile(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    static std::string readFile(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::vector<std::string> folderEntries() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator("."))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Little-endian bytes, as binary PLY and STL store them.
    template <typename T> static std::string bytesOf(std::initializer_list<T> values) {
        std::string bytes;
        for (T value : values) bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
        return bytes;
    }

    // A cube with corners at 0 and 1, each face as two triangles wound outwards.
    static constexpr float kCorners[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                             {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    static constexpr int kCubeFaces[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7},
                                              {0, 1, 5}, {0, 5, 4}, {1, 2, 6}, {1, 6, 5},
                                              {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
    static std::array<float, 3> faceNormal(const int (&face)[3]) {
        const float* a = kCorners[face[0]];
        const float* b = kCorners[face[1]];
        const float* c = kCorners[face[2]];
        const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const float v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    }
    // STL keeps a normal and three corners per triangle; the normals are the real ones, which
    // is what keeps corners apart unless welding ignores them.
    static std::string asciiStlCube(const std::string& solidName) {
        std::string text = "solid " + solidName + "\n";
        char line[128];
        for (const auto& face : kCubeFaces) {
            const auto n = faceNormal(face);
            std::snprintf(line, sizeof line, "facet normal %g %g %g\nouter loop\n", n[0], n[1],
                          n[2]);
            text += line;
            for (int corner : face) {
                std::snprintf(line, sizeof line, "vertex %g %g %g\n", kCorners[corner][0],
                              kCorners[corner][1], kCorners[corner][2]);
                text += line;
            }
            text += "endloop\nendfacet\n";
        }
        return text + "endsolid " + solidName + "\n";
    }
    static std::string binaryStlCube(const float (&corners)[8][3]) {
        std::string bytes(80, '\0');
        bytes += bytesOf<std::uint32_t>({12});
        for (const auto& face : kCubeFaces) {
            const auto n = faceNormal(face);
            bytes += bytesOf<float>({n[0], n[1], n[2]});
            for (int corner : face)
                bytes +=
                    bytesOf<float>({corners[corner][0], corners[corner][1], corners[corner][2]});
            bytes += std::string(2, '\0');
        }
        return bytes;
    }

    // Reads dataTest3.dat from the working folder with the viewer's reader; false if it refuses.
    static bool loadDataFile(std::vector<ImportedMesh>& meshes) {
        MeshLoader loader;
        loader.report = std::fopen("/dev/null", "w");
        const bool loaded = loader.load();
        std::fclose(loader.report);
        for (int i = 0; i < loader.meshCount && loaded; ++i) {
            const Mesh& mesh = *loader.meshes[i];
            ImportedMesh copy{mesh.name, {}, {}};
            for (int k = 0; k < mesh.pointCount; ++k)
                copy.points.push_back({mesh.points[k]->x, mesh.points[k]->y, mesh.points[k]->z});
            copy.triangles.resize(static_cast<std::size_t>(mesh.triangleCount));
            meshes.push_back(copy);
            delete loader.meshes[i];
        }
        delete[] loader.meshes;
        return loaded;
    }

    std::filesystem::path previous;
    std::string folder;
};
