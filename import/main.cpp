// kalderino-import: converts model files (see import/Formats.h) into the viewer's data file.
#include "cli/CommandLine.h"
#include "import/ImportOptions.h"
#include "import/Importer.h"
#include "io/DataFileWriter.h"
#include "io/file/Diagnostic.h"
#include "io/file/TemporaryFile.h"
#include "mesh/StartView.h"

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace kalderino {

namespace {

int run(int argc, char** argv) {
    ImportOptions options;
    if (!options.parse(argc, argv)) return options.status;
    const std::string& output = options.output;
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    // Refused before reading, which may take long; the writer checks again at the end. A device
    // or FIFO is written into, not replaced, and needs no --force.
    const bool stream = TemporaryFile::isStream(output);
    for (const std::string& input : options.inputs) {
        if (TemporaryFile::sameFile(output, input)) {
            reportError(stderr, output, 0,
                        "is the input " + input + "; refusing to write over it, --force or not");
            return 1;
        }
    }
    if (!options.overwrite && !stream && ::access(output.c_str(), F_OK) == 0) {
        reportError(stderr, output, 0, "already exists; pass --force to replace it");
        return 1;
    }
    std::vector<TriangleMesh> meshes;
    Importer importer;
    importer.showProgress = terminal;
    importer.format = options.format;
    importer.formatHint = "name the format with --format EXT (as --format obj)";
    for (const std::string& input : options.inputs)
        if (!importer.read(input, meshes)) return 1;
    if (!options.keepCoordinates) fitToView(meshes);

    DataFileWriter writer;
    writer.overwrite = options.overwrite;
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
