// MeshLoader: the data file reader.
#include "io/MeshLoader.h"

#include "io/Diagnostic.h"
#include "io/FileContents.h"
#include "io/TokenReader.h"
#include "mesh/Mesh.h"
#include "mesh/Triangle.h"
#include "mesh/Vertex.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

namespace {

constexpr int kMaxNameLength = Mesh::kNameCapacity - 1;
constexpr float kCornerStart = 100000.0f;  // the corners start here, not at the first point
// Every point and every triangle takes three tokens, each at least one character after at least
// one separator; a count that needs more bytes than the file has left is refused at once.
constexpr std::int64_t kMinBytesPerEntry = 6;
// Each mesh takes at least a name, a point count and a triangle count.
constexpr std::int64_t kMinBytesPerMesh = 6;

// What the reader expects next; turned into words only when something is wrong.
struct Item {
    enum Kind { meshCount, name, pointCount, coordinate, triangleCount, index };
    Kind kind;
    const char* mesh = nullptr;  // the mesh's name, once read
    int meshNumber = 0;          // 1-based
    int entry = 0;               // 1-based point or triangle number
    int component = 0;           // 0, 1, 2: x, y, z or first, second, third index
};

std::string describe(const Item& item) {
    static const char* const kAxes[] = {"x", "y", "z"};
    static const char* const kOrdinals[] = {"first", "second", "third"};
    const std::string mesh = std::string("mesh \"") + (item.mesh ? item.mesh : "") + "\"";
    switch (item.kind) {
    case Item::meshCount:
        return "the mesh count";
    case Item::name:
        return "the name of mesh " + std::to_string(item.meshNumber);
    case Item::pointCount:
        return "the point count of " + mesh;
    case Item::coordinate:
        return std::string("the ") + kAxes[item.component] + " coordinate of point " +
               std::to_string(item.entry) + " of " + mesh;
    case Item::triangleCount:
        return "the triangle count of " + mesh;
    case Item::index:
        return std::string("the ") + kOrdinals[item.component] + " point index of triangle " +
               std::to_string(item.entry) + " of " + mesh;
    }
    return "a token";
}

// The token reader with the words for every diagnostic.
class Reader {
public:
    Reader(const char* data, std::size_t size, std::FILE* diagnostics)
        : tokens(data, size), diagnostics(diagnostics) {}

    // The next token; at the end of the data, an error.
    bool next(const Item& item) {
        if (tokens.next()) return true;
        report(tokens.lastLine(), "file ends early: expected " + describe(item));
        return false;
    }

    bool readInt(const Item& item, int& value) {
        if (!next(item)) return false;
        switch (tokens.toInt(value)) {
        case Parse::ok:
            return true;
        case Parse::malformed:
            return rejectToken(item, " as a decimal integer");
        case Parse::outOfRange:
            return rejectToken(item, " as a decimal integer within the 32-bit range");
        }
        return false;
    }

    bool readFloat(const Item& item, float& value) {
        if (!next(item)) return false;
        switch (tokens.toFloat(value)) {
        case Parse::ok:
            return true;
        case Parse::malformed:
            return rejectToken(item, " as a decimal number");
        case Parse::outOfRange:
            return rejectToken(item, " as a decimal number within the float range");
        }
        return false;
    }

    // A 1-based index into points.
    bool readIndex(const Item& item, int pointCount, int& index) {
        if (!readInt(item, index)) return false;
        if (index >= 1 && index <= pointCount) return true;
        if (pointCount < 1) return rejectToken(item, "", ", but the mesh has no points");
        return rejectToken(item, " from 1 to " + std::to_string(pointCount));
    }

    // Copies the next token into name, cut to what the field holds.
    bool readName(const Item& item, char (&name)[Mesh::kNameCapacity]) {
        if (!next(item)) return false;
        const char* start = tokens.tokenStart;
        const std::size_t length = static_cast<std::size_t>(tokens.tokenEnd - start);
        const std::size_t kept = std::min(length, static_cast<std::size_t>(kMaxNameLength));
        std::memcpy(name, start, kept);
        name[kept] = '\0';
        if (length > kept) {
            report(tokens.lineOf(start),
                   "warning: " + describe(item) + ", " + quote(start, tokens.tokenEnd) +
                       ", is longer than " + std::to_string(kMaxNameLength) +
                       " characters; it is cut to " + quote(start, start + kept));
        }
        return true;
    }

    // Refuses a count of entries that the rest of the data cannot hold, before any allocation.
    bool fits(const Item& item, int count, std::int64_t bytesEach, const char* entries) {
        const std::int64_t left = static_cast<std::int64_t>(tokens.bytesLeft());
        if (static_cast<std::int64_t>(count) <= left / bytesEach) return true;
        report(tokens.lineOf(tokens.tokenStart),
               describe(item) + " announces " + std::to_string(count) + " " + entries +
                   ", but the " + std::to_string(left) + " bytes left in the file hold at most " +
                   std::to_string(left / bytesEach));
        return false;
    }

    void outOfMemory(const std::string& what) {
        const int line = tokens.tokenStart ? tokens.lineOf(tokens.tokenStart) : 1;
        report(line, "not enough memory for " + what);
    }

private:
    using Parse = TokenReader::Parse;

    // "expected <item><how>, found "<token>"<after>"
    bool rejectToken(const Item& item, const std::string& how, const char* after = "") {
        report(tokens.lineOf(tokens.tokenStart), "expected " + describe(item) + how + ", found " +
                                                     quote(tokens.tokenStart, tokens.tokenEnd) +
                                                     after);
        return false;
    }

    void report(int line, const std::string& message) {
        reportError(diagnostics, MeshLoader::kFileName, line, message);
    }

    TokenReader tokens;
    std::FILE* diagnostics;
};

void stretch(float value, float& maximum, float& minimum) {
    if (maximum < value) maximum = value;
    if (minimum > value) minimum = value;
}

bool readMesh(Reader& in, Mesh& mesh, int meshNumber, std::FILE* report) {
    Item item{Item::name};
    item.meshNumber = meshNumber;
    if (!in.readName(item, mesh.name)) return false;
    std::fprintf(report, "Lendo Mesha de nome  :%s\n", mesh.name);
    item.mesh = mesh.name;

    int pointCount = 0;
    item.kind = Item::pointCount;
    if (!in.readInt(item, pointCount)) return false;
    std::fprintf(report, "O numero de pontos e : %d\n", pointCount);
    if (!in.fits(item, pointCount, kMinBytesPerEntry, "points")) return false;
    if (!mesh.reservePoints(pointCount)) {
        in.outOfMemory("the " + std::to_string(pointCount) + " points of mesh \"" + mesh.name +
                       "\"");
        return false;
    }
    if (pointCount < 1) mesh.pointCount = pointCount;  // stored as read, with no entries

    Vertex& maxCorner = *mesh.maxCorner;
    Vertex& minCorner = *mesh.minCorner;
    item.kind = Item::coordinate;
    for (int k = 0; k < pointCount; ++k) {
        float x, y, z;
        item.entry = k + 1;
        item.component = 0;
        if (!in.readFloat(item, x)) return false;
        item.component = 1;
        if (!in.readFloat(item, y)) return false;
        item.component = 2;
        if (!in.readFloat(item, z)) return false;
        stretch(x, maxCorner.x, minCorner.x);
        stretch(y, maxCorner.y, minCorner.y);
        stretch(z, maxCorner.z, minCorner.z);
        Vertex& point = *mesh.addPoint();
        point.x = x;
        point.y = y;
        point.z = z;
    }

    int triangleCount = 0;
    item.kind = Item::triangleCount;
    if (!in.readInt(item, triangleCount)) return false;
    std::fprintf(report, "O numero de triangulos e : %d \n", triangleCount);
    if (!in.fits(item, triangleCount, kMinBytesPerEntry, "triangles")) return false;
    if (!mesh.reserveTriangles(triangleCount)) {
        in.outOfMemory("the " + std::to_string(triangleCount) + " triangles of mesh \"" +
                       mesh.name + "\"");
        return false;
    }
    if (triangleCount < 1) mesh.triangleCount = triangleCount;

    item.kind = Item::index;
    for (int k = 0; k < triangleCount; ++k) {
        int i1, i2, i3;
        item.entry = k + 1;
        item.component = 0;
        if (!in.readIndex(item, pointCount, i1)) return false;
        item.component = 1;
        if (!in.readIndex(item, pointCount, i2)) return false;
        item.component = 2;
        if (!in.readIndex(item, pointCount, i3)) return false;
        Triangle& triangle = *mesh.addTriangle();
        triangle.vertex1 = mesh.points[i1 - 1];
        triangle.vertex2 = mesh.points[i2 - 1];
        triangle.vertex3 = mesh.points[i3 - 1];
        // The face normal waits a few triangles for the points fetched now.
        triangle.fetchPoints();
        if (k >= Triangle::kFetchAhead) mesh.triangles[k - Triangle::kFetchAhead]->computeNormal();
    }
    const int firstWaiting =
        triangleCount > Triangle::kFetchAhead ? triangleCount - Triangle::kFetchAhead : 0;
    for (int k = firstWaiting; k < triangleCount; ++k) mesh.triangles[k]->computeNormal();
    return true;
}

Mesh* newEmptyMesh() {
    Mesh* mesh = new Mesh;
    mesh->maxCorner = new Vertex;
    mesh->minCorner = new Vertex;
    mesh->maxCorner->x = mesh->maxCorner->y = mesh->maxCorner->z = -kCornerStart;
    mesh->minCorner->x = mesh->minCorner->y = mesh->minCorner->z = kCornerStart;
    return mesh;
}

}  // namespace

bool MeshLoader::read(const char* data, std::size_t size) {
    Reader in(data, size, diagnostics);
    int created = 0;
    bool complete = false;
    try {
        Item item{Item::meshCount};
        int count = 0;
        if (in.readInt(item, count)) {
            meshCount = count;
            std::fprintf(report, "Determinada a leitura de  :%d  meshas\n", count);
            complete = count < 1;
            if (count >= 1 && in.fits(item, count, kMinBytesPerMesh, "meshes")) {
                meshes = new Mesh*[static_cast<std::size_t>(count)];
                complete = true;
                for (int i = 0; i < count && complete; ++i) {
                    meshes[i] = newEmptyMesh();
                    created = i + 1;
                    complete = readMesh(in, *meshes[i], i + 1, report);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        in.outOfMemory("the meshes");
        complete = false;
    }
    if (!complete) {
        // Nothing half-read is kept: the caller sees no meshes at all.
        for (int i = 0; i < created; ++i) delete meshes[i];
        delete[] meshes;
        meshes = nullptr;
        meshCount = 0;
    }
    return complete;
}

bool MeshLoader::load() {
    FileContents file;
    if (!file.load(kFileName, diagnostics)) return false;
    const bool complete = read(file.data(), file.size());
    if (file.intact()) return complete;
    // Read to the end all the same, over the zeros past the cut: nothing of it is kept.
    for (int i = 0; i < meshCount; ++i) delete meshes[i];
    delete[] meshes;
    meshes = nullptr;
    meshCount = 0;
    return false;
}
