// Importer: the choice of reader by extension.
#include "import/Importer.h"

#include "import/LibraryReader.h"
#include "import/ObjReader.h"
#include "import/OffReader.h"
#include "import/PlyReader.h"
#include "import/StlReader.h"
#include "io/Diagnostic.h"
#include "io/TemporaryFile.h"

#include <memory>
#include <strings.h>

namespace kalderino {

namespace {

// The extension of the file's name, or "".
const char* extensionOf(const std::string& path) {
    const std::size_t dot = path.find_last_of("./");
    return dot == std::string::npos || path[dot] == '/' ? "" : &path[dot + 1];
}

std::unique_ptr<ModelReader> readerFor(const char* extension) {
    if (::strcasecmp(extension, "obj") == 0) return std::make_unique<ObjReader>();
    if (::strcasecmp(extension, "ply") == 0) return std::make_unique<PlyReader>();
    if (::strcasecmp(extension, "stl") == 0) return std::make_unique<StlReader>();
    if (::strcasecmp(extension, "off") == 0) return std::make_unique<OffReader>();
    return nullptr;
}

}  // namespace

Importer::Reader Importer::readerOf(const std::string& path) {
    if (readerFor(extensionOf(path)) != nullptr) return Reader::own;
    const std::size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] == '/' || dot + 1 == path.size()) return Reader::none;
    return LibraryReader::readsExtension(path.substr(dot + 1)) ? Reader::library : Reader::none;
}

bool Importer::read(const std::string& path, std::vector<TriangleMesh>& meshes) {
    const char* extension = format.empty() ? extensionOf(path) : format.c_str();
    if (*extension == '\0' && TemporaryFile::isStream(path)) {
        reportError(diagnostics, path, 0,
                    "is not a regular file and its name has no extension to tell its format by; "
                    "name the format with --format EXT (as --format obj)");
        return false;
    }
    std::unique_ptr<ModelReader> reader = throughLibrary ? nullptr : readerFor(extension);
    if (reader == nullptr && !libraryAllowed) {
        reportError(diagnostics, path, 0, "only OBJ, PLY, STL and OFF files are read here");
        return false;
    }
    if (reader == nullptr) {
        auto library = std::make_unique<LibraryReader>();
        library->showProgress = showProgress;
        library->format = format;
        reader = std::move(library);
    }
    reader->diagnostics = diagnostics;
    const std::size_t before = meshes.size();
    if (!reader->readFile(path, meshes)) return false;
    if (meshes.size() > before) return true;
    reportError(diagnostics, path, 0, "holds no triangles");
    return false;
}

}  // namespace kalderino
