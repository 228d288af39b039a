// ModelFiles: through the importer, as kalderino-import reads them.
#include "session/ModelFiles.h"

#include "import/Importer.h"

namespace kalderino {

FileKind kindOf(const std::string& path) {
    switch (Importer::readerOf(path)) {
    case Importer::Reader::own:
        return FileKind::ownModel;
    case Importer::Reader::library:
        return FileKind::libraryModel;
    case Importer::Reader::none:
        break;
    }
    return FileKind::data;
}

bool readModelFile(const std::string& path, bool ownReadersOnly,
                   std::vector<TriangleMesh>& meshes) {
    Importer importer;
    importer.libraryAllowed = !ownReadersOnly;
    return importer.read(path, meshes);
}

}  // namespace kalderino
