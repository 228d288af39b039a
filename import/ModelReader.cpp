// ModelReader: messages and mesh names shared by the format readers.
#include "import/ModelReader.h"

#include "io/MeshName.h"
#include "io/TokenReader.h"
#include "io/file/Diagnostic.h"

#include <climits>
#include <cstring>
#include <new>

namespace kalderino {

bool ModelReader::readFile(const std::string& file, std::vector<TriangleMesh>& meshes) {
    path = file;
    FileContents contents;
    if (!contents.load(path, diagnostics)) return false;
    std::vector<TriangleMesh> found;
    // A failure has been said in one line, about the file as it was read; a shrink the reader
    // never reached is said after a complete reading, which drops what it read.
    if (!readContents(contents, found)) return false;
    return contents.intact() && keep(found, meshes);
}

bool ModelReader::readContents(const FileContents& file, std::vector<TriangleMesh>& meshes) {
    source = &file;
    making.clear();
    bool read = false;
    try {
        read = this->read(file.data(), file.size(), meshes);
    } catch (const std::bad_alloc&) {
        // What the reader had made is gone with its frames; the line needs little memory.
        read = fail(0, notEnoughMemory(making.empty()
                                           ? "the meshes of its " + counted(file.size()) + " bytes"
                                           : making));
    }
    source = nullptr;
    return read;
}

void ModelReader::doneWith(const char* position) const {
    if (source != nullptr) source->discardBefore(position);
}

void ModelReader::skipByteOrderMark(const char*& data, std::size_t& size) {
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
        data += 3;
        size -= 3;
    }
}

bool ModelReader::keep(std::vector<TriangleMesh>& found, std::vector<TriangleMesh>& meshes) {
    for (TriangleMesh& mesh : found) meshes.push_back(std::move(mesh));
    return true;
}

bool ModelReader::reject(const TokenReader& tokens, const std::string& what,
                         const std::string& after) const {
    return messages().rejectToken(tokens, what, after);
}

bool ModelReader::rejectLineEnd(const TokenReader& tokens, const std::string& what) const {
    return messages().rejectLineEnd(tokens, what);
}

bool ModelReader::finishMesh(MeshBuilder& builder, const std::string& ownName,
                             std::vector<TriangleMesh>& meshes) const {
    if (builder.empty()) return true;
    const std::string name = meshName(ownName, path);
    if (builder.triangleCount() > static_cast<std::size_t>(INT_MAX) ||
        builder.points.size() > static_cast<std::size_t>(INT_MAX))
        return fail(0, "mesh \"" + name + "\" is too large for the data file's counts");
    meshes.emplace_back();
    meshes.back().name = name;
    builder.finish(meshes.back());
    if (meshes.back().points.size() <= static_cast<std::size_t>(INT_MAX)) return true;
    meshes.pop_back();
    return fail(0, "mesh \"" + name + "\" is too large for the data file's counts");
}

bool ModelReader::finishFile(MeshBuilder& builder, const std::string& ownName,
                             std::vector<TriangleMesh>& found,
                             std::vector<TriangleMesh>& meshes) const {
    if (!finishMesh(builder, ownName, found)) return false;
    if (found.empty() && !builder.points.empty()) {
        if (builder.points.size() > static_cast<std::size_t>(INT_MAX))
            return fail(0, "too many points for the data file's counts");
        found.emplace_back();
        found.back().name = meshName(ownName, path);
        builder.finishPoints(found.back());
    }
    return keep(found, meshes);
}

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
    name.erase(keptNameLength(name.data(), name.size(), NameCut::wholeCharacters));
    return name.empty() ? "mesh" : name;
}

}  // namespace kalderino
