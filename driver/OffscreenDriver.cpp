// OffscreenDriver: GLUT's order after every event, on an EGL surface.
#include "driver/OffscreenDriver.h"

#include "session/Viewer.h"

#include <algorithm>

namespace kalderino {

bool OffscreenDriver::open(int width, int height) {
    window.alpha = alpha;
    if (!window.open(width, height)) {
        error = window.error;
        return false;
    }
    viewer.start(window, 1, width, height);
    viewer.handle(Event::resized(width, height));
    window.takeRedisplay();
    stale = true;  // the first frame, drawn once the window is up
    return true;
}

bool OffscreenDriver::deliver(const Event& event) {
    lastTime = std::max(lastTime, event.time);
    if (event.kind == Event::Kind::resize) {
        window.resize(event.width, event.height);
    } else {
        viewer.handle(event);
    }
    viewer.settle();  // what the event started in the background is done before the next
    if (window.applyResize()) {
        viewer.handle(Event::resized(window.width, window.height));
    } else if (!window.error.empty()) {
        error = window.error;
        return false;
    }
    if (window.takeRedisplay()) stale = true;
    return true;
}

// Frames are drawn only when a picture shows them: events in between only change the view.
std::vector<unsigned char> OffscreenDriver::picture() {
    Event moment;
    moment.kind = Event::Kind::tick;
    moment.time = lastTime + 1.0;
    viewer.handle(moment);
    if (window.takeRedisplay()) stale = true;
    if (stale) viewer.display();
    stale = false;
    return window.readPixels();
}

}  // namespace kalderino
