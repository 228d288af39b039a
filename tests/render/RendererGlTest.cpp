// RendererGlTest: the renderer in a real GLUT window, with GL state and pixels read back.
#include "mesh/Mesh.h"
#include "mesh/Triangle.h"
#include "mesh/Vertex.h"
#include "render/Renderer.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 480, kSpecial = 1000;  // kSpecial + code: a special key
const std::string kUnbound = "Essa tecla n\xE3"
                             "o serve pra nada e seu codigo e: ";

// A low cone at the window's centre: every face is counter-clockwise on screen unless turned away.
Mesh* makeCone(bool turnedAway) {
    Mesh* mesh = new Mesh;
    mesh->createPoints(17);
    mesh->createTriangles(16);
    Vertex** p = mesh->points;
    std::tie(p[0]->x, p[0]->y, p[0]->z) = std::tuple(30.0f, 42.4264f, 62.4264f);
    for (int k = 1; k <= 16; ++k) {
        std::tie(p[k]->x, p[k]->y, p[k]->z) = std::tuple(
            30 + 60 * std::cos(M_PI * k / 8), 42.4264 + 60 * std::sin(M_PI * k / 8), 42.4264);
        Triangle* t = mesh->triangles[k - 1];
        std::tie(t->vertex1, t->vertex2, t->vertex3) =
            std::tuple(p[0], p[turnedAway ? k % 16 + 1 : k], p[turnedAway ? k : k % 16 + 1]);
    }
    for (int j = 0; j < 16; ++j) mesh->triangles[j]->computeNormal();
    mesh->linkTriangles();
    return mesh;
}

struct Look {
    int lit = 0;  // pixels not black
    std::set<long> colours;
    bool reddishCentre = false;
};

Look look(const std::vector<unsigned char>& rgb) {
    Look look;
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        look.lit += rgb[i] + rgb[i + 1] + rgb[i + 2] > 0;
        look.colours.insert(rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
    }
    const unsigned char* p = &rgb[3 * (kHeight / 2 * kWidth + kWidth / 2)];
    look.reddishCentre = p[0] >= 150 && p[0] >= p[1] + 60 && p[0] >= p[2] + 60;
    return look;
}

// gluPerspective(45, aspect, 0.1, 1000) or glOrtho(-160, 160, -120, 120, -100, 1000), by hand.
void expectProjection(bool orthographic, double aspect) {
    const double f = 1 / std::tan(22.5 * M_PI / 180), d = 0.1 - 1000;
    std::array<double, 16> m{};
    if (orthographic)
        std::tie(m[0], m[5], m[10], m[14], m[15]) =
            std::tuple(2.0 / 320, 2.0 / 240, -2.0 / 1100, -900.0 / 1100, 1.0);
    else
        std::tie(m[0], m[5], m[10], m[11], m[14]) =
            std::tuple(f / aspect, f, 1000.1 / d, -1.0, 200 / d);
    GLdouble actual[16];
    glGetDoublev(GL_PROJECTION_MATRIX, actual);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual[i], m[i], 1e-6 * (1 + std::fabs(m[i]))) << "element " << i;
}

std::array<GLint, 4> get(GLenum name) {
    std::array<GLint, 4> value{};
    glGetIntegerv(name, value.data());
    return value;
}

class RendererGlTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Not at start-up: gtest_discover_tests lists the tests without a display.
        if (window == 0 && std::getenv("DISPLAY") != nullptr) {
            int argc = 1;
            char* argv[] = {const_cast<char*>("gl_tests"), nullptr};
            glutInit(&argc, argv);
            glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
            glutInitWindowSize(kWidth, kHeight);
            window = glutCreateWindow("gl_tests");
            glutDisplayFunc([] {});
        }
        if (window == 0) GTEST_SKIP() << "no X display; run under xvfb-run";
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
    // The back buffer before the swap, which Mesa keeps; the front reads black on Xvfb.
    std::vector<unsigned char> frame() {
        renderer.display();
        std::vector<unsigned char> rgb(3 * kWidth * kHeight);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }
    static inline int window = 0;
    Renderer renderer;
};

TEST_F(RendererGlTest, InitGLReshapeAndKeysSetTheState) {
    for (GLenum cap : {GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL})
        EXPECT_TRUE(glIsEnabled(cap)) << cap;
    expectProjection(false, 640.0 / 480);

    for (auto [w, h, orthographic, aspect] :
         {std::tuple{123, 45, true, 0.0}, {300, 0, false, 300.0}, {800, 400, false, 2.0}}) {
        renderer.orthographic = orthographic;
        renderer.reshape(w, h);
        EXPECT_EQ(get(GL_VIEWPORT), (std::array<GLint, 4>{0, 0, w, h}));
        expectProjection(orthographic, aspect);
    }

    // Pressed in order; then the flags Culling, flat (M), Wireframe, Orthographic, the view values
    // not 0 (turns x y z, moves X Y Z), and "?" for the line of an unbound key.
    // clang-format off
    const std::pair<int, const char*> rows[] = {
        {'f', "x+10"}, {'v', ""}, {'x', "y+10"}, {'z', ""}, {'a', "z+10"}, {'s', ""}, {'r', "X+10"},
        {'e', ""}, {'d', "Y+10"}, {'c', ""}, {'w', "Z+10"}, {'q', ""}, {'v', "x-10"}, {'f', ""},
        {kSpecial + GLUT_KEY_RIGHT, "y+10"}, {kSpecial + GLUT_KEY_LEFT, ""},
        {' ', "C"}, {'m', "CM"}, {' ', "M"}, {kSpecial + GLUT_KEY_F2, "MW"},
        {kSpecial + GLUT_KEY_F2, "MW"}, {'m', "W"}, {kSpecial + GLUT_KEY_F1, ""},
        {kSpecial + GLUT_KEY_F4, "O"}, {kSpecial + GLUT_KEY_F3, "O"}, {kSpecial + GLUT_KEY_F4, ""},
        {'A', "?"}, {255, "?"}, {kSpecial + GLUT_KEY_F5, "?"}};
    // clang-format on
    Renderer& r = renderer;
    for (auto [key, expected] : rows) {
        SCOPED_TRACE(key);
        const int code = key % kSpecial;
        testing::internal::CaptureStdout();
        key < kSpecial ? r.keyboard(code, 3, 4) : r.special(code, 3, 4);
        const std::string printed = testing::internal::GetCapturedStdout();
        std::ostringstream state;
        state << (r.cullFaces ? "C" : "") << (r.flatShading ? "M" : "") << (r.wireframe ? "W" : "")
              << (r.orthographic ? "O" : "") << std::showpos;
        const float view[] = {r.rotation.x,    r.rotation.y,    r.rotation.z,
                              r.translation.x, r.translation.y, r.translation.z};
        for (int v = 0; v < 6; ++v)
            if (view[v] != 0) state << "xyzXYZ"[v] << view[v];
        state << (printed == kUnbound + std::to_string(code) + "\n" ? "?" : printed);
        EXPECT_EQ(state.str(), expected);
        frame();  // which sets the polygon mode
        EXPECT_EQ(glIsEnabled(GL_CULL_FACE), r.cullFaces);
        EXPECT_EQ(get(GL_SHADE_MODEL)[0], r.flatShading ? GL_FLAT : GL_SMOOTH);
        const GLint mode = r.wireframe ? GL_LINE : GL_FILL;
        EXPECT_EQ(get(GL_POLYGON_MODE), (std::array<GLint, 4>{mode, mode, 0, 0}));
        r.reshape(r.width, r.height);  // as GLUT delivers it for the size F4 asks for
        expectProjection(r.orthographic, double(r.width) / r.height);
    }
    EXPECT_EQ(std::pair(r.width, r.height), std::pair(798, 398)) << "F4 twice from 800 x 400";
    for (int i = 0; i < 36; ++i) r.keyboard('f', 0, 0);
    EXPECT_EQ(r.rotation.x, 360) << "no wrapping";
    r.width = r.height = 1;
    r.special(GLUT_KEY_F4, 0, 0);
    EXPECT_EQ(std::pair(r.width, r.height), std::pair(1, 1));
}

TEST_F(RendererGlTest, DrawsMeshesReddishOnBlackAndFollowsTheDisplaySwitches) {
    EXPECT_EQ(look(frame()).lit, 0) << "no meshes";
    renderer.meshes = {new Mesh, makeCone(false)};  // an empty mesh draws nothing
    const Look smooth = look(frame());
    EXPECT_TRUE(smooth.reddishCentre);
    renderer.special(GLUT_KEY_F2, 0, 0);
    const int outlines = look(frame()).lit;
    renderer.special(GLUT_KEY_F1, 0, 0);
    renderer.keyboard('m', 0, 0);
    const std::size_t flat = look(frame()).colours.size();
    EXPECT_GT(outlines, 500);
    EXPECT_LT(outlines * 3, smooth.lit);
    EXPECT_LE(flat, 17u) << "a colour for each face, and black";
    EXPECT_GT(smooth.colours.size(), 4 * flat);

    delete renderer.meshes[1];
    renderer.meshes[1] = makeCone(true);
    EXPECT_TRUE(look(frame()).reddishCentre) << "two-sided lighting";
    renderer.keyboard(' ', 0, 0);
    EXPECT_EQ(look(frame()).lit, 0) << "culled";
}

struct NoisyMesh : Mesh {
    explicit NoisyMesh(const char* text) { std::snprintf(name, kNameCapacity, "%s", text); }
    ~NoisyMesh() override { std::fprintf(stderr, "%s destroyed\n", name); }
};

TEST_F(RendererGlTest, EscapeDestroysMeshesInOrderAndExits) {
    renderer.meshes = {new NoisyMesh("first"), new NoisyMesh("second"), new NoisyMesh("third")};
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // GL drivers start threads
    EXPECT_EXIT(renderer.keyboard(27, 0, 0), testing::ExitedWithCode(0),
                "^first destroyed\nsecond destroyed\nthird destroyed\n$");
}

}  // namespace
