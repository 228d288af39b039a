// OffReader: line by line, skipping comments.
#include "import/OffReader.h"

#include "io/TokenReader.h"
#include "io/file/Diagnostic.h"

#include <cstdint>

namespace kalderino {

namespace {

// Every point and face takes at least a character and a line break.
constexpr std::size_t kMinBytesPerEntry = 2;

// The current token as an index or count when it is nothing but up to 9 digits, the way nearly
// every one is written; false for anything else, which toInt then reads and words.
bool plainDigits(const TokenReader& tokens, int& value) {
    const std::ptrdiff_t length = tokens.tokenEnd - tokens.tokenStart;
    if (length < 1 || length > 9) return false;
    int number = 0;
    for (const char* at = tokens.tokenStart; at != tokens.tokenEnd; ++at) {
        const unsigned digit = static_cast<unsigned char>(*at) - unsigned{'0'};
        if (digit > 9) return false;
        number = number * 10 + static_cast<int>(digit);
    }
    value = number;
    return true;
}

// Moves to the first token of the next line that holds one and is not a comment.
bool nextDataLine(TokenReader& tokens, bool sameLine) {
    if (sameLine && tokens.nextOnLine() && *tokens.tokenStart != '#') return true;
    while (tokens.nextLine())
        if (tokens.nextOnLine() && *tokens.tokenStart != '#') return true;
    return false;
}

}  // namespace

bool OffReader::readCounts(TokenReader& tokens, int (&counts)[2]) const {
    const bool anything = (tokens.nextOnLine() && *tokens.tokenStart != '#') ||
                          nextDataLine(tokens, false);  // past comments and blank lines
    const std::string magic =
        anything ? std::string(tokens.tokenStart, tokens.tokenEnd) : std::string();
    if (magic != "OFF" && magic != "COFF" && magic != "NOFF" && magic != "CNOFF")
        return anything ? reject(tokens, "\"OFF\" first") : endsEarly(tokens, "\"OFF\"");
    // The counts follow on the header's line or on the next.
    const char* const kCounts[] = {"the point count", "the face count"};
    for (int k = 0; k < 2; ++k) {
        if (!(k == 1 ? tokens.nextOnLine() : nextDataLine(tokens, true))) {
            if (k == 1) return rejectLineEnd(tokens, kCounts[k]);
            return endsEarly(tokens, kCounts[k]);
        }
        if (tokens.toInt(counts[k]) != TokenReader::Parse::ok || counts[k] < 0)
            return reject(tokens, std::string(kCounts[k]) + " as a decimal integer from 0");
        const std::size_t left = tokens.bytesLeft();
        if (static_cast<std::size_t>(counts[k]) > left / kMinBytesPerEntry)
            return messages().noRoom(tokens.lineOf(tokens.tokenStart),
                                     std::string(kCounts[k]) + " is " + std::to_string(counts[k]),
                                     left, kMinBytesPerEntry);
    }
    return true;
}

bool OffReader::readPoints(TokenReader& tokens, int count, MeshBuilder& builder) const {
    builder.points.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        std::array<float, 3> point;
        for (int k = 0; k < 3; ++k) {
            const auto what = [&] {
                return std::string("the ") + "xyz"[k] + " coordinate of point " + std::to_string(i);
            };
            if (k == 0 ? !nextDataLine(tokens, false) : !tokens.nextOnLine())
                return k == 0 ? endsEarly(tokens, what()) : rejectLineEnd(tokens, what());
            if (!toCoordinate(tokens, point[k], what)) return false;
        }
        builder.points.push_back(point);
    }
    return true;
}

bool OffReader::readFaces(TokenReader& tokens, int count, int points, MeshBuilder& builder) const {
    builder.reserveTriangles(static_cast<std::size_t>(count));
    std::vector<std::uint32_t> polygon;
    for (int i = 0; i < count; ++i) {
        const auto face = [i] { return "face " + std::to_string(i); };
        int corners = 0;
        if (!nextDataLine(tokens, false)) return endsEarly(tokens, "the corner count of " + face());
        if (!plainDigits(tokens, corners) && tokens.toInt(corners) != TokenReader::Parse::ok)
            corners = -1;
        if (corners < 0 ||
            static_cast<std::size_t>(corners) > tokens.bytesLeft() / kMinBytesPerEntry)
            return reject(tokens, "the corner count of " + face() +
                                      " as a decimal integer from 0 up to what the file holds");
        polygon.clear();
        for (int k = 0; k < corners; ++k) {
            const auto what = [&] { return "corner " + std::to_string(k) + " of " + face(); };
            int index = 0;
            if (!tokens.nextOnLine()) return rejectLineEnd(tokens, what());
            if (!plainDigits(tokens, index) && tokens.toInt(index) != TokenReader::Parse::ok)
                index = -1;
            if (index < 0 || index >= points)
                return reject(tokens,
                              what() + " as a point index from 0 to " + std::to_string(points - 1));
            polygon.push_back(static_cast<std::uint32_t>(index));
        }
        builder.addPolygon(polygon.data(), polygon.size());
    }
    return true;
}

bool OffReader::read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) {
    skipByteOrderMark(data, size);
    TokenReader tokens(data, size);
    int counts[2] = {0, 0};
    if (!readCounts(tokens, counts)) return false;
    making = counted(static_cast<std::uint64_t>(counts[0])) + " points and " +
             counted(static_cast<std::uint64_t>(counts[1])) + " faces";
    MeshBuilder builder;
    if (!readPoints(tokens, counts[0], builder) ||
        !readFaces(tokens, counts[1], counts[0], builder))
        return false;
    doneWith(data + size);
    std::vector<TriangleMesh> found;
    return finishFile(builder, "", found, meshes);
}

}  // namespace kalderino
