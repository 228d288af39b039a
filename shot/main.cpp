// kalderino-shot: draws data files and model files as the viewer would, after the keys given,
// into PNG pictures, with no window system.
#include "driver/OffscreenDriver.h"
#include "io/Diagnostic.h"
#include "session/ModelFiles.h"
#include "session/Viewer.h"
#include "shot/PictureFiles.h"
#include "shot/ShotOptions.h"
#include "shot/Thumbnail.h"

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
// Thumbnails are drawn this many times larger each way, and each pixel is the mean of the
// block it becomes: 16 samples a pixel. Mesa's 4-sample EGL configuration smoothed no edge of a
// pbuffer here, and took longer than this.
constexpr int kThumbnailScale = 4;

constexpr const char* kUsage =
    "usage: kalderino-shot [-o PICTURE.png] [--size WxH] [--keys \"KEYS\"] [--events \"EVENTS\"]\n"
    "                      [--view VIEW] [--up AXIS] [--keep-coordinates] [--thumbnail SIZE]\n"
    "                      [FILE...]\n";

void printHelp() {
    std::printf("%s\n"
                "Draws the meshes of the FILEs (dataTest3.dat in the working directory unless\n"
                "given) as kalderino-view shows them after the keys and events given, and\n"
                "writes the picture as PNG. Data files (.dat) are drawn in the viewer's view;\n"
                "model files (OBJ, PLY, STL, OFF, glTF and the other formats of the Open Asset\n"
                "Import Library) in a view of their own, or fitted into the viewer's with a\n"
                "data file. Needs no display: it draws offscreen with Mesa.\n"
                "\n"
                "  -o PICTURE.png      the picture to write; the first file's name with .png\n"
                "                      unless given. With %%d in it (as in turn-%%03d.png) one\n"
                "                      picture is written before the first key and one after\n"
                "                      each key and each item of the events\n"
                "  --size WxH          the window's size at start, in pixels (640x480)\n"
                "  --keys \"KEYS\"       key names separated by spaces, pressed in order\n"
                "  --events \"EVENTS\"   keys, pointer drags, clicks and wheel steps, after the\n"
                "                      keys: items separated by ';' (see kalderino-shot(1)),\n"
                "                      as in \"drag 100,100 300,120; scroll 3; key Return\"\n"
                "  --view VIEW         the view model files open in: three-quarter (from the\n"
                "                      front, right and above), front, right, top, isometric,\n"
                "                      or viewer: the viewer's, fitted into it as a data file\n"
                "  --up AXIS           the axis model files stand on: +X, -X, +Y, -Y, +Z or -Z\n"
                "                      (+Z for STL files, +Y for the rest unless given)\n"
                "  --keep-coordinates  with a data file, or --view viewer: keep the model files'\n"
                "                      coordinates instead of fitting them into the view\n"
                "  --thumbnail SIZE    a SIZE x SIZE thumbnail for a file manager: OBJ, PLY, STL\n"
                "                      and OFF files only, within %u seconds and %u MiB\n"
                "  --help              show this text\n"
                "  --version           show the version\n"
                "\n"
                "Keys are named as X names them: a printable character (a letter in either case,\n"
                "a digit, punctuation), space, Return, Tab, BackSpace, Delete, F1 to F12, Left,\n"
                "Right, Prior, Next, Home, End and Insert. Up, Down and Escape work on the\n"
                "window, not on the picture, and are refused.\n"
                "\n"
                "Prints the path of each picture written to a regular file, and nothing else.\n",
                kUsage, kThumbnailSeconds, static_cast<unsigned>(kThumbnailMemory >> 20));
}

void limitThumbnail() {
#if !defined(__SANITIZE_ADDRESS__)  // whose shadow memory alone is terabytes of address space
    const rlimit memory{kThumbnailMemory, kThumbnailMemory};
    ::setrlimit(RLIMIT_AS, &memory);
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

    // What is handed to the renderer lives until the process ends, as in the viewer. The
    // picture is what kalderino-view would show, silent about unbound keys as it is.
    Viewer* viewer = new Viewer(&importedModelFiles());
    viewer->modelViewer = true;
    viewer->keyReport = nullptr;
    if (!viewer->chooseView(options.view)) {
        std::fprintf(stderr, "kalderino-shot: unknown view \"%s\"; expected one of %s\n",
                     options.view.c_str(), Viewer::kViewNames);
        return 1;
    }
    if (!options.up.empty() && !viewer->chooseUp(options.up)) {
        std::fprintf(stderr, "kalderino-shot: unknown up axis \"%s\"; expected one of %s\n",
                     options.up.c_str(), Viewer::kUpNames);
        return 1;
    }
    ModelOptions models;
    models.keepCoordinates = options.keepCoordinates;
    models.ownReadersOnly = options.thumbnail;
    if (!viewer->open(options.files, models)) return 1;

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
