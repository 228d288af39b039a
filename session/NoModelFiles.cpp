// ModelFiles, in a build without the importer's readers: only data files can be opened.
#include "io/Diagnostic.h"
#include "session/ModelFiles.h"

bool readModelFile(const std::string& path, bool /*ownReadersOnly*/,
                   std::vector<TriangleMesh>& /*meshes*/) {
    reportError(stderr, path, 0,
                "not a data file (.dat), and this build reads no model files (it was built "
                "without libassimp-dev and libmeshoptimizer-dev)");
    return false;
}
