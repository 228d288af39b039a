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
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

namespace kalderino {

namespace {

int run(int argc, char** argv) {
    ViewOptions options;
    if (!options.parse(argc, argv)) return options.status;
    const std::vector<std::string>& files = options.files;

    // What is handed to the renderer lives until the process ends, as in the viewer.
    Viewer* viewer = new Viewer(&importedModelFiles());
    viewer->modelViewer = true;
    viewer->keyReport = nullptr;  // stdout stays silent: no unbound-key lines
    viewer->timeFrames = true;
    if (!viewer->chooseView(options.view))
        return usageError("kalderino-view", "unknown view " + quote(options.view) +
                                                "; expected one of " + Viewer::kViewNames);
    if (!options.up.empty() && !viewer->chooseUp(options.up))
        return usageError("kalderino-view", "unknown up axis " + quote(options.up) +
                                                "; expected one of " + Viewer::kUpNames);
    viewer->watchFiles = options.watch;
    viewer->saveFrame = [](const std::vector<unsigned char>& rgba, int width, int height,
                           const std::string& stem) {
        return writeNewPng(stem, rgba, width, height);
    };
    if (!viewer->open(files, options.models)) return 1;
    return runModelViewer(*viewer, options.glutArgv(), viewer->title(), options.place);
}

}  // namespace

}  // namespace kalderino

// No exception leaves the program: memory that runs out where no check was made ends the run
// with one line.
int main(int argc, char** argv) {
    return kalderino::runCatching("kalderino-view", kalderino::run, argc, argv);
}
