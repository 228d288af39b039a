// StlReader: the fixed binary records, or the ascii keywords token by token.
#include "import/StlReader.h"

#include "io/TokenReader.h"
#include "io/file/Diagnostic.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace kalderino {

namespace {

constexpr std::size_t kHeaderSize = 84;  // 80 bytes of anything, then the triangle count
constexpr std::size_t kRecordSize = 50;  // normal, three corners, two bytes of attributes
constexpr std::size_t kRecordsAStep = std::size_t{1} << 16;  // read between discards

// Keywords are read in any case.
bool isKeyword(const TokenReader& tokens, const char* word) {
    return tokens.is(word, TokenReader::Letters::anyCase);
}

}  // namespace

bool StlReader::read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) {
    std::uint32_t count = 0;
    if (size >= kHeaderSize) std::memcpy(&count, data + 80, sizeof count);
    const bool exact = size >= kHeaderSize && size == kHeaderSize + kRecordSize * count;
    // A binary header is any 80 bytes, a byte-order mark included; text may start with one.
    const char* text = data;
    std::size_t textSize = size;
    skipByteOrderMark(text, textSize);
    TokenReader first(text, textSize);
    const bool solid = !exact && first.next() && isKeyword(first, "solid");
    // Ascii STL is text: a NUL says a binary file whose header happens to start with "solid".
    if (solid && (size < kHeaderSize || std::memchr(data, '\0', size) == nullptr))
        return readAscii(text, textSize, meshes);
    if (solid)
        return fail(0, "is neither an ascii STL (it starts with \"solid\" but holds NUL bytes) "
                       "nor a binary one (its header announces " +
                           std::to_string(count) + " triangles, which take " +
                           std::to_string(kHeaderSize + kRecordSize * std::uint64_t{count}) +
                           " bytes, but the file has " + std::to_string(size) + ")");
    if (size < kHeaderSize)
        return messages().expected(0,
                                   "an ascii STL file starting with \"solid\", or a binary one "
                                   "of at least 84 bytes",
                                   std::to_string(size) + " bytes");
    if (!exact)
        return fail(0, "the binary header announces " + std::to_string(count) +
                           " triangles, which take " +
                           std::to_string(kHeaderSize + kRecordSize * std::uint64_t{count}) +
                           " bytes, but the file has " + std::to_string(size));
    return readBinary(data, size, meshes);
}

bool StlReader::readBinary(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) {
    const std::size_t count = (size - kHeaderSize) / kRecordSize;
    making = counted(count) + " triangles";
    MeshBuilder builder;
    builder.reserveTriangles(count);
    // As many points as corners at most; room only the points written take memory.
    builder.points.reserve(3 * count);
    const char* record = data + kHeaderSize;
    for (std::size_t t = 0; t < count; ++t, record += kRecordSize) {
        if (t % kRecordsAStep == 0) doneWith(record);
        float corners[9];
        std::memcpy(corners, record + 12, sizeof corners);  // little-endian, as the viewer runs
        std::uint32_t points[3];
        for (std::size_t k = 0; k < 3; ++k) {
            const std::array<float, 3> position = {corners[3 * k] + 0.0f, corners[3 * k + 1] + 0.0f,
                                                   corners[3 * k + 2] + 0.0f};
            for (float value : position)
                if (!std::isfinite(value))
                    return fail(0, "triangle " + std::to_string(t + 1) +
                                       " has a corner that is not a finite number");
            points[k] = builder.addCorner(position);
        }
        builder.addTriangle(points[0], points[1], points[2]);
    }
    doneWith(data + size);
    std::vector<TriangleMesh> found;
    if (!finishMesh(builder, "", found)) return false;
    return keep(found, meshes);
}

bool StlReader::readAscii(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) {
    TokenReader tokens(data, size);
    MeshBuilder builder;
    std::vector<TriangleMesh> found;
    // The next token must be word; at the end of the file, an error.
    const auto expect = [&](const char* word) {
        if (!tokens.next())
            return messages().endsEarly(tokens.lastLine(), std::string("\"") + word + "\"");
        return isKeyword(tokens, word) || reject(tokens, std::string("\"") + word + "\"");
    };
    while (tokens.next()) {
        if (!isKeyword(tokens, "solid")) return reject(tokens, "\"solid\"");
        // The name is the line's first word, as other readers take it; the rest is a comment.
        const std::string name =
            tokens.nextOnLine() ? std::string(tokens.tokenStart, tokens.tokenEnd) : std::string();
        const char* nameStart;
        const char* nameEnd;
        tokens.restOfLine(nameStart, nameEnd);
        std::size_t facet = 0;
        for (;;) {
            if (!tokens.next()) break;  // a last solid without "endsolid"
            if (isKeyword(tokens, "endsolid")) {
                tokens.restOfLine(nameStart, nameEnd);
                break;
            }
            if (!isKeyword(tokens, "facet")) return reject(tokens, "\"facet\" or \"endsolid\"");
            ++facet;
            if (!expect("normal")) return false;
            for (int k = 0; k < 3; ++k)
                if (!tokens.next()) return messages().endsEarly(tokens.lastLine(), "a normal");
            if (!expect("outer") || !expect("loop")) return false;
            std::uint32_t points[3];
            for (int v = 0; v < 3; ++v) {
                if (!expect("vertex")) return false;
                std::array<float, 3> point;
                for (int k = 0; k < 3; ++k) {
                    const auto what = [&] {
                        return std::string("the ") + "xyz"[k] +
                               " coordinate of a vertex of facet " + std::to_string(facet);
                    };
                    if (!tokens.next()) return messages().endsEarly(tokens.lastLine(), what());
                    if (!toCoordinate(tokens, point[k], what)) return false;
                }
                points[v] = builder.addCorner(point);
            }
            if (!tokens.next()) return messages().endsEarly(tokens.lastLine(), "\"endloop\"");
            if (!isKeyword(tokens, "endloop"))
                return reject(tokens, "\"endloop\" after the third vertex of facet " +
                                          std::to_string(facet));
            if (!expect("endfacet")) return false;
            builder.addTriangle(points[0], points[1], points[2]);
        }
        doneWith(tokens.position());
        if (!finishMesh(builder, name, found)) return false;
        builder.points.clear();
    }
    return keep(found, meshes);
}

}  // namespace kalderino
