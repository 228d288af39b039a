// GlutDriver: the viewer core in a GLUT window. GLUT's callbacks become the core's events; GLUT
// runs the frame loop.
#pragma once

#include <string>
#include <vector>

namespace kalderino {

class Viewer;

// The viewer: its start-up in the viewer's order, GLUT's steps between the core's, with the
// command line handed to GLUT unchanged; then the event loop, which ends the process. Returns 1
// when the data file cannot be read, after the loader's diagnostic.
int runViewer(int argc, char** argv);

// A model viewer's window for viewer, whose files are open: GLUT set up with glutArgs (the
// program's name first, then GLUT's own options), a window of width x height at (x, y) unless
// those options say otherwise, titled title; then the event loop, which ends the process.
struct WindowPlace {
    int width = 640;
    int height = 480;
    int x = 0;
    int y = 0;
};
int runModelViewer(Viewer& viewer, std::vector<char*> glutArgs, const std::string& title,
                   const WindowPlace& place = WindowPlace());

}  // namespace kalderino
