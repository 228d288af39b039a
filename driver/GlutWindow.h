// GlutWindow: the window the renderer draws in, through GLUT.
#pragma once

#include "render/Window.h"

namespace kalderino {

class GlutWindow : public Window {
public:
    // Opens the window with the size, position and display mode given to GLUT beforehand and
    // returns GLUT's identifier of it.
    int open(const char* title);

    void swapBuffers() override;
    void postRedisplay() override;
    void fullScreen() override;
    bool isFullScreen() override;
    void resize(int width, int height) override;
    void destroy(int window) override;
    void setTitle(const std::string& title) override;
};

}  // namespace kalderino
