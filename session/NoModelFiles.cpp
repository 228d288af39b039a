// ModelFiles, in a build without the importer's readers: model files are known by name, from
// the table of formats, and refused.
#include "io/file/Diagnostic.h"
#include "session/ModelFiles.h"

namespace kalderino {

namespace {

class NoModelFiles : public ModelFiles {
public:
    const Format* formatOf(const std::string& path) const override {
        // Not the library's others: the library is not there to tell them.
        return formatOfExtension(extensionOf(path));
    }
    bool read(const std::string& path, const Format& /*format*/, bool /*ownReadersOnly*/,
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
