// ObjReader: statement by statement, line by line.
#include "import/ObjReader.h"

#include "io/TokenReader.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>

namespace kalderino {

namespace {

constexpr int kMaxExtraNumbers = 4;                        // w, or a colour r g b [a]
constexpr std::size_t kLinesAStep = std::size_t{1} << 16;  // read between discards

// An optional minus and digits, as far as they go; true if there was a digit.
bool skipInteger(const char*& at, const char* last) {
    if (at != last && *at == '-') ++at;
    const char* digits = at;
    while (at != last && *at >= '0' && *at <= '9') ++at;
    return at != digits;
}

// The texture and normal parts after the point index: "", "/vt", "//vn" or "/vt/vn".
bool validTail(const char* at, const char* last) {
    if (at == last) return true;
    if (*at++ != '/') return false;
    const bool texture = skipInteger(at, last);
    if (at == last) return texture;
    if (*at++ != '/') return false;
    return skipInteger(at, last) && at == last;
}

}  // namespace

bool ObjReader::readPoint(TokenReader& tokens, MeshBuilder& builder) const {
    const std::size_t number = builder.points.size() + 1;
    float xyz[3];
    for (int k = 0; k < 3; ++k) {
        const auto what = [&] {
            return std::string("the ") + "xyz"[k] + " coordinate of point " +
                   std::to_string(number);
        };
        if (!tokens.nextOnLine()) return rejectLineEnd(tokens, what());
        if (!toCoordinate(tokens, xyz[k], what)) return false;
    }
    float extra[kMaxExtraNumbers];
    int extras = 0;
    for (; tokens.nextOnLine() && *tokens.tokenStart != '#'; ++extras)
        if (extras == kMaxExtraNumbers || tokens.toFloat(extra[extras]) != TokenReader::Parse::ok)
            return reject(tokens, "the end of the line after point " + std::to_string(number));
    if (number > static_cast<std::size_t>(INT_MAX))
        return fail(tokens.lineOf(tokens.position()), "too many points");
    builder.points.push_back({xyz[0], xyz[1], xyz[2]});
    if ((extras != 3 || !colours) && builder.colours.empty()) return true;
    builder.useColours();
    if (extras != 3) return true;
    const float scale = std::max({extra[0], extra[1], extra[2]}) > 1.0f ? 255.0f : 1.0f;
    builder.colours.back() = {colourByte(extra[0] / scale), colourByte(extra[1] / scale),
                              colourByte(extra[2] / scale), 255};
    return true;
}

bool ObjReader::readFace(TokenReader& tokens, MeshBuilder& builder) {
    const long count = static_cast<long>(builder.points.size());
    polygon.clear();
    while (tokens.nextOnLine() && *tokens.tokenStart != '#') {
        const char* slash = tokens.tokenStart;
        while (slash != tokens.tokenEnd && *slash != '/') ++slash;
        long index = 0;
        const auto [stop, error] = std::from_chars(tokens.tokenStart, slash, index);
        if (error == std::errc::invalid_argument || stop != slash ||
            !validTail(slash, tokens.tokenEnd))
            return reject(tokens, "a corner written v, v/vt, v//vn or v/vt/vn");
        const long resolved = index < 0 ? count + index : index - 1;
        if (error != std::errc() || index == 0 || resolved < 0 || resolved >= count) {
            if (count == 0)
                return reject(tokens, "a point index", ", but no point comes before it");
            const std::string n = std::to_string(count);
            return reject(tokens, "a point index from 1 to " + n + " or from -" + n + " to -1");
        }
        polygon.push_back(static_cast<std::uint32_t>(resolved));
    }
    builder.addPolygon(polygon.data(), polygon.size());
    return true;
}

bool ObjReader::read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) {
    skipByteOrderMark(data, size);
    TokenReader tokens(data, size);
    MeshBuilder builder;
    std::vector<TriangleMesh> found;
    std::string name;  // of the mesh being built
    std::size_t lines = 0;
    do {
        if (++lines % kLinesAStep == 0) doneWith(tokens.position());
        if (!tokens.nextOnLine() || *tokens.tokenStart == '#') continue;
        if (tokens.is("v")) {
            if (!readPoint(tokens, builder)) return false;
        } else if (tokens.is("f")) {
            if (!readFace(tokens, builder)) return false;
        } else if (tokens.is("o") || tokens.is("g")) {
            const char* first;
            const char* last;
            tokens.restOfLine(first, last);
            const std::string newName(first, last);
            if (newName.empty() || newName == name) continue;
            doneWith(tokens.position());
            if (!finishMesh(builder, name, found)) return false;
            name = newName;
        }
    } while (tokens.nextLine());
    doneWith(data + size);
    return finishFile(builder, name, found, meshes);
}

}  // namespace kalderino
