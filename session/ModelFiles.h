// ModelFiles: how a session reads model files, where the program reads them at all. The viewer
// reads its data file only and has none; the programs that open the user's files are given the
// importer's readers.
#pragma once

#include "mesh/TriangleMesh.h"

#include <string>
#include <vector>

namespace kalderino {

class ModelFiles {
public:
    virtual ~ModelFiles() = default;

    // Whether path names a model file (by its format), rather than a data file.
    virtual bool isModelFile(const std::string& path) const = 0;
    // Appends the meshes of the model file at path to meshes, read by the project's own readers
    // or, unless ownReadersOnly, by the library. Returns false after one line on stderr, with
    // nothing appended.
    virtual bool read(const std::string& path, bool ownReadersOnly,
                      std::vector<TriangleMesh>& meshes) = 0;
};

// The importer's readers, or, in a build without them, a stand-in that knows the own formats by
// name and refuses them with one line saying what the build lacks.
ModelFiles& importedModelFiles();

}  // namespace kalderino
