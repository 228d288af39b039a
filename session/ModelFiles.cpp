// ModelFiles: through the importer, as kalderino-import reads them.
#include "session/ModelFiles.h"

#include "import/Importer.h"

namespace kalderino {

namespace {

class ImportedModelFiles : public ModelFiles {
public:
    const Format* formatOf(const std::string& path) const override {
        return Importer::formatOf(path);
    }
    bool read(const std::string& path, const Format& format, bool ownReadersOnly,
              std::vector<TriangleMesh>& meshes) override {
        Importer importer;
        importer.thumbnailsOnly = ownReadersOnly;
        importer.pointClouds = importer.colours = true;
        return importer.read(path, format, meshes);
    }
};

}  // namespace

ModelFiles& importedModelFiles() {
    static ImportedModelFiles files;
    return files;
}

}  // namespace kalderino
