// Viewer: the files' side: reading them slowly the first time, reading them again, the files
// beside them, watching them, and keeping the frame shown.
//
// Files still being read the first time when the window opens are read on in the same way, the
// window showing how long it has taken until they are handed over, or the program ends.
//
// Files are read again on a thread of their own (BackgroundOpen), and the meshes read take the
// place of those shown on a tick once all is read, linked and unchanged meanwhile; until then,
// and for good when a file cannot be read, the window goes on drawing what it has. A reading
// whose files changed while they were read may hold parts of two versions: it is dropped, and
// the files are read again once they are quiet.
#include "import/Formats.h"
#include "io/file/Diagnostic.h"
#include "render/FramePixels.h"
#include "render/Renderer.h"
#include "render/Window.h"
#include "session/BackgroundOpen.h"
#include "session/FolderFiles.h"
#include "session/Viewer.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <strings.h>

namespace kalderino {

namespace {

// Seconds between looks at the files being read, and at the watch's events, while the core
// waits for them.
constexpr double kReadingPoll = 0.02;
constexpr double kWatchPoll = 0.1;
// A driver that settles reads again what changed as it was read this many times at most.
constexpr int kMostSettlings = 20;

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The file's name without its folder, and without its extension unless that is all there is.
std::string stemOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool isDataFileName(const std::string& path) {
    return ::strcasecmp(extensionOf(path).c_str(), "dat") == 0;
}

}  // namespace

Viewer::~Viewer() = default;

bool Viewer::open(const std::vector<std::string>& paths, ModelOptions options, double patience) {
    shownPaths = paths;
    givenOptions = options;
    decideView(paths);
    if (cameraView) options.keepCoordinates = true;
    filesName = title();
    readingSince = now();
    readingKind = Reading::first;
    reading = std::make_unique<BackgroundOpen>(modelFiles, paths, options, false);
    const bool read = reading->waitFor(patience);
    if (watchFiles) {
        std::string error;
        if (!watch.watch(paths, error)) tell(error);
    }
    if (!read) return true;  // read on while the window opens
    const std::unique_ptr<BackgroundOpen> done = std::move(reading);
    done->wait();
    std::fputs(done->diagnostics.c_str(), stderr);
    if (!done->session) return false;
    session = std::move(done->session);
    loadSeconds = done->seconds;
    return true;
}

std::string Viewer::title() const {
    if (shownPaths.empty()) return "";
    const std::string& first = shownPaths.front();
    const std::size_t slash = first.rfind('/');
    std::string title = slash == std::string::npos ? first : first.substr(slash + 1);
    if (shownPaths.size() > 1) title += " + " + std::to_string(shownPaths.size() - 1) + " more";
    return title;
}

void Viewer::tell(const std::string& lines) {
    if (lines.empty()) return;
    std::fputs(lines.c_str(), stderr);
    if (lines.back() != '\n') std::fputc('\n', stderr);
    const std::size_t end = lines.find_last_not_of('\n') + 1;  // the last line's
    const std::size_t newline = lines.rfind('\n', end - 1);
    const std::size_t start = newline == std::string::npos ? 0 : newline + 1;
    lastTold = lines.substr(start, end - start);
    if (renderer != nullptr && showOverlay) redraw();
}

bool Viewer::performOnFiles(Action action) {
    switch (action) {
    case Action::readAgain:
        startReading(shownPaths, Reading::again);
        return true;
    case Action::nextFile:
        openBeside(1);
        return true;
    case Action::previousFile:
        openBeside(-1);
        return true;
    case Action::keepFrame:
        if (saveFrame) {
            ++framesWanted;
            redraw();
        }
        return true;
    default:
        return false;
    }
}

// The frame is drawn, read from the buffer it was drawn in, and only then shown: the picture is
// the frame the window shows, whatever the window system does with the buffer after a swap. A
// window system that draws once for several presses gets as many pictures of that frame.
void Viewer::displayKeepingFrame() {
    renderer->draw();
    int width = 0;
    int height = 0;
    viewportSize(width, height);
    const std::vector<unsigned char> rgba = readFramePixels(width, height);
    std::string said;
    for (; framesWanted > 0; --framesWanted) {
        const std::string name = saveFrame(rgba, width, height, stemOf(shownPaths.front()));
        if (!name.empty()) said += name + ": the view saved\n";
    }
    renderer->windowSystem.swapBuffers();
    tell(said);
}

double Viewer::tickDelay() const {
    double delay = -1.0;
    const auto sooner = [&delay](double seconds) {
        if (seconds >= 0.0 && (delay < 0.0 || seconds < delay)) delay = seconds;
    };
    if (reading) sooner(kReadingPoll);
    if (wheelEnds >= 0.0) sooner(std::max(0.0, wheelEnds - clock));
    if (retryAt >= 0.0) sooner(std::max(0.0, retryAt - now()));
    if (watch.watching()) {
        sooner(kWatchPoll);
        sooner(watch.untilDue(now()));
    }
    return delay;
}

void Viewer::passTime() {
    if (reading && reading->done()) finishReading();
    if (loading() && progressLine() != progressShown) redraw();
    const double time = now();
    watch.poll(time);
    if (reading) return;
    if (watch.untilDue(time) == 0.0) {
        startReading(shownPaths, Reading::again);
    } else if (retryAt >= 0.0 && time >= retryAt) {
        retryAt = -1.0;
        startReading(retryPaths, retryKind);
    }
}

void Viewer::settle() {
    if (moving() && copies) copies->wait();  // a move shows them from its first frame on
    for (int round = 0; round < kMostSettlings && (reading || retryAt >= 0.0); ++round) {
        if (reading) {
            reading->wait();
            finishReading();
        } else {
            retryAt = -1.0;
            startReading(retryPaths, retryKind);
        }
    }
}

// One reading at a time; what is asked for meanwhile waits for it, another file first.
void Viewer::startReading(const std::vector<std::string>& paths, Reading kind) {
    if (reading) {
        if (kind == Reading::beside) {
            besideWanted = paths;
        } else {
            againWanted = true;
        }
        return;
    }
    ModelOptions options = givenOptions;
    if (ownView(paths)) options.keepCoordinates = true;
    watch.poll(now());
    if (kind == Reading::again) watch.take();  // the changes seen so far are in this reading
    readingChanges = watch.changes();
    readingKind = kind;
    retryAt = -1.0;
    reading = std::make_unique<BackgroundOpen>(modelFiles, paths, options);
}

void Viewer::finishReading() {
    const std::unique_ptr<BackgroundOpen> done = std::move(reading);
    done->wait();
    const Reading kind = readingKind;
    if (kind == Reading::first) {
        std::fputs(done->diagnostics.c_str(), stderr);
        // Nothing to show: the program ends as it would have before its window opened.
        if (!done->session) std::exit(1);
        loadSeconds = done->seconds;
        replaceSession(std::move(done->session), false);
        return;
    }
    watch.poll(now());
    // A change the watch saw is read again when the watch says the files are quiet; any other,
    // a little later.
    const bool watchSaw = kind == Reading::again && watch.changes() != readingChanges;
    const bool changed = done->changed || watchSaw;
    if (!besideWanted.empty()) {  // another file replaces whatever was read
        const std::vector<std::string> paths = std::move(besideWanted);
        besideWanted.clear();
        startReading(paths, Reading::beside);
        return;
    }
    if (changed && !watchSaw) {
        retryAt = now() + FileWatch::kQuiet;
        retryPaths = done->paths;
        retryKind = kind;
    } else if (!changed) {
        tell(done->diagnostics);  // why it failed, or the warnings of what was read
        if (done->session) {
            loadSeconds = done->seconds;
            if (kind == Reading::beside) {
                shownPaths = done->paths;
                filesName = title();
                renderer->aids.marks.clear();  // points of the files that went
                decideView(shownPaths);
                std::string error;
                if (watch.watching() && !watch.watch(shownPaths, error)) tell(error);
                renderer->windowSystem.setTitle(title());
            }
            replaceSession(std::move(done->session), kind == Reading::again);
        }
    }
    if (againWanted && !changed) {
        againWanted = false;
        startReading(shownPaths, Reading::again);
    }
}

void Viewer::replaceSession(std::unique_ptr<Session> fresh, bool keepView) {
    copies.reset();  // of the models withdrawn
    session->withdraw(*renderer);
    session = std::move(fresh);
    session->handOver(*renderer, nullptr);
    sceneChanged(keepView);
    if (!keepView) {
        renderer->rotation = Vector3();
        renderer->translation = Vector3();
        renderer->reshape(renderer->width, renderer->height);  // the projection follows the view
    }
    redraw();
}

void Viewer::openBeside(int step) {
    if (shownPaths.empty()) return;
    std::string error;
    const std::string next = fileBeside(
        besidePath.empty() ? shownPaths.front() : besidePath, step,
        [this](const std::string& path) {
            return session->isModelFile(path) || isDataFileName(path);
        },
        error);
    if (next.empty()) {
        tell(error);
        return;
    }
    // Page Up and Down go on from a file that cannot be read, which stays unshown.
    besidePath = next;
    startReading({next}, Reading::beside);
}

// What is known while the files are first read: their name, and how long it has taken so far.
std::string Viewer::progressLine() const {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, " ... %.1f s", now() - readingSince);
    return "reading " + filesName + seconds;
}

void Viewer::displayProgress() {
    progressShown = progressLine();
    renderer->aids.text = {progressShown};
    renderer->display();
}

// The reading cannot be stopped, and the readers' static objects must not be destroyed under
// it, so the process ends with no exit handlers: nothing is left to write but the streams.
void Viewer::quitNow() {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(0);
}

}  // namespace kalderino
