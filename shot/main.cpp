// kalderino-shot: draws data files and model files as the viewer would, after the keys given,
// into PNG pictures, with no window system.
#include "io/Diagnostic.h"
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

// A file manager asks for thumbnails of every file a user downloads, unasked: what it gets to
// read is anybody's, so each run gets a bound on time and memory of its own.
constexpr unsigned kThumbnailSeconds = 20;
constexpr rlim_t kThumbnailMemory = rlim_t{2} << 30;  // bytes of address space

constexpr const char* kUsage =
    "usage: kalderino-shot [-o PICTURE.png] [--size WxH] [--keys \"KEYS\"] [--keep-coordinates]\n"
    "                      [--thumbnail SIZE] [FILE...]\n";

void printHelp() {
    std::printf("%s\n"
                "Draws the meshes of the FILEs (dataTest3.dat in the working directory unless\n"
                "given) as the viewer shows them after the keys given, and writes the picture\n"
                "as PNG. Data files (.dat) are drawn as they are; model files (OBJ, PLY, STL,\n"
                "OFF, glTF and the other formats of the Open Asset Import Library) are fitted\n"
                "together into the view. Needs no display: it draws offscreen with Mesa.\n"
                "\n"
                "  -o PICTURE.png      the picture to write; the first file's name with .png\n"
                "                      unless given. With %%d in it (as in turn-%%03d.png) one\n"
                "                      picture is written before the first key and one after\n"
                "                      each key\n"
                "  --size WxH          the window's size at start, in pixels (640x480)\n"
                "  --keys \"KEYS\"       key names separated by spaces, pressed in order\n"
                "  --keep-coordinates  keep the model files' coordinates instead of fitting\n"
                "                      them into the view\n"
                "  --thumbnail SIZE    a SIZE x SIZE thumbnail for a file manager: OBJ, PLY, STL\n"
                "                      and OFF files only, within %u seconds and %u MiB\n"
                "  --help              show this text\n"
                "  --version           show the version\n"
                "\n"
                "Keys: %s. Up, Down and Escape work on\n"
                "the window, not on the picture, and are refused.\n"
                "\n"
                "Prints the path of each picture written to a regular file, and nothing else.\n",
                kUsage, kThumbnailSeconds, static_cast<unsigned>(kThumbnailMemory >> 20),
                kShotKeyNames);
}

void limitThumbnail() {
#if !defined(__SANITIZE_ADDRESS__)  // whose shadow memory alone is terabytes of address space
    const rlimit memory{kThumbnailMemory, kThumbnailMemory};
    ::setrlimit(RLIMIT_AS, &memory);
    setOwnMemoryLimit("the thumbnail's " + std::to_string(kThumbnailMemory >> 20) + " MiB");
#endif
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    ::alarm(kThumbnailSeconds);  // ends the run, as SIGTERM would: no picture is left behind
}

int run(int argc, char** argv) {
    ShotOptions options;
    if (!options.parse(argc - 1, argv + 1)) {
        std::fprintf(stderr, "kalderino-shot: %s\n", options.error.c_str());
        return 1;
    }
    if (options.help) {
        printHelp();
        return 0;
    }
    if (options.version) {
        std::printf("kalderino-shot %s\n", KALDERINO_VERSION);
        return 0;
    }
    if (options.thumbnail) limitThumbnail();
    PictureFiles pictures;
    pictures.inputs = options.files;
    if (!pictures.canWrite(options.pictureName(0))) return 1;

    // What is handed to the renderer lives until the process ends, as in the viewer.
    Session* session = new Session(&importedModelFiles());
    // The loader's report is the viewer's, and so are the unbound-key lines.
    ModelOptions models;
    models.keepCoordinates = options.keepCoordinates;
    models.ownReadersOnly = options.thumbnail;
    if (!session->open(options.files, models)) return 1;

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
