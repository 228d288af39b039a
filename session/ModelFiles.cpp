// ModelFiles: through the importer, as kalderino-import reads them.
#include "session/ModelFiles.h"

#include "import/Importer.h"

bool readModelFile(const std::string& path, bool ownReadersOnly,
                   std::vector<TriangleMesh>& meshes) {
    Importer importer;
    importer.libraryAllowed = !ownReadersOnly;
    return importer.read(path, meshes);
}
