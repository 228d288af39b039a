// MeshLoader: the data file reader.
#include "io/MeshLoader.h"

#include "io/MeshBuilding.h"
#include "io/MeshName.h"
#include "io/ReaderDiagnostics.h"
#include "io/TokenReader.h"
#include "io/file/Diagnostic.h"
#include "io/file/FileContents.h"
#include "mesh/Mesh.h"
#include "mesh/Prefaulter.h"
#include "mesh/Triangle.h"
#include "mesh/Vertex.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace kalderino {

namespace {

// Every point and every triangle takes three tokens, each at least one character after at least
// one separator; a count that needs more bytes than the file has left is refused at once.
constexpr std::int64_t kMinBytesPerEntry = 6;
// Each mesh takes at least a name, a point count and a triangle count.
constexpr std::int64_t kMinBytesPerMesh = 6;
constexpr int kBuildBehind = 16;  // triangles read ahead of the one built

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
    Reader(const char* data, std::size_t size, const ReaderDiagnostics& messages)
        : tokens(data, size), messages(messages) {}

    // The next token; at the end of the data, an error.
    bool next(const Item& item) {
        if (tokens.next()) return true;
        return messages.endsEarly(tokens.lastLine(), describe(item));
    }

    bool readInt(const Item& item, int& value) {
        return tokens.nextSmallInt(value) || readOtherInt(item, value);
    }

    // The integers nextSmallInt() leaves, and the errors: apart, so that the common path of
    // readInt() need not save the registers this one uses.
    [[gnu::noinline]] bool readOtherInt(const Item& item, int& value) {
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
        if (tokens.nextShortFloat(value)) return true;
        return next(item) && messages.toFloat(tokens, value, [&item] { return describe(item); });
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
        const std::size_t kept = keptNameLength(start, length, NameCut::anyByte);
        std::memcpy(name, start, kept);
        name[kept] = '\0';
        if (length > kept) {
            messages.say(tokens.lineOf(start),
                         "warning: " + describe(item) + ", " + quote(start, tokens.tokenEnd) +
                             ", is longer than " + std::to_string(kMaxMeshName) +
                             " characters; it is cut to " + quote(start, start + kept));
        }
        return true;
    }

    // Refuses a count of entries that the rest of the data cannot hold, before any allocation.
    bool fits(const Item& item, int count, std::int64_t bytesEach, const char* entries) {
        const std::int64_t left = static_cast<std::int64_t>(tokens.bytesLeft());
        if (static_cast<std::int64_t>(count) <= left / bytesEach) return true;
        return messages.noRoom(
            tokens.lineOf(tokens.tokenStart),
            describe(item) + " announces " + std::to_string(count) + " " + entries,
            static_cast<std::uint64_t>(left), static_cast<std::uint64_t>(bytesEach));
    }

    void outOfMemory(const std::string& what) {
        const int line = tokens.tokenStart ? tokens.lineOf(tokens.tokenStart) : 1;
        messages.say(line, notEnoughMemory(what));
    }

private:
    using Parse = TokenReader::Parse;

    // "expected <item><how>, found "<token>"<after>"
    bool rejectToken(const Item& item, const std::string& how, const char* after = "") {
        return messages.rejectToken(tokens, describe(item) + how, after);
    }

    TokenReader tokens;
    ReaderDiagnostics messages;
};

// A report line, unless the report goes nowhere.
template <typename Value> void say(std::FILE* report, const char* format, Value value) {
    if (report != nullptr) std::fprintf(report, format, value);
}

// The x y z of pointCount points, in file order, into xyz; the mesh's corners take them in.
bool readCoordinates(Reader& in, Item item, int pointCount, float* xyz, Mesh& mesh) {
    Vertex& maxCorner = *mesh.maxCorner;
    Vertex& minCorner = *mesh.minCorner;
    for (int k = 0; k < pointCount; ++k, xyz += 3) {
        item.entry = k + 1;
        item.component = 0;
        if (!in.readFloat(item, xyz[0])) return false;
        item.component = 1;
        if (!in.readFloat(item, xyz[1])) return false;
        item.component = 2;
        if (!in.readFloat(item, xyz[2])) return false;
        stretch(xyz[0], maxCorner.x, minCorner.x);
        stretch(xyz[1], maxCorner.y, minCorner.y);
        stretch(xyz[2], maxCorner.z, minCorner.z);
    }
    return true;
}

// The triangleCount triangles of mesh, whose indices name points from 1 to pointCount.
bool readTriangles(Reader& in, Item item, int triangleCount, int pointCount,
                   const PointMaker& point, Mesh& mesh) {
    // A triangle is built a few triangles after its indices are read: a file that numbers its
    // points in no useful order sends every index to a random place in the coordinates and the
    // point references, and the fetches started on reading have arrived by then.
    int waiting[kBuildBehind][3];
    auto build = [&mesh, &point](const int(&indices)[3]) {
        Triangle& triangle = *mesh.addTriangle();
        triangle.vertex1 = point(indices[0]);
        triangle.vertex2 = point(indices[1]);
        triangle.vertex3 = point(indices[2]);
        triangle.computeNormal();
    };
    for (int k = 0; k < triangleCount; ++k) {
        int(&indices)[3] = waiting[k % kBuildBehind];
        if (k >= kBuildBehind) build(indices);  // triangle k - kBuildBehind
        item.entry = k + 1;
        for (int c = 0; c < 3; ++c) {
            item.component = c;
            if (!in.readIndex(item, pointCount, indices[c])) return false;
            point.fetch(--indices[c]);
        }
    }
    // The last triangles still waiting; a count near the lowest int must not overflow here.
    for (int k = triangleCount > kBuildBehind ? triangleCount - kBuildBehind : 0; k < triangleCount;
         ++k)
        build(waiting[k % kBuildBehind]);
    return true;
}

bool readMesh(Reader& in, Mesh& mesh, int meshNumber, std::FILE* report, Prefaulter& prefaulter) {
    Item item{Item::name};
    item.meshNumber = meshNumber;
    if (!in.readName(item, mesh.name)) return false;
    say(report, "Lendo Mesha de nome  :%s\n", mesh.name);
    item.mesh = mesh.name;

    int pointCount = 0;
    item.kind = Item::pointCount;
    if (!in.readInt(item, pointCount)) return false;
    say(report, "O numero de pontos e : %d\n", pointCount);
    if (!in.fits(item, pointCount, kMinBytesPerEntry, "points")) return false;
    // The coordinates wait here, in file order, until a triangle first uses their point.
    std::unique_ptr<float[]> coordinates;
    if (pointCount >= 1)
        coordinates.reset(new (std::nothrow) float[3 * static_cast<std::size_t>(pointCount)]);
    if ((pointCount >= 1 && coordinates == nullptr) ||
        !mesh.reservePoints(pointCount, &prefaulter)) {
        in.outOfMemory("the " + std::to_string(pointCount) + " points of mesh \"" + mesh.name +
                       "\"");
        return false;
    }
    if (pointCount < 1) mesh.pointCount = pointCount;  // stored as read, with no entries

    item.kind = Item::coordinate;
    if (!readCoordinates(in, item, pointCount, coordinates.get(), mesh)) return false;

    int triangleCount = 0;
    item.kind = Item::triangleCount;
    if (!in.readInt(item, triangleCount)) return false;
    say(report, "O numero de triangulos e : %d \n", triangleCount);
    if (!in.fits(item, triangleCount, kMinBytesPerEntry, "triangles")) return false;
    if (!mesh.reserveTriangles(triangleCount, &prefaulter)) {
        in.outOfMemory("the " + std::to_string(triangleCount) + " triangles of mesh \"" +
                       mesh.name + "\"");
        return false;
    }
    if (triangleCount < 1) mesh.triangleCount = triangleCount;

    const PointMaker point{mesh, coordinates.get()};
    item.kind = Item::index;
    if (!readTriangles(in, item, triangleCount, pointCount, point, mesh)) return false;
    for (int i = 0; i < pointCount; ++i) point(i);  // the points no triangle uses go last
    return true;
}

}  // namespace

bool MeshLoader::read(const FileContents& file) { return read(file.data(), file.size(), &file); }

bool MeshLoader::read(const char* data, std::size_t size, const FileContents* source) {
    Reader in(data, size, ReaderDiagnostics(diagnostics, fileName, source));
    Prefaulter prefaulter;
    bool complete = false;
    try {
        Item item{Item::meshCount};
        int count = 0;
        if (in.readInt(item, count)) {
            meshCount = count;
            say(report, "Determinada a leitura de  :%d  meshas\n", count);
            complete = count < 1;
            if (count >= 1 && in.fits(item, count, kMinBytesPerMesh, "meshes")) {
                meshes = new Mesh*[static_cast<std::size_t>(count)]();  // null until created
                complete = true;
                for (int i = 0; i < count && complete; ++i) {
                    meshes[i] = newEmptyMesh();
                    complete = readMesh(in, *meshes[i], i + 1, report, prefaulter);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        in.outOfMemory("the meshes");
        complete = false;
    }
    prefaulter.stop();
    if (!complete) discardMeshes();
    return complete;
}

bool MeshLoader::loadFile(const char* path) {
    fileName = path;
    FileContents file;
    if (!file.load(path, diagnostics)) return false;
    // A failure has been said in one line, about the file as it was read; a shrink the reader
    // never reached is said after a complete reading, which keeps nothing of it.
    if (!read(file)) return false;
    if (file.intact()) return true;
    discardMeshes();
    return false;
}

void MeshLoader::discardMeshes() {
    for (int i = 0; i < meshCount && meshes != nullptr; ++i) delete meshes[i];  // null ones too
    delete[] meshes;
    meshes = nullptr;
    meshCount = 0;
}

}  // namespace kalderino
