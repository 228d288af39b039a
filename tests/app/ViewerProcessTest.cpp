// ViewerProcessTest: the viewer as a process on its own virtual X server, driven by real keys.
#include "tests/ProgramRun.h"
#include "tests/TestFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kalderino {

namespace fs = std::filesystem;

namespace {

std::string command(const std::string& line) { return run(line).out; }

// ImageMagick on a window's image: corner off the white root (framed), reddish centre, lit pixels.
const std::string kLook =
    " miff:- 2>/dev/null | convert - -print '%[fx:p{0,0}.r+p{0,0}.g+p{0,0}.b<3] "
    "%[fx:p{w/2,h/2}.r>=max(0.588,max(p{w/2,h/2}.g,p{w/2,h/2}.b)+0.235)] ' "
    "-fill white +opaque black -print '%[fx:round(mean*w*h)]' null: 2>/dev/null";

// Polls every 50 ms: a minute for a start on a loaded machine, ten seconds (soon) for a redraw.
template <class Condition> bool eventually(Condition condition, int seconds = 60) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (; !condition(); usleep(50000))
        if (std::chrono::steady_clock::now() > end) return false;
    return true;
}
template <class Condition> bool soon(Condition condition) { return eventually(condition, 10); }

// Pixels of the window unlike the picture's in any channel, or LONG_MAX when either is unreadable.
long differingFrom(const std::string& window, const std::string& picture) {
    long differing = 0;
    std::istringstream said(command("timeout 10 import -window " + window +
                                    " now.png && compare -metric AE now.png " + picture +
                                    " null: 2>&1"));
    return said >> differing ? differing : LONG_MAX;
}

class ViewerProcessTest : public ::testing::Test {
protected:
    // Its own Xvfb: no other windows; -noreset: up between clients; -wr: white until a first frame.
    void SetUp() override {
        ASSERT_EQ(command("for p in Xvfb xdotool import convert compare; do command -v $p "
                          ">/dev/null || printf ' %s' $p; done"),
                  "")
            << "not found; leave the tests that need a display out with ctest -LE display";
        server = popen(
            "echo $$; exec Xvfb -displayfd 1 -noreset -wr -screen 0 1280x1024x24 2>/dev/null", "r");
        ASSERT_TRUE(server && std::fscanf(server, "%d %d", &serverPid, &display) == 2)
            << "Xvfb did not start";
        setenv("DISPLAY", (":" + std::to_string(display)).c_str(), 1);
    }
    void TearDown() override {
        if (serverPid > 0) kill(serverPid, SIGTERM);  // a viewer still running ends with it
        if (server) pclose(server);
    }
    // Runs a command line in the background until its window (titled as the pattern) or its end.
    void start(const std::string& line, const std::string& titlePattern) {
        fs::remove("status");
        command("(" + line + " >stdout 2>stderr; echo $? >s; mv s status) >/dev/null 2>&1 &");
        eventually([&] {
            window = command("xdotool search --onlyvisible --name '" + titlePattern +
                             "' | head -1 | tr -d '\\n'");
            return !window.empty() || fs::exists("status");
        });
    }
    // The viewer on data (no data file when empty) until its first frame, or its end unframed.
    void startViewer(const std::string& data) {
        fs::remove("dataTest3.dat");
        if (!data.empty()) std::ofstream("dataTest3.dat") << data;
        start(VIEWER_PATH, "^KALDERINO");
        framed = false;
        eventually([&] { return window.empty() || fs::exists("status") || (framed = look()[0]); });
    }
    // The exit status once the keys are pressed (none: once it ends by itself).
    int statusAfter(const std::string& keys) {
        if (!keys.empty()) press(keys);
        return eventually([] { return fs::exists("status"); }) ? std::stoi(readFile("status")) : -1;
    }
    void press(const std::string& keys) {
        command("timeout 60 xdotool windowfocus --sync " + window + " key --delay 20 " + keys);
    }
    std::string at(int x, int y) {  // xdotool's words moving the pointer there in the window
        return " mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y);
    }
    bool sized(const std::string& size, const std::string& keys = "") {
        if (!keys.empty()) press(keys);
        const std::string geometry = "xdotool getwindowgeometry " + window;
        return soon([&] { return command(geometry).find(" " + size + "\n") != size.npos; });
    }
    std::array<int, 3> look() {  // drawn, reddish centre, pixels lit
        std::array<int, 3> seen{0, 0, -1};
        // import waits for a click on a window when the one named is gone: bounded here.
        std::istringstream(command("timeout 10 import -window " + window + kLook)) >> seen[0] >>
            seen[1] >> seen[2];
        return seen;
    }
    TestFolder folder;
    FILE* server = nullptr;
    int serverPid = 0, display = -1;
    std::string window;   // X window id, decimal
    bool framed = false;  // the window has shown its first frame
};

// kalderino on a data file of two meshes: its window and report, F4 and the arrows sizing it, the
// pointer doing nothing, and kalderino-shot's picture after the same keys. GLUT reports Shift as
// a special key (GLUT_KEY_SHIFT_L, 112) before the 'A'; Return is unbound here.
TEST_F(ViewerProcessTest, RunsTwoMeshFileWithWindowKeysAndReport) {
    // The square faces the fixed camera around the point it centres, (30, 42.43, 42.43).
    startViewer(
        "2\nsquare 4  -10 2.4264 42.4264  70 2.4264 42.4264  70 82.4264 42.4264  -10 82.4264 "
        "42.4264  2  1 2 3  1 3 4\nempty 0 0\n");
    ASSERT_TRUE(framed) << readFile("stderr");
    EXPECT_EQ(command("xdotool getwindowname " + window),
              "KALDERINO 01- Visualiza\xE7\xE3o de Triangulos\n");
    ASSERT_TRUE(soon([&] { return look()[1] == 1; })) << "reddish at the centre";
    const int perspective = look()[2];
    EXPECT_TRUE(sized("639x479", "F4"));
    EXPECT_TRUE(sized("638x478", "F4"));
    EXPECT_TRUE(soon([&] { return std::abs(look()[2] - perspective) < perspective / 30; }));
    EXPECT_TRUE(sized("1280x1024", "Up")) << "the Xvfb screen";
    EXPECT_TRUE(sized("640x480", "Down"));
    const std::string keys = "x x f F2 F1 m F4 a Left space d";
    EXPECT_TRUE(sized("639x479", keys + " shift+a F5 Return"));
    command("xdotool" + at(100, 100) + " mousedown 1" + at(300, 160) + " mouseup 1");
    EXPECT_GT(look()[2], 1000) << "the square, turned and culled, still shows";
#ifdef SHOT_PATH
    // Pixels may differ (in any channel, by any amount) at most 1 in 1000; today they match.
    ASSERT_EQ(command(SHOT_PATH " --keys '" + keys + "' -o shot.png"), "shot.png\n");
    EXPECT_TRUE(soon([&] { return differingFrom(window, "shot.png") <= 639 * 479 / 1000; }));
#endif
    EXPECT_EQ(statusAfter("F3 Escape"), 0);
    const std::string unbound = "Essa tecla n\xE3o serve pra nada e seu codigo e: ";
    EXPECT_EQ(
        readFile("stdout"),
        "Determinada a leitura de  :2  meshas\n"
        "Lendo Mesha de nome  :square\nO numero de pontos e : 4\nO numero de triangulos e : 2 \n"
        "Lendo Mesha de nome  :empty\nO numero de pontos e : 0\nO numero de triangulos e : 0 \n"
        "Uma mecha passada para o renderer\nUma mecha passada para o renderer\n" +
            unbound + "112\n" + unbound + "65\n" + unbound + "5\n" + unbound + "13\n");
    EXPECT_EQ(readFile("stderr"), "");
}

// Bad data files end the viewer. Point 1 of the fan, which lies out of view, is in 33 triangles.
TEST_F(ViewerProcessTest, ReportsBadDataFilesAndOverfullPoints) {
    std::string fan = "1 fan 5  5000 0 0  5001 0 0  5000 1 0  5002 0 0  5000 2 0  33";
    for (int i = 0; i < 33; ++i) fan += i < 17 ? "  1 2 3" : "  1 4 5";
    // clang-format off
    const std::tuple<std::string, std::string, int> cases[] = {
        {"0\n", "", 0}, {"", ": cannot open: No such file or directory", 1},
        {"1\nsq\n3\n0 0 0\n1 0 zero\n0 1 0\n1\n1 2 3\n", ":5: expected the z coordinate of point 2 "
            "of mesh \"sq\" as a decimal number, found \"zero\"", 1},
        {fan, ": warning: 1 points of mesh \"fan\" are used by more than 32 triangles; their "
            "normals use the first 32", 0}};
    // clang-format on
    for (const auto& [data, message, status] : cases) {
        startViewer(data);
        if (status == 0) {
            EXPECT_EQ(look(), (std::array<int, 3>{1, 0, 0})) << "framed, on black";
        }
        EXPECT_EQ(statusAfter(status == 0 ? "Escape" : ""), status) << message;
        EXPECT_EQ(readFile("stderr"), message.empty() ? "" : "dataTest3.dat" + message + "\n");
    }
}

#if defined(VIEW_PATH) && defined(SHOT_PATH)
// kalderino-view draws as kalderino-shot does after the same keys, drags, (Ctrl+) wheel and double
// clicks, on model files with or without a data file; titled after the first file, it prints
// nothing; F12 saves NAME-N.png (N the first free) or says why not; -geometry and -display as X's.
TEST_F(ViewerProcessTest, ViewShowsWhatKalderinoShotDrawsAfterTheSameInput) {
    fs::create_directory("models");
    std::ofstream("models/pyramid.obj") << "o pyramid\nv 0 0 0\nv 2 0 0\nv 2 1 0\nv 0 1 0\n"
                                           "v 0.5 0.3 1.5\nf 1 4 3 2\nf -5 -4 -1\nf 2 3 5\n"
                                           "f 3 4 5\nf 4 1 5\n";
    std::ofstream("square.dat") << "1 square 4  -10 2.4264 42.4264  70 2.4264 42.4264  70 "
                                   "82.4264 42.4264  -10 82.4264 42.4264  2  1 2 3  1 3 4\n";
    fs::create_directories("a/b/c");
    fs::copy_file("models/pyramid.obj", "a/b/c/pyramid.obj");
    fs::create_directory("full");
    const std::string saved = ".png: the view saved\n", here = fs::current_path().string();
    const std::string keys = "x f F2 F1 m a Left M M space d F5";
    // kalderino-shot's words for the drags and wheel steps given to the window after the keys.
    const std::string dragsAndWheel = "; drag 100,100 300,160; drag middle 320,240 350,200; "
                                      "scroll 3 at 320,240";
    // With keys, the drags and wheel steps below, then gestures at a point of the model.
    const struct {
        std::string arguments;
        const char* size;  // or where the window is, as xdotool says it
        std::string said;  // after F12 pressed once or more
        std::string wrapper = "";
        const char* title = "pyramid.obj";
        const char* saves = "F12";
        std::string keys = "";
        const char* pointer = "";  // xdotool's words after a move to 250,200
        const char* events = "";   // kalderino-shot's for the same
    } rows[] = {{"models/pyramid.obj", "640x480", "pyramid-1" + saved, "", "pyramid.obj", "F12",
                 keys, " keydown ctrl click --repeat 2 4 keyup ctrl", "; ctrl+scroll 2 at 250,200"},
                {"models/pyramid.obj", "640x480", "pyramid-2" + saved + "pyramid-3" + saved, "",
                 "pyramid.obj", "F12 F12", keys, " click --repeat 2 --delay 50 1",
                 "; double-click 250,200"},
                {"models/pyramid.obj square.dat", "639x479", "pyramid-4" + saved, "",
                 "pyramid.obj + 1 more", "F12", keys + " F4",
                 " click --repeat 2 --delay 50 1 keydown ctrl click 4 keyup ctrl",
                 "; double-click 250,200; ctrl+scroll 1 at 250,200"},
                {"-geometry +5+5 models/pyramid.obj",
                 "Position: 5,5 (screen: 0)\n  Geometry: 640x480", "pyramid-5" + saved},
                {"-geometry 120x90-0-10 models/pyramid.obj",
                 "Position: 1160,924 (screen: 0)\n  Geometry: 120x90", "pyramid-6" + saved},
                {"-geometry 300x200 a/b/c/pyramid.obj", "300x200", "pyramid-7" + saved},
                {"-display :" + std::to_string(display) + " models/pyramid.obj", "640x480",
                 "pyramid-8" + saved, "env DISPLAY=:99999"},
                // A file system of one page as the working folder, listed once the program ends.
                {here + "/models/pyramid.obj", "640x480",
                 "pyramid-1.png: cannot write: No space left on device\n",
                 "bwrap --dev-bind / / --size 4096 --tmpfs '" + here + "/full' --chdir '" + here +
                     "/full' sh -c '\"$@\"; s=$?; ls -A >../listing; exit $s' sh"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments);
        if (row.wrapper.rfind("bwrap", 0) == 0 &&
            command("bwrap --dev-bind / / --ro-bind /tmp /tmp true && echo yes") != "yes\n")
            GTEST_SKIP() << "bwrap is missing or cannot create namespaces here";
        start(row.wrapper + " " VIEW_PATH " " + row.arguments, "^pyramid");
        ASSERT_FALSE(window.empty()) << readFile("stderr");
        EXPECT_EQ(command("xdotool getwindowname " + window), row.title + std::string("\n"));
        EXPECT_TRUE(sized(row.size, row.keys));
        if (!row.keys.empty()) {
            command("xdotool" + at(100, 100) + " mousedown 1" + at(300, 160) + " mouseup 1");
            command("xdotool" + at(320, 240) + " mousedown 2" + at(350, 200) + " mouseup 2");
            command("xdotool" + at(320, 240) + " click --repeat 3 4");
            command("xdotool" + at(250, 200) + row.pointer);
            const std::string events = "key " + row.keys + dragsAndWheel + row.events;
            ASSERT_EQ(command(SHOT_PATH " --events '" + events + "' -o shot.png " + row.arguments),
                      "shot.png\n");
            EXPECT_TRUE(soon([&] { return differingFrom(window, "shot.png") == 0; }));
        }
        press(row.saves);
        EXPECT_TRUE(soon([&] { return readFile("stderr") == row.said; })) << readFile("stderr");
        if (!row.keys.empty()) {
            EXPECT_TRUE(readFile(row.said.substr(0, row.said.find(':'))) == readFile("shot.png"));
        }
        EXPECT_EQ(statusAfter("Escape"), 0);
        EXPECT_EQ(readFile("stdout"), "");
    }
    EXPECT_EQ(readFile("listing"), "");
}

// A file still being read after half a second: the window opens and says it is being read, and
// Escape ends the program there and then, silently, the reading still under way.
TEST_F(ViewerProcessTest, ViewShowsASlowReadingAndEscapeEndsIt) {
    ASSERT_EQ(mkfifo("slow.stl", 0600), 0);
    // Opened both ways, the pipe opens at once, holding back neither side.
    command("sh -c 'printf \"solid s\\n\"; exec sleep 600' 1<>slow.stl 2>/dev/null & echo $! "
            ">writer");
    start(VIEW_PATH " slow.stl", "^slow.stl$");
    ASSERT_FALSE(window.empty()) << readFile("stderr");
    EXPECT_TRUE(soon([&] {
        const std::array<int, 3> seen = look();  // the line's white letters on black
        return seen[0] == 1 && seen[1] == 0 && seen[2] > 100 && seen[2] < 2000;
    }));
    EXPECT_EQ(statusAfter("Escape"), 0);
    EXPECT_EQ(readFile("stdout"), "");
    EXPECT_EQ(readFile("stderr"), "");
    command("kill $(cat writer)");
}

// --watch follows the file rewritten in place, renamed over, or written slowly in pieces that each
// read alone, never showing a part, ending on kalderino-shot's picture; a file saved broken keeps
// the picture and says so once. Kept coordinates make each picture independent of the one before.
TEST_F(ViewerProcessTest, WatchFollowsTheFileAndNeverShowsAPartOfIt) {
    const auto triangle = [](const char* name, int x, int y) {
        std::ostringstream text;
        text << "o " << name << "\nv " << x << ' ' << y << " 40\nv " << x + 30 << ' ' << y
             << " 40\nv " << x << ' ' << y + 30 << " 45\nf -3 -2 -1\n";
        return text.str();
    };
    const std::string a = triangle("a", 0, 10);
    const std::string versions[] = {a, a + triangle("b", 35, 10), a + triangle("c", 20, 45),
                                    triangle("d", 0, 45) + triangle("e", 35, 45) +
                                        triangle("f", 30, 10)};
    std::ofstream("empty.dat") << "0\n";
    for (std::size_t i = 0; i < std::size(versions); ++i) {
        const std::string name = "v" + std::to_string(i);
        std::ofstream(name + ".obj") << versions[i];
        ASSERT_EQ(
            command(SHOT_PATH " --keep-coordinates -o " + name + ".png " + name + ".obj empty.dat"),
            name + ".png\n");
    }
    fs::copy_file("v0.obj", "model.obj");
    start(VIEW_PATH " --watch --keep-coordinates model.obj empty.dat", "^model.obj");
    ASSERT_FALSE(window.empty()) << readFile("stderr");
    ASSERT_TRUE(eventually([&] { return differingFrom(window, "v0.png") == 0; }));
    // The slow writer writes one object at a time, each time leaving a file that reads alone.
    const std::string slowly = "exec 3>model.obj; for part in 1 2 3; do sed -n \"$((part * 5 - 4)),"
                               "$((part * 5))p\" v3.obj >&3; sleep 1; done; exec 3>&-";
    const struct {
        const char* how;
        std::string command;
        const char* before;  // the picture while the file is written
        const char* after;
    } rows[] = {{"in place", "cat v1.obj >model.obj", "v0.png", "v1.png"},
                {"renamed over", "cp v2.obj new.obj && mv new.obj model.obj", "v1.png", "v2.png"},
                {"slowly", slowly, "v2.png", "v3.png"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.how);
        fs::remove("written");
        command("(" + row.command + "; touch written) >/dev/null 2>&1 &");
        int samples = 0;
        for (; !fs::exists("written"); ++samples) {
            const long before = differingFrom(window, row.before);
            EXPECT_TRUE(before == 0 || differingFrom(window, row.after) == 0) << "a part shown";
        }
        EXPECT_GE(samples, row.command == slowly ? 3 : 0);
        EXPECT_TRUE(soon([&] { return differingFrom(window, row.after) == 0; }));
    }
    std::ofstream("model.obj") << "v 0 0 0\nv 1 zero 0\n";
    EXPECT_TRUE(soon([&] { return !readFile("stderr").empty(); }));
    usleep(1000000);  // time for a second line, which must not come
    EXPECT_EQ(readFile("stderr"), "model.obj:2: expected the y coordinate of point 2 as a decimal "
                                  "number, found \"zero\"\n");
    EXPECT_EQ(differingFrom(window, "v3.png"), 0);
    EXPECT_EQ(statusAfter("Escape"), 0);
    EXPECT_EQ(readFile("stdout"), "");
}
#endif

}  // namespace

}  // namespace kalderino
