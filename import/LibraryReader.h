// LibraryReader: every model format through the Open Asset Import Library (glTF, FBX, COLLADA,
// 3DS ...), and the reference the tests hold the readers here against.
//
// Every mesh of a file becomes one mesh, placed where the file's node hierarchy puts it (a mesh
// that several nodes use appears once for each), cut into triangles by the library and welded
// and numbered as MeshBuilder does. Bad input gets one line, "FILE: reason":
// - a file that cannot be opened, or a directory: "cannot open: " and the system's reason; the
//   file is opened and read once, by FileContents (a stream up to its limit), and the library
//   reads it from memory;
// - a format the library does not know, or a file it cannot parse: the library's reason;
// - a point that is not a finite number (nan or infinite): "not a finite number";
// - a mesh with more points or triangles than the data file's 32-bit counts: "too large";
// - a node hierarchy nested deeper than the library's 1 GiB stack holds (some millions of
//   levels): "nests its nodes too deep for the library's 1024 MiB stack", and the process ends
//   with status 1 at once, for the library cannot be stopped otherwise.
#pragma once

#include "import/ModelReader.h"

#include <functional>

struct aiNode;
struct aiScene;
template <typename T> class aiMatrix4x4t;
namespace Assimp {
class Importer;
}

namespace kalderino {

class LibraryReader : public ModelReader {
public:
    // From memory, with the path's extension as the format's hint; files that refer to others
    // (an OBJ's materials, a glTF's buffers) need readFile().
    bool read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) override;
    bool readFile(const std::string& path, std::vector<TriangleMesh>& meshes) override;

    // The format's extension (as "gltf"), for a file whose name has none, such as /dev/stdin;
    // the name's extension when empty.
    std::string format;
    // Shows the reading progress of big files on the diagnostics stream (for terminals only).
    bool showProgress = false;

private:
    bool collectScene(Assimp::Importer& library, const aiScene* scene,
                      std::vector<TriangleMesh>& meshes);
    bool collect(const aiScene& scene, const aiNode& root, const aiMatrix4x4t<float>& top,
                 std::vector<TriangleMesh>& meshes);
    bool collectNode(const aiScene& scene, const aiNode& node, const aiMatrix4x4t<float>& transform,
                     std::vector<TriangleMesh>& meshes);
    // Runs work, which uses the library, on a thread with a stack deep enough for its
    // recursion; a file nested deeper still ends the process with one line, status 1.
    bool onLibraryStack(const std::function<bool()>& work);
};

}  // namespace kalderino
