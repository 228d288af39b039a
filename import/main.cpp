// kalderino-import: converts model files (OBJ, PLY, STL, OFF, glTF ...) into the viewer's data
// file.
#include "cli/CommandLine.h"
#include "import/Importer.h"
#include "io/DataFileWriter.h"
#include "io/MeshLoader.h"
#include "io/file/Diagnostic.h"
#include "io/file/TemporaryFile.h"
#include "mesh/StartView.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

namespace kalderino {

namespace {

constexpr const char* kUsage =
    "usage: kalderino-import [-o PATH] [--force] [--keep-coordinates] [--format EXT] FILE...";
constexpr const char* kHelp =
    "Converts model files (OBJ, PLY, STL, OFF, glTF and the other formats of the Open Asset\n"
    "Import Library) into the viewer's data file, one mesh per mesh found.\n"
    "\n"
    "  -o PATH             write PATH instead of dataTest3.dat in the current folder\n"
    "  --force             replace an existing file\n"
    "  --format EXT        read every FILE as the format of that extension (obj, ply, stl,\n"
    "                      off, gltf ...), as a pipe or /dev/stdin needs\n"
    "  --keep-coordinates  keep the files' coordinates instead of fitting all meshes into\n"
    "                      the part of space the viewer shows at start\n"
    "  --help              show this text\n"
    "  --version           show the version\n";

// One line, and the status of every other failure.
int usageError(const std::string& message) {
    std::fprintf(stderr, "kalderino-import: %s; %s\n", message.c_str(), kUsage);
    return 1;
}

int run(int argc, char** argv) {
    std::string output = MeshLoader::kFileName;
    bool overwrite = false;
    bool keepCoordinates = false;
    std::string format;
    std::vector<std::string> inputs;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!options || arg.empty() || arg[0] != '-' || arg == "-") {
            inputs.push_back(arg);
        } else if (arg == "--") {
            options = false;
        } else if (arg == "-o") {
            if (i + 1 == argc) return usageError("-o needs a path");
            output = argv[++i];
        } else if (arg == "--format") {
            if (i + 1 == argc || argv[i + 1][0] == '\0')
                return usageError("--format needs an extension");
            format = argv[++i];
            if (format[0] == '.') format.erase(0, 1);
        } else if (arg == "--force") {
            overwrite = true;
        } else if (arg == "--keep-coordinates") {
            keepCoordinates = true;
        } else if (arg == "--help" || arg == "-h") {
            std::printf("%s\n\n%s", kUsage, kHelp);
            return 0;
        } else if (arg == "--version") {
            std::printf("kalderino-import %s\n", KALDERINO_VERSION);
            return 0;
        } else {
            return usageError("unknown option \"" + arg + "\"");
        }
    }
    if (inputs.empty()) return usageError("no input files");

    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    // Refused before reading, which may take long; the writer checks again at the end. A device
    // or FIFO is written into, not replaced, and needs no --force.
    const bool stream = TemporaryFile::isStream(output);
    for (const std::string& input : inputs) {
        if (TemporaryFile::sameFile(output, input)) {
            reportError(stderr, output, 0,
                        "is the input " + input + "; refusing to write over it, --force or not");
            return 1;
        }
    }
    if (!overwrite && !stream && ::access(output.c_str(), F_OK) == 0) {
        reportError(stderr, output, 0, "already exists; pass --force to replace it");
        return 1;
    }
    std::vector<TriangleMesh> meshes;
    Importer importer;
    importer.showProgress = terminal;
    importer.format = format;
    importer.formatHint = "name the format with --format EXT (as --format obj)";
    for (const std::string& input : inputs)
        if (!importer.read(input, meshes)) return 1;
    if (!keepCoordinates) fitToView(meshes);

    DataFileWriter writer;
    writer.overwrite = overwrite;
    writer.existsHint = "pass --force to replace it";
    writer.showProgress = terminal;
    if (!writer.write(output, meshes)) return 1;

    std::size_t points = 0;
    std::size_t triangles = 0;
    for (const TriangleMesh& mesh : meshes) {
        points += mesh.points.size();
        triangles += mesh.triangles.size();
    }
    if (stream) return 0;  // standard output may be the data file itself
    std::printf("%s: %zu %s, %zu points, %zu triangles\n", output.c_str(), meshes.size(),
                meshes.size() == 1 ? "mesh" : "meshes", points, triangles);
    return 0;
}

}  // namespace

}  // namespace kalderino

// No exception leaves the program: memory that runs out where no check was made ends the run
// with one line.
int main(int argc, char** argv) {
    return kalderino::runCatching("kalderino-import", kalderino::run, argc, argv);
}
