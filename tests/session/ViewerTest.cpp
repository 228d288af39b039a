// ViewerTest: the viewer core fed scripts of events with no window system at all, and the view
// each script leaves: the view values for data files, the camera for model files.
#include "session/Viewer.h"

#include "mesh/Mesh.h"
#include "mesh/Vertex.h"
#include "render/Renderer.h"
#include "render/Window.h"
#include "session/EventScript.h"
#include "session/ModelFiles.h"
#include "tests/ProgramRun.h"
#include "tests/TestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <memory>
#include <string>

// Rows leave the fields they do not need at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace kalderino {

namespace {

// No window system: requests are taken, nothing is shown, GL calls go nowhere (no context).
class NoWindow : public Window {
public:
    void swapBuffers() override {}
    void postRedisplay() override {}
    void fullScreen() override {}
    bool isFullScreen() override { return false; }
    void resize(int, int) override {}
    void destroy(int) override {}
};

Vec3 minus(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 scaled(const Vec3& a, double k) { return {a[0] * k, a[1] * k, a[2] * k}; }
double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double degrees(double radians) { return radians * 180.0 / M_PI; }

// Where a model point lands in the eye's space under the viewer's placement, multiplied out as
// the viewer's GL calls compose it: T(translation) T(-30, -60, -350) Rx(x - 45) Ry(y) Rz(z).
Vec3 placed(const Renderer& renderer, Vec3 p) {
    const auto turn = [&p](int a, int b, double degreesTurned) {
        const double c = std::cos(degreesTurned * M_PI / 180.0);
        const double s = std::sin(degreesTurned * M_PI / 180.0);
        const double pa = p[a];
        p[a] = c * pa - s * p[b];
        p[b] = s * pa + c * p[b];
    };
    turn(0, 1, renderer.rotation.z);
    turn(2, 0, renderer.rotation.y);
    turn(1, 2, renderer.rotation.x - 45.0);
    return {p[0] - 30.0 + renderer.translation.x, p[1] - 60.0 + renderer.translation.y,
            p[2] - 350.0 + renderer.translation.z};
}

// A tetrahedron k times the size of tetra.obj, with its long edge along x.
void writeTetra(const std::string& name, double k) {
    std::ofstream(name) << "v 0 0 0\nv " << 4 * k << " 0 0\nv 0 " << 2 * k << " 0\nv 0 0 " << k
                        << "\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n";
}

// The importer's readers; once armed, the file is saved three times the size after a reading.
class SavedWhileRead : public ModelFiles {
public:
    const Format* formatOf(const std::string& path) const override {
        return importedModelFiles().formatOf(path);
    }
    bool read(const std::string& path, const Format& format, bool own,
              std::vector<TriangleMesh>& meshes) override {
        const bool read = importedModelFiles().read(path, format, own, meshes);
        if (armed && ++reads == 1) writeTetra(path, 3.0);
        return read;
    }
    SimplifiedCopies::Simplify simplifier() const override {
        return importedModelFiles().simplifier();
    }
    bool armed = false;
    int reads = 0;  // once armed
};

// One run of the core: a file opened in the model viewer in a 640 x 480 window.
struct Running {
    NoWindow window;
    SavedWhileRead files;
    Viewer viewer{&files};
    Camera startCamera;  // as it was once the window was up
};

class ViewerTest : public ::testing::Test {
protected:
    ViewerTest() {
        std::ofstream("square.dat") << "1 square 4  0 0 0  40 0 0  40 40 0  0 40 0  2  1 2 3  "
                                       "1 3 4\n";
        writeTetra("tetra.obj", 1.0);
        std::ofstream("tetra.stl") << "solid t\nfacet normal 0 0 0\nouter loop\nvertex 0 0 0\n"
                                      "vertex 4 0 0\nvertex 0 2 1\nendloop\nendfacet\nendsolid\n";
    }

    // The run settled after script, on file opened in view standing on up ("": the format's).
    static std::unique_ptr<Running> play(const std::string& file, const std::string& script,
                                         const std::string& view = "three-quarter",
                                         std::size_t simplifyAbove = Viewer::kSimplifyAbove,
                                         const std::string& up = "") {
        auto run = std::make_unique<Running>();
        Viewer& viewer = run->viewer;
        viewer.simplifyAbove = simplifyAbove;
        viewer.modelViewer = true;
        viewer.keyReport = nullptr;
        EXPECT_EQ(viewer.chooseViewing(view, up), "");
        EXPECT_TRUE(viewer.open({file}, ModelOptions()));
        viewer.start(run->window, 1, 640, 480);
        viewer.handle(Event::resized(640, 480));
        run->startCamera = viewer.camera;
        std::vector<std::vector<Event>> items;
        std::string error;
        EXPECT_TRUE(readEventScript(script, 640, 480, items, error)) << error;
        for (const auto& item : items)
            for (const Event& event : item) viewer.handle(event);
        viewer.settle();
        return run;
    }

    // What a key says on stderr, once the files it reads are read (as kalderino-shot waits).
    static std::string press(Viewer& viewer, int special) {
        testing::internal::CaptureStderr();
        viewer.handle(Event::keyPress({true, special}));
        viewer.settle();
        return testing::internal::GetCapturedStderr();
    }
    static double highestX(const Viewer& viewer) {
        double x = 0.0;
        for (const Mesh* mesh : viewer.renderer->meshes)
            x = std::max<double>(x, mesh->maxCorner->x);
        for (const TriangleMesh* model : viewer.renderer->models)
            for (const auto& point : model->points) x = std::max<double>(x, point[0]);
        return x;
    }

    TestFolder folder;
};

// The view values a script leaves on a data file: drags turn the model about the middle of the
// meshes, which stays put in the eye's space, and stop at the poles unless keys went past them.
TEST_F(ViewerTest, DragsAndWheelMoveTheViewersPlacementAboutTheMiddleOfTheMeshes) {
    const Vec3 middle{20.0, 20.0, 0.0};
    const struct {
        const char* script;
        Vector3 rotation;
        bool middleStays;         // on the screen and in depth
        double middleDepthRatio;  // its depth now to its depth at start; 0: not checked
        double panX, panY;        // pixels the model moves with the pointer
    } rows[] = {
        {"drag 100,100 400,300 150,100", {0.0f, 0.0f, 20.0f}, true, 1.0},  // the end decides
        {"drag 100,100 100,90", {-4.0f, 0.0f, 0.0f}, true, 1.0},
        {"drag 100,100 100,-1000", {-44.0f, 0.0f, 0.0f}, true, 1.0},  // 89 degrees up at most
        {"drag 100,100 100,5000", {134.0f, 0.0f, 0.0f}, true, 1.0},   // and down
        {"key v v v v v v; drag 100,100 100,50", {-60.0f, 0.0f, 0.0f}, false, 0.0},
        {"key a; drag 10,10 20,10", {0.0f, 0.0f, 14.0f}, false, 0.0},
        // Closer along the eye's axis: the middle, off the axis, moves outwards.
        {"scroll 3", {}, false, 1.0 / (1.1 * 1.1 * 1.1)},
        {"scroll -2 at 10,10", {}, false, 1.1 * 1.1},
        {"drag right 100,100 100,80", {}, false, 1.0 / 1.1},
        {"drag 100,100 150,100; key Return", {}, true, 1.0},
        {"ctrl+drag 100,100 150,100", {}, true, 1.0},  // no binding: nothing moves
        {"shift+drag 100,100 148,76", {}, false, 1.0, 48, 24},
        {"drag middle 100,100 148,76", {}, false, 1.0, 48, 24},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script);
        const auto run = play("square.dat", row.script);
        const Renderer& renderer = *run->viewer.renderer;
        EXPECT_NEAR(renderer.rotation.x, row.rotation.x, 1e-4);
        EXPECT_NEAR(renderer.rotation.y, row.rotation.y, 1e-4);
        EXPECT_NEAR(renderer.rotation.z, row.rotation.z, 1e-4);
        const Vec3 before = placed(Renderer(run->window), middle), after = placed(renderer, middle);
        if (row.middleDepthRatio > 0.0) {
            EXPECT_NEAR(after[2] / before[2], row.middleDepthRatio, 1e-4);
        }
        if (row.middleStays) {
            EXPECT_NEAR(after[0] / after[2], before[0] / before[2], 1e-4);
            EXPECT_NEAR(after[1] / after[2], before[1] / before[2], 1e-4);
        }
        if (row.panX != 0.0) {
            const double unitsPerPixel = -2.0 * after[2] * std::tan(22.5 * M_PI / 180.0) / 480.0;
            EXPECT_NEAR(renderer.translation.x, row.panX * unitsPerPixel, 1e-3);
            EXPECT_NEAR(renderer.translation.y, row.panY * unitsPerPixel, 1e-3);
        }
    }
}

// The camera a script leaves on a model file: framed from front, right and above (up as --up or
// the format says); drags turn it about up, short of the poles, the horizon level (after K a
// trackball, not); wheel and right drag zoom, Shift and middle drag pan, Return frames again.
TEST_F(ViewerTest, DragsAndWheelTurnAndZoomTheModelFilesCamera) {
    const Vec3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
    const struct {
        const char* file;
        const char* script;
        double turned;     // degrees about the up axis from where it started
        double elevation;  // degrees
        double closer;     // start distance over distance
        Vec3 up;
        double panX = 0.0, panY = 0.0;  // pixels the model moves with the pointer
        bool level = true;              // the horizon; when not, nothing else is checked
        const char* upOption = "";
    } rows[] = {
        {"tetra.obj", "", 0.0, 25.0, 1.0, z, 0, 0, true, "+Z"},
        {"tetra.stl", "", 0.0, 25.0, 1.0, scaled(y, -1), 0, 0, true, "-y"},
        {"tetra.stl", "", 0.0, 25.0, 1.0, x, 0, 0, true, "X"},
        {"tetra.obj", "", 0.0, 25.0, 1.0, scaled(x, -1), 0, 0, true, "-x"},
        {"tetra.obj", "drag 100,100 100,80", 0.0, 33.0, 1.0, y},
        {"tetra.obj", "drag 100,100 100,-1000", 0.0, 89.0, 1.0, y},
        {"tetra.obj", "drag 100,100 100,5000", 0.0, -89.0, 1.0, y},
        {"tetra.obj", "drag 100,100 300,0 200,100", -40.0, 25.0, 1.0, y},
        {"tetra.obj", "scroll 2", 0.0, 25.0, 1.21, y},
        {"tetra.obj", "drag right 10,100 10,60", 0.0, 25.0, 1.21, y},
        {"tetra.stl", "drag 0,0 50,50; scroll 4; key Return", 0.0, 25.0, 1.0, z},  // stands on z
        {"tetra.obj", "shift+drag 100,100 148,76", 0.0, 25.0, 1.0, y, 48, 24},
        {"tetra.obj", "drag middle 100,100 148,76", 0.0, 25.0, 1.0, y, 48, 24},
        {"tetra.obj", "key K; drag 100,100 200,130", 0, 0, 0, y, 0, 0, false},
        {"tetra.obj", "key K K; drag 100,100 200,130", -40.0, 13.0, 1.0, y},
        {"tetra.obj", "key K; drag 100,100 200,130; key K; drag 100,100 90,100", 0, 0, 0, y},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.file) + ": " + row.upOption + " " + row.script);
        const auto run =
            play(row.file, row.script, "three-quarter", Viewer::kSimplifyAbove, row.upOption);
        const Camera& start = run->startCamera;
        const Camera& now = run->viewer.camera;
        EXPECT_EQ(std::fabs(dot(now.right, row.up)) < 1e-9, row.level) << "the horizon";
        if (row.closer == 0.0) continue;
        EXPECT_NEAR(degrees(std::asin(-dot(now.forward, row.up))), row.elevation, 1e-6);
        const Vec3 before = minus(start.forward, scaled(row.up, dot(start.forward, row.up)));
        const Vec3 after = minus(now.forward, scaled(row.up, dot(now.forward, row.up)));
        EXPECT_NEAR(degrees(std::atan2(dot(cross(before, after), row.up), dot(before, after))),
                    row.turned, 1e-6);
        EXPECT_NEAR(start.distance / now.distance, row.closer, 1e-9);
        const double height =
            2.0 * now.distance * std::tan(Camera::kFieldOfView / 2.0 * M_PI / 180.0);
        const Vec3 moved = minus(now.target, start.target);
        EXPECT_NEAR(dot(moved, start.right), -row.panX / 480.0 * height, 1e-9);
        EXPECT_NEAR(dot(moved, start.screenUp), -row.panY / 480.0 * height, 1e-9);
        EXPECT_NEAR(dot(moved, start.forward), 0.0, 1e-9);
    }
    for (const char* wrong : {"", "+", "W", "+XY", "*x", "--z"})
        EXPECT_FALSE(Viewer().chooseUp(wrong)) << wrong;
}

// Over 100 triangles, a model is drawn from a simplified copy while a drag or the wheel is under
// way, and in full once the button is up or the wheel has been still for a moment.
TEST_F(ViewerTest, BigModelsAreDrawnSimplifiedOnlyWhileTheViewMoves) {
    std::ofstream grid("grid.obj");  // 800 triangles on a wavy 20 x 20 grid
    for (int i = 0; i < 21 * 21; ++i)
        grid << "v " << i % 21 << " " << i / 21 << " " << i % 3 << "\n";
    for (int i = 0; i < 21 * 20; ++i)
        if (i % 21 < 20)
            grid << "f " << i + 1 << " " << i + 2 << " " << i + 23 << " " << i + 22 << "\n";
    grid.close();
    const struct {
        const char* script;
        bool moving;
    } rows[] = {{"", false},
                {"press left 100,100; move 150,100", true},
                {"drag 100,100 150,100", false},
                {"press right 100,100; move 100,150; key x", true},
                {"scroll 2", true},
                {"scroll 2; wait 0.05", true},
                {"scroll 2; wait 0.2", false}};
    for (const auto& row : rows) {
        const auto run = play("grid.obj", row.script, "three-quarter", 100);
        EXPECT_EQ(run->viewer.moving(), row.moving) << row.script;
        EXPECT_EQ(run->viewer.drawsSimplified(), row.moving) << row.script;
    }
    const auto small = play("grid.obj", "press left 100,100; move 150,100");  // under the budget
    EXPECT_FALSE(small->viewer.drawsSimplified());
    // Copies made while the button was down (settle() waits for them then) are not drawn once up.
    const auto done = play("grid.obj", "press left 100,100; move 150,100", "three-quarter", 100);
    done->viewer.handle(Event::pointer(Event::Kind::release, Button::left, 150, 100));
    EXPECT_FALSE(done->viewer.drawsSimplified());
}

// The whole model in view at start, filling 80 % of the window's height or width; the number keys
// give the views --view gives, from wherever the view was, with the view values back at 0.
TEST_F(ViewerTest, ModelFilesOpenFramedAndNumberKeysGiveTheNamedViews) {
    const std::pair<const char*, const char*> rows[] = {
        {"three-quarter", "key 1 Return"},
        {"front", "key 1"},
        {"right", "drag 10,10 90,50; shift+drag 5,5 60,70; key 3"},
        {"top", "key x f r w; scroll 2; key 7"},
        {"isometric", "key 9"}};
    for (const auto& [view, script] : rows) {
        SCOPED_TRACE(view);
        const Camera camera = play("tetra.obj", "", view)->viewer.camera;
        const auto times = [](const Matrix4& m, const std::array<double, 4>& x) {
            std::array<double, 4> y{};  // m is column-major
            for (int r = 0; r < 4; ++r)
                y[r] = m[r] * x[0] + m[4 + r] * x[1] + m[8 + r] * x[2] + m[12 + r] * x[3];
            return y;
        };
        double widest = 0.0;
        for (const Vec3& corner : {Vec3{0, 0, 0}, Vec3{4, 0, 0}, Vec3{0, 2, 0}, Vec3{0, 0, 1}}) {
            const auto clip = times(camera.projection(640.0 / 480.0, false),
                                    times(camera.view(), {corner[0], corner[1], corner[2], 1.0}));
            widest = std::max({widest, std::fabs(clip[0] / clip[3]), std::fabs(clip[1] / clip[3])});
            EXPECT_LT(std::fabs(clip[2] / clip[3]), 1.0) << "within the depth range";
        }
        EXPECT_NEAR(widest, 0.8, 1e-6);
        const auto run = play("tetra.obj", script);
        const Camera& now = run->viewer.camera;
        EXPECT_EQ(now.eye(), camera.eye()) << script;
        EXPECT_EQ(now.target, camera.target) << script;
        EXPECT_EQ(now.right, camera.right) << script;
        EXPECT_EQ(run->viewer.renderer->rotation.x, 0.0f) << script;
        EXPECT_EQ(run->viewer.renderer->translation.x, 0.0f) << script;
    }
}

// The panel: the overlay's facts, the help's every binding, the aids' switches (pictures of
// each, and of a model file's overlay, are in BindingPictureTest).
TEST_F(ViewerTest, OverlayAndHelpListWhatTheyShow) {
    const std::vector<std::string> data = play("square.dat", "key M")->viewer.panelText();
    ASSERT_EQ(data.size(), 5u);
    EXPECT_EQ(
        std::vector(data.begin(), data.begin() + 3),
        (std::vector<std::string>{"square.dat", "4 points, 2 triangles", "size 40 x 40 x 0"}));
    std::vector<const Binding*> listed;  // the keys of a group are listed in its first row
    for (const Binding& binding : bindings())
        if (binding.does != nullptr) listed.push_back(&binding);
    for (const char* script : {"key H", "key M H"}) {
        const std::vector<std::string> help = play("tetra.obj", script)->viewer.panelText();
        ASSERT_EQ(help.size(), listed.size()) << script;
        for (std::size_t i = 0; i < help.size(); ++i)
            EXPECT_EQ(help[i].rfind(listed[i]->input, 0), 0u) << help[i];
    }
    // The README's table of bindings, which the manual page takes, has a row for each.
    const std::string text = readFile(SOURCE_DIR "/README.md");
    const std::size_t table = text.find("<!-- man: view-bindings -->");
    const std::string rows = text.substr(table, text.find("<!-- /man: view-bindings -->") - table);
    for (const Binding* binding : listed) {
        if (binding->action == Action::viewerKey) continue;
        EXPECT_NE(rows.find("\n| " + std::string(binding->input) + " |"), std::string::npos)
            << binding->input << " has no row of its own in the README";
    }
    const auto run = play("tetra.obj", "key M");
    run->viewer.timeFrames = true;
    for (int frame = 0; frame < 3; ++frame) run->viewer.display();
    const std::string rate = run->viewer.panelText()[4];
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(rate[0]))) << rate;
    EXPECT_NE(rate.find(" frames a second"), std::string::npos) << rate;
    const SceneAids aids = play("tetra.obj", "key E X G B G")->viewer.renderer->aids;
    EXPECT_TRUE(aids.edges && aids.axes && !aids.grid && aids.box);
}

// F5 puts the meshes read again in place of the old, freed ones (the sanitizer build catches a
// double free or leak), keeping the view; a reading the file changed under is done again, unsaid;
// an unreadable file leaves what is shown and says why once, in the overlay too.
TEST_F(ViewerTest, F5ReadsTheFilesAgainKeepingTheViewOrWhatIsShown) {
    const auto run = play("tetra.obj", "key x; drag 100,100 160,130; drag right 10,10 10,40");
    Viewer& viewer = run->viewer;
    const Camera before = viewer.camera;
    const Vector3 rotation = viewer.renderer->rotation;
    std::ofstream("tetra.obj") << "v 0 0 0\nv 1 zero 0\n";  // as the file is being saved
    run->files.armed = true;
    EXPECT_EQ(press(viewer, kKeyF1 + 4), "");
    ASSERT_EQ(viewer.renderer->models.size(), 1u);
    EXPECT_EQ(highestX(viewer), 12.0);
    EXPECT_EQ(viewer.camera.eye(), before.eye());
    EXPECT_EQ(viewer.camera.target, before.target);
    EXPECT_EQ(viewer.renderer->rotation.y, rotation.y);
    viewer.handle(Event::keyPress({false, kKeyReturn}));
    EXPECT_NEAR(viewer.camera.distance / run->startCamera.distance, 3.0, 1e-9);
    const std::vector<const TriangleMesh*> shown = viewer.renderer->models;
    std::ofstream("tetra.obj") << "v 0 0 0\nv 1 zero 0\n";
    const std::string said = "tetra.obj:2: expected the y coordinate of point 2 as a decimal "
                             "number, found \"zero\"";
    EXPECT_EQ(press(viewer, kKeyF1 + 4), said + "\n");
    EXPECT_EQ(viewer.renderer->models, shown);
    viewer.handle(Event::keyPress({false, 'M'}));
    EXPECT_EQ(viewer.panelText().back(), said) << "the overlay says it too";
    writeTetra("tetra.obj", 2.0);
    press(viewer, kKeyF1 + 4);
    EXPECT_EQ(highestX(viewer), 8.0);
}

// Page Down shows the next file of the folder in its own view, past a file that cannot be read,
// which leaves what is shown (order, wrapping and Page Up: ShotTest.PageKeysGoThrough...).
TEST_F(ViewerTest, PageDownAndUpShowTheFilesBesideInTheirOwnView) {
    writeTetra("b.obj", 2.0);
    std::ofstream("c.obj") << "f 1 2 3\n";  // no points
    const auto run = play("b.obj", "drag 100,100 200,150");
    Viewer& viewer = run->viewer;
    const struct {
        const char* title;
        bool cameraView;
        double highestX;
        const char* said;
    } rows[] = {{"b.obj", true, 8.0,
                 "c.obj:1: expected a point index, found \"1\", but no point comes before it\n"},
                {"square.dat", false, 40.0, ""},
                {"tetra.obj", true, 4.0, ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.title);
        viewer.handle(Event::pointer(Event::Kind::press, Button::left, 100, 100));
        viewer.handle(Event::pointer(Event::Kind::release, Button::left, 180, 140));
        EXPECT_EQ(press(viewer, kKeyPageDown), row.said);
        EXPECT_EQ(viewer.title(), row.title);
        EXPECT_EQ(viewer.usesCamera(), row.cameraView);
        ASSERT_EQ(viewer.renderer->meshes.size(), row.cameraView ? 0u : 1u) << "none freed";
        EXPECT_EQ(highestX(viewer), row.highestX);
    }
    EXPECT_EQ(viewer.camera.forward, play("tetra.obj", "")->viewer.camera.forward);
    viewer.handle(Event::keyPress({false, 'M'}));
    EXPECT_EQ(viewer.panelText()[0], "tetra.obj") << "the overlay names the file shown";
}

}  // namespace

}  // namespace kalderino
