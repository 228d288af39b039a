// kalderino-view: opens model files and data files in a window, drawn, lit and turned as the
// viewer draws, lights and turns its own file.
#include "cli/CommandLine.h"
#include "driver/GlutDriver.h"
#include "io/PngFile.h"
#include "io/file/Diagnostic.h"
#include "session/ModelFiles.h"
#include "session/Viewer.h"
#include "view/ViewOptions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace kalderino {

namespace {

// Files read in less time than this open their window once read, and a file that cannot be read
// says so before any window opens; slower files open it at once and show their progress.
constexpr double kPatience = 0.5;

// For bench/measure and bench/frame-times: with KALDERINO_FRAME_LOG naming a file, a line for
// each frame showing the files, once shown (not for the frames of a reading's progress): the
// wall-clock time and the processor time of all threads so far, in microseconds, as
// bench/libswaptimes.so logs swaps, then "coarse" for a frame of simplified copies or "full".
std::function<void(bool)> frameLogger() {
    const char* path = std::getenv("KALDERINO_FRAME_LOG");
    if (path == nullptr) return nullptr;
    std::FILE* log = std::fopen(path, "a");
    if (log == nullptr) return nullptr;
    return [log](bool coarse) {
        timespec wall{};
        timespec processor{};
        clock_gettime(CLOCK_REALTIME, &wall);
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &processor);
        std::fprintf(log, "%lld %lld %s\n",
                     static_cast<long long>(wall.tv_sec) * 1000000 + wall.tv_nsec / 1000,
                     static_cast<long long>(processor.tv_sec) * 1000000 + processor.tv_nsec / 1000,
                     coarse ? "coarse" : "full");
        std::fflush(log);
    };
}

int run(int argc, char** argv) {
    ViewOptions options;
    if (!options.parse(argc, argv)) return options.status;
    const std::vector<std::string>& files = options.files;

    // What is handed to the renderer lives until the process ends, as in the viewer.
    Viewer* viewer = new Viewer(&importedModelFiles());
    viewer->modelViewer = true;
    viewer->keyReport = nullptr;  // stdout stays silent: no unbound-key lines
    viewer->timeFrames = true;
    viewer->simplifyAtStart = true;
    viewer->frameShown = frameLogger();
    const std::string wrong = viewer->chooseViewing(options.view, options.up);
    if (!wrong.empty()) return usageError("kalderino-view", wrong);
    viewer->watchFiles = options.watch;
    viewer->saveFrame = [](const std::vector<unsigned char>& rgba, int width, int height,
                           const std::string& stem) {
        return writeNewPng(stem, rgba, width, height);
    };
    if (!viewer->open(files, options.models, kPatience)) return 1;
    return runModelViewer(*viewer, options.glutArgv(), viewer->title(), options.place);
}

}  // namespace

}  // namespace kalderino

// No exception leaves the program: memory that runs out where no check was made ends the run
// with one line.
int main(int argc, char** argv) {
    return kalderino::runCatching("kalderino-view", kalderino::run, argc, argv);
}
