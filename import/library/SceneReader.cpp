// SceneReader: the Open Asset Import Library's scene into triangle meshes.
#include "import/library/SceneReader.h"

#include "io/file/Diagnostic.h"

#include <assimp/Importer.hpp>
#include <assimp/ProgressHandler.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace kalderino {

namespace {

// A million triangles take some 20 MB even in compact binary formats; smaller files load in
// about a second and need no progress line.
constexpr std::size_t kProgressFileSize = 16 << 20;

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
        std::fflush(out);
    }

private:
    std::FILE* out;
    std::string path;
    int shown = -1;
};

// Appends the mesh's points, in world coordinates, and their colours of the first set, to
// builder.
void addPoints(const aiMesh& source, const aiMatrix4x4& transform, MeshBuilder& builder) {
    const std::size_t first = builder.points.size();
    builder.points.resize(first + source.mNumVertices);
    for (unsigned v = 0; v < source.mNumVertices; ++v) {
        const aiVector3D p = transform * source.mVertices[v];
        builder.points[first + v] = {p.x + 0.0f, p.y + 0.0f, p.z + 0.0f};
    }
    if (source.mColors[0] == nullptr && builder.colours.empty()) return;
    builder.useColours();
    for (unsigned v = 0; source.mColors[0] != nullptr && v < source.mNumVertices; ++v) {
        const aiColor4D& c = source.mColors[0][v];
        builder.colours[first + v] = {colourByte(c.r), colourByte(c.g), colourByte(c.b),
                                      colourByte(c.a)};
    }
}

}  // namespace

std::string SceneReader::extensions() {
    std::string list;
    Assimp::Importer().GetExtensionList(list);  // "*.3d;*.3ds;..."
    std::string words;
    for (std::size_t start = 0; start < list.size();) {
        std::size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        std::string extension = list.substr(start, end - start);
        if (extension.rfind("*.", 0) == 0) extension.erase(0, 2);
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (!extension.empty()) words += (words.empty() ? "" : " ") + extension;
        start = end + 1;
    }
    return words;
}

bool SceneReader::read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) {
    Assimp::Importer library;
    library.SetIOHandler(&files);
    ReadProgress* progress = nullptr;
    if (showProgress && progressStream != nullptr && size >= kProgressFileSize) {
        progress = new ReadProgress(progressStream, path);
        library.SetProgressHandler(progress);  // the library deletes it
    }
    // From memory: the library reads the model as a file of its own magic name, and asks the
    // files it names of ConfinedFiles, relative to the model's folder.
    const aiScene* scene = library.ReadFileFromMemory(data, size, kSteps, format.c_str());
    if (progress != nullptr) progress->finish(scene != nullptr);
    const bool read = collectScene(library, scene, meshes);
    library.SetIOHandler(nullptr);  // files is not the library's to delete
    return read;
}

bool SceneReader::collectScene(Assimp::Importer& library, const aiScene* scene,
                               std::vector<TriangleMesh>& meshes) {
    if (!files.refusal.empty()) return fail(0, files.refusal);
    if (scene == nullptr) return fail(0, "cannot read: " + oneLine(library.GetErrorString()));
    if (!checkTextures(*scene)) return false;
    std::vector<TriangleMesh> found;
    if (scene->mRootNode != nullptr && !collect(*scene, *scene->mRootNode, aiMatrix4x4(), found))
        return false;
    if (!allNormals) loosePoints.normals.clear();
    return found.empty() ? finishFile(loosePoints, "", found, meshes) : keep(found, meshes);
}

// Textures are named, never read, but a model that names one outside its folder is refused as
// one that reads it would be. Embedded textures ("*0") and data: URIs name no file.
bool SceneReader::checkTextures(const aiScene& scene) {
    for (unsigned m = 0; m < scene.mNumMaterials; ++m) {
        const aiMaterial& material = *scene.mMaterials[m];
        for (unsigned i = 0; i < material.mNumProperties; ++i) {
            const aiMaterialProperty& property = *material.mProperties[i];
            if (std::strcmp(property.mKey.C_Str(), _AI_MATKEY_TEXTURE_BASE) != 0) continue;
            aiString name;
            if (material.Get(_AI_MATKEY_TEXTURE_BASE, property.mSemantic, property.mIndex, name) !=
                AI_SUCCESS)
                continue;
            const std::string text = name.C_Str();
            if (text.empty() || text[0] == '*' || text.rfind("data:", 0) == 0) continue;
            const std::string why = ConfinedFiles::refusalOf(text);
            if (!why.empty())
                return fail(0, "refers to " + quote(text.data(), text.data() + text.size()) + ", " +
                                   why);
        }
    }
    return true;
}

// Appends the triangles of every mesh the node and its children use, in world coordinates. The
// nodes are walked depth first, in order, on a stack of their own: a hierarchy tens of thousands
// of nodes deep must not exhaust the thread's.
bool SceneReader::collect(const aiScene& scene, const aiNode& root, const aiMatrix4x4& top,
                          std::vector<TriangleMesh>& meshes) {
    struct Visit {
        const aiNode* node;
        aiMatrix4x4 parent;
    };
    std::vector<Visit> pending{{&root, top}};
    while (!pending.empty()) {
        const aiNode& node = *pending.back().node;
        const aiMatrix4x4 transform = pending.back().parent * node.mTransformation;
        pending.pop_back();
        if (!collectNode(scene, node, transform, meshes)) return false;
        for (unsigned i = node.mNumChildren; i-- > 0;)
            pending.push_back({node.mChildren[i], transform});
    }
    return true;
}

// Appends the triangles of the meshes of node, with transform.
bool SceneReader::collectNode(const aiScene& scene, const aiNode& node,
                              const aiMatrix4x4& transform, std::vector<TriangleMesh>& meshes) {
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh& source = *scene.mMeshes[node.mMeshes[i]];
        if ((source.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) == 0) {
            if ((source.mPrimitiveTypes & aiPrimitiveType_POINT) == 0) continue;
            if (!collectPoints(source, transform)) return false;
            continue;
        }
        MeshBuilder builder;
        addPoints(source, transform, builder);
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
    return true;
}

// Points of a mesh of points, in world coordinates, with their normals turned as the points are.
bool SceneReader::collectPoints(const aiMesh& source, const aiMatrix4x4& transform) {
    const std::size_t first = loosePoints.points.size();
    addPoints(source, transform, loosePoints);
    for (std::size_t v = first; v < loosePoints.points.size(); ++v) {
        const auto& p = loosePoints.points[v];
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
            return fail(0, "mesh \"" + std::string(source.mName.C_Str()) +
                               "\" has a point that is not a finite number");
    }
    allNormals = allNormals && source.mNormals != nullptr;
    if (!allNormals) return true;
    const aiMatrix3x3 turn(transform);
    for (unsigned v = 0; v < source.mNumVertices; ++v) {
        aiVector3D n = turn * source.mNormals[v];
        n.Normalize();
        const bool finite = std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z);
        loosePoints.normals.push_back(finite ? std::array<float, 3>{n.x, n.y, n.z}
                                             : std::array<float, 3>{0.0f, 0.0f, 0.0f});
    }
    return true;
}

}  // namespace kalderino
