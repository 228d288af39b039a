// OffscreenWindow: a window nobody sees, for drawing with no window system at all: an EGL
// pbuffer on Mesa's surfaceless platform.
#pragma once

#include "render/Window.h"

#include <string>
#include <vector>

namespace kalderino {

class OffscreenWindow : public Window {
public:
    OffscreenWindow() = default;
    ~OffscreenWindow() override;

    // Creates an OpenGL context with a width x height surface and makes it current. Returns
    // false, with the reason in error, when that cannot be had.
    bool open(int width, int height);

    void swapBuffers() override {}  // a pbuffer has one buffer: the frame stays where it is drawn
    void postRedisplay() override { redisplayPosted = true; }
    void fullScreen() override {}  // no screen to fill
    bool isFullScreen() override { return false; }
    void resize(int width, int height) override;
    void destroy(int window) override;

    // What an event loop does after an event, in GLUT's order: first the size asked for, which
    // returns true when it changed the surface and so calls for a reshape; then the redisplay,
    // which returns true once per request, and once after a change of size.
    bool applyResize();
    bool takeRedisplay();

    // The surface's pixels as RGBA bytes, bottom row first; returns when the frame is finished.
    // Empty when there is not memory enough for them.
    std::vector<unsigned char> readPixels() const;

    // Set before open: an alpha channel, which the clear leaves at 0 where nothing is drawn.
    bool alpha = false;
    int width = 0;  // pixels, of the surface now current
    int height = 0;
    std::string error;  // why open or applyResize failed

private:
    bool chooseConfig();
    void close();
    bool createSurface(int w, int h);

    // EGL's handles, which are pointers; kept as such so that users need no EGL headers.
    void* display = nullptr;
    void* config = nullptr;
    void* context = nullptr;
    void* surface = nullptr;
    int askedWidth = 0;
    int askedHeight = 0;
    bool redisplayPosted = false;
};

}  // namespace kalderino
