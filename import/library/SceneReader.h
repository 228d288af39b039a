// SceneReader: a model file read by the Open Asset Import Library, inside the library's reader,
// into triangle meshes.
//
// Every mesh of a file becomes one mesh, placed where the file's node hierarchy puts it (a mesh
// that several nodes use appears once for each), cut into triangles by the library and welded
// and numbered as MeshBuilder does, with the colours of its first set. A file with no triangles
// gives the points of all its meshes of points as one mesh of points alone, with their colours,
// and their normals when every such mesh has them. Bad input gets one line, "FILE: reason":
// - a format the library does not know, or a file it cannot parse: the library's reason;
// - a name of another file that the model may not read (ConfinedFiles), whether the library
//   opens it (a buffer) or only names it (a texture): "refers to NAME, ..." in place of anything
//   the library says;
// - a point that is not a finite number (nan or infinite): "not a finite number";
// - a mesh with more points or triangles than the data file's 32-bit counts: "too large".
#pragma once

#include "import/ModelReader.h"
#include "import/library/ConfinedFiles.h"

struct aiMesh;
struct aiNode;
struct aiScene;
template <typename T> class aiMatrix4x4t;
namespace Assimp {
class Importer;
}

namespace kalderino {

class SceneReader : public ModelReader {
public:
    explicit SceneReader(ConfinedFiles& files) : files(files) {}

    // The model's bytes; the files it names come through files.
    bool read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) override;

    // The format's extension (as "gltf"), or empty for the library to tell by the contents.
    std::string format;
    // Shows the reading progress of big files on the diagnostics stream (for terminals only).
    bool showProgress = false;
    std::FILE* progressStream = stderr;

    // Every extension the library reads, lower case, separated by spaces.
    static std::string extensions();

private:
    bool collectScene(Assimp::Importer& library, const aiScene* scene,
                      std::vector<TriangleMesh>& meshes);
    bool checkTextures(const aiScene& scene);
    bool collect(const aiScene& scene, const aiNode& root, const aiMatrix4x4t<float>& top,
                 std::vector<TriangleMesh>& meshes);
    bool collectNode(const aiScene& scene, const aiNode& node, const aiMatrix4x4t<float>& transform,
                     std::vector<TriangleMesh>& meshes);
    bool collectPoints(const aiMesh& source, const aiMatrix4x4t<float>& transform);

    MeshBuilder loosePoints;  // of the meshes of points, kept when no mesh has triangles
    bool allNormals = true;   // every mesh of points has normals

    ConfinedFiles& files;
};

}  // namespace kalderino
