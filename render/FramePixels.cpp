// FramePixels: one glReadPixels of the whole frame.
#include "render/FramePixels.h"

#include <GL/gl.h>

#include <new>

namespace kalderino {

std::vector<unsigned char> readFramePixels(int width, int height) {
    // RGBA rows are whole 4-byte words, so the default pack alignment holds and stays untouched.
    std::vector<unsigned char> rgba;
    try {
        rgba.resize(4 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    } catch (const std::bad_alloc&) {
        return {};  // the caller tells an empty picture from one of width x height
    }
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

void viewportSize(int& width, int& height) {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    width = viewport[2];
    height = viewport[3];
}

}  // namespace kalderino
