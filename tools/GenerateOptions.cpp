// GenerateOptions: the two modes, their options and the help.
#include "tools/GenerateOptions.h"

#include "cli/CommandLine.h"
#include "io/file/Diagnostic.h"

#include <vector>

namespace kalderino {

namespace {

std::string help() {
    return "usage: kalderino-generate sample [-o FILE] | terrain TRIANGLES [--shuffle SEED] "
           "[-o FILE]\n\n" +
           wrap("Writes the bundled sample scene, or a rolling terrain of about TRIANGLES "
                "triangles (from 2 to 2000000000; with its points numbered at random given "
                "--shuffle, SEED from 0 to 4294967295), as a data file: to FILE, or to standard "
                "output.");
}

// The mode and its count, the operands after the options.
bool readMode(CommandLine& line, GenerateOptions& options) {
    const std::vector<std::string>& operands = line.operands;
    const std::string mode = operands.empty() ? "" : operands[0];
    options.terrain = mode == "terrain";
    const std::size_t most = options.terrain ? 2 : 1;
    long long count = 0;
    if (mode != "sample" && !options.terrain)
        return line.refuse("expected sample or terrain" +
                           (operands.empty() ? "" : ", found " + quote(mode)));
    if (operands.size() > most) return line.refuse("unexpected argument " + quote(operands[most]));
    if (options.shuffle && !options.terrain) return line.refuse("--shuffle is for terrain only");
    if (!options.terrain) return true;
    if (operands.size() < 2) return line.refuse("terrain needs a number of triangles");
    if (!readNumber(operands[1], 2, GenerateOptions::kMaxTriangles, count))
        return line.refuse(
            numberExpected("TRIANGLES", 2, GenerateOptions::kMaxTriangles, operands[1]));
    options.triangles = static_cast<long>(count);
    return true;
}

}  // namespace

bool GenerateOptions::parse(int argc, const char* const* argv) {
    CommandLine line("kalderino-generate", help());
    line.option("-o", text(output));
    line.option("--shuffle", [this](const std::string& name, const std::string& value) {
        shuffle = true;
        return number(seed, 0, UINT32_MAX)(name, value);
    });
    const bool good = line.parse(argc, argv) && readMode(line, *this);
    status = line.status;
    return good;
}

}  // namespace kalderino
