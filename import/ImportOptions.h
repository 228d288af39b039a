// ImportOptions: kalderino-import's command line, read and checked before any file is read.
#pragma once

#include "io/MeshLoader.h"

#include <string>
#include <vector>

namespace kalderino {

struct ImportOptions {
    // Reads the whole command line, argv[0] first. Returns false when the program ends here,
    // with status (after its help, its version or a usage error, which parse has printed).
    bool parse(int argc, const char* const* argv);
    int status = 0;

    std::vector<std::string> inputs;
    std::string output = MeshLoader::kFileName;
    bool overwrite = false;  // --force
    bool keepCoordinates = false;
    std::string format;  // the extension every input is read as, without a full stop
};

}  // namespace kalderino
