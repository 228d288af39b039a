// kalderino-shot: draws data files and model files as the viewer would, after the keys given,
// into PNG pictures, with no window system.
#include "cli/CommandLine.h"
#include "render/OffscreenWindow.h"
#include "render/Renderer.h"
#include "session/ModelFiles.h"
#include "session/Session.h"
#include "shot/PictureFiles.h"
#include "shot/ShotOptions.h"

#include <cstdio>
#include <exception>
#include <new>
#include <sys/resource.h>
#include <unistd.h>

namespace kalderino {

namespace {

void limitThumbnail() {
#if !defined(__SANITIZE_ADDRESS__)  // whose shadow memory alone is terabytes of address space
    const rlimit memory{ShotOptions::kThumbnailMemory, ShotOptions::kThumbnailMemory};
    ::setrlimit(RLIMIT_AS, &memory);
#endif
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    // Ends the run, as SIGTERM would: no picture is left behind.
    ::alarm(ShotOptions::kThumbnailSeconds);
}

int run(int argc, char** argv) {
    ShotOptions options;
    if (!options.parse(argc, argv)) return options.status;
    if (options.thumbnail) limitThumbnail();
    PictureFiles pictures;
    pictures.inputs = options.files;
    if (!pictures.canWrite(options.pictureName(0))) return 1;

    // What is handed to the renderer lives until the process ends, as in the viewer.
    Session* session = new Session(&importedModelFiles());
    // The loader's report is the viewer's, and so are the unbound-key lines.
    if (!session->open(options.files, options.models)) return 1;

    OffscreenWindow* window = new OffscreenWindow;
    if (!window->open(options.width, options.height)) {
        std::fprintf(stderr, "kalderino-shot: %s\n", window->error.c_str());
        return 1;
    }
    Renderer* renderer = new Renderer(*window);
    renderer->keyReport = nullptr;
    renderer->width = options.width;
    renderer->height = options.height;
    session->handOver(*renderer, nullptr);
    renderer->initGL();

    // GLUT's part from here: a reshape and a frame once the window is up, then after each key
    // the reshape and the frame it asked for.
    // A frame is drawn only when a picture shows it: keys in between only change the view.
    bool stale = false;
    const auto takePicture = [&](int keyCount) {
        if (stale) renderer->display();
        stale = false;
        return pictures.add(options.pictureName(keyCount), window->readPixels(), window->width,
                            window->height);
    };
    renderer->reshape(options.width, options.height);
    window->takeRedisplay();
    stale = true;  // the first frame, drawn once the window is up
    if (options.numbered() && !takePicture(0)) return 1;
    for (std::size_t i = 0; i < options.keys.size(); ++i) {
        const KeyCode& key = options.keys[i].key;
        if (key.special) {
            renderer->special(key.code, 0, 0);
        } else {
            renderer->keyboard(static_cast<unsigned char>(key.code), 0, 0);
        }
        if (window->applyResize()) {
            renderer->reshape(window->width, window->height);
        } else if (!window->error.empty()) {
            std::fprintf(stderr, "kalderino-shot: %s\n", window->error.c_str());
            return 1;
        }
        if (window->takeRedisplay()) stale = true;
        if (options.numbered() && !takePicture(static_cast<int>(i) + 1)) return 1;
    }
    if (!options.numbered() && !takePicture(static_cast<int>(options.keys.size()))) return 1;
    return pictures.commit() ? 0 : 1;
}

}  // namespace

}  // namespace kalderino

// No exception leaves the program: memory that runs out where no check was made ends the run
// with one line.
int main(int argc, char** argv) {
    return kalderino::runCatching("kalderino-shot", kalderino::run, argc, argv);
}
