// OffscreenWindowTest: the offscreen window answers the renderer's requests as GLUT does, with no
// X server (its frames are kalderino-shot's pictures, which ShotTest reads back).
#include "render/OffscreenWindow.h"

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

}  // namespace

}  // namespace kalderino
