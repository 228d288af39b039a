// OwnReaders: the rows of the table with a reader of the project's own, by name.
#include "import/OwnReaders.h"

#include "import/ObjReader.h"
#include "import/OffReader.h"
#include "import/PlyReader.h"
#include "import/StlReader.h"

#include <cstring>

namespace kalderino {

std::unique_ptr<ModelReader> ownReaderFor(const Format& format) {
    if (format.reader != Format::Reader::own) return nullptr;
    const auto is = [&format](const char* name) { return std::strcmp(format.name, name) == 0; };
    if (is("OBJ")) return std::make_unique<ObjReader>();
    if (is("PLY")) return std::make_unique<PlyReader>();
    if (is("STL")) return std::make_unique<StlReader>();
    if (is("OFF")) return std::make_unique<OffReader>();
    return nullptr;  // a row without its reader, which tests/import/FormatsTest finds
}

}  // namespace kalderino
