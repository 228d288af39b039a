// ModelFiles: through the importer, as kalderino-import reads them.
#include "session/ModelFiles.h"

#include "import/Importer.h"

namespace kalderino {

namespace {

class ImportedModelFiles : public ModelFiles {
public:
    bool isModelFile(const std::string& path) const override {
        return Importer::readerOf(path) != Importer::Reader::none;
    }
    bool read(const std::string& path, bool ownReadersOnly,
              std::vector<TriangleMesh>& meshes) override {
        Importer importer;
        importer.libraryAllowed = !ownReadersOnly;
        return importer.read(path, meshes);
    }
};

}  // namespace

ModelFiles& importedModelFiles() {
    static ImportedModelFiles files;
    return files;
}

}  // namespace kalderino
