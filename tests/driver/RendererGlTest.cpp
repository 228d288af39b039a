// RendererGlTest: the renderer in a real GLUT window, with GL state and pixels read back.
#include "driver/GlutWindow.h"
#include "mesh/Mesh.h"
#include "mesh/PointNormals.h"
#include "mesh/Triangle.h"
#include "mesh/TriangleMesh.h"
#include "render/Renderer.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <array>
#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kalderino {

namespace {

constexpr int kWidth = 640, kHeight = 480, kSpecial = 1000;  // kSpecial + code: a special key
using Ints = std::array<GLint, 4>;

struct NoisyMesh : Mesh {
    explicit NoisyMesh(const char* text) { std::snprintf(name, kNameCapacity, "%s", text); }
    ~NoisyMesh() override { std::fprintf(stderr, "%s destroyed\n", name); }
};

// Rolling ground of side x side cells around the view's centre, as arrays with point normals:
// its faces are counter-clockwise on screen unless reversed.
TriangleMesh makeGround(int side, bool reversed = false) {
    TriangleMesh ground;
    for (int i = 0; i <= side; ++i)
        for (int j = 0; j <= side; ++j) {
            const float x = -50 + 160.0f * float(j) / float(side), y = float(i) / float(side);
            ground.points.push_back(
                {x, -30 + 140 * y, 30 + 12 * std::sin(x / 9) * std::cos(9 * y)});
        }
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j) {
            const int a = i * (side + 1) + j, d = a + side + 1;
            ground.triangles.push_back({a, reversed ? d + 1 : a + 1, reversed ? a + 1 : d + 1});
            ground.triangles.push_back({a, reversed ? d : d + 1, reversed ? d + 1 : d});
        }
    computePointNormals(ground);
    return ground;
}

// The objects of the same arrays, linked, as the loader builds them.
Mesh* objectsOf(const TriangleMesh& arrays, const char* name) {
    Mesh* mesh = new NoisyMesh(name);
    mesh->createPoints(int(arrays.points.size()));
    mesh->createTriangles(int(arrays.triangles.size()));
    for (std::size_t i = 0; i < arrays.points.size(); ++i)
        std::tie(mesh->points[i]->x, mesh->points[i]->y, mesh->points[i]->z) =
            std::tuple(arrays.points[i][0], arrays.points[i][1], arrays.points[i][2]);
    for (std::size_t j = 0; j < arrays.triangles.size(); ++j) {
        Triangle* t = mesh->triangles[j];
        const auto& [a, b, c] = arrays.triangles[j];
        std::tie(t->vertex1, t->vertex2, t->vertex3) =
            std::tuple(mesh->points[a], mesh->points[b], mesh->points[c]);
        t->computeNormal();
    }
    mesh->linkTriangles();
    return mesh;
}

// gluPerspective(45, aspect, 0.1, 1000) or glOrtho(-160, 160, -120, 120, -100, 1000), by hand.
void expectProjection(bool orthographic, double aspect) {
    const double f = 1 / std::tan(M_PI / 8), d = 0.1 - 1000,
                 m[2][16] = {
                     {f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, 1000.1 / d, -1, 0, 0, 200 / d, 0},
                     {2.0 / 320, 0, 0, 0, 0, 2.0 / 240, 0, 0, 0, 0, -2.0 / 1100, 0, 0, 0,
                      -900.0 / 1100, 1}};
    GLdouble actual[16];
    glGetDoublev(GL_PROJECTION_MATRIX, actual);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual[i], m[orthographic][i], 1e-6 * (1 + std::fabs(m[orthographic][i]))) << i;
}

struct Look {
    int lit = 0;  // pixels not black
    std::set<long> colours;
    bool reddishCentre = false;
};

class RendererGlTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Here, not at start-up (tests are listed with no display): glutInit exits without one.
        if (window == 0) {
            // Kept open: xvfb-run's server (no -noreset) resets when its last client leaves.
            static Display* const display = XOpenDisplay(nullptr);
            if (display == nullptr)
                GTEST_FAIL() << "cannot open the X display; run under xvfb-run -a, or leave the "
                                "tests that need one out with ctest -LE display";
            int argc = 1;
            char* argv[] = {const_cast<char*>("gl_tests"), nullptr};
            glutInit(&argc, argv);
            glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
            glutInitWindowSize(kWidth, kHeight);
            window = glutWindow.open("gl_tests");
            glutDisplayFunc([] {});
        }
        renderer.window = window;
        glutReshapeWindow(kWidth, kHeight);  // F4 asked GLUT for a smaller window
        glutMainLoopEvent();
        renderer.reshape(kWidth, kHeight);
        renderer.initGL();
    }
    void TearDown() override {
        if (window == 0) return;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        for (Mesh* mesh : renderer.meshes) delete mesh;
    }
    Look frame() {
        const std::vector<unsigned char> rgb = pixels();
        Look look;
        for (std::size_t i = 0; i < rgb.size(); i += 3) {
            look.lit += rgb[i] + rgb[i + 1] + rgb[i + 2] > 0;
            look.colours.insert(rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
        }
        const unsigned char* c = &rgb[3 * (kHeight / 2 * kWidth + kWidth / 2)];
        look.reddishCentre = c[0] >= 150 && c[0] >= c[1] + 60 && c[0] >= c[2] + 60;
        return look;
    }
    // From the back buffer before the swap, which Mesa keeps; the front reads black on Xvfb.
    std::vector<unsigned char> pixels() {
        renderer.display();
        std::vector<unsigned char> rgb(3 * kWidth * kHeight);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }
    static Ints get(GLenum name) {
        Ints value{};
        glGetIntegerv(name, value.data());
        return value;
    }
    static inline GlutWindow glutWindow;
    static inline int window = 0;
    Renderer renderer{glutWindow};
};

TEST_F(RendererGlTest, InitGLReshapeAndKeysSetTheState) {
    for (GLenum cap : {GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL})
        EXPECT_TRUE(glIsEnabled(cap)) << cap;
    expectProjection(false, 640.0 / 480);
    renderer.reshape(300, 0);  // a window 0 pixels high counts as 1 high
    expectProjection(false, 300);
    renderer.reshape(800, 400);
    // Keys in order, each switch thrice or more; then Culling, flat (M), Wireframe, Orthographic
    // as GL has them, view values not 0 (turns x y z, moves X Y Z), "?" for an unbound key's line.
    // clang-format off
    const std::pair<int, const char*> rows[] = {
        {'f', "x+10"}, {'v', ""}, {'x', "y+10"}, {'z', ""}, {'a', "z+10"}, {'s', ""}, {'r', "X+10"},
        {'e', ""}, {'d', "Y+10"}, {'c', ""}, {'w', "Z+10"}, {'q', ""}, {'v', "x-10"}, {'f', ""},
        {kSpecial + GLUT_KEY_RIGHT, "y+10"}, {kSpecial + GLUT_KEY_LEFT, ""},
        {' ', "C"}, {'m', "CM"}, {' ', "M"}, {kSpecial + GLUT_KEY_F2, "MW"},
        {kSpecial + GLUT_KEY_F2, "MW"}, {'m', "W"}, {' ', "CW"}, {'m', "CMW"},
        {kSpecial + GLUT_KEY_F1, "CM"}, {kSpecial + GLUT_KEY_F4, "CMO"},
        {kSpecial + GLUT_KEY_F3, "CMO"}, {kSpecial + GLUT_KEY_F4, "CM"}, {' ', "M"}, {'m', ""},
        {kSpecial + GLUT_KEY_F4, "O"}, {'A', "O?"}, {255, "O?"}, {kSpecial + GLUT_KEY_F5, "O?"}};
    // clang-format on
    Renderer& r = renderer;
    for (auto [key, expected] : rows) {
        SCOPED_TRACE(key);
        const int code = key % kSpecial;
        testing::internal::CaptureStdout();
        key < kSpecial ? r.keyboard(code, 3, 4) : r.special(code, 3, 4);
        const std::string printed = testing::internal::GetCapturedStdout();
        frame();                       // which sets the polygon mode
        r.reshape(r.width, r.height);  // as GLUT delivers it for the size F4 asks for
        EXPECT_EQ(get(GL_VIEWPORT), (Ints{0, 0, r.width, r.height}));
        expectProjection(r.orthographic, double(r.width) / r.height);
        const Ints mode = get(GL_POLYGON_MODE);
        const bool flat = get(GL_SHADE_MODEL)[0] == GL_FLAT, line = mode == Ints{GL_LINE, GL_LINE};
        std::ostringstream state;
        state << (glIsEnabled(GL_CULL_FACE) ? "C" : "") << (flat ? "M" : "") << (line ? "W" : "")
              << (line || mode == Ints{GL_FILL, GL_FILL} ? "" : "mode?")
              << (r.orthographic ? "O" : "") << std::showpos;
        const float view[] = {r.rotation.x,    r.rotation.y,    r.rotation.z,
                              r.translation.x, r.translation.y, r.translation.z};
        for (int v = 0; v < 6; ++v)
            if (view[v] != 0) state << "xyzXYZ"[v] << view[v];
        const std::string unbound = "Essa tecla n\xE3o serve pra nada e seu codigo e: ";
        state << (printed == unbound + std::to_string(code) + "\n" ? "?" : printed);
        EXPECT_EQ(state.str(), expected);
    }
    EXPECT_EQ(std::pair(r.width, r.height), std::pair(797, 397)) << "F4 thrice from 800 x 400";
    r.width = r.height = 1;
    r.special(GLUT_KEY_F4, 0, 0);
    EXPECT_EQ(std::pair(r.width, r.height), std::pair(1, 1)) << "never asks for less than 1 x 1";
}

TEST_F(RendererGlTest, DrawsMeshesReddishOnBlackFollowsTheSwitchesAndEscapeDestroysThem) {
    renderer.meshes = {new NoisyMesh("empty"),
                       objectsOf(makeGround(4), "ground")};  // an empty mesh draws nothing
    const Look smooth = frame();
    renderer.special(GLUT_KEY_F2, 0, 0);
    const int outlines = frame().lit;
    renderer.special(GLUT_KEY_F1, 0, 0);
    renderer.keyboard('m', 0, 0);
    const std::size_t flat = frame().colours.size(), smoothColours = smooth.colours.size();
    EXPECT_TRUE(smooth.reddishCentre);
    EXPECT_TRUE(outlines > 500 && outlines * 3 < smooth.lit) << outlines << " of " << smooth.lit;
    EXPECT_TRUE(flat <= 33 && smoothColours > 4 * flat) << "a colour a face and black: " << flat;
    delete std::exchange(renderer.meshes[1], objectsOf(makeGround(4, true), "reversed"));
    EXPECT_TRUE(frame().reddishCentre) << "two-sided lighting";
    renderer.keyboard(' ', 0, 0);
    EXPECT_EQ(frame().lit, 0) << "culled, on black";
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // GL drivers start threads
    EXPECT_EXIT(
        renderer.keyboard(27, 0, 0), testing::ExitedWithCode(0),
        "^ground destroyed\nempty destroyed\nreversed destroyed\n$");  // rerun from the start
}

// Arrays with colours are drawn in them, lit, without the material's red (point clouds: in
// BindingPictureTest); arrays drawn in pieces show what their objects show, GL's arrays left off.
TEST_F(RendererGlTest, DrawsMeshesOfArraysAsTheirObjectsInEveryModeAndColours) {
    TriangleMesh green = makeGround(4);
    green.colours.assign(green.points.size(), {40, 220, 60, 255});
    renderer.models = {&green};
    const std::vector<unsigned char> rgb = pixels();
    long greenish = 0, reddish = 0;
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        greenish += rgb[i + 1] > 2 * rgb[i] + 20;
        reddish += rgb[i] > 2 * rgb[i + 1] + 20;
    }
    EXPECT_TRUE(greenish > 10000 && reddish == 0) << greenish << " greenish, " << reddish;
    const TriangleMesh ground = makeGround(230);  // 105800 triangles: six pieces
    Mesh* const objects = objectsOf(ground, "objects");
    // Keys pressed in order; then whether the ground is seen.
    const struct {
        std::vector<int> keys;
        const char* mode;
        bool seen;
    } rows[] = {{{}, "smooth", true},
                {{'m'}, "flat", true},
                {{kSpecial + GLUT_KEY_F2}, "flat outlines", true},
                {{'m'}, "outlines", true},
                {{kSpecial + GLUT_KEY_F1, 'x', 'a'}, "turned", true},
                {{' '}, "culled", true},
                {std::vector<int>(18, 'f'), "culled, from below", false},
                {{' '}, "from below", true},
                {{kSpecial + GLUT_KEY_F4}, "orthographic", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        for (int key : row.keys)
            key < kSpecial ? renderer.keyboard(key, 0, 0) : renderer.special(key % kSpecial, 0, 0);
        renderer.reshape(renderer.width, renderer.height);
        renderer.meshes = {objects};
        renderer.models.clear();
        const std::vector<unsigned char> drawnAsObjects = pixels();
        renderer.meshes.clear();
        renderer.models = {&ground};
        EXPECT_TRUE(pixels() == drawnAsObjects);
        const long lit = std::count_if(drawnAsObjects.begin(), drawnAsObjects.end(),
                                       [](unsigned char c) { return c > 0; });
        EXPECT_EQ(lit > 100000, row.seen) << lit;
        for (GLenum array : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY})
            EXPECT_FALSE(glIsEnabled(array)) << array;
    }
    delete objects;
}

}  // namespace

}  // namespace kalderino
