// kalderino-generate: writes the bundled sample or a big generated terrain as a data file.
#include "cli/CommandLine.h"
#include "io/DataFileWriter.h"
#include "tools/GenerateOptions.h"
#include "tools/MeshGenerator.h"

#include <cstdio>
#include <string>
#include <vector>

namespace kalderino {

namespace {

int run(int argc, char** argv) {
    GenerateOptions options;
    if (!options.parse(argc, argv)) return options.status;
    std::vector<TriangleMesh> meshes;
    if (!options.terrain) {
        meshes = sampleScene();
    } else {
        meshes.push_back(terrain("terrain", options.triangles, 1));
        if (options.shuffle) shufflePoints(meshes.back(), options.seed);
    }
    if (options.output.empty()) {
        const std::string text = formatDataFile(meshes);
        return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                       std::fflush(stdout) == 0
                   ? 0
                   : 1;
    }
    DataFileWriter writer;
    writer.overwrite = true;
    writer.decimals = kGeneratedDecimals;
    return writer.write(options.output, meshes) ? 0 : 1;
}

}  // namespace

}  // namespace kalderino

int main(int argc, char** argv) {
    return kalderino::runCatching("kalderino-generate", kalderino::run, argc, argv);
}
