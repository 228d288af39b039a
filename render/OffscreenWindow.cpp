// OffscreenWindow: EGL on Mesa's surfaceless platform, which needs no X server or GPU device.
// EGL rather than OSMesa: through glvnd, EGL makes its context current for the same libGL that
// the renderer and GLU call, whereas OSMesa brings a second definition of every gl function.
#include "render/OffscreenWindow.h"

#include "render/FramePixels.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

namespace kalderino {

namespace {

std::string eglFailure(const char* what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    return std::string(what) + " failed (EGL error " + code + ")";
}

}  // namespace

OffscreenWindow::~OffscreenWindow() { close(); }

// The viewer's window on a 24-bit screen: 8 bits for each of red, green and blue, and a 24-bit
// depth buffer; 8 bits of alpha too when asked for. EGL sorts deeper colour first, and a 10-bit
// surface rounds differently.
bool OffscreenWindow::chooseConfig() {
    const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                             EGL_OPENGL_BIT,   EGL_DEPTH_SIZE,  24,
                             EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, wanted, nullptr, 0, &count)) {
        error = eglFailure("eglChooseConfig");
        return false;
    }
    std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
    eglChooseConfig(display, wanted, configs.data(), count, &count);
    for (EGLConfig candidate : configs) {
        const auto size = [&](EGLint attribute) {
            EGLint value = -1;
            eglGetConfigAttrib(display, candidate, attribute, &value);
            return value;
        };
        if (size(EGL_RED_SIZE) == 8 && size(EGL_GREEN_SIZE) == 8 && size(EGL_BLUE_SIZE) == 8 &&
            size(EGL_ALPHA_SIZE) == (alpha ? 8 : 0) && size(EGL_DEPTH_SIZE) == 24 &&
            size(EGL_SAMPLES) == 0) {
            config = candidate;
            return true;
        }
    }
    error = std::string("no EGL configuration with 8-bit ") + (alpha ? "RGBA" : "RGB") +
            " and a 24-bit depth buffer";
    return false;
}

bool OffscreenWindow::open(int w, int h) {
    display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0;
    EGLint minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        error = eglFailure("opening Mesa's surfaceless EGL display");
        display = nullptr;
        return false;
    }
    if (!chooseConfig()) return false;
    if (!eglBindAPI(EGL_OPENGL_API) ||
        (context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr)) == EGL_NO_CONTEXT) {
        context = nullptr;
        error = eglFailure("creating an OpenGL context");
        return false;
    }
    return createSurface(w, h);
}

bool OffscreenWindow::createSurface(int w, int h) {
    const EGLint attributes[] = {EGL_WIDTH, w, EGL_HEIGHT, h, EGL_NONE};
    EGLSurface created = eglCreatePbufferSurface(display, config, attributes);
    if (created == EGL_NO_SURFACE || !eglMakeCurrent(display, created, created, context)) {
        error = eglFailure(
            ("creating a " + std::to_string(w) + " x " + std::to_string(h) + " offscreen surface")
                .c_str());
        if (created != EGL_NO_SURFACE) eglDestroySurface(display, created);
        return false;
    }
    if (surface != nullptr) eglDestroySurface(display, surface);
    surface = created;
    width = askedWidth = w;
    height = askedHeight = h;
    return true;
}

void OffscreenWindow::resize(int w, int h) {
    askedWidth = w;
    askedHeight = h;
}

// GLUT delivers no reshape when the size asked for is the size the window has.
bool OffscreenWindow::applyResize() {
    if (askedWidth == width && askedHeight == height) return false;
    if (!createSurface(askedWidth, askedHeight)) return false;
    redisplayPosted = true;  // a window is drawn again after a change of size
    return true;
}

bool OffscreenWindow::takeRedisplay() {
    const bool posted = redisplayPosted;
    redisplayPosted = false;
    return posted;
}

std::vector<unsigned char> OffscreenWindow::readPixels() const {
    return readFramePixels(width, height);
}

void OffscreenWindow::destroy(int /*window*/) { close(); }

void OffscreenWindow::close() {
    if (display == nullptr) return;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (surface != nullptr) eglDestroySurface(display, surface);
    if (context != nullptr) eglDestroyContext(display, context);
    eglTerminate(display);
    display = config = context = surface = nullptr;
}

}  // namespace kalderino
