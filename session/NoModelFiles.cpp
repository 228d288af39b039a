// ModelFiles, in a build without the importer's readers: only data files can be opened.
#include "io/Diagnostic.h"
#include "session/ModelFiles.h"

#include <strings.h>

namespace kalderino {

FileKind kindOf(const std::string& path) {
    const std::size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] == '/') return FileKind::data;
    for (const char* own : {"obj", "ply", "stl", "off"})
        if (::strcasecmp(path.c_str() + dot + 1, own) == 0) return FileKind::ownModel;
    return FileKind::data;  // the library's formats too: it is not there to tell them
}

bool readModelFile(const std::string& path, bool /*ownReadersOnly*/,
                   std::vector<TriangleMesh>& /*meshes*/) {
    reportError(stderr, path, 0,
                "is a model file, and this build reads none (it was built without "
                "libassimp-dev and libmeshoptimizer-dev)");
    return false;
}

}  // namespace kalderino
