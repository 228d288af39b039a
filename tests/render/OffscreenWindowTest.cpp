// OffscreenWindowTest: the offscreen window answers the renderer's requests as GLUT does, and
// holds the frame drawn in it, with no X server.
#include "render/OffscreenWindow.h"

#include "render/KeyCode.h"
#include "render/Renderer.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <tuple>

namespace kalderino {

namespace {

TEST(OffscreenWindowTest, ReshapesOnlyForANewSizeAndRedisplaysOnceAfter) {
    OffscreenWindow window;
    ASSERT_TRUE(window.open(64, 48)) << window.error;
    EXPECT_FALSE(window.isFullScreen());
    window.fullScreen();  // nothing to fill: no reshape follows
    // A size asked for, whether a reshape follows, then whether a redisplay is due; requests
    // in between count only by the last.
    const std::tuple<int, int, bool, bool> rows[] = {
        {64, 48, false, false}, {63, 47, true, true}, {63, 47, false, false}, {1, 1, true, true}};
    for (const auto& [w, h, reshaped, redrawn] : rows) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        window.resize(500, 500);
        window.resize(w, h);
        EXPECT_EQ(window.applyResize(), reshaped);
        EXPECT_EQ(window.takeRedisplay(), redrawn);
        EXPECT_FALSE(window.takeRedisplay());
        EXPECT_EQ(std::pair(window.width, window.height), std::pair(w, h));
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);  // set by the first surface, then by reshape
        EXPECT_EQ(viewport[2], 64);
    }
    EXPECT_TRUE(window.error.empty()) << window.error;
}

// The renderer's keys reach the window: F4 asks for a smaller size, 'x' for a redisplay; the
// frame it draws is in the pixels read back, bottom row first.
TEST(OffscreenWindowTest, TakesTheRenderersRequestsAndHoldsItsFrame) {
    OffscreenWindow window;
    ASSERT_TRUE(window.open(40, 30)) << window.error;
    Renderer renderer(window);
    renderer.width = 40;
    renderer.height = 30;
    renderer.initGL();
    renderer.reshape(40, 30);
    glClearColor(0.0f, 0.0f, 1.0f, 0.0f);  // blue, so a cleared frame shows
    renderer.display();
    std::vector<unsigned char> rgba = window.readPixels();
    ASSERT_EQ(rgba.size(), 40u * 30 * 4);
    EXPECT_EQ(std::vector<unsigned char>(rgba.begin(), rgba.begin() + 3),
              (std::vector<unsigned char>{0, 0, 255}));
    renderer.keyboard('x', 0, 0);
    EXPECT_TRUE(window.takeRedisplay());
    KeyCode f4;
    ASSERT_TRUE(keyCodeOf("F4", f4) && f4.special);
    renderer.special(f4.code, 0, 0);
    EXPECT_TRUE(window.applyResize());
    EXPECT_EQ(std::pair(window.width, window.height), std::pair(39, 29));
    EXPECT_EQ(window.readPixels().size(), 39u * 29 * 4);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace

}  // namespace kalderino
