// OffscreenDriver: the viewer core on a surface nobody sees, fed events one at a time as a GLUT
// window would be fed them, with the frame shown read back as a picture. No window system at all.
#pragma once

#include "render/OffscreenWindow.h"
#include "session/Event.h"

#include <string>
#include <vector>

namespace kalderino {

class Viewer;

class OffscreenDriver {
public:
    explicit OffscreenDriver(Viewer& viewer) : viewer(viewer) {}

    // Opens a surface of width x height and starts the viewer in it, with the reshape and the
    // frame a window gets once it is up. False with the reason in error.
    bool open(int width, int height);

    // Delivers event, then what GLUT delivers after it: a reshape for a new size asked for, and
    // the redisplay asked for, drawn when a picture shows it. Files the event has the core read
    // are read before it returns, with no time passing. A resize event asks the surface for
    // that size, as a user resizing the window does. False with the reason in error.
    bool deliver(const Event& event);

    // The frame the window shows a moment after the events so far (the wheel's move is over by
    // then; a button held is still held): RGBA bytes, bottom row first, width() x height();
    // empty when there is not memory enough for them.
    std::vector<unsigned char> picture();
    int width() const { return window.width; }
    int height() const { return window.height; }

    std::string error;
    bool alpha = false;  // set before open: the surface has an alpha channel

private:
    Viewer& viewer;
    OffscreenWindow window;
    bool stale = false;     // a frame is due that has not been drawn
    double lastTime = 0.0;  // the latest time an event carried
};

}  // namespace kalderino
