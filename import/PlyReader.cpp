// PlyReader: the header, then the body element by element, in any of the three encodings.
#include "import/PlyReader.h"

#include "io/TokenReader.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

enum class Kind { int8, uint8, int16, uint16, int32, uint32, float32, float64 };

struct TypeName {
    const char* name;
    Kind kind;
    int size;
};

constexpr TypeName kTypes[] = {
    {"char", Kind::int8, 1},      {"int8", Kind::int8, 1},       {"uchar", Kind::uint8, 1},
    {"uint8", Kind::uint8, 1},    {"short", Kind::int16, 2},     {"int16", Kind::int16, 2},
    {"ushort", Kind::uint16, 2},  {"uint16", Kind::uint16, 2},   {"int", Kind::int32, 4},
    {"int32", Kind::int32, 4},    {"uint", Kind::uint32, 4},     {"uint32", Kind::uint32, 4},
    {"float", Kind::float32, 4},  {"float32", Kind::float32, 4}, {"double", Kind::float64, 8},
    {"float64", Kind::float64, 8}};
constexpr const char* kTypeList = "a property type (char, uchar, short, ushort, int, uint, "
                                  "float, double, or int8 to float64)";

struct Property {
    std::string name;
    const TypeName* type = nullptr;   // of the value, or of a list's items
    const TypeName* count = nullptr;  // of a list's count; null for a single value
};

struct Element {
    std::string name;
    std::size_t count = 0;
    int line = 0;
    std::vector<Property> properties;
};

enum class Format { ascii, littleEndian, bigEndian };

bool isFloat(Kind kind) { return kind == Kind::float32 || kind == Kind::float64; }

std::string token(const TokenReader& tokens) {
    return std::string(tokens.tokenStart, tokens.tokenEnd);
}

const TypeName* typeNamed(const TokenReader& tokens) {
    const std::string name = token(tokens);
    for (const TypeName& type : kTypes)
        if (name == type.name) return &type;
    return nullptr;
}

// One value of the body at a time, from text tokens or from binary bytes.
class Body {
public:
    // firstLine: the file's line number of the body's first line.
    Body(const char* first, const char* last, Format format, int firstLine)
        : tokens(first, static_cast<std::size_t>(last - first)), at(first), end(last),
          format(format), lineOffset(firstLine - 1) {}

    enum class Got { ok, end, malformed, outOfRange };

    Got value(const TypeName& type, double& result) {
        if (format != Format::ascii) {
            if (end - at < type.size) return Got::end;
            result = decodeAt(type, at);
            at += type.size;
            return Got::ok;
        }
        if (!tokens.next()) return Got::end;
        const Kind kind = type.kind;
        if (isFloat(kind)) {
            // Read as strtof reads it, so that coordinates come out exactly; a double beyond the
            // float range is a double all the same, and only a coordinate must fit a float.
            float number = 0.0f;
            const TokenReader::Parse parse = tokens.toFloat(number);
            result = number;
            if (parse == TokenReader::Parse::outOfRange && kind == Kind::float64)
                return readDouble(result) ? Got::ok : Got::outOfRange;
            return parse == TokenReader::Parse::ok          ? Got::ok
                   : parse == TokenReader::Parse::malformed ? Got::malformed
                                                            : Got::outOfRange;
        }
        long long number = 0;
        const char* first = tokens.tokenStart;
        if (tokens.tokenEnd - first > 1 && *first == '+' && first[1] != '-') ++first;
        const auto [stop, error] = std::from_chars(first, tokens.tokenEnd, number);
        if (error == std::errc::invalid_argument || stop != tokens.tokenEnd) return Got::malformed;
        if (error == std::errc::result_out_of_range) return Got::outOfRange;
        result = static_cast<double>(number);
        const bool fits = (kind == Kind::int8 && number >= -128 && number <= 127) ||
                          (kind == Kind::uint8 && number >= 0 && number <= 255) ||
                          (kind == Kind::int16 && number >= -32768 && number <= 32767) ||
                          (kind == Kind::uint16 && number >= 0 && number <= 65535) ||
                          (kind == Kind::int32 && number >= INT32_MIN && number <= INT32_MAX) ||
                          (kind == Kind::uint32 && number >= 0 && number <= UINT32_MAX);
        return fits ? Got::ok : Got::outOfRange;
    }

    // Where a message about the last value points: its line, or 0 in a binary body.
    int line() const {
        return format == Format::ascii ? lineOffset + tokens.lineOf(tokens.tokenStart) : 0;
    }
    int lastLine() const { return format == Format::ascii ? lineOffset + tokens.lastLine() : 0; }
    // The last value as the message quotes it.
    std::string found(double value) const {
        if (format == Format::ascii)
            return "\"" + std::string(tokens.tokenStart, tokens.tokenEnd) + "\"";
        if (std::isnan(value)) return "nan";
        if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
        char text[32];
        std::snprintf(text, sizeof text, "%.9g", value);
        return text;
    }

    // Binary bodies: a record of size bytes at the cursor, which moves past it; null if fewer
    // bytes are left.
    const char* take(std::size_t size) {
        if (format == Format::ascii || static_cast<std::size_t>(end - at) < size) return nullptr;
        const char* record = at;
        at += size;
        return record;
    }
    void rewind(const char* to) { at = to; }

    TokenReader tokens;

    // Little-endian bytes; this reader runs on little-endian machines only, as the viewer does.
    static double decode(Kind kind, const unsigned char* bytes) {
        switch (kind) {
        case Kind::int8:
            return static_cast<std::int8_t>(bytes[0]);
        case Kind::uint8:
            return bytes[0];
        case Kind::int16:
            return load<std::int16_t>(bytes);
        case Kind::uint16:
            return load<std::uint16_t>(bytes);
        case Kind::int32:
            return load<std::int32_t>(bytes);
        case Kind::uint32:
            return load<std::uint32_t>(bytes);
        case Kind::float32:
            return load<float>(bytes);
        case Kind::float64:
            return load<double>(bytes);
        }
        return 0;
    }
    // A value of the body's byte order.
    double decodeAt(const TypeName& type, const char* from) const {
        unsigned char bytes[8];
        if (format == Format::bigEndian)
            for (int i = 0; i < type.size; ++i)
                bytes[i] = static_cast<unsigned char>(from[type.size - 1 - i]);
        else
            std::memcpy(bytes, from, static_cast<std::size_t>(type.size));
        return decode(type.kind, bytes);
    }

private:
    // The current token as a finite double, in plain decimal notation as toFloat takes it.
    bool readDouble(double& result) const {
        const char* first = tokens.tokenStart;
        if (first != tokens.tokenEnd && *first == '+') ++first;
        const char* lead = first != tokens.tokenEnd && *first == '-' ? first + 1 : first;
        if (lead == tokens.tokenEnd ||
            !(std::isdigit(static_cast<unsigned char>(*lead)) || *lead == '.'))
            return false;
        const auto [stop, error] =
            std::from_chars(first, tokens.tokenEnd, result, std::chars_format::general);
        return error == std::errc() && stop == tokens.tokenEnd && std::isfinite(result);
    }

    template <typename T> static double load(const unsigned char* bytes) {
        T value;
        std::memcpy(&value, bytes, sizeof value);
        return static_cast<double>(value);
    }

    const char* at;
    const char* end;
    Format format;
    int lineOffset;
};

}  // namespace

bool PlyReader::read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) {
    skipByteOrderMark(data, size);
    TokenReader header(data, size);
    if (!header.nextOnLine() || token(header) != "ply" || header.nextOnLine())
        return header.tokenStart ? reject(header, "\"ply\" alone on the first line")
                                 : fail(1, "expected \"ply\" alone on the first line");
    Format format = Format::ascii;
    bool formatSeen = false;
    std::vector<Element> elements;
    for (;;) {
        if (!header.nextLine())
            return fail(header.lastLine(), "file ends early: expected \"end_header\"");
        if (!header.nextOnLine()) continue;
        const std::string word = token(header);
        if (word == "comment" || word == "obj_info") continue;
        if (word == "end_header") break;
        if (word == "format") {
            if (!header.nextOnLine()) return rejectLineEnd(header, "a format");
            const std::string name = token(header);
            if (name == "ascii")
                format = Format::ascii;
            else if (name == "binary_little_endian")
                format = Format::littleEndian;
            else if (name == "binary_big_endian")
                format = Format::bigEndian;
            else
                return reject(header, "a format of ascii, binary_little_endian or "
                                      "binary_big_endian");
            formatSeen = true;
        } else if (word == "element") {
            Element element;
            element.line = header.lineOf(header.tokenStart);
            if (!header.nextOnLine()) return rejectLineEnd(header, "an element name");
            element.name = token(header);
            int count = 0;
            if (!header.nextOnLine()) return rejectLineEnd(header, "an element count");
            if (header.toInt(count) != TokenReader::Parse::ok || count < 0)
                return reject(header, "the count of element \"" + element.name +
                                          "\" as a decimal integer from 0 to 2147483647");
            element.count = static_cast<std::size_t>(count);
            elements.push_back(element);
        } else if (word == "property") {
            if (elements.empty()) return reject(header, "\"element\" before any property");
            Property property;
            if (!header.nextOnLine()) return rejectLineEnd(header, kTypeList);
            if (token(header) == "list") {
                if (!header.nextOnLine()) return rejectLineEnd(header, "the list's count type");
                property.count = typeNamed(header);
                if (property.count == nullptr || isFloat(property.count->kind))
                    return reject(header, "an integer type for the list's count");
                if (!header.nextOnLine()) return rejectLineEnd(header, "the list's item type");
            }
            property.type = typeNamed(header);
            if (property.type == nullptr) return reject(header, kTypeList);
            if (!header.nextOnLine()) return rejectLineEnd(header, "a property name");
            property.name = token(header);
            elements.back().properties.push_back(property);
        } else {
            return reject(header, "a header line (format, element, property, comment or "
                                  "end_header)");
        }
    }
    if (!formatSeen)
        return fail(header.lineOf(header.tokenStart), "no \"format\" line before "
                                                      "\"end_header\"");
    header.nextLine();
    const char* bodyStart = header.position();
    const int bodyLine = header.lineOf(bodyStart);
    const char* bodyEnd = data + size;

    // The points and polygons, and what stands in the way of reading them.
    const Element* vertices = nullptr;
    const Element* faces = nullptr;
    int axisOf[3] = {-1, -1, -1};
    int listOf = -1;
    for (const Element& element : elements) {
        if (element.name == "vertex" && vertices == nullptr) {
            vertices = &element;
            for (std::size_t i = 0; i < element.properties.size(); ++i)
                for (int k = 0; k < 3; ++k)
                    if (element.properties[i].name == std::string(1, "xyz"[k]) &&
                        element.properties[i].count == nullptr && axisOf[k] < 0)
                        axisOf[k] = static_cast<int>(i);
            for (int k = 0; k < 3; ++k)
                if (axisOf[k] < 0)
                    return fail(element.line, std::string("element \"vertex\" has no property \"") +
                                                  "xyz"[k] + "\"");
        } else if (element.name == "face" && faces == nullptr) {
            faces = &element;
            for (std::size_t i = 0; i < element.properties.size() && listOf < 0; ++i) {
                const Property& property = element.properties[i];
                if ((property.name == "vertex_indices" || property.name == "vertex_index") &&
                    property.count != nullptr && !isFloat(property.type->kind))
                    listOf = static_cast<int>(i);
            }
            if (listOf < 0)
                return fail(element.line, "element \"face\" has no list of integers named "
                                          "\"vertex_indices\" or \"vertex_index\"");
        }
    }
    // Each value takes at least its bytes, or a character and a separator.
    std::size_t left = static_cast<std::size_t>(bodyEnd - bodyStart);
    for (const Element& element : elements) {
        std::size_t least = 0;
        for (const Property& property : element.properties)
            least += format == Format::ascii     ? 2
                     : property.count != nullptr ? static_cast<std::size_t>(property.count->size)
                                                 : static_cast<std::size_t>(property.type->size);
        if (least > 0 && element.count > left / least)
            return fail(element.line, "element \"" + element.name + "\" announces " +
                                          std::to_string(element.count) + " entries of at least " +
                                          std::to_string(least) + " bytes, but only " +
                                          std::to_string(left) + " bytes are left for them");
        left -= element.count * least;
    }

    MeshBuilder builder;
    if (vertices != nullptr) builder.points.reserve(vertices->count);
    if (faces != nullptr) builder.reserveTriangles(faces->count);
    // Quads and larger polygons are cut by their corners' positions: faces that come before the
    // points wait for them.
    const bool facesFirst = faces != nullptr && (vertices == nullptr || faces < vertices);
    std::vector<std::uint32_t> waiting;  // per polygon of faces that come first: count, corners
    const std::size_t pointCount = vertices ? vertices->count : 0;
    std::vector<std::uint32_t> polygon;
    Body body(bodyStart, bodyEnd, format, bodyLine);
    for (const Element& element : elements) {
        const bool isVertex = &element == vertices;
        const bool isFace = &element == faces;
        std::size_t n = 0;
        // Binary records of fixed size, and faces that hold nothing but their corners, are read
        // without the general walk; anything unusual, a cut body included, takes the walk.
        std::size_t recordSize = 0;
        for (const Property& property : element.properties)
            recordSize = property.count != nullptr || recordSize == SIZE_MAX
                             ? SIZE_MAX
                             : recordSize + static_cast<std::size_t>(property.type->size);
        if (isVertex && recordSize != SIZE_MAX && recordSize > 0) {
            std::size_t offsets[3] = {0, 0, 0};
            for (int k = 0; k < 3; ++k)
                for (int i = 0; i < axisOf[k]; ++i)
                    offsets[k] += static_cast<std::size_t>(element.properties[i].type->size);
            for (; n < element.count; ++n) {
                const char* record = body.take(recordSize);
                if (record == nullptr) break;
                std::array<float, 3> point;
                bool finite = true;
                for (int k = 0; k < 3; ++k) {
                    const TypeName& type = *element.properties[axisOf[k]].type;
                    point[k] = static_cast<float>(body.decodeAt(type, record + offsets[k])) + 0.0f;
                    finite = finite && std::isfinite(point[k]);
                }
                if (!finite) {  // the walk reads the record again and says what is wrong
                    body.rewind(record);
                    break;
                }
                builder.points.push_back(point);
            }
        } else if (isFace && !facesFirst && element.properties.size() == 1 &&
                   format != Format::ascii) {
            const TypeName& countType = *element.properties[0].count;
            const TypeName& itemType = *element.properties[0].type;
            for (const char* record; n < element.count && (record = body.take(countType.size));
                 ++n) {
                const double items = body.decodeAt(countType, record);
                const char* list = items >= 0 && items <= static_cast<double>(SIZE_MAX / 8)
                                       ? body.take(static_cast<std::size_t>(items) * itemType.size)
                                       : nullptr;
                polygon.clear();
                for (std::size_t k = 0; list != nullptr && k < static_cast<std::size_t>(items);
                     ++k) {
                    const double index = body.decodeAt(itemType, list + k * itemType.size);
                    if (!(index >= 0 && index < static_cast<double>(pointCount))) {
                        list = nullptr;
                        break;
                    }
                    polygon.push_back(static_cast<std::uint32_t>(index));
                }
                if (list == nullptr) {  // the walk reads the face again and says what is wrong
                    body.rewind(record);
                    break;
                }
                builder.addPolygon(polygon.data(), polygon.size());
            }
        }
        // An element with no properties takes no room, whatever its count says.
        if (element.properties.empty()) continue;
        for (; n < element.count; ++n) {
            float xyz[3] = {0.0f, 0.0f, 0.0f};
            for (std::size_t i = 0; i < element.properties.size(); ++i) {
                const Property& property = element.properties[i];
                // Words for a message about this value, or about item `item` of its list.
                const auto describe = [&](long item) {
                    const std::string entry = element.name + " " + std::to_string(n);
                    if (item >= 0)
                        return "item " + std::to_string(item) + " of list \"" + property.name +
                               "\" of " + entry;
                    return (property.count ? "the count of list \"" : "property \"") +
                           property.name + "\" of " + entry;
                };
                const auto failValue = [&](Body::Got got, const TypeName& type, double value,
                                           long item) {
                    if (got == Body::Got::end)
                        return fail(body.lastLine(), "file ends early: expected " + describe(item));
                    return fail(body.line(),
                                "expected " + describe(item) +
                                    (got == Body::Got::malformed ? " as a number of type "
                                                                 : " within the range of type ") +
                                    type.name + ", found " + body.found(value));
                };
                const TypeName& type = property.count ? *property.count : *property.type;
                double value = 0.0;
                const Body::Got got = body.value(type, value);
                if (got != Body::Got::ok) return failValue(got, type, value, -1);
                if (property.count == nullptr) {
                    if (!isVertex) continue;
                    for (int k = 0; k < 3; ++k) {
                        if (axisOf[k] != static_cast<int>(i)) continue;
                        xyz[k] = static_cast<float>(value) + 0.0f;
                        if (!std::isfinite(xyz[k]))
                            return fail(body.line(), "expected " + describe(-1) +
                                                         " as a finite float, found " +
                                                         body.found(value));
                    }
                    continue;
                }
                if (value < 0)
                    return fail(body.line(),
                                "expected " + describe(-1) + " from 0, found " + body.found(value));
                const std::size_t items = static_cast<std::size_t>(value);
                const bool corners = isFace && static_cast<int>(i) == listOf;
                polygon.clear();
                for (std::size_t k = 0; k < items; ++k) {
                    const Body::Got item = body.value(*property.type, value);
                    if (item != Body::Got::ok)
                        return failValue(item, *property.type, value, static_cast<long>(k));
                    if (!corners) continue;
                    if (!(value >= 0 && value < static_cast<double>(pointCount)))
                        return fail(body.line(),
                                    "expected " + describe(static_cast<long>(k)) +
                                        " as a point index from 0 to " +
                                        std::to_string(static_cast<long>(pointCount) - 1) +
                                        ", found " + body.found(value));
                    polygon.push_back(static_cast<std::uint32_t>(value));
                }
                if (!corners) continue;
                if (!facesFirst) {
                    builder.addPolygon(polygon.data(), polygon.size());
                } else if (polygon.size() >= 3) {
                    waiting.push_back(static_cast<std::uint32_t>(polygon.size()));
                    waiting.insert(waiting.end(), polygon.begin(), polygon.end());
                }
            }
            if (isVertex) builder.points.push_back({xyz[0], xyz[1], xyz[2]});
        }
    }
    for (std::size_t at = 0; at < waiting.size(); at += 1 + waiting[at])
        builder.addPolygon(&waiting[at + 1], waiting[at]);
    std::vector<TriangleMesh> found;
    if (!finishMesh(builder, "", found)) return false;
    return keep(found, meshes);
}
