// kalderino-view: opens model files and data files in a window, drawn, lit and turned as the
// viewer draws, lights and turns its own file.
#include "app/Callbacks.h"
#include "cli/CommandLine.h"
#include "render/GlutWindow.h"
#include "render/Renderer.h"
#include "session/ModelFiles.h"
#include "session/Session.h"
#include "view/ViewOptions.h"

#include <GL/glut.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

namespace kalderino {

namespace {

// The window's title: the first file's name, and how many more there are.
std::string titleFor(const std::vector<std::string>& files) {
    const std::string& first = files.front();
    const std::size_t slash = first.rfind('/');
    std::string title = slash == std::string::npos ? first : first.substr(slash + 1);
    if (files.size() > 1) title += " + " + std::to_string(files.size() - 1) + " more";
    return title;
}

int run(int argc, char** argv) {
    ViewOptions options;
    if (!options.parse(argc, argv)) return options.status;
    const std::vector<std::string>& files = options.files;

    // What is handed to the renderer lives until the process ends, as in the viewer.
    Session* session = new Session(&importedModelFiles());
    if (!session->open(files, options.models)) return 1;

    std::vector<char*> glutArgs = options.glutArgv();
    int glutArgc = static_cast<int>(glutArgs.size()) - 1;
    glutInit(&glutArgc, glutArgs.data());
    options.placeWindow();
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
