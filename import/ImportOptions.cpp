// ImportOptions: the options, their help and the formats it names, from the table.
#include "import/ImportOptions.h"

#include "cli/CommandLine.h"
#include "import/Formats.h"

namespace kalderino {

namespace {

std::string help() {
    return "usage: kalderino-import [-o PATH] [--force] [--keep-coordinates] [--format EXT] "
           "FILE...\n\n" +
           wrap("Converts model files (" + formatNames(Formats::all) +
                ") into the viewer's data file, one mesh per mesh found.") +
           "\n"
           "  -o PATH             write PATH instead of dataTest3.dat in the current\n"
           "                      folder\n"
           "  --force             replace an existing file\n"
           "  --format EXT        read every FILE as the format of that extension (as obj\n"
           "                      or gltf), as a pipe or /dev/stdin needs\n"
           "  --keep-coordinates  keep the files' coordinates instead of fitting all meshes\n"
           "                      into the part of space the viewer shows at start\n"
           "  --help              show this text\n"
           "  --version           show the version\n";
}

}  // namespace

bool ImportOptions::parse(int argc, const char* const* argv) {
    CommandLine line("kalderino-import", help());
    line.option("-o", text(output));
    line.option("--format", [this](const std::string& name, const std::string& value) {
        format = value.substr(value.rfind('.', 0) == 0 ? 1 : 0);
        return format.empty() ? name + " needs a value" : "";
    });
    line.flag("--force", overwrite);
    line.flag("--keep-coordinates", keepCoordinates);
    const bool good =
        line.parse(argc, argv) && (!line.operands.empty() || line.refuse("no input files"));
    inputs = line.operands;
    status = line.status;
    return good;
}

}  // namespace kalderino
