// ViewerProcessTest: the viewer as a process on its own virtual X server, driven by real keys.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace {

const std::string kUnbound = "Essa tecla n\xE3"
                             "o serve pra nada e seu codigo e: ";
const std::string kHandedOver = "Uma mecha passada para o renderer\n";

// With all view values 0 the fixed camera puts model point (30, 42.43, 42.43) at the window's
// centre; this square around it faces the eye at 45 degrees.
const std::string kFrontSquare = "square 4  -10 2.4264 42.4264  70 2.4264 42.4264  "
                                 "70 82.4264 42.4264  -10 82.4264 42.4264  2  1 2 3  1 3 4\n";
const std::string kThreeMeshes =
    "3\n" + kFrontSquare + "empty 0 0\n" + "triangle 3  0 0 0  1 0 0  0 1 0  1  1 2 3\n";
const std::string kThreeMeshesReport = "Determinada a leitura de  :3  meshas\n"
                                       "Lendo Mesha de nome  :square\n"
                                       "O numero de pontos e : 4\n"
                                       "O numero de triangulos e : 2 \n"
                                       "Lendo Mesha de nome  :empty\n"
                                       "O numero de pontos e : 0\n"
                                       "O numero de triangulos e : 0 \n"
                                       "Lendo Mesha de nome  :triangle\n"
                                       "O numero de pontos e : 3\n"
                                       "O numero de triangulos e : 1 \n" +
                                       kHandedOver + kHandedOver + kHandedOver;

// Polls every 50 ms for up to a minute: long enough for a loaded machine, short of CTest's limit.
template <class Condition> bool eventually(Condition condition) {
    for (int i = 0; i < 1200; ++i) {
        if (condition()) return true;
        usleep(50000);
    }
    return false;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string command(const std::string& line) {
    std::string output;
    if (FILE* pipe = popen(line.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

struct Picture {
    int width = 0, height = 0;
    std::string rgb;  // rows top to bottom

    int lit() const {
        int count = 0;
        for (std::size_t i = 0; i < rgb.size(); i += 3)
            count += rgb[i] != 0 || rgb[i + 1] != 0 || rgb[i + 2] != 0;
        return count;
    }
    bool reddishAtCentre() const {
        if (rgb.empty()) return false;
        const std::size_t i = 3 * (static_cast<std::size_t>(height / 2) * width + width / 2);
        const int r = static_cast<unsigned char>(rgb[i]),
                  g = static_cast<unsigned char>(rgb[i + 1]),
                  b = static_cast<unsigned char>(rgb[i + 2]);
        return r >= 150 && r >= g + 60 && r >= b + 60;
    }
};

class ViewerProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/kalderino-app-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        dir = folder;
        startServer();
    }

    void TearDown() override {
        for (pid_t* pid : {&viewer, &server}) {
            if (*pid > 0) {
                kill(*pid, SIGKILL);
                waitpid(*pid, nullptr, 0);
            }
        }
        std::filesystem::remove_all(dir);
    }

    // A fresh Xvfb per test: windows of other tests can neither take the keys nor cover ours.
    void startServer() {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        server = fork();
        if (server == 0) {
            close(fds[0]);
            freopen("/dev/null", "w", stderr);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                   "-nolisten", "tcp", "-noreset", nullptr);
            _exit(127);
        }
        close(fds[1]);
        // Read up to the newline: closing the pipe before Xvfb has written it would kill Xvfb.
        std::string number;
        pollfd ready{fds[0], POLLIN, 0};
        char c;
        while (number.find('\n') == std::string::npos && poll(&ready, 1, 60000) == 1 &&
               read(fds[0], &c, 1) == 1)
            number += c;
        close(fds[0]);
        ASSERT_NE(number.find('\n'), std::string::npos) << "Xvfb did not start";
        setenv("DISPLAY", (":" + number.substr(0, number.find('\n'))).c_str(), 1);
    }

    void startViewer(const std::string* dataFile) {
        if (dataFile != nullptr) std::ofstream(dir / "dataTest3.dat") << *dataFile;
        viewer = fork();
        if (viewer == 0) {
            if (chdir(dir.c_str()) != 0 || !freopen("stdout", "w", stdout) ||
                !freopen("stderr", "w", stderr))
                _exit(126);
            execl(VIEWER_PATH, VIEWER_PATH, nullptr);
            _exit(127);
        }
    }

    // The viewer's exit status, or -1 when it did not end.
    int exitStatus() {
        int status = 0;
        if (!eventually([&] { return waitpid(viewer, &status, WNOHANG) == viewer; })) return -1;
        viewer = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    void findWindow() {
        int status = 0;
        eventually([&] {
            window = command("xdotool search --name '^KALDERINO' 2>/dev/null | head -1");
            return !window.empty() || waitpid(viewer, &status, WNOHANG) == viewer;
        });
        window.erase(window.find_last_not_of('\n') + 1);
        ASSERT_FALSE(window.empty())
            << "the viewer's window did not appear on " << std::getenv("DISPLAY") << "; status "
            << status << ", stderr: " << readFile(dir / "stderr");
    }

    std::pair<int, int> windowSize() {
        const std::string info = command("xwininfo -id " + window);
        std::smatch w, h;
        if (!std::regex_search(info, w, std::regex("Width: (\\d+)")) ||
            !std::regex_search(info, h, std::regex("Height: (\\d+)")))
            return {0, 0};
        return {std::stoi(w[1]), std::stoi(h[1])};
    }

    bool sizeBecomes(int width, int height) {
        return eventually([&] { return windowSize() == std::pair{width, height}; });
    }

    Picture screenshot() {
        std::istringstream ppm(command("import -window " + window + " -depth 8 ppm:- 2>/dev/null"));
        Picture picture;
        std::string magic;
        int maximum = 0;
        ppm >> magic >> picture.width >> picture.height >> maximum;
        ppm.get();
        picture.rgb.assign(std::istreambuf_iterator<char>(ppm), {});
        if (magic != "P6" || picture.rgb.size() != 3u * picture.width * picture.height)
            picture.rgb.clear();
        return picture;
    }

    // The first picture that satisfies the condition, or the last one taken.
    template <class Condition> Picture pictureWhere(Condition condition) {
        Picture picture;
        eventually([&] { return condition(picture = screenshot()); });
        return picture;
    }

    void press(const std::string& keys) {
        command("xdotool windowfocus --sync " + window + " key --delay 20 " + keys);
    }

    std::filesystem::path dir;
    pid_t server = 0;
    pid_t viewer = 0;
    std::string window;  // X window id, decimal
};

TEST_F(ViewerProcessTest, OpensTitledWindowDrawsAndReportsKeysUntilEscape) {
    startViewer(&kThreeMeshes);
    ASSERT_NO_FATAL_FAILURE(findWindow());
    EXPECT_EQ(command("xdotool getwindowname " + window), "KALDERINO 01- Visualiza\xE7\xE3"
                                                          "o de Triangulos\n");
    EXPECT_EQ(windowSize(), (std::pair{640, 480}));
    const Picture frame = pictureWhere([](const Picture& p) { return p.reddishAtCentre(); });
    EXPECT_TRUE(frame.reddishAtCentre());
    EXPECT_EQ(frame.rgb.substr(0, 30), std::string(30, '\0')) << "black around the mesh";
    std::printf("square in front of the camera: %d lit pixels\n", frame.lit());

    // GLUT reports Shift as a special key of its own (GLUT_KEY_SHIFT_L, 112) before the 'A'.
    press("shift+a F5 F3 Escape");
    EXPECT_EQ(exitStatus(), 0);
    EXPECT_EQ(readFile(dir / "stdout"),
              kThreeMeshesReport + kUnbound + "112\n" + kUnbound + "65\n" + kUnbound + "5\n");
    EXPECT_EQ(readFile(dir / "stderr"), "");
}

TEST_F(ViewerProcessTest, DrawsBlackWindowWithoutMeshes) {
    const std::string noMeshes = "0\n";
    startViewer(&noMeshes);
    ASSERT_NO_FATAL_FAILURE(findWindow());
    const Picture frame = pictureWhere([](const Picture& p) { return !p.rgb.empty(); });
    EXPECT_EQ(frame.width, 640);
    EXPECT_EQ(frame.lit(), 0);
    press("Escape");
    EXPECT_EQ(exitStatus(), 0);
    EXPECT_EQ(readFile(dir / "stdout"), "Determinada a leitura de  :0  meshas\n");
}

TEST_F(ViewerProcessTest, BadDataFileEndsWithMessageAndStatus1) {
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, "^dataTest3\\.dat: cannot open: No such file or directory\n$"},
        {"1\nsq\n3\n0 0 0\n1 0 zero\n0 1 0\n1\n1 2 3\n", "^dataTest3\\.dat:5: .*\"zero\"\n$"},
        {"1\nsq\n3\n0 0 0   1 0 0   0 1\n", "^dataTest3\\.dat:4: .*ends early.*\n$"},
        {"1\nsq 3 0 0 0 1 0 0 0 1 0\n1\n1 2 4\n", "^dataTest3\\.dat:4: .*\"4\".*\n$"},
    };
    for (auto [data, message] : cases) {
        const std::string text = data ? data : "";
        startViewer(data ? &text : nullptr);
        EXPECT_EQ(exitStatus(), 1) << message;
        EXPECT_TRUE(std::regex_search(readFile(dir / "stderr"), std::regex(message)))
            << readFile(dir / "stderr");
        EXPECT_EQ(readFile(dir / "stdout").find(kHandedOver), std::string::npos);
        std::filesystem::remove(dir / "dataTest3.dat");
    }
}

TEST_F(ViewerProcessTest, NinePressesOfFTiltTheModelTowardsTheEye) {
    // Below the centre at first; with x at 90 the tilt is +45 and brings it to the centre.
    const std::string raised = "1\nraised 4  10 22.4264 -42.4264  50 22.4264 -42.4264  "
                               "50 62.4264 -42.4264  10 62.4264 -42.4264  2  1 2 3  1 3 4\n";
    startViewer(&raised);
    ASSERT_NO_FATAL_FAILURE(findWindow());
    const Picture before = pictureWhere([](const Picture& p) { return p.lit() > 0; });
    EXPECT_GT(before.lit(), 0);
    EXPECT_FALSE(before.reddishAtCentre());
    press("f f f f f f f f f");
    const Picture after = pictureWhere([](const Picture& p) { return p.reddishAtCentre(); });
    EXPECT_TRUE(after.reddishAtCentre());
    std::printf("raised square: %d lit pixels before, %d after\n", before.lit(), after.lit());
}

TEST_F(ViewerProcessTest, F4TwiceShrinksTheWindowAndReturnsToPerspective) {
    const std::string square = "1\n" + kFrontSquare;
    startViewer(&square);
    ASSERT_NO_FATAL_FAILURE(findWindow());
    const int perspective = pictureWhere([](const Picture& p) { return p.lit() > 0; }).lit();
    press("F4");
    ASSERT_TRUE(sizeBecomes(639, 479));
    // Orthographic: 2 pixels a unit instead of about 1.66 at the square's distance.
    const int ortho =
        pictureWhere([&](const Picture& p) { return p.lit() > perspective * 5 / 4; }).lit();
    EXPECT_GT(ortho, perspective * 5 / 4);
    press("F4");
    ASSERT_TRUE(sizeBecomes(638, 478));
    const int back = pictureWhere([&](const Picture& p) {
                         return std::abs(p.lit() - perspective) < perspective / 30;
                     }).lit();
    EXPECT_LT(std::abs(back - perspective), perspective / 30);
    std::printf("square: %d lit pixels in perspective, %d orthographic, %d after F4 twice\n",
                perspective, ortho, back);
}

TEST_F(ViewerProcessTest, UpFillsTheScreenAndDownRestoresTheSize) {
    startViewer(&kThreeMeshes);
    ASSERT_NO_FATAL_FAILURE(findWindow());
    press("Up");
    EXPECT_TRUE(sizeBecomes(1280, 1024)) << "the Xvfb screen";
    press("Down");
    EXPECT_TRUE(sizeBecomes(640, 480));
}

}  // namespace
