// kalderino-view: opens model files and data files in a window, drawn, lit and turned as the
// viewer draws, lights and turns its own file.
#include "app/Callbacks.h"
#include "cli/CommandLine.h"
#include "render/GlutWindow.h"
#include "render/Renderer.h"
#include "session/ModelFiles.h"
#include "session/Session.h"

#include <GL/glut.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

namespace kalderino {

namespace {

constexpr const char* kUsage = "usage: kalderino-view [GLUT options] [--keep-coordinates] FILE...";
constexpr const char* kHelp =
    "Shows model files (OBJ, PLY, STL, OFF, glTF and the other formats of the Open Asset\n"
    "Import Library) and data files (.dat) in one window, as the viewer shows its data file,\n"
    "with all of the viewer's keys. Model files are fitted together into the view.\n"
    "\n"
    "  --keep-coordinates  keep the model files' coordinates instead of fitting them\n"
    "                      into the view\n"
    "  --help              show this text\n"
    "  --version           show the version\n"
    "\n"
    "GLUT's own options (-display DISPLAY, -geometry WxH+X+Y, -direct, -indirect, -iconic,\n"
    "-gldebug, -sync) are passed to it. Keys: see kalderino(1).\n";

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

// The window's title: the first file's name, and how many more there are.
std::string titleFor(const std::vector<std::string>& files) {
    const std::string& first = files.front();
    const std::size_t slash = first.rfind('/');
    std::string title = slash == std::string::npos ? first : first.substr(slash + 1);
    if (files.size() > 1) title += " + " + std::to_string(files.size() - 1) + " more";
    return title;
}

int run(int argc, char** argv) {
    // The command line is read before GLUT sees it, so that --help needs no display and every
    // file is read before a window opens.
    std::vector<char*> glutArgs{argv[0]};
    std::vector<std::string> files;
    ModelOptions models;
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
    Session* session = new Session(&importedModelFiles());
    if (!session->open(files, models)) return 1;

    // Set before glutInit, so that -geometry, which glutInit reads, has the last word.
    glutInitWindowSize(640, 480);
    glutInitWindowPosition(0, 0);
    int glutArgc = static_cast<int>(glutArgs.size());
    glutArgs.push_back(nullptr);
    glutInit(&glutArgc, glutArgs.data());
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);

    GlutWindow* glut = new GlutWindow;  // lives until the process ends
    const int window = glut->open(titleFor(files).c_str());
    theRenderer = new Renderer(*glut);
    theRenderer->keyReport = nullptr;  // stdout stays silent: no unbound-key lines
    theRenderer->width = glutGet(GLUT_WINDOW_WIDTH);
    theRenderer->height = glutGet(GLUT_WINDOW_HEIGHT);
    session->handOver(*theRenderer, nullptr);
    theRenderer->initGL();
    theRenderer->window = window;
    registerCallbacks();
    glutMainLoop();
    return 0;
}

}  // namespace

}  // namespace kalderino

// No exception leaves the program: memory that runs out where no check was made ends the run
// with one line.
int main(int argc, char** argv) {
    return kalderino::runCatching("kalderino-view", kalderino::run, argc, argv);
}
