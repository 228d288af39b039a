// Importer: the format of a file, and the reader it names.
#include "import/Importer.h"

#include "import/LibraryReader.h"
#include "import/OwnReaders.h"
#include "io/file/Diagnostic.h"
#include "io/file/TemporaryFile.h"

#include <memory>

namespace kalderino {

const Format* Importer::formatOf(const std::string& path) {
    std::string extension = extensionOf(path);
    if (const Format* format = formatOfExtension(extension)) return format;
    const bool libraryKnows = !extension.empty() && LibraryReader::readsExtension(extension);
    return libraryKnows ? &kLibraryOthers : nullptr;
}

bool Importer::read(const std::string& path, std::vector<TriangleMesh>& meshes) {
    const std::string extension = format.empty() ? extensionOf(path) : format;
    if (extension.empty() && TemporaryFile::isStream(path)) {
        reportError(diagnostics, path, 0,
                    "is not a regular file and its name has no extension to tell its format by" +
                        (formatHint.empty() ? "" : "; " + formatHint));
        return false;
    }
    const Format* row = formatOfExtension(extension);
    return read(path, row != nullptr ? *row : kLibraryOthers, meshes);
}

bool Importer::read(const std::string& path, const Format& fileFormat,
                    std::vector<TriangleMesh>& meshes) {
    if (thumbnailsOnly && !fileFormat.thumbnails) {
        reportError(diagnostics, path, 0, thumbnailRefusal());
        return false;
    }
    std::unique_ptr<ModelReader> reader = throughLibrary ? nullptr : ownReaderFor(fileFormat);
    if (reader == nullptr) {
        auto library = std::make_unique<LibraryReader>();
        library->showProgress = showProgress;
        library->format = format;
        reader = std::move(library);
    }
    reader->diagnostics = diagnostics;
    reader->colours = colours;
    const std::size_t before = meshes.size();
    if (!reader->readFile(path, meshes)) return false;
    if (meshes.size() == before) {
        reportError(diagnostics, path, 0, "holds no triangles");
        return false;
    }
    // A point cloud is a file's one mesh, which has no triangles.
    if (pointClouds || !meshes.back().triangles.empty()) return true;
    reportError(diagnostics, path, 0,
                "holds " + counted(meshes.back().points.size()) +
                    " points and no triangles; a data file holds triangles only");
    meshes.pop_back();
    return false;
}

}  // namespace kalderino
