// kalderino-shot: draws a data file as the viewer would, after the keys given, into PNG pictures,
// with no window system.
#include "render/OffscreenWindow.h"
#include "render/Renderer.h"
#include "session/Session.h"
#include "shot/PictureFiles.h"
#include "shot/ShotOptions.h"

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: kalderino-shot [-o PICTURE.png] [--size WxH] [--keys \"KEYS\"] [DATAFILE]\n";

void printHelp() {
    std::printf("%s\n"
                "Draws the meshes of DATAFILE (dataTest3.dat in the working directory unless\n"
                "given) as the viewer shows them after the keys given, and writes the picture\n"
                "as PNG. Needs no display: it draws offscreen with Mesa.\n"
                "\n"
                "  -o PICTURE.png  the picture to write; the data file's name with .png unless\n"
                "                  given. With %%d in it (as in turn-%%03d.png) one picture is\n"
                "                  written before the first key and one after each key\n"
                "  --size WxH      the window's size at start, in pixels (640x480)\n"
                "  --keys \"KEYS\"   key names separated by spaces, pressed in order\n"
                "  --help          show this text\n"
                "  --version       show the version\n"
                "\n"
                "Keys: %s. Up, Down and Escape work on\n"
                "the window, not on the picture, and are refused.\n"
                "\n"
                "Prints the path of each picture written, and nothing else.\n",
                kUsage, kShotKeyNames);
}

}  // namespace

int main(int argc, char** argv) {
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
    if (!PictureFiles::canWrite(options.pictureName(0))) return 1;

    // What is handed to the renderer lives until the process ends, as in the viewer.
    Session* session = new Session;
    // The loader's report is the viewer's, and so are the unbound-key lines.
    if (!session->loadDataFile(options.dataFile.c_str(), nullptr)) return 1;

    OffscreenWindow* window = new OffscreenWindow;
    if (!window->open(options.width, options.height)) {
        std::fprintf(stderr, "kalderino-shot: %s\n", window->error.c_str());
        return 1;
    }
    Renderer* renderer = session->start(*window, options.width, options.height, nullptr);

    // GLUT's part from here: a reshape and a frame once the window is up, then after each key
    // the reshape and the frame it asked for.
    PictureFiles pictures;
    const auto takePicture = [&](int keyCount) {
        return pictures.add(options.pictureName(keyCount), window->readPixels(), window->width,
                            window->height);
    };
    renderer->reshape(options.width, options.height);
    window->takeRedisplay();
    renderer->display();
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
        if (window->takeRedisplay()) renderer->display();
        if (options.numbered() && !takePicture(static_cast<int>(i) + 1)) return 1;
    }
    if (!options.numbered() && !takePicture(static_cast<int>(options.keys.size()))) return 1;
    return pictures.commit() ? 0 : 1;
}
