// GenerateOptions: kalderino-generate's command line, read and checked before anything is made.
#pragma once

#include <cstdint>
#include <string>

namespace kalderino {

struct GenerateOptions {
    // The most triangles a terrain may have: the data file counts them in 32 bits.
    static constexpr long kMaxTriangles = 2000000000;

    // Reads the whole command line, argv[0] first. Returns false when the program ends here,
    // with status (after its help, its version or a usage error, which parse has printed).
    bool parse(int argc, const char* const* argv);
    int status = 0;

    bool terrain = false;  // else the bundled sample
    long triangles = 0;    // about as many in the terrain
    bool shuffle = false;  // number the terrain's points at random, from seed
    std::uint32_t seed = 0;
    std::string output;  // standard output when empty
};

}  // namespace kalderino
