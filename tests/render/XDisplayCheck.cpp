// canOpenXDisplay: whether the X display that DISPLAY names can be opened. Asked of Xlib in a file
// of its own, since Xlib's Window type clashes with the renderer's.
#include <X11/Xlib.h>

bool canOpenXDisplay() {
    // Kept open: an X server started without -noreset (as xvfb-run starts it) resets when its
    // last client leaves, and would refuse GLUT's connection while it does.
    static Display* const display = XOpenDisplay(nullptr);
    return display != nullptr;
}
