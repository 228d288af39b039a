// kalderino-generate: writes the bundled sample or a big generated terrain as a data file.
#include "tools/MeshGenerator.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: kalderino-generate sample [-o FILE]\n"
                 "       kalderino-generate terrain TRIANGLES [--shuffle SEED] [-o FILE]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string mode = argv[1];
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

    std::vector<GeneratedMesh> meshes;
    if (mode == "sample") {
        meshes = sampleScene();
    } else {
        meshes.push_back(terrain("terrain", triangles, 1));
        if (shuffle) shufflePoints(meshes.back(), static_cast<std::uint32_t>(seed));
    }
    const std::string text = formatDataFile(meshes);

    std::FILE* file = output ? std::fopen(output, "wb") : stdout;
    if (file == nullptr) {
        std::fprintf(stderr, "kalderino-generate: cannot write %s: %s\n", output,
                     std::strerror(errno));
        return 1;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "kalderino-generate: cannot write %s\n", output ? output : "output");
        return 1;
    }
    return 0;
}
