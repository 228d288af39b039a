// picture_check: runs kalderino-shot and compares each picture it writes with its baseline.
// Usage: picture_check SHOT DATAFILE SIZE KEYS OUTPUT BASELINE PICTURES TOLERANCE
// OUTPUT and BASELINE hold "%d" when PICTURES is above 1. A pixel differs when one of its
// channels differs by more than kChannelSlack; a picture fails when more than TOLERANCE (a
// fraction) of its pixels differ, or its size differs. A failure writes the difference beside
// the output as NAME.diff.png: differing pixels white, the rest the baseline darkened. With
// UPDATE_BASELINES=1 in the environment the outputs replace the baselines instead.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <png.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kChannelSlack = 2;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

bool readPng(const std::string& path, Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
}

bool writePng(const std::string& path, const Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr) != 0;
}

std::string numbered(const std::string& pattern, int index, int count) {
    if (count == 1) return pattern;
    char name[4096];
    std::snprintf(name, sizeof name, pattern.c_str(), index);
    return name;
}

// Runs the command with no shell in between; returns its exit status and standard output.
int run(std::vector<std::string> arguments, std::string& output) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        std::_Exit(127);
    }
    ::close(pipeEnds[1]);
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool compare(const std::string& outputPath, const std::string& baselinePath, double tolerance) {
    Picture output;
    Picture baseline;
    if (!readPng(outputPath, output)) {
        std::printf("%s: not a readable PNG\n", outputPath.c_str());
        return false;
    }
    if (std::getenv("UPDATE_BASELINES") != nullptr) {
        std::filesystem::copy_file(outputPath, baselinePath,
                                   std::filesystem::copy_options::overwrite_existing);
        std::printf("%s: baseline updated\n", baselinePath.c_str());
        return true;
    }
    if (!readPng(baselinePath, baseline)) {
        std::printf("%s: no baseline (rerun with UPDATE_BASELINES=1 to take the output)\n",
                    baselinePath.c_str());
        return false;
    }
    if (output.width != baseline.width || output.height != baseline.height) {
        std::printf("%s: %d x %d, but the baseline is %d x %d\n", outputPath.c_str(), output.width,
                    output.height, baseline.width, baseline.height);
        return false;
    }
    Picture difference = baseline;
    long differing = 0;
    for (std::size_t i = 0; i < output.rgb.size(); i += 3) {
        bool differs = false;
        for (std::size_t c = i; c < i + 3; ++c)
            differs = differs || std::abs(output.rgb[c] - baseline.rgb[c]) > kChannelSlack;
        differing += differs;
        for (std::size_t c = i; c < i + 3; ++c)
            difference.rgb[c] = differs ? 255 : static_cast<unsigned char>(baseline.rgb[c] / 4);
    }
    const long pixels = static_cast<long>(output.width) * output.height;
    const bool matches = differing <= std::floor(tolerance * static_cast<double>(pixels));
    std::printf("%s: %ld of %ld pixels differ from %s (allowed: %.4f%%)\n", outputPath.c_str(),
                differing, pixels, baselinePath.c_str(), 100 * tolerance);
    if (!matches) {
        const std::string diffPath =
            outputPath.substr(0, outputPath.size() - std::string(".png").size()) + ".diff.png";
        if (writePng(diffPath, difference)) std::printf("difference: %s\n", diffPath.c_str());
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

    std::string printed;
    const int status =
        run({argv[1], "--size", argv[3], "--keys", argv[4], "-o", output, argv[2]}, printed);
    if (status != 0 || printed != expected) {
        std::printf("kalderino-shot exited with %d and printed:\n%s\nexpected:\n%s", status,
                    printed.c_str(), expected.c_str());
        return 1;
    }
    bool matches = true;
    for (int i = 0; i < count; ++i)
        matches =
            compare(numbered(output, i, count), numbered(baseline, i, count), tolerance) && matches;
    return matches ? 0 : 1;
}
