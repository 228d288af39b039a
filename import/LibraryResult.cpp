// LibraryResult: the header and the mesh records, written by the reader and checked by the
// program.
#include "import/LibraryResult.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalderino {

namespace {

constexpr char kMagic[8] = {'K', 'L', 'R', 'E', 'S', 'U', 'L', 'T'};
constexpr std::size_t kMaxText = 1 << 16;

struct Header {
    char magic[8];
    std::uint32_t outcome;
    std::uint32_t flags;
    std::uint64_t value;
};
static_assert(sizeof(Header) == 24, "no padding in the header");

// Before each mesh's arrays: its name's length and its counts. The name follows, padded with
// zeros to a multiple of 8 bytes, then points, triangles, normals and colours.
struct MeshCounts {
    std::uint32_t nameBytes;
    std::uint32_t zero;
    std::uint64_t points, triangles, normals, colours;
};
static_assert(sizeof(MeshCounts) == 40, "no padding in the counts");

bool writeAll(int fd, const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t wrote = ::write(fd, bytes, size);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        bytes += wrote;
        size -= static_cast<std::size_t>(wrote);
    }
    return true;
}

template <typename T> bool writeArray(int fd, const std::vector<T>& values) {
    return writeAll(fd, values.data(), values.size() * sizeof(T));
}

template <typename T>
void copyArray(const unsigned char*& at, std::vector<T>& values, std::uint64_t count) {
    if (count == 0) return;  // an empty vector's data() may be null, which memcpy may not take
    values.resize(count);
    std::memcpy(values.data(), at, count * sizeof(T));
    at += count * sizeof(T);
}

// What is wrong with a mesh's counts, with left bytes from them on; "" when nothing is.
std::string badCounts(const MeshCounts& counts, std::size_t left) {
    const std::uint64_t limit = INT_MAX;
    if (counts.nameBytes == 0 || counts.nameBytes > 31 || counts.points > limit ||
        counts.points == 0 || counts.triangles > limit ||
        (counts.normals != 0 && counts.normals != counts.points) ||
        (counts.colours != 0 && counts.colours != counts.points))
        return "mesh counts out of range";
    // Each term is below 2^36: the sum cannot overflow.
    const std::uint64_t needed = sizeof counts + (counts.nameBytes + 7) / 8 * 8 +
                                 12 * (counts.points + counts.triangles + counts.normals) +
                                 4 * counts.colours;
    if (needed > left)
        return "a mesh announcing more than the " + std::to_string(left) + " bytes left hold";
    return "";
}

bool finite(const std::array<float, 3>& v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

bool holdableName(const std::string& name) {
    for (char c : name) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte == 0x7F) return false;
    }
    return true;
}

// What is wrong with a mesh's arrays copied from the result; "" when nothing is.
std::string badArrays(const TriangleMesh& mesh) {
    for (const auto& p : mesh.points)
        if (!finite(p)) return "a point that is not a finite number";
    for (const auto& n : mesh.normals)
        if (!finite(n)) return "a normal that is not a finite number";
    const int points = static_cast<int>(mesh.points.size());
    for (const auto& t : mesh.triangles)
        for (const int corner : t)
            if (corner < 0 || corner >= points)
                return "a triangle using a point the mesh does not have";
    return "";
}

}  // namespace

bool LibraryResult::begin(int fd) {
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    return writeAll(fd, &header, sizeof header);
}

bool LibraryResult::writeMesh(int fd, const TriangleMesh& mesh) {
    const MeshCounts counts{static_cast<std::uint32_t>(mesh.name.size()),
                            0,
                            mesh.points.size(),
                            mesh.triangles.size(),
                            mesh.normals.size(),
                            mesh.colours.size()};
    std::string name = mesh.name;
    name.resize((name.size() + 7) / 8 * 8, '\0');
    return writeAll(fd, &counts, sizeof counts) && writeAll(fd, name.data(), name.size()) &&
           writeArray(fd, mesh.points) && writeArray(fd, mesh.triangles) &&
           writeArray(fd, mesh.normals) && writeArray(fd, mesh.colours);
}

bool LibraryResult::writeText(int fd, const std::string& text) {
    return writeAll(fd, text.data(), std::min(text.size(), kMaxText));
}

void LibraryResult::end(int fd, Outcome outcome, std::uint64_t value, std::uint32_t flags) {
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.outcome = static_cast<std::uint32_t>(outcome);
    header.flags = flags;
    header.value = value;
    const ssize_t wrote = ::pwrite(fd, &header, sizeof header, 0);
    static_cast<void>(wrote);  // a header that cannot be written reads as unfinished
}

bool LibraryResult::read(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || static_cast<std::size_t>(status.st_size) < sizeof(Header)) {
        malformed = "no header";
        return false;
    }
    const std::size_t size = static_cast<std::size_t>(status.st_size);
    void* mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapping == MAP_FAILED) {
        malformed = std::string("cannot map it: ") + std::strerror(errno);
        return false;
    }
    const auto* data = static_cast<const unsigned char*>(mapping);
    Header header;
    std::memcpy(&header, data, sizeof header);
    bool good = std::memcmp(header.magic, kMagic, sizeof kMagic) == 0;
    if (!good) malformed = "no header";
    outcome = static_cast<Outcome>(header.outcome);
    flags = header.flags;
    value = header.value;
    const unsigned char* body = data + sizeof header;
    const std::size_t left = size - sizeof header;
    if (good && outcome == Outcome::meshes) {
        good = parseMeshes(body, left);
    } else if (good && outcome == Outcome::failed) {
        text.assign(reinterpret_cast<const char*>(body), std::min(left, kMaxText));
        good = !text.empty() && text.find('\n') == text.size() - 1;
        if (!good) malformed = "a message that is not one line";
    } else if (good && header.outcome > static_cast<std::uint32_t>(Outcome::tooDeep)) {
        good = false;
        malformed = "an unknown outcome " + std::to_string(header.outcome);
    }
    ::munmap(mapping, size);
    if (!good) meshes.clear();
    return good;
}

bool LibraryResult::parseMeshes(const unsigned char* data, std::size_t size) {
    const unsigned char* at = data;
    const unsigned char* const end = data + size;
    while (at < end) {
        const std::size_t left = static_cast<std::size_t>(end - at);
        MeshCounts counts;
        if (left < sizeof counts) {
            malformed = "a mesh cut short";
            return false;
        }
        std::memcpy(&counts, at, sizeof counts);
        malformed = badCounts(counts, left);
        if (!malformed.empty()) return false;
        at += sizeof counts;
        TriangleMesh mesh;
        mesh.name.assign(reinterpret_cast<const char*>(at), counts.nameBytes);
        at += (counts.nameBytes + 7) / 8 * 8;
        if (!holdableName(mesh.name)) {
            malformed = "a mesh name the data file cannot hold";
            return false;
        }
        copyArray(at, mesh.points, counts.points);
        copyArray(at, mesh.triangles, counts.triangles);
        copyArray(at, mesh.normals, counts.normals);
        copyArray(at, mesh.colours, counts.colours);
        malformed = badArrays(mesh);
        if (!malformed.empty()) return false;
        meshes.push_back(std::move(mesh));
    }
    return true;
}

}  // namespace kalderino
