// ViewOptions: kalderino-view's command line, read and checked before GLUT sees any of it, so
// that the help needs no display and a wrong option ends the run before any window opens.
#pragma once

#include "driver/GlutDriver.h"
#include "session/Session.h"

#include <string>
#include <vector>

namespace kalderino {

struct ViewOptions {
    // Reads the whole command line, argv[0] first. Returns false when the program ends here,
    // with status (after its help, its version or a usage error, which parse has printed).
    bool parse(int argc, const char* const* argv);
    int status = 0;

    // The command line glutInit gets: the program's name and GLUT's own options but -geometry,
    // which kalderino-view reads itself. The pointers are into glutArguments.
    std::vector<char*> glutArgv();

    std::vector<std::string> files;
    ModelOptions models;
    std::string view = "three-quarter";  // the view model files open in
    std::string up;                      // the axis model files stand on; their format's if empty
    bool watch = false;                  // reads the files again when they change
    std::vector<std::string> glutArguments;
    WindowPlace place;  // from -geometry

private:
    bool readGeometry(const std::string& text);
};

}  // namespace kalderino
