// ShotTest: kalderino-shot as a process: its output lines, picture names and sizes, and its
// refusals, each of which leaves no file behind.
#include "tests/TestFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The square of the viewer's tests, facing the fixed camera around the point it centres.
const std::string kSquare = "1 square 4  -10 2.4264 42.4264  70 2.4264 42.4264  70 82.4264 "
                            "42.4264  -10 82.4264 42.4264  2  1 2 3  1 3 4\n";

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
    bool operator==(const Outcome& other) const {
        return status == other.status && out == other.out && err == other.err;
    }
};

void PrintTo(const Outcome& outcome, std::ostream* os) {
    *os << "status " << outcome.status << ", stdout \"" << outcome.out << "\", stderr \""
        << outcome.err << "\"";
}

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Width and height from a PNG's header, or 0 x 0.
std::pair<int, int> pngSize(const fs::path& path) {
    const std::string bytes = read(path);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) return {0, 0};
    const auto at = [&](int i) {
        int value = 0;
        for (int k = 0; k < 4; ++k) value = value << 8 | static_cast<unsigned char>(bytes[i + k]);
        return value;
    };
    return {at(16), at(20)};
}

class ShotTest : public ::testing::Test {
protected:
    static void write(const fs::path& name, const std::string& text) {
        if (name.has_parent_path()) fs::create_directories(name.parent_path());
        std::ofstream(name) << text;
    }
    // Runs the program in the test's folder; arguments as the shell takes them.
    static Outcome shot(const std::string& arguments) {
        const int status = std::system((SHOT_PATH " " + arguments + " >.out 2>.err").c_str());
        const Outcome run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(".out"), read(".err")};
        fs::remove(".out");
        fs::remove(".err");
        return run;
    }
    static std::set<std::string> files() {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator("."))
            names.insert(fs::relative(entry.path()).string());
        return names;
    }
    TestFolder folder;
};

TEST_F(ShotTest, PrintsOnlyThePathsOfPicturesNamedAfterTheDataFile) {
    write("dataTest3.dat", kSquare);
    write("long.dat", "1 a_name_of_thirty_two_characters__  3  0 0 0  1 0 0  0 1 0  1  1 2 3");
    write("v1.2/mesh", kSquare);
    write("scene.dat", kSquare);
    write("run%d.dat", kSquare);
    const Outcome first = shot("--keys 'A F12 x'");
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out, "dataTest3.png\n");
    EXPECT_EQ(first.err, "");
    // The loader's report is not printed, its warnings are, naming the file read.
    EXPECT_EQ(shot("long.dat"),
              (Outcome{0, "long.png\n",
                       "long.dat:1: warning: the name of mesh 1, \"a_name_of_thirty_two_"
                       "characters__\", is longer than 31 characters; it is cut to \"a_name_of_"
                       "thirty_two_characters\"\n"}));
    EXPECT_EQ(shot("v1.2/mesh").out, "v1.2/mesh.png\n");
    EXPECT_EQ(shot("--keys x 'run%d.dat'").out, "run%d.png\n") << "a name, not a pattern";
    EXPECT_EQ(shot("--size 1x1 scene.dat").out, "scene.png\n");
    EXPECT_EQ(pngSize("scene.png"), std::pair(1, 1));
    EXPECT_EQ(pngSize("dataTest3.png"), std::pair(640, 480));
    EXPECT_EQ(pngSize("v1.2/mesh.png"), std::pair(640, 480));
    EXPECT_EQ(shot("--version"), (Outcome{0, "kalderino-shot 1.0.0\n", ""}));
}

TEST_F(ShotTest, WritesOnePictureBeforeTheKeysAndOneAfterEach) {
    write("dataTest3.dat", kSquare);
    // A per cent sign before the number, after it, and on both sides: each picture's name is
    // what comes before its number and what comes after.
    const std::array<const char*, 3> patterns[] = {{"shot %%-%03d.png", "shot %-00", ".png"},
                                                   {"p-%d-%%.png", "p-", "-%.png"},
                                                   {"%%%d%%", "%", "%"}};
    for (const auto& [pattern, before, after] : patterns) {
        std::string names;
        for (int i = 0; i < 6; ++i) names += before + std::to_string(i) + after + "\n";
        EXPECT_EQ(
            shot("--size 160x120 --keys 'F4 F3 space A F4' -o '" + std::string(pattern) + "'"),
            (Outcome{0, names, ""}));
    }
    // F4 shrinks the window by one pixel each time; F3, culling a square that faces the camera
    // and an unbound key leave the picture as it was.
    const std::pair<int, int> sizes[] = {{160, 120}, {159, 119}, {159, 119},
                                         {159, 119}, {159, 119}, {158, 118}};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(pngSize("shot %-00" + std::to_string(i) + ".png"), sizes[i]) << i;
    for (int i = 2; i <= 4; ++i)
        EXPECT_EQ(read("shot %-00" + std::to_string(i) + ".png"), read("shot %-001.png")) << i;
    EXPECT_NE(read("shot %-000.png"), read("shot %-005.png"));
}

#ifdef IMPORT_PATH
// A model file is drawn as the data file kalderino-import makes of it, fitted into the view by
// its longest side, here z.
TEST_F(ShotTest, DrawsAModelFileAsItsImportedDataFile) {
    write("tall.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 4\nf 1 3 2\nf 1 2 4\nf 2 3 4\nf 1 4 3\n");
    write("empty.dat", "0\n");
    ASSERT_EQ(std::system("'" IMPORT_PATH "' -o tall.dat tall.obj >/dev/null"), 0);
    EXPECT_EQ(shot("--size 160x120 -o model.png tall.obj"), (Outcome{0, "model.png\n", ""}));
    EXPECT_EQ(shot("--size 160x120 tall.dat").status, 0);
    EXPECT_EQ(shot("--size 160x120 empty.dat").status, 0);
    EXPECT_EQ(read("model.png"), read("tall.png"));
    EXPECT_NE(read("tall.png"), read("empty.png"));
}
#endif

TEST_F(ShotTest, HelpNamesTheKeys) {
    const Outcome run = shot("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("usage: kalderino-shot [-o PICTURE.png] [--size WxH] [--keys \"KEYS\"] "
                            "[--keep-coordinates]\n                      [--thumbnail SIZE] "
                            "[FILE...]\n",
                            0),
              0u);
    EXPECT_NE(run.out.find("Keys: the letters a to z and A to Z, space, F1 to F12, Left, Right."),
              std::string::npos);
    EXPECT_EQ(run.err, "");
}

TEST_F(ShotTest, RefusesBadInputWithOneLineAndLeavesNoFile) {
    write("scene.dat", kSquare);
    write("bad.dat", "1\nsq\n3\n0 0 0\n1 0 zero\n0 1 0\n1\n1 2 3\n");
    write("folder/keep", "");
    write("p1.png/keep", "");
    const std::string size = "kalderino-shot: --size expects WIDTHxHEIGHT, each from 1 to 16384, ";
    const std::string pattern = "kalderino-shot: -o takes one %d (as in %03d) and %% for a percent "
                                "sign, found ";
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"", "dataTest3.dat: cannot open: No such file or directory"},
        {"folder", "folder: cannot open: Is a directory"},
        {"bad.dat", "bad.dat:5: expected the z coordinate of point 2 of mesh \"sq\" as a decimal "
            "number, found \"zero\""},
        {"--keys 'x Home' scene.dat", "kalderino-shot: unknown key \"Home\" in --keys; expected the "
            "letters a to z and A to Z, space, F1 to F12, Left, Right"},
        {"--keys 'F13' scene.dat", "kalderino-shot: unknown key \"F13\" in --keys; expected the "
            "letters a to z and A to Z, space, F1 to F12, Left, Right"},
        {"--keys 'x Up' scene.dat", "kalderino-shot: key \"Up\" works on the window, not on the "
            "picture; it has no place in --keys"},
        {"--keys Escape scene.dat", "kalderino-shot: key \"Escape\" works on the window, not on "
            "the picture; it has no place in --keys"},
        {"--keys 'space Down' scene.dat", "kalderino-shot: key \"Down\" works on the window, not "
            "on the picture; it has no place in --keys"},
        {"--size 0x480 scene.dat", size + "found \"0x480\""},
        {"--size 16385x2 scene.dat", size + "found \"16385x2\""},
        {"--size 640X480 scene.dat", size + "found \"640X480\""},
        {"--size 640x480x2 scene.dat", size + "found \"640x480x2\""},
        {"--size -640x480 scene.dat", size + "found \"-640x480\""},
        {"--size", "kalderino-shot: --size needs a value"},
        {"-o nowhere/x.png scene.dat", "nowhere/x.png: cannot write: No such file or directory"},
        {"-o scene.dat/x.png scene.dat", "scene.dat/x.png: cannot write: Not a directory"},
        {"-o 'x%s.png' scene.dat", pattern + "\"x%s.png\""},
        {"-o '%d-%d.png' scene.dat", pattern + "\"%d-%d.png\""},
        {"--keys x -o 'p%d.png' scene.dat", "p1.png: cannot write: Is a directory"},  // p0.png goes
        {"--frobnicate scene.dat", "kalderino-shot: unknown option \"--frobnicate\"; see --help"},
        {"-x scene.dat", "kalderino-shot: unknown option \"-x\"; see --help"},
        {"scene.dat bad.dat", "bad.dat:5: expected the z coordinate of point 2 of mesh \"sq\" as a "
            "decimal number, found \"zero\""}};
    // clang-format on
    const std::set<std::string> before = files();
    for (const auto& [arguments, message] : cases) {
        EXPECT_EQ(shot(arguments), (Outcome{1, "", message + "\n"})) << arguments;
        EXPECT_EQ(files(), before) << arguments;
    }
}

}  // namespace
