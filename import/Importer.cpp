// Importer: model files through the Open Asset Import Library into plain triangle meshes.
#include "import/Importer.h"

#include <assimp/Importer.hpp>
#include <assimp/ProgressHandler.hpp>
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxNameLength = 31;
// A million triangles take some 20 MB even in compact binary formats; smaller files load in
// about a second and need no progress line.
constexpr off_t kProgressFileSize = 16 << 20;

// Every vertex component but the position goes before welding: JoinIdenticalVertices joins
// only corners that agree in all components, so the per-face normals of STL would keep every
// triangle apart, and texture seams would split smooth surfaces.
constexpr int kDroppedComponents = aiComponent_NORMALS | aiComponent_TANGENTS_AND_BITANGENTS |
                                   aiComponent_COLORS | aiComponent_TEXCOORDS |
                                   aiComponent_BONEWEIGHTS;
constexpr unsigned kSteps = aiProcess_ValidateDataStructure | aiProcess_RemoveComponent |
                            aiProcess_Triangulate | aiProcess_JoinIdenticalVertices |
                            aiProcess_SortByPType;

void reportError(std::FILE* diagnostics, const std::string& path, const std::string& reason) {
    if (diagnostics != nullptr) std::fprintf(diagnostics, "%s: %s\n", path.c_str(), reason.c_str());
}

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
    void finish() const {
        if (shown >= 0) std::fprintf(out, "\rreading %s: 100%%\n", path.c_str());
    }

private:
    std::FILE* out;
    std::string path;
    int shown = -1;
};

// Appends the triangles of every mesh the node and its children use, in world coordinates.
bool collect(const aiScene& scene, const aiNode& node, const aiMatrix4x4& parent,
             const std::string& path, std::vector<ImportedMesh>& meshes, std::string& error) {
    const aiMatrix4x4 transform = parent * node.mTransformation;
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh& source = *scene.mMeshes[node.mMeshes[i]];
        if ((source.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) == 0) continue;
        if (source.mNumVertices > INT_MAX || source.mNumFaces > INT_MAX) {
            error = "mesh \"" + std::string(source.mName.C_Str()) +
                    "\" is too large for the data file's counts";
            return false;
        }
        ImportedMesh mesh;
        // The OBJ reader names meshes of files without 'o' or 'g' lines "defaultobject".
        const std::string ownName = source.mName.C_Str();
        mesh.name = meshName(ownName == "defaultobject" ? "" : ownName, path);
        // Points no triangle uses are left out, so they cannot stretch the fitted box.
        std::vector<int> newIndex(source.mNumVertices, -1);
        mesh.triangles.reserve(source.mNumFaces);
        for (unsigned f = 0; f < source.mNumFaces; ++f) {
            const aiFace& face = source.mFaces[f];
            if (face.mNumIndices != 3) continue;
            std::array<int, 3> triangle{};
            for (int k = 0; k < 3; ++k) {
                int& index = newIndex[face.mIndices[k]];
                if (index < 0) {
                    index = static_cast<int>(mesh.points.size());
                    const aiVector3D p = transform * source.mVertices[face.mIndices[k]];
                    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
                        error = "mesh \"" + std::string(source.mName.C_Str()) +
                                "\" has a point that is not a finite number";
                        return false;
                    }
                    mesh.points.push_back({p.x, p.y, p.z});
                }
                triangle[static_cast<std::size_t>(k)] = index;
            }
            mesh.triangles.push_back(triangle);
        }
        if (!mesh.triangles.empty()) meshes.push_back(std::move(mesh));
    }
    for (unsigned i = 0; i < node.mNumChildren; ++i)
        if (!collect(scene, *node.mChildren[i], transform, path, meshes, error)) return false;
    return true;
}

}  // namespace

std::string meshName(const std::string& ownName, const std::string& path) {
    std::string name = ownName;
    if (name.empty()) {
        const std::size_t slash = path.find_last_of('/');
        name = path.substr(slash == std::string::npos ? 0 : slash + 1);
        const std::size_t dot = name.find_last_of('.');
        if (dot != std::string::npos && dot > 0) name.erase(dot);
    }
    // The data file separates tokens by white space, and the viewer keeps names up to a NUL.
    for (char& c : name) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte == 0x7F) c = '_';
    }
    if (name.size() > kMaxNameLength) {
        std::size_t length = kMaxNameLength;
        // Back off over UTF-8 continuation bytes (10xxxxxx) to the start of a character.
        while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
        name.erase(length > 0 ? length : kMaxNameLength);
    }
    return name.empty() ? "mesh" : name;
}

bool Importer::read(const std::string& path, std::vector<ImportedMesh>& meshes) {
    // The library's own message for a missing file names no reason; the system's does.
    struct stat status {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        const int error = fd < 0 ? errno : S_ISDIR(status.st_mode) ? EISDIR : errno;
        if (fd >= 0) ::close(fd);
        reportError(diagnostics, path, std::string("cannot open: ") + std::strerror(error));
        return false;
    }
    ::close(fd);

    Assimp::Importer library;
    library.SetPropertyInteger(AI_CONFIG_PP_RVC_FLAGS, kDroppedComponents);
    ReadProgress* progress = nullptr;
    if (showProgress && diagnostics != nullptr && status.st_size >= kProgressFileSize) {
        progress = new ReadProgress(diagnostics, path);
        library.SetProgressHandler(progress);  // the library deletes it
    }
    const aiScene* scene = library.ReadFile(path, kSteps);
    if (progress != nullptr) progress->finish();
    if (scene == nullptr) {
        reportError(diagnostics, path, "cannot read: " + oneLine(library.GetErrorString()));
        return false;
    }

    std::vector<ImportedMesh> found;
    std::string error;
    if (scene->mRootNode != nullptr &&
        !collect(*scene, *scene->mRootNode, aiMatrix4x4(), path, found, error)) {
        reportError(diagnostics, path, error);
        return false;
    }
    if (found.empty()) {
        reportError(diagnostics, path, "holds no triangles");
        return false;
    }
    for (ImportedMesh& mesh : found) meshes.push_back(std::move(mesh));
    return true;
}
