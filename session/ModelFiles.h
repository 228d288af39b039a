// ModelFiles: how a session reads model files, where the program reads them at all. The viewer
// reads its data file only and has none; the programs that open the user's files are given the
// importer's readers.
#pragma once

#include "import/Formats.h"
#include "mesh/TriangleMesh.h"
#include "session/SimplifiedCopies.h"

#include <string>
#include <vector>

namespace kalderino {

class ModelFiles {
public:
    virtual ~ModelFiles() = default;

    // The format of the file at path, by its name (see import/Formats.h); null for a data file.
    virtual const Format* formatOf(const std::string& path) const = 0;
    // Appends the meshes of the model file at path, of that format, to meshes; with
    // ownReadersOnly, only a format allowed for thumbnails, which the project's own readers read.
    // Returns false after one line on stderr, with nothing appended.
    virtual bool read(const std::string& path, const Format& format, bool ownReadersOnly,
                      std::vector<TriangleMesh>& meshes) = 0;
    // What makes the coarse copies of big meshes drawn while the view moves; null where the
    // build has nothing to make them with, and every frame is drawn in full detail.
    virtual SimplifiedCopies::Simplify simplifier() const { return nullptr; }
};

// The importer's readers, or, in a build without them, a stand-in that knows the own formats by
// name and refuses them with one line saying what the build lacks.
ModelFiles& importedModelFiles();

}  // namespace kalderino
