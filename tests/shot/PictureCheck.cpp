// picture_check: runs kalderino-shot and compares each picture it writes with its baseline.
// Usage: picture_check SHOT DATAFILE SIZE KEYS OUTPUT BASELINE PICTURES TOLERANCE
// OUTPUT and BASELINE hold "%d" when PICTURES is above 1. A pixel differs when one of its
// channels differs by more than kChannelSlack; a picture fails when more than TOLERANCE (a
// fraction) of its pixels differ, or its size differs. A failure writes the difference beside
// the output as NAME.diff.png: differing pixels white, the rest the baseline darkened. With
// UPDATE_BASELINES=1 in the environment the outputs replace the baselines instead.
#include "tests/ProgramRun.h"
#include "tests/shot/PngPicture.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using kalderino::PngPicture;

constexpr int kChannelSlack = 2;

std::string numbered(const std::string& pattern, int index, int count) {
    if (count == 1) return pattern;
    char name[4096];
    std::snprintf(name, sizeof name, pattern.c_str(), index);
    return name;
}

bool compare(const std::string& outputPath, const std::string& baselinePath, double tolerance) {
    const PngPicture output(outputPath);
    if (output.rgba.empty()) {
        std::printf("%s: not a readable PNG\n", outputPath.c_str());
        return false;
    }
    if (std::getenv("UPDATE_BASELINES") != nullptr) {
        std::filesystem::copy_file(outputPath, baselinePath,
                                   std::filesystem::copy_options::overwrite_existing);
        std::printf("%s: baseline updated\n", baselinePath.c_str());
        return true;
    }
    const PngPicture baseline(baselinePath);
    if (baseline.rgba.empty()) {
        std::printf("%s: no baseline (rerun with UPDATE_BASELINES=1 to take the output)\n",
                    baselinePath.c_str());
        return false;
    }
    if (output.width != baseline.width || output.height != baseline.height) {
        std::printf("%s: %d x %d, but the baseline is %d x %d\n", outputPath.c_str(), output.width,
                    output.height, baseline.width, baseline.height);
        return false;
    }
    std::vector<unsigned char> difference = baseline.rgba;
    long differing = 0;
    for (std::size_t i = 0; i < output.rgba.size(); i += 4) {
        bool differs = false;
        for (std::size_t c = i; c < i + 3; ++c)
            differs = differs || std::abs(output.rgba[c] - baseline.rgba[c]) > kChannelSlack;
        differing += differs;
        for (std::size_t c = i; c < i + 3; ++c)
            difference[c] = differs ? 255 : static_cast<unsigned char>(baseline.rgba[c] / 4);
    }
    const long pixels = static_cast<long>(output.width) * output.height;
    const bool matches = differing <= std::floor(tolerance * static_cast<double>(pixels));
    std::printf("%s: %ld of %ld pixels differ from %s (allowed: %.4f%%)\n", outputPath.c_str(),
                differing, pixels, baselinePath.c_str(), 100 * tolerance);
    if (!matches) {
        const std::string diffPath =
            outputPath.substr(0, outputPath.size() - std::string(".png").size()) + ".diff.png";
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = static_cast<png_uint_32>(output.width);
        image.height = static_cast<png_uint_32>(output.height);
        image.format = PNG_FORMAT_RGBA;
        if (png_image_write_to_file(&image, diffPath.c_str(), 0, difference.data(), 0, nullptr))
            std::printf("difference: %s\n", diffPath.c_str());
    }
    return matches;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 9) {
        std::fprintf(stderr, "usage: picture_check SHOT DATAFILE SIZE KEYS OUTPUT BASELINE "
                             "PICTURES TOLERANCE\n");
        return 2;
    }
    const std::string output = argv[5];
    const std::string baseline = argv[6];
    const int count = std::atoi(argv[7]);
    const double tolerance = std::atof(argv[8]);
    std::string expected;
    for (int i = 0; i < count; ++i) {
        std::filesystem::remove(numbered(output, i, count));
        expected += numbered(output, i, count) + "\n";
    }
    std::filesystem::create_directories(std::filesystem::path(output).parent_path());
    // The arguments hold no single quote.
    const kalderino::Outcome shot =
        kalderino::run(std::string("exec '") + argv[1] + "' --size " + argv[3] + " --keys '" +
                       argv[4] + "' -o '" + output + "' '" + argv[2] + "'");
    if (shot.status != 0 || shot.out != expected) {
        std::printf("kalderino-shot exited with %d and printed:\n%s\nexpected:\n%s", shot.status,
                    shot.out.c_str(), expected.c_str());
        return 1;
    }
    bool matches = true;
    for (int i = 0; i < count; ++i)
        matches =
            compare(numbered(output, i, count), numbered(baseline, i, count), tolerance) && matches;
    return matches ? 0 : 1;
}
