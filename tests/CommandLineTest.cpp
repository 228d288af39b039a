// CommandLineTest: the command lines of kalderino-view, -shot, -import and -generate, run with no
// display; programs that share an option share its row. (kalderino takes none: GLUT reads it.)
#include "tests/ProgramRun.h"
#include "tests/TestFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>

namespace kalderino {

namespace {

const std::map<char, std::string> kPrograms = {
    {'v', VIEW_PATH}, {'s', SHOT_PATH}, {'i', IMPORT_PATH}, {'g', GENERATE_PATH}};

std::string replaced(const std::string& text, const std::string& program) {
    return std::regex_replace(text, std::regex("PROG"), program);
}

const std::string kSize = "--size expects WIDTHxHEIGHT, each from 1 to 16384, found ";
const std::string kGeometry =
    "-geometry expects [WIDTHxHEIGHT][{+-}X{+-}Y], each side from 1 to 16384, found ";
const std::string kKeys =
    " in --keys; expected a key name such as a, F5, space, Return or Prior; see --help";
const std::string kPattern = "-o takes one %d (as in %03d) and %% for a percent sign, found ";
const std::string kThumbnail = "--thumbnail expects a number from 1 to 1024, found ";
const std::string kTriangles = "TRIANGLES expects a number from 2 to 2000000000, found ";

struct Row {
    const char* programs;   // v, s, i, g: view, shot, import, generate
    std::string arguments;  // as the shell takes them
    int status;
    std::string out;  // what stdout holds, white space squeezed; "": nothing at all
    std::string err;  // all of stderr without its line end; "": nothing. PROG is the program
};

// clang-format off
const Row kRows[] = {
    // The conventions every program keeps.
    {"vsig", "--help", 0, "usage: PROG", ""},
    {"vsig", "-h", 0, "usage: PROG", ""},
    {"vsig", "x.obj --help", 0, "usage: PROG", ""},
    {"vsig", "--version", 0, "PROG 1.0.0", ""},
    {"vsig", "--bogus x.obj", 1, "", "PROG: unknown option \"--bogus\"; see --help"},
    {"vsig", "--bogus --help", 1, "", "PROG: unknown option \"--bogus\"; see --help"},
    {"vsi", "-- -x.obj", 1, "", "-x.obj: cannot open: No such file or directory"},
    {"vsi", "-- --help", 1, "", "--help: cannot open: No such file or directory"},
    {"g", "-- --help", 1, "", "PROG: expected sample or terrain, found \"--help\"; see --help"},
    {"sig", "x.obj -o", 1, "", "PROG: -o needs a value; see --help"},
    {"sig", "-o '' x.obj", 1, "", "PROG: -o needs a value; see --help"},
    {"v", "x.obj -geometry", 1, "", "PROG: -geometry needs a value; see --help"},
    {"v", "x.obj -display", 1, "", "PROG: -display needs a value; see --help"},
    {"v", "", 1, "", "PROG: no files to show; see --help"},
    {"v", "--keep-coordinates", 1, "", "PROG: no files to show; see --help"},
    {"i", "", 1, "", "PROG: no input files; see --help"},
    {"g", "", 1, "", "PROG: expected sample or terrain; see --help"},
    // Numbers whole, and within their range.
    {"s", "--thumbnail 12abc x.obj", 1, "", "PROG: " + kThumbnail + "\"12abc\"; see --help"},
    {"s", "--thumbnail 1025 x.obj", 1, "", "PROG: " + kThumbnail + "\"1025\"; see --help"},
    {"s", "--size 0x480", 1, "", "PROG: " + kSize + "\"0x480\"; see --help"},
    {"s", "--size 16385x2", 1, "", "PROG: " + kSize + "\"16385x2\"; see --help"},
    {"s", "--size 640X480", 1, "", "PROG: " + kSize + "\"640X480\"; see --help"},
    {"s", "--size 640x480x2", 1, "", "PROG: " + kSize + "\"640x480x2\"; see --help"},
    {"s", "--size -640x480", 1, "", "PROG: " + kSize + "\"-640x480\"; see --help"},
    {"g", "terrain 1", 1, "", "PROG: " + kTriangles + "\"1\"; see --help"},
    {"g", "terrain 2000000001", 1, "", "PROG: " + kTriangles + "\"2000000001\"; see --help"},
    {"g", "terrain 5 --shuffle 99999999999999999999", 1, "", "PROG: --shuffle expects a number "
     "from 0 to 4294967295, found \"99999999999999999999\"; see --help"},
    // kalderino-view's window, refused before any window; a good one lets the files be read.
    {"v", "-geometry 12abcx5 x.obj", 1, "", "PROG: " + kGeometry + "\"12abcx5\"; see --help"},
    {"v", "-geometry 0x0 x.obj", 1, "", "PROG: " + kGeometry + "\"0x0\"; see --help"},
    {"v", "-geometry 32767x32767 x.obj", 1, "",
     "PROG: " + kGeometry + "\"32767x32767\"; see --help"},
    {"v", "-geometry +5 x.obj", 1, "", "PROG: " + kGeometry + "\"+5\"; see --help"},
    {"v", "-geometry 5x5+1+2+3 x.obj", 1, "", "PROG: " + kGeometry + "\"5x5+1+2+3\"; see --help"},
    {"v", "-geometry +5+40000 x.obj", 1, "", "PROG: " + kGeometry + "\"+5+40000\"; see --help"},
    {"v", "-geometry = x.obj", 1, "", "PROG: " + kGeometry + "\"=\"; see --help"},
    {"v", "-geometry +5+5 x.obj", 1, "", "x.obj: cannot open: No such file or directory"},
    {"v", "-geometry =16384X1-0-0 x.obj", 1, "", "x.obj: cannot open: No such file or directory"},
    // The other values of kalderino-shot, kalderino-import and kalderino-generate.
    {"s", "--help", 0, "Right, Prior, Next, Home, End and Insert. Up, Down and Escape work", ""},
    {"s", "--keys 'x Hom'", 1, "", "PROG: unknown key \"Hom\"" + kKeys},
    {"s", "--keys F13", 1, "", "PROG: unknown key \"F13\"" + kKeys},
    // Single characters that are no key: not printable, or not ASCII.
    {"s", "--keys \"x $(printf '\\001')\"", 1, "", "PROG: unknown key \"\\x01\"" + kKeys},
    {"s", "--keys '\xC3\xA9'", 1, "", "PROG: unknown key \"\\xC3\\xA9\"" + kKeys},
    {"s", "--keys \"$(printf '\\351')\"", 1, "", "PROG: unknown key \"\\xE9\"" + kKeys},
    {"s", "--keys 'space Down'", 1, "", "PROG: key \"Down\" works on the window, not on the "
     "picture; it has no place in --keys; see --help"},
    {"s", "--keys Escape", 1, "", "PROG: key \"Escape\" works on the window, not on the "
     "picture; it has no place in --keys; see --help"},
    {"s", "--events 'key x; key Escape'", 1, "", "PROG: --events: key \"Escape\" works on the "
     "window, not on the picture; see --help"},
    {"s", "--events 'key x;; drag 10,10'", 1, "", "PROG: --events: item 3: \"drag\" expects an "
     "optional button and two or more points X,Y; see --help"},
    {"s", "--events 'scroll 0'", 1, "", "PROG: --events: item 1: \"scroll\" expects a number of "
     "steps (not 0) and an optional \"at X,Y\", found \"0\"; see --help"},
    {"s", "--events 'meta+click 1,1'", 1, "", "PROG: --events: item 1: unknown modifier in "
     "\"meta+click\"; expected shift, ctrl or alt; see --help"},
    {"s", "--events 'hover 1,1'", 1, "", "PROG: --events: item 1: unknown event \"hover\"; "
     "expected key, press, release, move, drag, click, double-click, scroll, resize or wait; see "
     "--help"},
    // The model viewer's view and up axis, kalderino-view's and kalderino-shot's alike.
    {"vs", "x.obj --view", 1, "", "PROG: --view needs a value; see --help"},
    {"vs", "--view side x.obj", 1, "", "PROG: unknown view \"side\"; expected one of "
     "three-quarter, front, right, top, isometric, viewer; see --help"},
    {"vs", "--up z- x.obj", 1, "", "PROG: unknown up axis \"z-\"; expected one of +X, -X, +Y, -Y, "
     "+Z, -Z; see --help"},
    {"s", "-o 'x%s.png'", 1, "", "PROG: " + kPattern + "\"x%s.png\"; see --help"},
    {"s", "-o '%d-%d.png'", 1, "", "PROG: " + kPattern + "\"%d-%d.png\"; see --help"},
    {"i", "--format . x.obj", 1, "", "PROG: --format needs a value; see --help"},
    {"g", "sample extra", 1, "", "PROG: unexpected argument \"extra\"; see --help"},
    {"g", "terrain", 1, "", "PROG: terrain needs a number of triangles; see --help"},
    {"g", "sample --shuffle 3", 1, "", "PROG: --shuffle is for terrain only; see --help"},
};
// clang-format on

TEST(CommandLineTest, EveryProgramAnswersEachRowAsTheTableSays) {
    const TestFolder folder;  // no row may leave anything in it
    for (const Row& row : kRows) {
        for (const char* letter = row.programs; *letter != '\0'; ++letter) {
            const std::string program = kPrograms.at(*letter);
            const std::string name = std::filesystem::path(program).filename();
            SCOPED_TRACE(name + " " + row.arguments);
            const Outcome said = run("env -u DISPLAY '" + program + "' " + row.arguments);
            const std::string err = row.err.empty() ? "" : replaced(row.err, name) + "\n";
            EXPECT_EQ(said, (Outcome{row.status, row.out.empty() ? "" : said.out, err}));
            EXPECT_NE(squeezed(said.out).find(replaced(row.out, name)), std::string::npos);
            EXPECT_TRUE(std::filesystem::is_empty("."));
        }
    }
}

}  // namespace

}  // namespace kalderino
