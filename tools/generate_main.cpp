// kalderino-generate: writes the bundled sample or a big generated terrain as a data file.
#include "cli/CommandLine.h"
#include "io/DataFileWriter.h"
#include "tools/MeshGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kalderino {

namespace {

constexpr const char* kUsage =
    "usage: kalderino-generate sample [-o FILE] | terrain TRIANGLES [--shuffle SEED] [-o FILE]\n";

// One line, and the status of every other failure.
int usage() {
    std::fputs(kUsage, stderr);
    return 1;
}

}  // namespace

int run(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string mode = argv[1];
    if (mode == "--help") {
        std::printf("%s\nWrites the bundled sample scene, or a rolling terrain of about TRIANGLES "
                    "triangles\n(with its points numbered at random given --shuffle), as a data "
                    "file: to FILE,\nor to standard output.\n",
                    kUsage);
        return 0;
    }
    if (mode == "--version") {
        std::printf("kalderino-generate %s\n", KALDERINO_VERSION);
        return 0;
    }
    const char* output = nullptr;
    long triangles = 0;
    bool shuffle = false;
    unsigned long seed = 0;
    int next = 2;
    if (mode == "terrain") {
        if (argc < 3) return usage();
        triangles = std::strtol(argv[2], nullptr, 10);
        if (triangles < 2) return usage();
        next = 3;
    } else if (mode != "sample") {
        return usage();
    }
    for (int i = next; i < argc; ++i) {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
            output = argv[++i];
        } else if (std::strcmp(argv[i], "--shuffle") == 0 && i + 1 < argc) {
            shuffle = true;
            seed = std::strtoul(argv[++i], nullptr, 10);
        } else {
            return usage();
        }
    }

    std::vector<TriangleMesh> meshes;
    if (mode == "sample") {
        meshes = sampleScene();
    } else {
        meshes.push_back(terrain("terrain", triangles, 1));
        if (shuffle) shufflePoints(meshes.back(), static_cast<std::uint32_t>(seed));
    }
    if (output == nullptr) {
        const std::string text = formatDataFile(meshes);
        return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                       std::fflush(stdout) == 0
                   ? 0
                   : 1;
    }
    DataFileWriter writer;
    writer.overwrite = true;
    writer.decimals = kGeneratedDecimals;
    return writer.write(output, meshes) ? 0 : 1;
}

}  // namespace kalderino

int main(int argc, char** argv) {
    return kalderino::runCatching("kalderino-generate", kalderino::run, argc, argv);
}
