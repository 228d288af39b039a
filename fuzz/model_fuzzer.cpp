// model_fuzzer: feeds arbitrary bytes to the project's own reader of each format of the table,
// each in turn, and checks every mesh one accepts.
#include "fuzz/FuzzCheck.h"
#include "import/Formats.h"
#include "import/OwnReaders.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace kalderino;

namespace {

void checkMesh(const TriangleMesh& mesh) {
    require(!mesh.name.empty() && mesh.name.size() <= 31, "name not 1 to 31 bytes");
    for (char c : mesh.name)
        require(static_cast<unsigned char>(c) > ' ' && c != 0x7F, "white space in a name");
    require(!mesh.triangles.empty() || !mesh.points.empty(), "a mesh of nothing");
    require(mesh.colours.empty() || mesh.colours.size() == mesh.points.size(), "colours astray");
    require(mesh.normals.empty() || mesh.triangles.empty(), "normals of a surface kept");
    require(mesh.normals.empty() || mesh.normals.size() == mesh.points.size(), "normals astray");
    if (mesh.triangles.empty()) return;  // points alone, in the file's order
    for (const auto& point : mesh.points)
        for (float value : point) require(std::isfinite(value), "a point not finite");
    // Every point used, numbered in the order the triangles first use them.
    int next = 0;
    for (const auto& triangle : mesh.triangles) {
        for (int index : triangle) {
            require(index >= 0 && index < static_cast<int>(mesh.points.size()),
                    "index out of range");
            require(index <= next, "points not in the order of first use");
            if (index == next) ++next;
        }
    }
    require(next == static_cast<int>(mesh.points.size()), "a point no triangle uses");
}

void readAs(const Format& format, const std::uint8_t* data, std::size_t size) {
    const std::unique_ptr<ModelReader> reader = ownReaderFor(format);
    require(reader != nullptr, "a format of the project's own readers without its reader");
    const std::string extensions = format.extensions;
    reader->path = "fuzz." + extensions.substr(0, extensions.find(' '));
    reader->diagnostics = nullStream();
    std::vector<TriangleMesh> meshes;
    if (!reader->read(reinterpret_cast<const char*>(data), size, meshes)) {
        require(meshes.empty(), "meshes kept after an error");
        return;
    }
    for (const TriangleMesh& mesh : meshes) checkMesh(mesh);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const Format& format : kFormats)
        if (format.reader == Format::Reader::own) readAs(format, data, size);
    return 0;
}
