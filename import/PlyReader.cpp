// PlyReader: the header, then the body element by element, in any of the three encodings.
#include "import/PlyReader.h"

#include "io/TokenReader.h"
#include "io/file/Diagnostic.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace kalderino {

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

// What the header says: the body's encoding, its elements in order, and where it starts.
struct Header {
    Format format = Format::ascii;
    std::vector<Element> elements;
    const char* bodyStart = nullptr;
    int bodyLine = 0;  // the file's line number of the body's first line
};

// The header, line by line, up to "end_header".
class HeaderReader {
public:
    HeaderReader(const char* data, std::size_t size, const ReaderDiagnostics& messages)
        : tokens(data, size), messages(messages) {}

    bool read(Header& header) {
        if (!tokens.nextOnLine() || token(tokens) != "ply" || tokens.nextOnLine())
            return tokens.tokenStart
                       ? messages.rejectToken(tokens, "\"ply\" alone on the first line")
                       : messages.say(1, "expected \"ply\" alone on the first line");
        bool formatSeen = false;
        for (;;) {
            if (!tokens.nextLine()) return messages.endsEarly(tokens.lastLine(), "\"end_header\"");
            if (!tokens.nextOnLine()) continue;
            const std::string word = token(tokens);
            if (word == "comment" || word == "obj_info") continue;
            if (word == "end_header") break;
            if (word == "format") {
                if (!readFormat(header.format)) return false;
                formatSeen = true;
            } else if (word == "element") {
                if (!readElement(header.elements)) return false;
            } else if (word == "property") {
                if (!readProperty(header.elements)) return false;
            } else {
                return messages.rejectToken(tokens, "a header line (format, element, property, "
                                                    "comment or end_header)");
            }
        }
        if (!formatSeen)
            return messages.say(tokens.lineOf(tokens.tokenStart),
                                "no \"format\" line before \"end_header\"");
        tokens.nextLine();
        header.bodyStart = tokens.position();
        header.bodyLine = tokens.lineOf(header.bodyStart);
        return true;
    }

private:
    bool readFormat(Format& format) {
        if (!tokens.nextOnLine()) return messages.rejectLineEnd(tokens, "a format");
        const std::string name = token(tokens);
        if (name == "ascii")
            format = Format::ascii;
        else if (name == "binary_little_endian")
            format = Format::littleEndian;
        else if (name == "binary_big_endian")
            format = Format::bigEndian;
        else
            return messages.rejectToken(tokens, "a format of ascii, binary_little_endian or "
                                                "binary_big_endian");
        return true;
    }

    bool readElement(std::vector<Element>& elements) {
        Element element;
        element.line = tokens.lineOf(tokens.tokenStart);
        if (!tokens.nextOnLine()) return messages.rejectLineEnd(tokens, "an element name");
        element.name = token(tokens);
        int count = 0;
        if (!tokens.nextOnLine()) return messages.rejectLineEnd(tokens, "an element count");
        if (tokens.toInt(count) != TokenReader::Parse::ok || count < 0)
            return messages.rejectToken(tokens, "the count of element \"" + element.name +
                                                    "\" as a decimal integer from 0 to 2147483647");
        element.count = static_cast<std::size_t>(count);
        elements.push_back(element);
        return true;
    }

    bool readProperty(std::vector<Element>& elements) {
        if (elements.empty())
            return messages.rejectToken(tokens, "\"element\" before any property");
        Property property;
        if (!tokens.nextOnLine()) return messages.rejectLineEnd(tokens, kTypeList);
        if (token(tokens) == "list") {
            if (!tokens.nextOnLine())
                return messages.rejectLineEnd(tokens, "the list's count type");
            property.count = typeNamed(tokens);
            if (property.count == nullptr || isFloat(property.count->kind))
                return messages.rejectToken(tokens, "an integer type for the list's count");
            if (!tokens.nextOnLine()) return messages.rejectLineEnd(tokens, "the list's item type");
        }
        property.type = typeNamed(tokens);
        if (property.type == nullptr) return messages.rejectToken(tokens, kTypeList);
        if (!tokens.nextOnLine()) return messages.rejectLineEnd(tokens, "a property name");
        property.name = token(tokens);
        elements.back().properties.push_back(property);
        return true;
    }

    TokenReader tokens;
    const ReaderDiagnostics& messages;
};

// The vertex properties read, in the order of their slots.
constexpr const char* kVertexNames[] = {"x",  "y",   "z",     "nx",   "ny",
                                        "nz", "red", "green", "blue", "alpha"};
constexpr int kSlots = 10;
constexpr int kNormal = 3;  // the first slot of a normal
constexpr int kColour = 6;  // of a colour

// The colour component a value of type gives: integers from 0 to 255, floats from 0 to 1.
std::uint8_t colourOf(const TypeName& type, double value) {
    if (isFloat(type.kind)) return colourByte(value);
    return static_cast<std::uint8_t>(std::min(std::max(value, 0.0), 255.0));
}

// A vertex's values besides its position: its normal, and its colour as bytes.
struct Extras {
    float normal[3] = {0.0f, 0.0f, 0.0f};
    std::array<std::uint8_t, 4> colour{255, 255, 255, 255};

    void take(int slot, const TypeName& type, double value) {
        if (slot >= kColour) {
            colour[slot - kColour] = colourOf(type, value);
        } else {
            const float component = static_cast<float>(value);
            normal[slot - kNormal] = std::isfinite(component) ? component : 0.0f;
        }
    }
};

// Where the points and the polygons are among the elements.
struct Layout {
    const Element* vertices = nullptr;                              // the first "vertex" element
    const Element* faces = nullptr;                                 // the first "face" element
    int slotOf[kSlots] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};  // vertex properties by slot
    int listOf = -1;                                                // the face property of corners
    int faceColourOf[4] = {-1, -1, -1, -1};  // the face properties of red, green, blue, alpha
    bool colours = true;                     // read

    // Normals are kept for a file of points alone, which has no faces to compute them from.
    bool pointNormals() const {
        return faces == nullptr && slotOf[kNormal] >= 0 && slotOf[kNormal + 1] >= 0 &&
               slotOf[kNormal + 2] >= 0;
    }
    bool pointColours() const {
        return colours && slotOf[kColour] >= 0 && slotOf[kColour + 1] >= 0 &&
               slotOf[kColour + 2] >= 0;
    }
    bool faceColours() const {
        return colours && faceColourOf[0] >= 0 && faceColourOf[1] >= 0 && faceColourOf[2] >= 0;
    }
    // The slot of vertex property i among those kept, or -1.
    int slotAt(int i) const {
        for (int slot = 0; slot < kSlots; ++slot)
            if (slotOf[slot] == i)
                return slot < kNormal || (slot < kColour ? pointNormals() : pointColours()) ? slot
                                                                                            : -1;
        return -1;
    }

    std::size_t pointCount() const { return vertices ? vertices->count : 0; }
    // Quads and larger polygons are cut by their corners' positions: faces that come before the
    // points wait for them.
    bool facesFirst() const {
        return faces != nullptr && (vertices == nullptr || faces < vertices);
    }
};

// The first single value of each name among the element's properties, into places.
void findSingles(const Element& element, const char* const* names, int count, int* places) {
    for (std::size_t i = 0; i < element.properties.size(); ++i)
        for (int k = 0; k < count; ++k)
            if (element.properties[i].name == names[k] && element.properties[i].count == nullptr &&
                places[k] < 0)
                places[k] = static_cast<int>(i);
}

bool findElements(const std::vector<Element>& elements, const ReaderDiagnostics& messages,
                  Layout& layout) {
    for (const Element& element : elements) {
        if (element.name == "vertex" && layout.vertices == nullptr) {
            layout.vertices = &element;
            findSingles(element, kVertexNames, kSlots, layout.slotOf);
            for (int k = 0; k < 3; ++k)
                if (layout.slotOf[k] < 0)
                    return messages.say(element.line,
                                        std::string("element \"vertex\" has no property \"") +
                                            "xyz"[k] + "\"");
        } else if (element.name == "face" && layout.faces == nullptr) {
            layout.faces = &element;
            findSingles(element, kVertexNames + kColour, 4, layout.faceColourOf);
            for (std::size_t i = 0; i < element.properties.size() && layout.listOf < 0; ++i) {
                const Property& property = element.properties[i];
                if ((property.name == "vertex_indices" || property.name == "vertex_index") &&
                    property.count != nullptr && !isFloat(property.type->kind))
                    layout.listOf = static_cast<int>(i);
            }
            if (layout.listOf < 0)
                return messages.say(element.line, "element \"face\" has no list of integers named "
                                                  "\"vertex_indices\" or \"vertex_index\"");
        }
    }
    return true;
}

// Each value takes at least its bytes, or a character and a separator: counts the rest of the
// file cannot hold are refused before anything is allocated.
bool checkRoom(const Header& header, const char* bodyEnd, const ReaderDiagnostics& messages) {
    std::size_t left = static_cast<std::size_t>(bodyEnd - header.bodyStart);
    for (const Element& element : header.elements) {
        std::size_t least = 0;
        for (const Property& property : element.properties)
            least += header.format == Format::ascii ? 2
                     : property.count != nullptr    ? static_cast<std::size_t>(property.count->size)
                                                    : static_cast<std::size_t>(property.type->size);
        if (least > 0 && element.count > left / least)
            return messages.noRoom(element.line,
                                   "element \"" + element.name + "\" announces " +
                                       std::to_string(element.count) + " entries of at least " +
                                       std::to_string(least) + " bytes",
                                   left, least, ReaderDiagnostics::Room::leftForThem);
        left -= element.count * least;
    }
    return true;
}

// The bytes of a binary record of nothing but single values; 0 when it holds a list, or nothing.
std::size_t fixedSize(const Element& element) {
    std::size_t size = 0;
    for (const Property& property : element.properties) {
        if (property.count != nullptr) return 0;
        size += static_cast<std::size_t>(property.type->size);
    }
    return size;
}

// A value's place in the body, for messages: a property of an element's entry.
struct Place {
    const Element& element;
    std::size_t entry;
    const Property& property;

    // The value, or, when item is 0 or more, that item of its list.
    std::string describe(long item) const {
        const std::string of = element.name + " " + std::to_string(entry);
        if (item >= 0)
            return "item " + std::to_string(item) + " of list \"" + property.name + "\" of " + of;
        return (property.count ? "the count of list \"" : "property \"") + property.name +
               "\" of " + of;
    }
};

// The body, element by element, into the builder.
class BodyReader {
public:
    BodyReader(const Header& header, const Layout& layout, const char* bodyEnd,
               const ReaderDiagnostics& messages, MeshBuilder& builder)
        : body(header.bodyStart, bodyEnd, header.format, header.bodyLine), header(header),
          layout(layout), messages(messages), builder(builder) {}

    bool read() {
        if (layout.vertices != nullptr) builder.points.reserve(layout.vertices->count);
        if (layout.faces != nullptr) builder.reserveTriangles(layout.faces->count);
        for (const Element& element : header.elements)
            if (!readElement(element)) return false;
        for (std::size_t at = 0, face = 0; at < waiting.size(); at += 1 + waiting[at], ++face) {
            polygon.assign(&waiting[at + 1], &waiting[at + 1] + waiting[at]);
            addFace(waitingColours.empty() ? nullptr : &waitingColours[face]);
        }
        return true;
    }

private:
    // Binary records of fixed size, and faces that hold nothing but their corners, are read
    // without the general walk; anything unusual, a cut body included, takes the walk.
    bool readElement(const Element& element) {
        std::size_t n = 0;
        if (&element == layout.vertices)
            n = readFixedPoints(element);
        else if (&element == layout.faces && !layout.facesFirst() &&
                 element.properties.size() == 1 && header.format != Format::ascii)
            n = readFixedFaces(element);
        // An element with no properties takes no room, whatever its count says.
        if (element.properties.empty()) return true;
        for (; n < element.count; ++n)
            if (!readEntry(element, n)) return false;
        return true;
    }

    // The points of records of fixed size; returns how many, stopping at a record the walk must
    // read again to say what is wrong with it.
    std::size_t readFixedPoints(const Element& element) {
        const std::size_t recordSize = fixedSize(element);
        if (recordSize == 0) return 0;
        std::size_t offsets[kSlots] = {};
        for (int slot = 0; slot < kSlots; ++slot)
            for (int i = 0; i < layout.slotOf[slot]; ++i)
                offsets[slot] += static_cast<std::size_t>(element.properties[i].type->size);
        int extraSlots[kSlots - 3];  // the normal's and the colour's kept
        int extraCount = 0;
        for (int slot = 3; slot < kSlots; ++slot)
            if (layout.slotOf[slot] >= 0 && layout.slotAt(layout.slotOf[slot]) == slot)
                extraSlots[extraCount++] = slot;
        std::size_t n = 0;
        for (; n < element.count; ++n) {
            const char* record = body.take(recordSize);
            if (record == nullptr) break;
            std::array<float, 3> point;
            bool finite = true;
            for (int k = 0; k < 3; ++k) {
                const TypeName& type = *element.properties[layout.slotOf[k]].type;
                point[k] = static_cast<float>(body.decodeAt(type, record + offsets[k])) + 0.0f;
                finite = finite && std::isfinite(point[k]);
            }
            if (!finite) {
                body.rewind(record);
                break;
            }
            builder.points.push_back(point);
            if (extraCount == 0) continue;
            Extras extras;
            for (int e = 0; e < extraCount; ++e) {
                const TypeName& type = *element.properties[layout.slotOf[extraSlots[e]]].type;
                extras.take(extraSlots[e], type,
                            body.decodeAt(type, record + offsets[extraSlots[e]]));
            }
            keep(extras);
        }
        return n;
    }

    void keep(const Extras& extras) {
        if (layout.pointNormals())
            builder.normals.push_back({extras.normal[0], extras.normal[1], extras.normal[2]});
        if (layout.pointColours()) builder.colours.push_back(extras.colour);
    }

    // The polygon read, in the colour of its face when it has one: a face of a colour of its own
    // has points of its own, which only points of the same colour join.
    void addFace(const std::array<std::uint8_t, 4>* colour) {
        if (colour != nullptr && polygon.size() >= 3)
            for (std::uint32_t& corner : polygon) corner = builder.addColouredCopy(corner, *colour);
        builder.addPolygon(polygon.data(), polygon.size());
    }

    // The polygons of binary faces of one list each; returns how many, stopping as above.
    std::size_t readFixedFaces(const Element& element) {
        const TypeName& countType = *element.properties[0].count;
        const TypeName& itemType = *element.properties[0].type;
        const std::size_t pointCount = layout.pointCount();
        std::size_t n = 0;
        for (const char* record; n < element.count && (record = body.take(countType.size)); ++n) {
            const double items = body.decodeAt(countType, record);
            const char* list = items >= 0 && items <= static_cast<double>(SIZE_MAX / 8)
                                   ? body.take(static_cast<std::size_t>(items) * itemType.size)
                                   : nullptr;
            polygon.clear();
            for (std::size_t k = 0; list != nullptr && k < static_cast<std::size_t>(items); ++k) {
                const double index = body.decodeAt(itemType, list + k * itemType.size);
                if (!(index >= 0 && index < static_cast<double>(pointCount))) {
                    list = nullptr;
                    break;
                }
                polygon.push_back(static_cast<std::uint32_t>(index));
            }
            if (list == nullptr) {
                body.rewind(record);
                break;
            }
            builder.addPolygon(polygon.data(), polygon.size());
        }
        return n;
    }

    // The general walk: entry n of element, value by value.
    bool readEntry(const Element& element, std::size_t n) {
        const bool isVertex = &element == layout.vertices;
        const bool isFace = &element == layout.faces;
        float xyz[3] = {0.0f, 0.0f, 0.0f};
        Extras extras;  // a vertex's normal and colour, or a face's colour
        for (std::size_t i = 0; i < element.properties.size(); ++i) {
            const Place place{element, n, element.properties[i]};
            const Property& property = place.property;
            const TypeName& type = property.count ? *property.count : *property.type;
            double value = 0.0;
            const Body::Got got = body.value(type, value);
            if (got != Body::Got::ok) return failValue(got, type, value, place, -1);
            const int at = static_cast<int>(i);
            if (property.count == nullptr) {
                if (isVertex && !takeVertexValue(value, at, xyz, extras, place)) return false;
                for (int c = 0; isFace && layout.faceColours() && c < 4; ++c)
                    if (layout.faceColourOf[c] == at) extras.colour[c] = colourOf(type, value);
            } else if (!readList(place, value, isFace && static_cast<int>(i) == layout.listOf)) {
                return false;
            }
        }
        if (isVertex) {
            builder.points.push_back({xyz[0], xyz[1], xyz[2]});
            keep(extras);
        }
        if (isFace) finishFace(extras.colour);
        return true;
    }

    // The value of vertex property i, when it is one the reader keeps.
    bool takeVertexValue(double value, int i, float (&xyz)[3], Extras& extras, const Place& place) {
        const int slot = layout.slotAt(i);
        if (slot >= 3) extras.take(slot, *place.property.type, value);
        if (slot < 0 || slot >= 3) return true;
        xyz[slot] = static_cast<float>(value) + 0.0f;
        if (!std::isfinite(xyz[slot]))
            return messages.expected(body.line(), place.describe(-1) + " as a finite float",
                                     body.found(value));
        return true;
    }

    // The face's polygon, now or, when the faces come before the points, once they are read.
    void finishFace(const std::array<std::uint8_t, 4>& colour) {
        const bool coloured = layout.faceColours();
        if (!layout.facesFirst()) {
            addFace(coloured ? &colour : nullptr);
        } else if (polygon.size() >= 3) {
            waiting.push_back(static_cast<std::uint32_t>(polygon.size()));
            waiting.insert(waiting.end(), polygon.begin(), polygon.end());
            if (coloured) waitingColours.push_back(colour);
        }
    }

    // The items of a list of count items: a polygon's corners, or values to skip.
    bool readList(const Place& place, double count, bool corners) {
        if (count < 0)
            return messages.expected(body.line(), place.describe(-1) + " from 0",
                                     body.found(count));
        const std::size_t items = static_cast<std::size_t>(count);
        const std::size_t pointCount = layout.pointCount();
        const TypeName& type = *place.property.type;
        if (corners) polygon.clear();
        for (std::size_t k = 0; k < items; ++k) {
            double value = count;
            const Body::Got got = body.value(type, value);
            if (got != Body::Got::ok)
                return failValue(got, type, value, place, static_cast<long>(k));
            if (!corners) continue;
            if (!(value >= 0 && value < static_cast<double>(pointCount)))
                return messages.expected(body.line(),
                                         place.describe(static_cast<long>(k)) +
                                             " as a point index from 0 to " +
                                             std::to_string(static_cast<long>(pointCount) - 1),
                                         body.found(value));
            polygon.push_back(static_cast<std::uint32_t>(value));
        }
        return true;
    }

    bool failValue(Body::Got got, const TypeName& type, double value, const Place& place,
                   long item) {
        if (got == Body::Got::end) return messages.endsEarly(body.lastLine(), place.describe(item));
        return messages.expected(body.line(),
                                 place.describe(item) +
                                     (got == Body::Got::malformed ? " as a number of type "
                                                                  : " within the range of type ") +
                                     type.name,
                                 body.found(value));
    }

    Body body;
    const Header& header;
    const Layout& layout;
    const ReaderDiagnostics& messages;
    MeshBuilder& builder;
    std::vector<std::uint32_t> polygon;  // the corners of the face being read
    std::vector<std::uint32_t> waiting;  // per polygon of faces that come first: count, corners
    std::vector<std::array<std::uint8_t, 4>> waitingColours;  // per polygon waiting, if coloured
};

}  // namespace

bool PlyReader::read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) {
    skipByteOrderMark(data, size);
    const ReaderDiagnostics messages = this->messages();
    Header header;
    if (!HeaderReader(data, size, messages).read(header)) return false;
    Layout layout;
    layout.colours = colours;
    if (!findElements(header.elements, messages, layout) ||
        !checkRoom(header, data + size, messages))
        return false;
    making = counted(layout.pointCount()) + " points and " +
             counted(layout.faces != nullptr ? layout.faces->count : 0) + " faces";
    MeshBuilder builder;
    if (!BodyReader(header, layout, data + size, messages, builder).read()) return false;
    doneWith(data + size);
    std::vector<TriangleMesh> found;
    return finishFile(builder, "", found, meshes);
}

}  // namespace kalderino
