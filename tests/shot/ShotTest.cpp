// ShotTest: kalderino-shot as a process: its output lines, picture names and sizes, its
// refusals, each of which leaves no file behind, its pictures of model files and the thumbnailer
// entry that runs it; and kalderino-view refusing what it cannot show before it opens a window.
#include "tests/TestFolder.h"
#ifdef HAVE_SECCOMP
#include "tests/shot/ThumbnailSandbox.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <png.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kalderino {

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
    // Runs a command line in the test's folder, as the shell takes it.
    static Outcome run(const std::string& line) {
        const int status = std::system((line + " >.out 2>.err").c_str());
        const Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(".out"),
                              read(".err")};
        fs::remove(".out");
        fs::remove(".err");
        return outcome;
    }
    static Outcome shot(const std::string& arguments) { return run(SHOT_PATH " " + arguments); }
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

TEST_F(ShotTest, RefusesBadInputWithOneLineAndLeavesNoFile) {
    write("scene.dat", kSquare);
    write("bad.dat", "1\nsq\n3\n0 0 0\n1 0 zero\n0 1 0\n1\n1 2 3\n");
    write("folder/keep", "");
    write("p1.png/keep", "");
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"", "dataTest3.dat: cannot open: No such file or directory"},
        {"folder", "folder: cannot open: Is a directory"},
        {"bad.dat", "bad.dat:5: expected the z coordinate of point 2 of mesh \"sq\" as a decimal "
            "number, found \"zero\""},
        {"-o nowhere/x.png scene.dat", "nowhere/x.png: cannot write: No such file or directory"},
        {"-o scene.dat/x.png scene.dat", "scene.dat/x.png: cannot write: Not a directory"},
        {"--keys x -o 'p%d.png' scene.dat", "p1.png: cannot write: Is a directory"},  // p0.png goes
        {"scene.dat bad.dat", "bad.dat:5: expected the z coordinate of point 2 of mesh \"sq\" as a "
            "decimal number, found \"zero\""}};
    // clang-format on
    const std::set<std::string> before = files();
    for (const auto& [arguments, message] : cases) {
        EXPECT_EQ(shot(arguments), (Outcome{1, "", message + "\n"})) << arguments;
        EXPECT_EQ(files(), before) << arguments;
    }
}

#ifdef IMPORT_PATH
// A pyramid on an oblong base with its apex off centre, so that a mesh turned, mirrored or wound
// the other way draws differently: the base is one polygon facing down, the sides face out.
const std::array<float, 3> kPyramidPoints[] = {
    {0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}, {0.5f, 0.3f, 1.5f}};
const std::vector<int> kPyramidFaces[] = {{0, 3, 2, 1}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};

template <typename T> std::string bytesOf(T value, bool bigEndian = false) {
    std::string bytes(reinterpret_cast<const char*>(&value), sizeof value);
    if (bigEndian) std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

std::string base64(const std::string& bytes) {
    const char* const digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group =
                group << 8 | (i + k < bytes.size() ? static_cast<unsigned char>(bytes[i + k]) : 0);
        for (std::size_t k = 0; k < 4; ++k)
            text += i + k <= bytes.size() ? digits[group >> (18 - 6 * k) & 63] : '=';
    }
    return text;
}

// The pyramid as a file of one format: "obj" (the first face by number, the others counted back
// from the last point), "ply" in "ascii", "binary_little_endian" or "binary_big_endian", "stl" in
// "ascii" or "binary", "off", or "gltf" (its buffer inside, in base64). STL and glTF hold
// triangles only: the polygons are fanned.
std::string pyramidFile(const std::string& format, const std::string& encoding = "ascii") {
    std::vector<std::array<int, 3>> triangles;
    for (const std::vector<int>& face : kPyramidFaces)
        for (std::size_t i = 1; i + 1 < face.size(); ++i)
            triangles.push_back({face[0], face[i], face[i + 1]});
    std::ostringstream points, faces, text;  // points and faces as OFF and ASCII PLY have them
    for (const auto& [x, y, z] : kPyramidPoints) points << x << ' ' << y << ' ' << z << '\n';
    for (const std::vector<int>& face : kPyramidFaces) {
        faces << face.size();
        for (const int i : face) faces << ' ' << i;
        faces << '\n';
    }
    const bool big = encoding == "binary_big_endian";
    std::string bytes;
    if (format == "obj") {
        text << "o pyramid\n";
        for (const auto& [x, y, z] : kPyramidPoints)
            text << "v " << x << ' ' << y << ' ' << z << '\n';
        for (const std::vector<int>& face : kPyramidFaces) {
            text << 'f';
            for (const int i : face) text << ' ' << (&face == kPyramidFaces ? i + 1 : i - 5);
            text << '\n';
        }
    } else if (format == "off") {
        text << "OFF\n5 5 0\n" << points.str() << faces.str();
    } else if (format == "ply") {
        text << "ply\nformat " << encoding << " 1.0\nelement vertex 5\nproperty float x\n"
             << "property float y\nproperty float z\nelement face 5\n"
             << "property list uchar int vertex_indices\nend_header\n";
        if (encoding == "ascii") text << points.str() << faces.str();
        for (const auto& point : kPyramidPoints)
            for (const float coordinate : point) bytes += bytesOf(coordinate, big);
        for (const std::vector<int>& face : kPyramidFaces) {
            bytes += static_cast<char>(face.size());
            for (const int i : face) bytes += bytesOf(i, big);
        }
        if (encoding == "ascii") bytes.clear();
    } else if (format == "stl" && encoding == "ascii") {
        text << "solid pyramid\n";
        for (const auto& triangle : triangles) {
            text << "facet normal 0 0 0\nouter loop\n";  // readers work normals out themselves
            for (const int i : triangle) {
                const auto& [x, y, z] = kPyramidPoints[i];
                text << "vertex " << x << ' ' << y << ' ' << z << '\n';
            }
            text << "endloop\nendfacet\n";
        }
        text << "endsolid pyramid\n";
    } else if (format == "stl") {
        bytes = std::string(80, '\0') + bytesOf<std::uint32_t>(triangles.size());
        for (const auto& triangle : triangles) {
            bytes += std::string(12, '\0');
            for (const int i : triangle)
                for (const float coordinate : kPyramidPoints[i]) bytes += bytesOf(coordinate);
            bytes += std::string(2, '\0');
        }
    } else if (format == "gltf") {
        std::string buffer;
        for (const auto& point : kPyramidPoints)
            for (const float coordinate : point) buffer += bytesOf(coordinate);
        for (const auto& triangle : triangles)
            for (const int i : triangle) buffer += bytesOf(static_cast<std::uint16_t>(i));
        text << R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
"nodes": [{"mesh": 0}], "meshes": [{"name": "pyramid",
  "primitives": [{"attributes": {"POSITION": 0}, "indices": 1}]}],
"buffers": [{"byteLength": )"
             << buffer.size() << R"(, "uri": "data:application/octet-stream;base64,)"
             << base64(buffer) << R"("}],
"bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 60},
  {"buffer": 0, "byteOffset": 60, "byteLength": )"
             << buffer.size() - 60 << R"(}],
"accessors": [{"bufferView": 0, "componentType": 5126, "count": 5, "type": "VEC3",
  "min": [0, 0, 0], "max": [2, 1, 1.5]},
  {"bufferView": 1, "componentType": 5123, "count": )"
             << triangles.size() * 3 << R"(, "type": "SCALAR"}]}
)";
    }
    return text.str() + bytes;
}

// The pyramid in every format the programs read, and a data file of the square.
void writePyramids() {
    const std::pair<std::string, std::string> files[] = {
        {"pyramid.obj", pyramidFile("obj")},
        {"ascii.ply", pyramidFile("ply")},
        {"little.ply", pyramidFile("ply", "binary_little_endian")},
        {"big.ply", pyramidFile("ply", "binary_big_endian")},
        {"ascii.stl", pyramidFile("stl")},
        {"BINARY.STL", pyramidFile("stl", "binary")},  // extensions count in any case
        {"pyramid.off", pyramidFile("off")},
        {"pyramid.gltf", pyramidFile("gltf")},
        {"scene.dat", kSquare}};
    for (const auto& [name, bytes] : files) std::ofstream(name, std::ios::binary) << bytes;
}

// A model file draws as the data file kalderino-import makes of it, pixel for pixel: the same
// points in the same place, the same triangles in the same order.
TEST_F(ShotTest, DrawsModelFilesAsTheDataFileImportedFromThem) {
    writePyramids();
    // Within the view as it is at start, where the fit would make it much bigger; forty times
    // the size of the pyramids, which it makes small when fitted together with them.
    write("kept.off", "OFF\n4 4 0\n0 20 20\n60 20 30\n30 70 30\n30 40 80\n3 0 2 1\n3 0 1 3\n"
                      "3 1 2 3\n3 2 0 3\n");
    write("empty.dat", "0\n");
    const std::string picture = "--size 160x120 --keys 'f f f f x x' -o ";
    ASSERT_EQ(shot(picture + "empty.png empty.dat").status, 0);
    // clang-format off
    const char* const rows[] = {
        "pyramid.obj", "ascii.ply", "little.ply", "big.ply", "ascii.stl", "BINARY.STL",
        "pyramid.off", "pyramid.gltf", "--keep-coordinates kept.off",
        "pyramid.obj big.ply kept.off", "scene.dat BINARY.STL pyramid.gltf"};
    // clang-format on
    for (const std::string row : rows) {
        // The data files of the row first, then one made of its model files.
        std::string models, dataFiles;
        std::istringstream words(row);
        for (std::string word; words >> word;)
            (fs::path(word).extension() == ".dat" ? dataFiles : models) += word + ' ';
        ASSERT_EQ(run(IMPORT_PATH " --force -o x.dat " + models).status, 0) << row;
        ASSERT_EQ(shot(picture + "two.png " + dataFiles + "x.dat"), (Outcome{0, "two.png\n", ""}));
        // Every file in the material's colour, as the data file has it.
        ASSERT_EQ(shot(picture + "one.png --color 0.75,0.3,0.3 --view viewer " + row),
                  (Outcome{0, "one.png\n", ""}))
            << row;
        EXPECT_TRUE(read("one.png") == read("two.png")) << row << ": the pictures differ";
        EXPECT_TRUE(read("one.png") != read("empty.png")) << row << ": nothing drawn";
    }
}

// A bad file gets the line its reader says, as kalderino-import says it, from kalderino-shot
// and from kalderino-view, whatever was read before it: exit status 1, nothing on stdout, no
// picture, and no window (with no display to open one, GLUT would say so instead).
TEST_F(ShotTest, PassesEachReadersMessageOnAsKalderinoImportSaysIt) {
    writePyramids();
    const std::string ply = "ply\nformat binary_little_endian 1.0\nelement vertex 3\n"
                            "property float x\nproperty float y\nproperty float z\n"
                            "element face 1\nproperty list uchar int vertex_indices\nend_header\n";
    std::string points;
    for (const float coordinate : {0, 0, 0, 1, 0, 0, 0, 1, 0}) points += bytesOf(coordinate);
    const std::string stl = pyramidFile("stl", "binary");
    const struct {
        std::string name;
        std::optional<std::string> bytes;  // none: no such file
        std::string dataFileMessage;       // for a data file, which kalderino-import cannot read
    } cases[] = {
        {"number.obj", "v 0 0 0\nv 1 zero 0\n", ""},
        {"index.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 -4\n", ""},
        {"nothing.obj", "# no points, no faces\n", ""},
        {"type.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float128 x\n", ""},
        {"header.ply", "ply\nformat ascii 1.0\nelement vertex 0\n", ""},
        {"cut.ply", ply + points + '\3' + bytesOf(0) + bytesOf(1), ""},
        {"cut.stl", stl.substr(0, stl.size() - 1), ""},
        {"early.stl", "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0\n", ""},
        {"index.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n", ""},
        {"broken.gltf", "{\"asset\": {\"version\": \"2.0\"}, \"meshes\": [", ""},
        {"gone.stl", std::nullopt, ""},
        {"notes", "garbage\n",
         "notes:1: expected the mesh count as a decimal integer, found \"garbage\""},
        {"cut.dat", "1 sq 3  0 0 0  1 0 0  0 1 0\n",
         "cut.dat:1: file ends early: expected the triangle count of mesh \"sq\""},
        {"gone.dat", std::nullopt, "gone.dat: cannot open: No such file or directory"}};
    for (const auto& c : cases) {
        if (c.bytes) write(c.name, *c.bytes);
        std::string message = c.dataFileMessage + '\n';
        if (c.dataFileMessage.empty()) {
            const Outcome imported = run(IMPORT_PATH " -o x.dat " + c.name);
            EXPECT_EQ(imported.status, 1) << c.name;
            message = imported.err;
            EXPECT_EQ(message.rfind(c.name + ':', 0), 0u) << message;
            EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
        }
        const std::set<std::string> before = files();
        for (const std::string& arguments : {c.name, "pyramid.off scene.dat " + c.name}) {
            EXPECT_EQ(shot(arguments), (Outcome{1, "", message})) << arguments;
            EXPECT_EQ(run("env -u DISPLAY " VIEW_PATH " " + arguments), (Outcome{1, "", message}))
                << arguments;
        }
        EXPECT_EQ(files(), before) << c.name;
    }
}

// A line of a desktop file ("Key=value"): the value, or "" when the file has no such key.
std::string entryValue(const char* path, const std::string& key) {
    std::ifstream entry(path);
    for (std::string line; std::getline(entry, line);)
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return "";
}

// The thumbnailer entry's Exec line as a file manager runs it: split into words, %i (the file's
// path), %u (its URI), %o (the picture's path), %s (the size) and %% replaced in each word, and
// the program found on PATH, with no shell; as a shell's command line, each word quoted.
std::string thumbnailerCommand(const std::string& input, const std::string& output, int size) {
    std::istringstream words(entryValue(THUMBNAILER_PATH, "Exec"));
    std::string line;
    for (std::string word; words >> word;) {
        std::string expanded;
        for (std::size_t i = 0; i < word.size(); ++i) {
            const char c = word[i] == '%' && i + 1 < word.size() ? word[++i] : '\0';
            expanded += c == 's'    ? std::to_string(size)
                        : c == 'i'  ? input
                        : c == 'u'  ? "file://" + input
                        : c == 'o'  ? output
                        : c == '\0' ? std::string(1, word[i])
                                    : std::string(1, c);
        }
        line += " '" + expanded + "'";  // one word, whatever it holds
    }
    return line;
}

// Pixels of a PNG, as RGBA bytes, top row first; alpha says whether the file has an alpha
// channel. Empty when it cannot be read.
struct Pixels {
    int width = 0;
    int height = 0;
    bool alpha = false;
    std::vector<unsigned char> rgba;
};

Pixels readPixels(const std::string& path) {
    Pixels pixels;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return pixels;
    pixels.alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = PNG_FORMAT_RGBA;
    pixels.width = static_cast<int>(image.width);
    pixels.height = static_cast<int>(image.height);
    pixels.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.rgba.data(), 0, nullptr)) pixels = Pixels();
    return pixels;
}

TEST_F(ShotTest, ThumbnailerEntryDrawsOwnFormatsAtTheAskedSizeAndRefusesTheRest) {
    const std::string exec = entryValue(THUMBNAILER_PATH, "Exec");
    ASSERT_FALSE(exec.empty()) << THUMBNAILER_PATH << " holds no Exec line";
    // Used only where that is installed.
    EXPECT_EQ(entryValue(THUMBNAILER_PATH, "TryExec"), exec.substr(0, exec.find(' ')));
    const std::string path = "PATH='" + fs::path(SHOT_PATH).parent_path().string() + "':\"$PATH\"";
    const auto thumbnailer = [&](const fs::path& input, int size) {
        return run(path + thumbnailerCommand(input, folder.path / "out" / "thumbnail.png", size));
    };
    fs::create_directories("Downloads/new models");
    fs::create_directory("out");
    fs::current_path("Downloads/new models");
    writePyramids();
    fs::current_path(folder.path);
    const fs::path downloads = folder.path / "Downloads" / "new models";
    const std::pair<const char*, int> drawn[] = {
        {"BINARY.STL", 128}, {"little.ply", 256}, {"pyramid.obj", 128}, {"pyramid.off", 256}};
    for (const auto& [name, size] : drawn) {
        EXPECT_EQ(thumbnailer(downloads / name, size).status, 0) << name;
        EXPECT_EQ(pngSize("out/thumbnail.png"), std::pair(size, size)) << name;
        // The picture the file manager shows is the one kalderino-shot draws at that size.
        ASSERT_EQ(shot("--thumbnail " + std::to_string(size) + " -o drawn.png '" +
                       (downloads / name).string() + "'")
                      .status,
                  0);
        EXPECT_TRUE(read("out/thumbnail.png") == read("drawn.png")) << name;
        fs::remove("out/thumbnail.png");
    }
    for (const char* name : {"pyramid.gltf", "scene.dat"}) {
        const fs::path input = downloads / name;
        EXPECT_EQ(thumbnailer(input, 128),
                  (Outcome{1, "",
                           input.string() + ": only OBJ, PLY, STL and OFF files are read here\n"}));
        EXPECT_TRUE(fs::is_empty("out")) << name;
    }
}
// Runs kalderino-shot with arguments, no shell between; returns its exit status and sets peakMiB
// to its peak memory.
int shotPeak(const std::vector<std::string>& arguments, long& peakMiB) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>(SHOT_PATH)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(SHOT_PATH, argv.data());
        std::_Exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    peakMiB = usage.ru_maxrss / 1024;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A PNG's pixels as RGB, row by row from the top; empty when it cannot be read.
std::vector<unsigned char> pixelsOf(const std::string& path, int& width) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<unsigned char> rgb;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return rgb;
    image.format = PNG_FORMAT_RGB;
    width = static_cast<int>(image.width);
    rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) rgb.clear();
    return rgb;
}

// An OBJ of a ring of n faces around a point: a low cone when rise is above 0, with its apex at
// (x, y, z) facing +z, each face's corners from the apex counter-clockwise.
std::string cone(int n, double x, double y, double z, double radius, double rise, int first) {
    std::ostringstream obj;
    obj << "v " << x << ' ' << y << ' ' << z << '\n';
    for (int k = 0; k < n; ++k) {
        const double a = 2 * M_PI * k / n;
        obj << "v " << x + radius * std::cos(a) << ' ' << y + radius * std::sin(a) << ' '
            << z - rise * (1 + 0.3 * std::sin(3 * a)) << '\n';
    }
    for (int k = 0; k < n; ++k)
        obj << "f " << first << ' ' << first + 1 + k << ' ' << first + 1 + (k + 1) % n << '\n';
    return obj.str();
}

// A torus as an OBJ of quads, at the view's centre: every shading mode shows on it.
std::string torus() {
    std::ostringstream obj;
    const int around = 40, tube = 20;
    for (int i = 0; i < tube; ++i)
        for (int j = 0; j < around; ++j) {
            const double phi = 2 * M_PI * i / tube, theta = 2 * M_PI * j / around;
            const double ring = 60 + 25 * std::cos(phi);
            obj << "v " << 30 + ring * std::cos(theta) << ' ' << 42.4 + ring * std::sin(theta)
                << ' ' << 42.4 + 25 * std::sin(phi) << '\n';
        }
    const auto at = [&](int i, int j) { return (i % tube) * around + j % around + 1; };
    for (int i = 0; i < tube; ++i)
        for (int j = 0; j < around; ++j)
            obj << "f " << at(i, j) << ' ' << at(i, j + 1) << ' ' << at(i + 1, j + 1) << ' '
                << at(i + 1, j) << '\n';
    return obj.str();
}

// The model's picture is its data file's, pixel for pixel, in every mode and view the keys
// reach; as the objects' picture, so the arrays'.
TEST_F(ShotTest, DrawsAModelInEveryModeAndViewAsItsDataFile) {
    write("torus.obj", torus());
    ASSERT_EQ(run(IMPORT_PATH " -o torus.dat torus.obj").status, 0);
    // clang-format off
    const char* const rows[] = {
        "", "m", "F2", "F2 m", "space", "space x x x x x x x x x x x x x x x x x x", "F4",
        "F4 m F2 space", "f v v x z z a s s Left Left Right", "r e e d c c w q q",
        "w w w w w w w w w w f f f", "F2 F1 m m space space F4 F4"};
    // clang-format on
    for (const std::string keys : rows) {
        const std::string picture = "--size 320x240 --keys '" + keys + "' -o ";
        ASSERT_EQ(shot(picture + "model.png --view viewer torus.obj"),
                  (Outcome{0, "model.png\n", ""}))
            << keys;
        ASSERT_EQ(shot(picture + "data.png torus.dat"), (Outcome{0, "data.png\n", ""})) << keys;
        EXPECT_TRUE(read("model.png") == read("data.png")) << keys << ": the pictures differ";
    }
}

// A point of a data file takes its first 32 triangles into its normal; a model's point takes all
// of its own. The pictures differ only where such a point is drawn: here a cone's apex of 40
// faces left of the view's centre; on the right one of 32 faces draws alike.
TEST_F(ShotTest, PointsOfMoreThan32TrianglesTakeAllOfThemOnlyInModelFiles) {
    write("cones.obj", "o forty\n" + cone(40, -10, 42, 60, 30, 12, 1) + "o thirty-two\n" +
                           cone(32, 70, 42, 60, 30, 12, 42));
    ASSERT_EQ(run(IMPORT_PATH " --keep-coordinates -o cones.dat cones.obj").status, 0);
    const std::string picture = "--keep-coordinates --size 320x240 -o ";
    EXPECT_EQ(shot(picture + "model.png --view viewer cones.obj"), (Outcome{0, "model.png\n", ""}));
    EXPECT_EQ(shot(picture + "data.png cones.dat"),
              (Outcome{0, "data.png\n",
                       "cones.dat: warning: 1 points of mesh \"forty\" are used by more than 32 "
                       "triangles; their normals use the first 32\n"}));
    int width = 0;
    const std::vector<unsigned char> model = pixelsOf("model.png", width);
    const std::vector<unsigned char> data = pixelsOf("data.png", width);
    ASSERT_EQ(model.size(), data.size());
    int left = 0, right = 0, drawnRight = 0;
    for (std::size_t i = 0; i < model.size(); i += 3) {
        const bool differs = !std::equal(&model[i], &model[i] + 3, &data[i]);
        const bool onTheRight =
            static_cast<int>(i / 3 % static_cast<std::size_t>(width)) >= width / 2;
        (onTheRight ? right : left) += differs;
        drawnRight += onTheRight && model[i] + model[i + 1] + model[i + 2] > 0;
    }
    EXPECT_GT(left, 20) << "the apex of 40 faces draws alike";
    EXPECT_EQ(right, 0);
    EXPECT_GT(drawnRight, 1000) << "the cone of 32 faces is out of view";
}

// Two million triangles in a stated memory: the model file's arrays, its reading and the
// renderer's own, where the viewer's objects took three times as much.
TEST_F(ShotTest, DrawsTwoMillionTrianglesInUnder200MiB) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory is no part of the program's";
#endif
    const int side = 1000;  // cells a side, two triangles each
    std::ofstream stl("terrain.stl", std::ios::binary);
    stl << std::string(80, '\0') << bytesOf<std::uint32_t>(2 * side * side);
    const auto corner = [](int i, int j) {
        const float x = static_cast<float>(i) / 5, y = static_cast<float>(j) / 5;
        return bytesOf(x) + bytesOf(y) + bytesOf(std::sin(x / 7) * std::cos(y / 9) * 10);
    };
    std::string row;
    for (int i = 0; i < side; ++i) {
        row.clear();
        for (int j = 0; j < side; ++j) {
            const std::string a = corner(i, j), b = corner(i + 1, j), c = corner(i + 1, j + 1),
                              d = corner(i, j + 1), normal(12, '\0'), attributes(2, '\0');
            row += normal + a + b + c + attributes + normal + a + c + d + attributes;
        }
        stl << row;
    }
    stl.close();
    long peakMiB = 0;
    ASSERT_EQ(shotPeak({"-o", "terrain.png", "terrain.stl"}, peakMiB), 0);
    EXPECT_LT(peakMiB, 200);
}

// A thumbnail is the picture kalderino-shot draws at its size without the background:
// transparent where no mesh is near, opaque where there is only mesh, in the colours of the
// picture, and partly covered between, so that its edges are smooth. Other pictures stay RGB.
TEST_F(ShotTest, ThumbnailsAreTransparentAroundTheModelAndSmoothAtItsEdges) {
    writePyramids();
    for (const int size : {48, 256}) {
        SCOPED_TRACE(size);
        const std::string square = std::to_string(size) + 'x' + std::to_string(size);
        ASSERT_EQ(shot("--thumbnail " + std::to_string(size) + " -o thumb.png pyramid.obj").status,
                  0);
        ASSERT_EQ(shot("--size " + square + " -o plain.png pyramid.obj").status, 0);
        const Pixels thumb = readPixels("thumb.png");
        const Pixels plain = readPixels("plain.png");
        ASSERT_EQ(std::pair(thumb.width, thumb.height), std::pair(size, size));
        ASSERT_EQ(std::pair(plain.width, plain.height), std::pair(size, size));
        EXPECT_TRUE(thumb.alpha);
        EXPECT_FALSE(plain.alpha);
        const auto at = [size](int x, int y) { return 4 * static_cast<std::size_t>(y * size + x); };
        const auto lit = [&](int x, int y) {
            const unsigned char* p = &plain.rgba[at(x, y)];
            return p[0] + p[1] + p[2] > 0;
        };
        int clear = 0, solid = 0, partial = 0;
        long colourDifference = 0;
        int darkestRed = 255;  // of the mesh drawn
        for (std::size_t i = 0; i < plain.rgba.size(); i += 4)
            if (plain.rgba[i] + plain.rgba[i + 1] + plain.rgba[i + 2] > 0)
                darkestRed = std::min<int>(darkestRed, plain.rgba[i]);
        for (int y = 1; y + 1 < size; ++y) {
            for (int x = 1; x + 1 < size; ++x) {
                int litAround = 0;  // of the pixel and its eight neighbours in the picture
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) litAround += lit(x + dx, y + dy);
                const int alpha = thumb.rgba[at(x, y) + 3];
                if (litAround == 0) {
                    EXPECT_EQ(alpha, 0) << x << "," << y;
                    ++clear;
                } else if (litAround == 9) {
                    EXPECT_EQ(alpha, 255) << x << "," << y;
                    for (int c = 0; c < 3; ++c)
                        colourDifference +=
                            std::abs(thumb.rgba[at(x, y) + c] - plain.rgba[at(x, y) + c]);
                    ++solid;
                }
                if (alpha > 0 && alpha < 255) {
                    // The colour of the mesh where it covers the pixel, not darkened by the
                    // background around it.
                    EXPECT_GE(thumb.rgba[at(x, y)], darkestRed - 10) << x << "," << y;
                    ++partial;
                }
            }
        }
        EXPECT_GT(clear, size * size / 4);
        EXPECT_GT(solid, size * size / 10);
        EXPECT_GT(partial, size) << "smooth edges: pixels partly covered";
        EXPECT_LT(colourDifference / std::max(solid, 1), 6) << "per pixel, in all three channels";
    }
}

// Inside the sandbox GNOME's file managers run thumbnailers in, which shows /usr and the two
// files and nothing else, the entry's command draws every format of the project's own readers:
// the drivers it needs are found under /usr, and the seccomp filter lets it run.
TEST_F(ShotTest, ThumbnailerDrawsEveryOwnFormatInGnomesSandbox) {
#ifndef HAVE_SECCOMP
    GTEST_SKIP() << "built without libseccomp (libseccomp-dev), which writes the sandbox's filter";
#else
    writePyramids();
    for (const char* name : {"pyramid.obj", "ascii.ply", "little.ply", "big.ply", "ascii.stl",
                             "BINARY.STL", "pyramid.off"}) {
        SCOPED_TRACE(name);
        fs::remove_all("out");
        fs::create_directory("out");
        ThumbnailSandbox sandbox;
        std::string why;
        if (!sandbox.prepare((folder.path / name).string(), (folder.path / "out").string(),
                             fs::path(SHOT_PATH).parent_path().string(), why))
            GTEST_SKIP() << why;
        EXPECT_EQ(run(sandbox.prefix +
                      thumbnailerCommand(sandbox.inside, ThumbnailSandbox::kOutput, 128)),
                  (Outcome{0, std::string(ThumbnailSandbox::kOutput) + "\n", ""}));
        ASSERT_EQ(shot(std::string("--thumbnail 128 -o outside.png ") + name).status, 0);
        EXPECT_TRUE(read("out/gnome-desktop-thumbnailer.png") == read("outside.png"));
    }
#endif
}

// The file manager asks shared-mime-info for a file's type, and runs the thumbnailer and offers
// the desktop entry for the types they list: with the package's types installed, every own
// format is one of them.
TEST_F(ShotTest, OwnFormatsHaveTypesTheThumbnailerAndTheDesktopEntryList) {
    if (std::system("command -v gio >/dev/null && command -v update-mime-database >/dev/null") != 0)
        GTEST_FAIL() << "needs gio (libglib2.0-bin) and update-mime-database (shared-mime-info)";
    writePyramids();
    fs::create_directories("share/mime/packages");
    fs::copy_file(MIME_PACKAGE_PATH, "share/mime/packages/kalderino.xml");
    ASSERT_EQ(run("update-mime-database share/mime").status, 0);
    const auto listed = [](const char* entry) { return ";" + entryValue(entry, "MimeType"); };
    for (const char* name : {"pyramid.obj", "ascii.ply", "little.ply", "big.ply", "ascii.stl",
                             "BINARY.STL", "pyramid.off"}) {
        const Outcome type = run("XDG_DATA_HOME=share gio info -a standard::content-type " +
                                 std::string(name) + " | sed -n 's/.*content-type: //p'");
        ASSERT_EQ(type.status, 0) << name;
        const std::string word = ";" + type.out.substr(0, type.out.find('\n')) + ";";
        EXPECT_NE(listed(THUMBNAILER_PATH).find(word), std::string::npos) << name << word;
        EXPECT_NE(listed(DESKTOP_ENTRY_PATH).find(word), std::string::npos) << name << word;
    }
}

// Page Down and Page Up show the next and the previous file of the first file's folder that the
// programs read, in the byte order of the names, going round; F5 reads the files again. The
// pictures after them are the pictures of those files.
TEST_F(ShotTest, PageKeysGoThroughTheFolderAndF5ReadsAgain) {
    writePyramids();  // BINARY.STL ascii.ply ascii.stl big.ply little.ply pyramid.gltf pyramid.obj
                      // pyramid.off scene.dat
    write(".hidden.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    write("notes.txt", "not a model\n");
    fs::create_directory("folder.obj");
    const std::array<const char*, 3> rows[] = {
        {"ascii.ply", "Next", "ascii.stl"},           {"ascii.ply", "Prior", "BINARY.STL"},
        {"BINARY.STL", "Prior", "scene.dat"},         {"pyramid.off", "Next Next", "BINARY.STL"},
        {"pyramid.obj", "Next Prior", "pyramid.obj"}, {"scene.dat", "F5", "scene.dat"},
        {"pyramid.obj", "Next F5", "pyramid.off"}};
    for (const auto& [first, keys, shown] : rows) {
        SCOPED_TRACE(std::string(first) + ": " + keys);
        ASSERT_EQ(shot(std::string("--keys '") + keys + "' -o after.png " + first),
                  (Outcome{0, "after.png\n", ""}));
        ASSERT_EQ(shot(std::string("-o direct.png ") + shown).status, 0);
        EXPECT_TRUE(read("after.png") == read("direct.png"));
    }
}
#endif

}  // namespace

}  // namespace kalderino
