// RendererGlTest: the renderer in a real GLUT window, with GL state and pixels read back.
#include "mesh/Mesh.h"
#include "mesh/Triangle.h"
#include "mesh/Vertex.h"
#include "render/Renderer.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr double kPi = 3.14159265358979323846;
// With all view values 0 this model point lands at the window's centre, 350 units ahead.
const Vector3 kCentre(30.0f, 42.4264f, 42.4264f);

// A mesh from positions and 0-based index triples, with normals computed as the viewer does.
template <class M = Mesh>
M* makeMesh(const std::vector<Vector3>& points, const std::vector<std::array<int, 3>>& faces) {
    M* mesh = new M;
    mesh->createPoints(static_cast<int>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) {
        Vertex* point = mesh->points[i];
        std::tie(point->x, point->y, point->z) = std::tuple(points[i].x, points[i].y, points[i].z);
    }
    mesh->createTriangles(static_cast<int>(faces.size()));
    for (std::size_t j = 0; j < faces.size(); ++j) {
        Triangle* t = mesh->triangles[j];
        Vertex** p = mesh->points;
        std::tie(t->vertex1, t->vertex2, t->vertex3) =
            std::tuple(p[faces[j][0]], p[faces[j][1]], p[faces[j][2]]);
        t->computeNormal();
    }
    mesh->linkTriangles();
    return mesh;
}

// A square in the model's plane z = centre.z, which the fixed camera tilts 45 degrees towards
// the eye; counter-clockwise on screen (front-facing) unless turned away.
template <class M = Mesh> M* makeSquare(Vector3 c, float half, bool turnedAway = false) {
    const std::vector<Vector3> corners = {{c.x - half, c.y - half, c.z},
                                          {c.x + half, c.y - half, c.z},
                                          {c.x + half, c.y + half, c.z},
                                          {c.x - half, c.y + half, c.z}};
    if (turnedAway) return makeMesh<M>(corners, {{0, 2, 1}, {0, 3, 2}});
    return makeMesh<M>(corners, {{0, 1, 2}, {0, 2, 3}});
}

// A closed sphere of rings x segments quads, a curved surface for the shading tests.
Mesh* makeSphere(Vector3 centre, float radius, int rings, int segments) {
    std::vector<Vector3> points;
    std::vector<std::array<int, 3>> faces;
    for (int i = 0; i <= rings; ++i) {
        for (int k = 0; k < segments; ++k) {
            const double polar = kPi * i / rings, azimuth = 2 * kPi * k / segments;
            points.emplace_back(centre.x + radius * std::sin(polar) * std::cos(azimuth),
                                centre.y + radius * std::sin(polar) * std::sin(azimuth),
                                centre.z + radius * std::cos(polar));
            const int a = i * segments + k, b = i * segments + (k + 1) % segments;
            if (i == rings) continue;
            faces.push_back({a, a + segments, b + segments});
            faces.push_back({a, b + segments, b});
        }
    }
    return makeMesh(points, faces);
}

struct Picture {
    std::vector<unsigned char> rgb;  // rows bottom to top, as GL reads them

    int lit() const {
        int count = 0;
        for (std::size_t i = 0; i < rgb.size(); i += 3)
            count += rgb[i] + rgb[i + 1] + rgb[i + 2] > 0;
        return count;
    }
    int colours() const {
        std::set<long> seen;
        for (std::size_t i = 0; i < rgb.size(); i += 3)
            seen.insert(rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
        return static_cast<int>(seen.size());
    }
    bool reddishAt(int x, int y) const {
        const unsigned char* p = &rgb[3 * (y * kWidth + x)];
        return p[0] >= 150 && p[0] >= p[1] + 60 && p[0] >= p[2] + 60;
    }
};

// gluPerspective(45, aspect, 0.1, 1000) by its defining formula, column by column.
std::array<double, 16> perspective(double aspect) {
    const double f = 1 / std::tan(22.5 * kPi / 180), depth = 0.1 - 1000;
    std::array<double, 16> m{};
    std::tie(m[0], m[5], m[10], m[11], m[14]) =
        std::tuple(f / aspect, f, 1000.1 / depth, -1, 200 / depth);
    return m;
}

// glOrtho(-160, 160, -120, 120, -100, 1000).
std::array<double, 16> ortho() {
    std::array<double, 16> m{};
    std::tie(m[0], m[5], m[10], m[14], m[15]) =
        std::tuple(2.0 / 320, 2.0 / 240, -2.0 / 1100, -900.0 / 1100, 1);
    return m;
}

void expectProjection(const std::array<double, 16>& expected) {
    GLdouble actual[16];
    glGetDoublev(GL_PROJECTION_MATRIX, actual);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-6 * (1 + std::fabs(expected[i]))) << "element " << i;
}

GLint integer(GLenum name) {
    GLint value[4];
    glGetIntegerv(name, value);
    return value[0];
}

using Floats = std::array<GLfloat, 4>;
template <class Get> Floats floats(Get get, GLenum target, GLenum name) {
    Floats value;
    get(target, name, value.data());
    return value;
}

std::array<float, 6> viewValues(const Renderer& r) {
    return {r.rotation.x,    r.rotation.y,    r.rotation.z,
            r.translation.x, r.translation.y, r.translation.z};
}

// Its destruction shows on stderr, so the quit key's order of destruction can be seen.
class NoisyMesh : public Mesh {
public:
    ~NoisyMesh() override { std::fprintf(stderr, "%s destroyed\n", name); }
};

class RendererGlTest : public ::testing::Test {
protected:
    // Once per process, and not in main(): gtest_discover_tests runs the binary at build time
    // to list the tests, and that must work without a display.
    static void SetUpTestSuite() {
        if (std::getenv("DISPLAY") == nullptr) return;  // glutInit would exit(1)
        int argc = 1;
        char arg0[] = "gl_tests";
        char* argv[] = {arg0, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowSize(kWidth, kHeight);
        window = glutCreateWindow("gl_tests");
        glutDisplayFunc([] {});
    }

    void SetUp() override {
        if (window == 0) GTEST_SKIP() << "no X display; run under xvfb-run";
        // F4 asks GLUT for a smaller window; ask back before the work is done.
        glutReshapeWindow(kWidth, kHeight);
        glutMainLoopEvent();
        glPushAttrib(GL_ALL_ATTRIB_BITS);  // keys toggle culling and shading for good
        renderer.window = window;
        renderer.width = kWidth;
        renderer.height = kHeight;
        renderer.initGL();
        renderer.reshape(kWidth, kHeight);
    }

    void TearDown() override {
        if (window == 0) return;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        glPopAttrib();
        for (Mesh* mesh : renderer.meshes) delete mesh;
    }

    // One frame as display() draws it. The GL leaves the back buffer undefined after the swap,
    // but Mesa's software rasteriser keeps it, while the front reads back black on Xvfb. Every
    // black picture a test expects is paired with a lit one read the same way.
    Picture frame() {
        renderer.display();
        return read(GL_BACK);
    }

    static Picture read(GLenum buffer) {
        Picture picture{std::vector<unsigned char>(3 * kWidth * kHeight)};
        glReadBuffer(buffer);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, picture.rgb.data());
        return picture;
    }

    std::string typed(const std::string& keys) {
        testing::internal::CaptureStdout();
        for (char key : keys) renderer.keyboard(static_cast<unsigned char>(key), 0, 0);
        return testing::internal::GetCapturedStdout();
    }

    static inline int window = 0;
    Renderer renderer;
};

TEST_F(RendererGlTest, InitGLSetsLightingMaterialAndDepthState) {
    for (GLenum cap : {GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL})
        EXPECT_TRUE(glIsEnabled(cap)) << cap;
    for (GLenum cap : {GL_CULL_FACE, GL_NORMALIZE, GL_LIGHT1})
        EXPECT_FALSE(glIsEnabled(cap)) << cap;
    EXPECT_EQ(integer(GL_DEPTH_FUNC), GL_LEQUAL);
    EXPECT_EQ(integer(GL_SHADE_MODEL), GL_SMOOTH);
    EXPECT_EQ(integer(GL_LIGHT_MODEL_TWO_SIDE), GL_TRUE);
    EXPECT_EQ(integer(GL_COLOR_MATERIAL_FACE), GL_FRONT_AND_BACK);
    EXPECT_EQ(integer(GL_COLOR_MATERIAL_PARAMETER), GL_AMBIENT_AND_DIFFUSE);
    EXPECT_EQ(integer(GL_PERSPECTIVE_CORRECTION_HINT), GL_NICEST);

    const Floats specular = {0.7f, 0.6f, 0.7f, 0.8f};
    EXPECT_EQ(floats(glGetLightfv, GL_LIGHT0, GL_AMBIENT), (Floats{0.8f, 0.8f, 0.5f, 0.3f}));
    EXPECT_EQ(floats(glGetLightfv, GL_LIGHT0, GL_DIFFUSE), (Floats{1, 1, 1, 1}));
    EXPECT_EQ(floats(glGetLightfv, GL_LIGHT0, GL_SPECULAR), specular);
    EXPECT_EQ(floats(glGetLightfv, GL_LIGHT0, GL_POSITION), (Floats{0, 0, 1, 0})) << "headlight";
    for (GLenum face : {GL_FRONT, GL_BACK}) {
        EXPECT_EQ(floats(glGetMaterialfv, face, GL_SPECULAR), specular);
        EXPECT_EQ(floats(glGetMaterialfv, face, GL_SHININESS)[0], 12);
    }
    Floats colour;
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (Floats{0.75f, 0.3f, 0.3f, 1}));
    glGetFloatv(GL_COLOR_CLEAR_VALUE, colour.data());
    EXPECT_EQ(colour, (Floats{0, 0, 0, 0}));
    expectProjection(perspective(640.0 / 480));
}

TEST_F(RendererGlTest, ReshapeFollowsTheWindowInBothProjections) {
    for (auto [w, h, aspect] : {std::tuple{800, 400, 2.0}, {640, 480, 4.0 / 3}, {300, 0, 300.0}}) {
        renderer.reshape(w, h);
        EXPECT_EQ(renderer.width, w);
        EXPECT_EQ(renderer.height, h);
        std::array<GLint, 4> viewport;
        glGetIntegerv(GL_VIEWPORT, viewport.data());
        EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, w, h}));
        expectProjection(perspective(aspect));
        EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    }
    renderer.orthographic = true;
    for (auto [w, h] : {std::pair{800, 400}, {123, 45}, {640, 480}}) {
        renderer.reshape(w, h);
        expectProjection(ortho());
    }
}

TEST_F(RendererGlTest, DrawsMeshInFrontOfTheCameraLitAndNothingElse) {
    EXPECT_EQ(frame().lit(), 0) << "no meshes: a black window";

    renderer.addMesh(makeSquare(kCentre, 20));
    const Picture square = frame();
    EXPECT_TRUE(square.reddishAt(kWidth / 2, kHeight / 2));
    EXPECT_FALSE(square.reddishAt(5, 5) || square.reddishAt(kWidth - 5, kHeight - 5));
    std::printf("square: %d lit pixels\n", square.lit());

    renderer.addMesh(makeMesh({{0, 0, 0}}, {}));  // one point, no triangles
    renderer.meshes.insert(renderer.meshes.begin(), makeMesh({}, {}));
    EXPECT_EQ(frame().rgb, square.rgb) << "empty meshes draw nothing";
}

TEST_F(RendererGlTest, CharacterKeysStepTheViewValues) {
    const std::tuple<char, int, float> bindings[] = {
        {'f', 0, 10}, {'v', 0, -10}, {'x', 1, 10}, {'z', 1, -10}, {'a', 2, 10}, {'s', 2, -10},
        {'r', 3, 10}, {'e', 3, -10}, {'d', 4, 10}, {'c', 4, -10}, {'w', 5, 10}, {'q', 5, -10}};
    for (auto [key, value, step] : bindings) {  // value: index into viewValues
        Renderer fresh;
        fresh.keyboard(key, 0, 0);
        fresh.keyboard(key, 7, 9);
        std::array<float, 6> expected{};
        expected[value] = 2 * step;
        EXPECT_EQ(viewValues(fresh), expected) << key;
    }
    EXPECT_EQ(typed(std::string(36, 'f')), "") << "bound keys print nothing";
    EXPECT_EQ(renderer.rotation.x, 360) << "no wrapping";
}

TEST_F(RendererGlTest, SpaceAndMToggleCullingAndShading) {
    for (bool on : {true, false, true}) {
        typed(" m");
        EXPECT_EQ(renderer.cullFaces, on);
        EXPECT_EQ(glIsEnabled(GL_CULL_FACE), on);
        EXPECT_EQ(renderer.flatShading, on);
        EXPECT_EQ(integer(GL_SHADE_MODEL), on ? GL_FLAT : GL_SMOOTH);
    }
}

TEST_F(RendererGlTest, UnboundKeysPrintTheirCodeAndChangeNothing) {
    const std::string expected = "Essa tecla n\xE3"
                                 "o serve pra nada e seu codigo e: ";
    EXPECT_EQ(typed(std::string("A\tb") + '\0' + '\xFF'), expected + "65\n" + expected + "9\n" +
                                                              expected + "98\n" + expected + "0\n" +
                                                              expected + "255\n");
    testing::internal::CaptureStdout();
    renderer.special(GLUT_KEY_F5, 0, 0);
    renderer.special(GLUT_KEY_F3, 0, 0);
    renderer.special(GLUT_KEY_HOME, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected + "5\n" + expected + "106\n");
    EXPECT_EQ(viewValues(renderer), (std::array<float, 6>{}));
    EXPECT_FALSE(renderer.cullFaces || renderer.flatShading || renderer.wireframe ||
                 renderer.orthographic);
}

TEST_F(RendererGlTest, SpecialKeysSwitchPolygonModeTurnAndProjection) {
    std::array<GLint, 2> mode;
    for (auto [key, wireframe] : {std::pair{GLUT_KEY_F2, true},
                                  {GLUT_KEY_F2, true},
                                  {GLUT_KEY_F1, false},
                                  {GLUT_KEY_F2, true}}) {
        renderer.special(key, 0, 0);
        EXPECT_EQ(renderer.wireframe, wireframe);
        frame();
        glGetIntegerv(GL_POLYGON_MODE, mode.data());
        EXPECT_EQ(mode, (std::array<GLint, 2>{wireframe ? GL_LINE : GL_FILL,
                                              wireframe ? GL_LINE : GL_FILL}));
    }
    renderer.special(GLUT_KEY_RIGHT, 0, 0);
    renderer.special(GLUT_KEY_RIGHT, 0, 0);
    renderer.special(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(viewValues(renderer), (std::array<float, 6>{0, 10, 0, 0, 0, 0}));

    // F4's projection arrives with the reshape GLUT delivers for the size it asked for.
    for (bool orthographic : {true, false}) {
        const int w = renderer.width, h = renderer.height;
        renderer.special(GLUT_KEY_F4, 0, 0);
        EXPECT_EQ(renderer.orthographic, orthographic);
        EXPECT_EQ(std::pair(renderer.width, renderer.height), std::pair(w - 1, h - 1));
        renderer.reshape(renderer.width, renderer.height);
        expectProjection(orthographic ? ortho() : perspective((w - 1.0) / (h - 1.0)));
    }
    renderer.width = 1;
    renderer.height = 1;
    renderer.special(GLUT_KEY_F4, 0, 0);
    EXPECT_EQ(std::pair(renderer.width, renderer.height), std::pair(1, 1));
}

TEST_F(RendererGlTest, WireframeDrawsOutlinesOnly) {
    renderer.addMesh(makeSphere(kCentre, 80, 8, 16));
    const int filled = frame().lit();
    renderer.special(GLUT_KEY_F2, 0, 0);
    const int outlines = frame().lit();
    std::printf("sphere: %d lit pixels filled, %d as outlines\n", filled, outlines);
    EXPECT_GT(filled, 30000);
    EXPECT_GT(outlines, 1000);
    EXPECT_LT(outlines * 3, filled);
}

TEST_F(RendererGlTest, FlatShadingMakesACurvedMeshFaceted) {
    renderer.addMesh(makeSphere(kCentre, 80, 12, 24));
    const int smooth = frame().colours();
    typed("m");
    const int flat = frame().colours();
    std::printf("sphere: %d colours smooth, %d flat\n", smooth, flat);
    // Flat: one colour per visible triangle at most (288 triangles face the eye), and black.
    EXPECT_LE(flat, 12 * 24 + 1);
    EXPECT_GT(smooth, 4 * flat);
}

TEST_F(RendererGlTest, CullingRemovesTrianglesFacingAway) {
    renderer.addMesh(makeSquare(kCentre, 20, true));
    const Picture before = frame();
    EXPECT_TRUE(before.reddishAt(kWidth / 2, kHeight / 2)) << "two-sided lighting";
    typed(" ");
    const int after = frame().lit();
    std::printf("square facing away: %d lit pixels, %d culled\n", before.lit(), after);
    EXPECT_EQ(after, 0);
    typed(" ");
    EXPECT_EQ(frame().rgb, before.rgb);
}

TEST_F(RendererGlTest, CompiledMeshDrawsTheSamePictureUntilDestroyed) {
    // These values make display()'s model-view the identity, which the list loads itself.
    renderer.rotation.x = 45;
    renderer.translation = Vector3(30, 60, 350);
    Mesh* mesh = makeSphere(Vector3(0, 0, -350), 80, 8, 16);
    renderer.addMesh(mesh);
    const Picture direct = frame();
    ASSERT_GT(direct.lit(), 10000);

    const int list = mesh->compile();
    EXPECT_TRUE(mesh->listBuilt);
    EXPECT_EQ(mesh->listId, list);
    ASSERT_TRUE(glIsList(list));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glTranslatef(1, 2, 3);  // the list must load the identity itself
    glCallList(list);
    EXPECT_EQ(read(GL_BACK).rgb, direct.rgb);

    renderer.meshes.clear();
    delete mesh;
    EXPECT_FALSE(glIsList(list));
}

TEST_F(RendererGlTest, EscapeDestroysMeshesInOrderAndExits) {
    for (const char* name : {"first", "second", "third"}) {
        NoisyMesh* mesh = makeSquare<NoisyMesh>(kCentre, 20);
        std::snprintf(mesh->name, sizeof mesh->name, "%s", name);
        renderer.addMesh(mesh);
    }
    EXPECT_EXIT(renderer.keyboard(27, 0, 0), testing::ExitedWithCode(0),
                "^first destroyed\nsecond destroyed\nthird destroyed\n$");
}

}  // namespace

int main(int argc, char** argv) {
    // GL drivers start threads, so a forked child could not carry on safely.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
