// kalderino-view: opens model files and data files in a window, drawn, lit and turned as the
// viewer draws, lights and turns its own file.
#include "driver/GlutDriver.h"
#include "io/Diagnostic.h"
#include "io/PngFile.h"
#include "session/ModelFiles.h"
#include "session/Viewer.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

namespace kalderino {

namespace {

constexpr const char* kUsage = "usage: kalderino-view [GLUT options] [--keep-coordinates] "
                               "[--view VIEW] [--up AXIS] [--watch] FILE...";
constexpr const char* kHelp =
    "Shows model files (OBJ, PLY, STL, OFF, glTF and the other formats of the Open Asset\n"
    "Import Library) and data files (.dat) in one window, as the viewer shows its data file,\n"
    "with all of the viewer's keys. Model files are fitted together into the view.\n"
    "\n"
    "  --keep-coordinates  keep the model files' coordinates instead of fitting them\n"
    "                      into the view\n"
    "  --view VIEW         the view model files open in: three-quarter (from the\n"
    "                      front, right and above), front, right, top, isometric,\n"
    "                      or viewer: the viewer's, fitted into it as a data file\n"
    "  --up AXIS           the axis model files stand on: +X, -X, +Y, -Y, +Z or -Z\n"
    "                      (+Z for STL files, +Y for the rest unless given)\n"
    "  --watch             read the files again whenever one of them changes\n"
    "  --help              show this text\n"
    "  --version           show the version\n"
    "\n"
    "GLUT's own options (-display DISPLAY, -geometry WxH+X+Y, -direct, -indirect, -iconic,\n"
    "-gldebug, -sync) are passed to it. Keys: H in the window lists them all.\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "kalderino-view: %s; %s\n", message.c_str(), kUsage);
    return 1;
}

// GLUT's options, which glutInit takes out of the command line; the first two take a value.
bool isGlutOption(const std::string& arg, bool& takesValue) {
    takesValue = arg == "-display" || arg == "-geometry";
    return takesValue || arg == "-direct" || arg == "-indirect" || arg == "-iconic" ||
           arg == "-gldebug" || arg == "-sync";
}

int run(int argc, char** argv) {
    // The command line is read before GLUT sees it, so that --help needs no display and every
    // file is read before a window opens.
    std::vector<char*> glutArgs{argv[0]};
    std::vector<std::string> files;
    ModelOptions models;
    std::string view = "three-quarter";
    std::string up;
    bool watch = false;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        bool takesValue = false;
        if (!options || arg.empty() || arg[0] != '-' || arg == "-") {
            files.push_back(arg);
        } else if (arg == "--") {
            options = false;
        } else if (arg == "--keep-coordinates") {
            models.keepCoordinates = true;
        } else if (arg == "--view" || arg == "--up") {
            if (i + 1 == argc) return usageError(arg + " needs a value");
            (arg == "--view" ? view : up) = argv[++i];
        } else if (arg == "--watch") {
            watch = true;
        } else if (arg == "--help" || arg == "-h") {
            std::printf("%s\n\n%s", kUsage, kHelp);
            return 0;
        } else if (arg == "--version") {
            std::printf("kalderino-view %s\n", KALDERINO_VERSION);
            return 0;
        } else if (isGlutOption(arg, takesValue)) {
            if (takesValue && i + 1 == argc) return usageError(arg + " needs a value");
            glutArgs.push_back(argv[i]);
            if (takesValue) glutArgs.push_back(argv[++i]);
        } else {
            return usageError("unknown option \"" + arg + "\"");
        }
    }
    if (files.empty()) return usageError("no files to show");

    // What is handed to the renderer lives until the process ends, as in the viewer.
    Viewer* viewer = new Viewer(&importedModelFiles());
    viewer->modelViewer = true;
    viewer->keyReport = nullptr;  // stdout stays silent: no unbound-key lines
    viewer->timeFrames = true;
    if (!viewer->chooseView(view))
        return usageError("unknown view \"" + view + "\"; expected one of " + Viewer::kViewNames);
    if (!up.empty() && !viewer->chooseUp(up))
        return usageError("unknown up axis \"" + up + "\"; expected one of " + Viewer::kUpNames);
    viewer->watchFiles = watch;
    viewer->saveFrame = [](const std::vector<unsigned char>& rgba, int width, int height,
                           const std::string& stem) {
        return writeNewPng(stem, rgba, width, height);
    };
    if (!viewer->open(files, models)) return 1;
    return runModelViewer(*viewer, glutArgs, viewer->title());
}

}  // namespace

}  // namespace kalderino

// No exception leaves the program: memory that runs out where no check was made ends the run
// with one line.
int main(int argc, char** argv) {
    return kalderino::runCatching("kalderino-view", kalderino::run, argc, argv);
}
