// ModelFiles, in a build without the importer's readers: model files are known by name, and
// refused.
#include "io/Diagnostic.h"
#include "session/ModelFiles.h"

#include <strings.h>

namespace kalderino {

namespace {

class NoModelFiles : public ModelFiles {
public:
    bool isModelFile(const std::string& path) const override {
        const std::size_t dot = path.find_last_of("./");
        if (dot == std::string::npos || path[dot] == '/') return false;
        for (const char* own : {"obj", "ply", "stl", "off"})
            if (::strcasecmp(path.c_str() + dot + 1, own) == 0) return true;
        return false;  // the library's formats too: it is not there to tell them
    }
    bool read(const std::string& path, bool /*ownReadersOnly*/,
              std::vector<TriangleMesh>& /*meshes*/) override {
        reportError(stderr, path, 0,
                    "is a model file, and this build reads none (it was built without "
                    "libassimp-dev)");
        return false;
    }
};

}  // namespace

ModelFiles& importedModelFiles() {
    static NoModelFiles files;
    return files;
}

}  // namespace kalderino
