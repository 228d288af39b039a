// Window: what the renderer asks of the window system it draws in.
#pragma once

#include <string>

namespace kalderino {

class Window {
public:
    Window() = default;
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Shows the frame just drawn.
    virtual void swapBuffers() = 0;
    // Asks for the frame to be drawn again; the window system calls display in its own time.
    virtual void postRedisplay() = 0;
    virtual void fullScreen() = 0;
    virtual bool isFullScreen() = 0;
    // Asks for a new size in pixels; the window system answers with a reshape when it changes.
    virtual void resize(int width, int height) = 0;
    virtual void destroy(int window) = 0;  // the identifier open gave
    // Names what the window shows; a window nobody sees has no title to change.
    virtual void setTitle(const std::string& /*title*/) {}
};

}  // namespace kalderino
