// kalderino-shot: draws data files and model files as the viewer would, after the keys given,
// into PNG pictures, with no window system.
#include "cli/CommandLine.h"
#include "driver/OffscreenDriver.h"
#include "io/file/Diagnostic.h"
#include "io/file/TemporaryFile.h"
#include "session/ModelFiles.h"
#include "session/Viewer.h"
#include "shot/PictureFiles.h"
#include "shot/ShotOptions.h"
#include "shot/Thumbnail.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace kalderino {

namespace {

// Thumbnails are drawn this many times larger each way, and each pixel is the mean of the
// block it becomes: 16 samples a pixel. Mesa's 4-sample EGL configuration smoothed no edge of a
// pbuffer here, and took longer than this.
constexpr int kThumbnailScale = 4;

// The line said when a thumbnail's time runs out, made before the clock starts: a signal
// handler may only write it.
char timeLimitLine[512];
std::size_t timeLimitLength = 0;

void onTimeLimit(int) {
    TemporaryFile::removeUnfinished();
    const ssize_t written = ::write(STDERR_FILENO, timeLimitLine, timeLimitLength);
    static_cast<void>(written);
    ::_exit(1);
}

void limitThumbnail(const std::string& file) {
#if !defined(__SANITIZE_ADDRESS__)  // whose shadow memory alone is terabytes of address space
    const rlimit memory{ShotOptions::kThumbnailMemory, ShotOptions::kThumbnailMemory};
    ::setrlimit(RLIMIT_AS, &memory);
    setOwnMemoryLimit("the thumbnail's " + std::to_string(ShotOptions::kThumbnailMemory >> 20) +
                      " MiB");
#endif
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    // Ends the run with one line and status 1, leaving no picture behind. The tests reach the
    // limit sooner through the environment, which may lower it and never raise it.
    unsigned seconds = ShotOptions::kThumbnailSeconds;
    const char* lower = std::getenv("KALDERINO_THUMBNAIL_SECONDS");
    if (lower != nullptr && std::atoi(lower) > 0)
        seconds = std::min(seconds, static_cast<unsigned>(std::atoi(lower)));
    timeLimitLength = static_cast<std::size_t>(std::snprintf(
        timeLimitLine, sizeof timeLimitLine,
        "%s: cannot draw a thumbnail within the thumbnail's %u seconds\n", file.c_str(), seconds));
    timeLimitLength = std::min(timeLimitLength, sizeof timeLimitLine - 1);
    struct sigaction action {};
    action.sa_handler = onTimeLimit;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, nullptr);
    ::alarm(seconds);
}

int run(int argc, char** argv) {
    ShotOptions options;
    if (!options.parse(argc, argv)) return options.status;
    if (options.thumbnail) limitThumbnail(options.files.front());
    PictureFiles pictures;
    pictures.inputs = options.files;
    if (!pictures.canWrite(options.pictureName(0))) return 1;

    // What is handed to the renderer lives until the process ends, as in the viewer. The
    // picture is what kalderino-view would show, silent about unbound keys as it is.
    Viewer* viewer = new Viewer(&importedModelFiles());
    viewer->modelViewer = true;
    viewer->keyReport = nullptr;
    const std::string wrong = viewer->chooseViewing(options.view, options.up);
    if (!wrong.empty()) return usageError("kalderino-shot", wrong);
    if (!viewer->open(options.files, options.models)) return 1;

    OffscreenDriver* driver = new OffscreenDriver(*viewer);
    // Thumbnails are transparent where nothing is drawn, and smooth at the edges: drawn at
    // kThumbnailScale times their size, then reduced.
    const int scale = options.thumbnail ? kThumbnailScale : 1;
    driver->alpha = options.thumbnail;
    pictures.alpha = options.thumbnail;
    if (!driver->open(options.width * scale, options.height * scale)) {
        std::fprintf(stderr, "kalderino-shot: %s\n", driver->error.c_str());
        return 1;
    }
    const auto takePicture = [&](int count) {
        std::vector<unsigned char> rgba = driver->picture();
        if (scale > 1 && !rgba.empty())
            rgba = reduceFrame(rgba, driver->width(), driver->height(), scale);
        return pictures.add(options.pictureName(count), rgba, driver->width() / scale,
                            driver->height() / scale);
    };
    if (options.numbered() && !takePicture(0)) return 1;
    int count = 0;
    for (const std::vector<Event>& step : options.steps) {
        for (const Event& event : step) {
            if (!driver->deliver(event)) {
                std::fprintf(stderr, "kalderino-shot: %s\n", driver->error.c_str());
                return 1;
            }
        }
        ++count;
        if (options.numbered() && !takePicture(count)) return 1;
    }
    if (!options.numbered() && !takePicture(count)) return 1;
    return pictures.commit() ? 0 : 1;
}

}  // namespace

}  // namespace kalderino

// No exception leaves the program: memory that runs out where no check was made ends the run
// with one line.
int main(int argc, char** argv) {
    return kalderino::runCatching("kalderino-shot", kalderino::run, argc, argv);
}
