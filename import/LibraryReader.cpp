// LibraryReader: the Open Asset Import Library's scene into triangle meshes.
#include "import/LibraryReader.h"

#include "io/FileContents.h"

#include <assimp/DefaultIOSystem.h>
#include <assimp/Importer.hpp>
#include <assimp/MemoryIOWrapper.h>
#include <assimp/ProgressHandler.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A million triangles take some 20 MB even in compact binary formats; smaller files load in
// about a second and need no progress line.
constexpr off_t kProgressFileSize = 16 << 20;

// Welding is MeshBuilder's, on positions alone: the library's own joins only corners that agree
// in every component, and takes seconds on millions of them.
constexpr unsigned kSteps =
    aiProcess_ValidateDataStructure | aiProcess_Triangulate | aiProcess_SortByPType;

// The library's messages may span lines; the diagnostic is one line.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text.empty() ? "unknown error" : text;
}

class ReadProgress : public Assimp::ProgressHandler {
public:
    ReadProgress(std::FILE* out, std::string path) : out(out), path(std::move(path)) {}
    bool Update(float fraction) override {
        const int percent = static_cast<int>(fraction * 100.0f);
        if (percent > shown && percent <= 100) {
            shown = percent;
            std::fprintf(out, "\rreading %s: %d%%", path.c_str(), percent);
            std::fflush(out);
        }
        return true;
    }
    // Ends the progress line: at 100% when the file was read, where it stopped otherwise.
    void finish(bool read) const {
        if (shown >= 0 && read) std::fprintf(out, "\rreading %s: 100%%\n", path.c_str());
        if (shown >= 0 && !read) std::fputc('\n', out);
    }

private:
    std::FILE* out;
    std::string path;
    int shown = -1;
};

// The library's files: the one already read, from memory, under the name the library is given;
// any other it asks for (a glTF's buffers, an OBJ's materials) from disk.
class OneFileInMemory : public Assimp::DefaultIOSystem {
public:
    OneFileInMemory(std::string name, const char* data, std::size_t size)
        : name(std::move(name)), data(data), size(size) {}
    bool Exists(const char* file) const override {
        return name == file || Assimp::DefaultIOSystem::Exists(file);
    }
    Assimp::IOStream* Open(const char* file, const char* mode) override {
        if (name != file) return Assimp::DefaultIOSystem::Open(file, mode);
        return new Assimp::MemoryIOStream(reinterpret_cast<const uint8_t*>(data), size);
    }

private:
    std::string name;
    const char* data;
    std::size_t size;
};

}  // namespace

bool LibraryReader::read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) {
    const std::size_t dot = path.find_last_of('.');
    const std::string hint = !format.empty()            ? format
                             : dot == std::string::npos ? ""
                                                        : path.substr(dot + 1);
    Assimp::Importer library;
    return collectScene(library, library.ReadFileFromMemory(data, size, kSteps, hint.c_str()),
                        meshes);
}

bool LibraryReader::readFile(const std::string& file, std::vector<TriangleMesh>& meshes) {
    path = file;
    // Opened and read once, here, whatever the file is (a FIFO has no second reading); the
    // library reads it from memory under its own name, the format named by its extension or by
    // format, and the files it refers to beside it.
    FileContents contents;
    if (!contents.load(path, diagnostics)) return false;
    const std::string name = format.empty() ? path : path + "." + format;

    Assimp::Importer library;
    library.SetIOHandler(new OneFileInMemory(name, contents.data(), contents.size()));
    ReadProgress* progress = nullptr;
    if (showProgress && diagnostics != nullptr &&
        contents.size() >= static_cast<std::size_t>(kProgressFileSize)) {
        progress = new ReadProgress(diagnostics, path);
        library.SetProgressHandler(progress);  // the library deletes it
    }
    const aiScene* scene = library.ReadFile(name, kSteps);
    if (progress != nullptr) progress->finish(scene != nullptr);
    if (scene != nullptr && !contents.intact()) return false;
    return collectScene(library, scene, meshes);
}

bool LibraryReader::collectScene(Assimp::Importer& library, const aiScene* scene,
                                 std::vector<TriangleMesh>& meshes) {
    if (scene == nullptr) return fail(0, "cannot read: " + oneLine(library.GetErrorString()));
    std::vector<TriangleMesh> found;
    if (scene->mRootNode != nullptr && !collect(*scene, *scene->mRootNode, aiMatrix4x4(), found))
        return false;
    return keep(found, meshes);
}

// Appends the triangles of every mesh the node and its children use, in world coordinates.
bool LibraryReader::collect(const aiScene& scene, const aiNode& node, const aiMatrix4x4& parent,
                            std::vector<TriangleMesh>& meshes) {
    const aiMatrix4x4 transform = parent * node.mTransformation;
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh& source = *scene.mMeshes[node.mMeshes[i]];
        if ((source.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) == 0) continue;
        MeshBuilder builder;
        builder.points.resize(source.mNumVertices);
        for (unsigned v = 0; v < source.mNumVertices; ++v) {
            const aiVector3D p = transform * source.mVertices[v];
            builder.points[v] = {p.x + 0.0f, p.y + 0.0f, p.z + 0.0f};
        }
        for (unsigned f = 0; f < source.mNumFaces; ++f) {
            const aiFace& face = source.mFaces[f];
            if (face.mNumIndices != 3) continue;
            for (unsigned k = 0; k < 3; ++k) {
                const auto& p = builder.points[face.mIndices[k]];
                if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
                    return fail(0, "mesh \"" + std::string(source.mName.C_Str()) +
                                       "\" has a point that is not a finite number");
            }
            builder.addTriangle(face.mIndices[0], face.mIndices[1], face.mIndices[2]);
        }
        // The OBJ reader names meshes of files without 'o' or 'g' lines "defaultobject".
        const std::string ownName = source.mName.C_Str();
        if (!finishMesh(builder, ownName == "defaultobject" ? "" : ownName, meshes)) return false;
    }
    for (unsigned i = 0; i < node.mNumChildren; ++i)
        if (!collect(scene, *node.mChildren[i], transform, meshes)) return false;
    return true;
}
