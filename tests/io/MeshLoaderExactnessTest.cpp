// MeshLoader tests: numbers, links and normals bit for bit those of a plain strtof reading.
#include "io/MeshLoader.h"
#include "mesh/Mesh.h"
#include "mesh/Triangle.h"
#include "mesh/Vertex.h"
#include "tools/MeshGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// A loader whose messages go nowhere; the meshes it hands over die with it.
struct QuietLoad {
    explicit QuietLoad(const std::string& text) {
        std::FILE* sink = std::fopen("/dev/null", "w");
        loader.report = sink;
        loader.diagnostics = sink;
        ok = loader.read(text.data(), text.size());
        std::fclose(sink);
    }
    ~QuietLoad() {
        for (int i = 0; i < loader.meshCount; ++i) delete loader.meshes[i];
        delete[] loader.meshes;
    }
    MeshLoader loader;
    bool ok = false;
};

// Tokens that strtof rounds with care: the usual short forms, long digit strings, exponents,
// values that underflow, and for random floats of every exponent the exact halfway point to the
// next float, a double just either side of it, and that halfway point rounded to 17 digits.
std::vector<std::string> floatTokens() {
    std::istringstream fixed(
        "1. .5 -0 +3.25 -.5 0. 007 1e5 1E-5 2.5e+3 -6.02E23 0.1 0.3 16777217 16777219 "
        "3.14159265358979323846264338327950288419716939937510 123456789012345678901234567890 "
        "0.00000000000000000000000000000000000000000000140129846432481707092372958328991613 "
        "1e-40 -1e-45 7e-46 7.1e-46 1e-50 -1e-300 1.1754942e-38 3.4028235e38 "
        "3.4028234663852886e38");
    std::vector<std::string> tokens{std::istream_iterator<std::string>(fixed), {}};
    std::mt19937 random(5);
    char text[256];
    while (tokens.size() < 4000) {
        const std::uint32_t bits = static_cast<std::uint32_t>(random());
        float value;
        std::memcpy(&value, &bits, sizeof value);
        const float next = std::nextafter(value, std::copysign(INFINITY, value));
        if (!std::isfinite(next)) continue;
        const double halfway = (static_cast<double>(value) + next) / 2;  // exact in a double
        const char* format = bits % 2 ? "%.*e" : "%.*E";
        std::snprintf(text, sizeof text, format, 150, halfway);
        tokens.push_back(text);
        std::snprintf(text, sizeof text, format, 150, std::nextafter(halfway, 0.0));
        tokens.push_back(text);
        std::snprintf(text, sizeof text, format, 150, std::nextafter(halfway, 2 * halfway));
        tokens.push_back(text);
        std::snprintf(text, sizeof text, "%.17g", halfway);
        tokens.push_back(text);
        std::snprintf(text, sizeof text, "%.9g", value);
        tokens.push_back(text);
    }
    while (tokens.size() % 3 != 0) tokens.push_back("0");
    return tokens;
}

TEST(MeshLoaderExactnessTest, CoordinatesEqualStrtof) {
    const std::vector<std::string> tokens = floatTokens();
    std::string text = "1 numbers " + std::to_string(tokens.size() / 3) + "\n";
    for (const std::string& token : tokens) text += token + "\n";
    const QuietLoad load(text + "0\n");
    ASSERT_TRUE(load.ok);
    const Mesh& mesh = *load.loader.meshes[0];
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Vertex& point = *mesh.points[i / 3];
        const float read = i % 3 == 0 ? point.x : i % 3 == 1 ? point.y : point.z;
        EXPECT_EQ(bitsOf(read), bitsOf(std::strtof(tokens[i].c_str(), nullptr))) << tokens[i];
    }
}

// A mesh read the plain way, in storage that stays put.
struct ReferenceMesh {
    std::string name;
    std::vector<Vertex> points;
    std::vector<Triangle> triangles;
    Vertex maxCorner, minCorner;
};

// strtol and strtof over the text, then the walk of every triangle for every point.
std::vector<std::unique_ptr<ReferenceMesh>> readReference(const std::string& text) {
    const char* cursor = text.c_str();
    char* end = nullptr;
    auto integer = [&] {
        const long value = std::strtol(cursor, &end, 10);
        cursor = end;
        return static_cast<int>(value);
    };
    auto number = [&] {
        const float value = std::strtof(cursor, &end);
        cursor = end;
        return value;
    };
    std::vector<std::unique_ptr<ReferenceMesh>> meshes(static_cast<std::size_t>(integer()));
    for (auto& mesh : meshes) {
        mesh = std::make_unique<ReferenceMesh>();
        while (*cursor == ' ' || *cursor == '\n') ++cursor;
        const char* nameEnd = std::strchr(cursor, '\n');
        mesh->name.assign(cursor, nameEnd);
        cursor = nameEnd;
        mesh->points.resize(static_cast<std::size_t>(integer()));
        mesh->maxCorner.x = mesh->maxCorner.y = mesh->maxCorner.z = -100000;
        mesh->minCorner.x = mesh->minCorner.y = mesh->minCorner.z = 100000;
        for (Vertex& point : mesh->points) {
            point.x = number();
            point.y = number();
            point.z = number();
            for (auto [axis, at] :
                 {std::pair{&Vertex::x, point.x}, {&Vertex::y, point.y}, {&Vertex::z, point.z}}) {
                mesh->maxCorner.*axis = std::max(mesh->maxCorner.*axis, at);
                mesh->minCorner.*axis = std::min(mesh->minCorner.*axis, at);
            }
        }
        mesh->triangles.resize(static_cast<std::size_t>(integer()));
        for (Triangle& triangle : mesh->triangles) {
            triangle.vertex1 = &mesh->points[static_cast<std::size_t>(integer() - 1)];
            triangle.vertex2 = &mesh->points[static_cast<std::size_t>(integer() - 1)];
            triangle.vertex3 = &mesh->points[static_cast<std::size_t>(integer() - 1)];
            triangle.computeNormal();
        }
        for (Vertex& point : mesh->points) {
            for (Triangle& triangle : mesh->triangles)
                if (triangle.uses(&point) && point.adjacentCount < Vertex::kMaxAdjacent)
                    point.adjacent[point.adjacentCount++] = &triangle;
            point.computeNormal();
        }
    }
    return meshes;
}

// Every number of a mesh as bits, points and triangles named by their index.
std::vector<std::uint32_t> flatten(const std::vector<const Vertex*>& points,
                                   const std::vector<const Triangle*>& triangles,
                                   const Vertex& maxCorner, const Vertex& minCorner) {
    std::unordered_map<const void*, std::uint32_t> indexOf;
    for (std::size_t i = 0; i < points.size(); ++i) indexOf[points[i]] = i;
    for (std::size_t j = 0; j < triangles.size(); ++j) indexOf[triangles[j]] = j;
    std::vector<std::uint32_t> words;
    for (const Vertex* corner : {&maxCorner, &minCorner})
        words.insert(words.end(), {bitsOf(corner->x), bitsOf(corner->y), bitsOf(corner->z)});
    for (const Vertex* p : points) {
        words.insert(words.end(), {bitsOf(p->x), bitsOf(p->y), bitsOf(p->z), bitsOf(p->normal.x),
                                   bitsOf(p->normal.y), bitsOf(p->normal.z),
                                   static_cast<std::uint32_t>(p->adjacentCount)});
        for (int k = 0; k < p->adjacentCount; ++k) words.push_back(indexOf.at(p->adjacent[k]));
    }
    for (const Triangle* t : triangles)
        words.insert(words.end(),
                     {indexOf.at(t->vertex1), indexOf.at(t->vertex2), indexOf.at(t->vertex3),
                      bitsOf(t->faceNormal.x), bitsOf(t->faceNormal.y), bitsOf(t->faceNormal.z)});
    return words;
}

TEST(MeshLoaderExactnessTest, GeneratedFileMatchesPlainReading) {
    std::vector<GeneratedMesh> generated = sampleScene();
    generated.push_back(terrain("shuffled", 3000, 11));
    shufflePoints(generated.back(), 12);
    const std::string text = formatDataFile(generated);
    const QuietLoad load(text);
    ASSERT_TRUE(load.ok);
    const auto reference = readReference(text);
    ASSERT_EQ(load.loader.meshCount, static_cast<int>(reference.size()));
    for (std::size_t m = 0; m < reference.size(); ++m) {
        Mesh& mesh = *load.loader.meshes[m];
        const ReferenceMesh& expected = *reference[m];
        SCOPED_TRACE(expected.name);
        mesh.linkTriangles();
        EXPECT_EQ(mesh.name, expected.name);
        const std::vector<const Vertex*> points(mesh.points, mesh.points + mesh.pointCount);
        const std::vector<const Triangle*> triangles(mesh.triangles,
                                                     mesh.triangles + mesh.triangleCount);
        std::vector<const Vertex*> expectedPoints;
        for (const Vertex& point : expected.points) expectedPoints.push_back(&point);
        std::vector<const Triangle*> expectedTriangles;
        for (const Triangle& triangle : expected.triangles) expectedTriangles.push_back(&triangle);
        const auto words = flatten(points, triangles, *mesh.maxCorner, *mesh.minCorner);
        const auto expectedWords =
            flatten(expectedPoints, expectedTriangles, expected.maxCorner, expected.minCorner);
        ASSERT_EQ(words.size(), expectedWords.size());
        const auto difference = std::mismatch(words.begin(), words.end(), expectedWords.begin());
        EXPECT_TRUE(difference.first == words.end())
            << "first difference at word " << difference.first - words.begin();
    }
}

}  // namespace
