// ShotTest: kalderino-shot as a process (its lines, pictures, refusals and failures, and the
// thumbnailer entry that runs it), and kalderino-view refusing files before it opens a window.
#include "tests/ProgramRun.h"
#include "tests/TestFolder.h"
#include "tests/shot/PngPicture.h"
#ifdef HAVE_SECCOMP
#include "tests/shot/ThumbnailSandbox.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace kalderino {

namespace fs = std::filesystem;

// Rows leave the fields they do not need at their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

// The viewer's square (scene.dat), and a pyramid with its apex off centre in every model format.
const char* const kPyramids[] = {"pyramid.obj", "ascii.ply",  "little.ply", "big.ply",
                                 "ascii.stl",   "BINARY.STL", "pyramid.off"};

class ShotTest : public ::testing::Test {
protected:
    ShotTest() { ::setenv("SHOT", SHOT_PATH, 1); }
    static void copyPyramids(const fs::path& to = ".") { fs::copy(SHOT_DATA_PATH "/pyramids", to); }
    TestFolder folder;
};

// The names of n pictures, each between before and after.
std::string numbered(const std::string& before, const std::string& after, int n) {
    std::string names;
    for (int i = 0; i < n; ++i) names += before + std::to_string(i) + after + "\n";
    return names;
}

// kalderino-shot's picture after arguments, as bytes, once it has printed its name and no more.
std::string shot(const std::string& arguments) {
    EXPECT_EQ(run("$SHOT -o p.png " + arguments), (Outcome{0, "p.png\n", ""})) << arguments;
    return readFile("p.png");
}

const std::string kLong(250, 'n');  // with "0.png", a name of NAME_MAX bytes

// Each row in a folder of its own holding the pyramids; a run that fails leaves it as it was.
TEST_F(ShotTest, CommandLinesPrintTheirPicturesOrOneLineAndLeaveNoFile) {
    const struct {
        std::string setup, command;
        int status;
        std::string out, err;
        std::string sizes;  // "NAME WxH" each, separated by ";"
        std::string check;
    } rows[] = {
        {"cp scene.dat dataTest3.dat", "$SHOT --keys 'A F12 x'", 0, "dataTest3.png\n", "",
         "dataTest3.png 640x480"},
        // The loader's report is not printed, its warnings are, naming the file read.
        {"echo '1 a_name_of_thirty_two_characters__ 3 0 0 0 1 0 0 0 1 0 1 1 2 3' >long.dat",
         "$SHOT long.dat", 0, "long.png\n",
         "long.dat:1: warning: the name of mesh 1, \"a_name_of_thirty_two_characters__\", is "
         "longer than 31 characters; it is cut to \"a_name_of_thirty_two_characters\"\n"},
        {"mkdir v1.2 && cp scene.dat v1.2/mesh", "$SHOT --size 1x1 v1.2/mesh", 0, "v1.2/mesh.png\n",
         "", "v1.2/mesh.png 1x1"},
        {"cp scene.dat 'run%d.dat'", "$SHOT --keys x 'run%d.dat'", 0, "run%d.png\n", ""},
        // One picture before the keys and one after each. F4 shrinks the window by a pixel; F3,
        // culling a square that faces the camera and an unbound key leave the picture as it was.
        {"", "$SHOT --size 160x120 --keys 'F4 F3 space A F4' -o 'shot %%%03d-%%.png' scene.dat", 0,
         numbered("shot %00", "-%.png", 6), "",
         "shot %000-%.png 160x120;shot %001-%.png 159x119;shot %005-%.png 158x118",
         "cmp 'shot %001-%.png' 'shot %004-%.png' && ! cmp -s 'shot %000-%.png' 'shot %005-%.png'"},
        // A stream gets the very bytes a file gets; a name with no extension is kept as it is.
        {"",
         "$SHOT -o /dev/stdout scene.dat | cat >piped.png; $SHOT -o /dev/stdout scene.dat "
         ">redirected.png; $SHOT -o made scene.dat && cmp piped.png made && "
         "cmp redirected.png made",
         0, "made\n", ""},
        // Long names: the old file and the picture set aside each get a second name.
        {"echo old >" + kLong + "0.png", "$SHOT --keys x -o " + kLong + "%d.png scene.dat", 0,
         numbered(kLong, ".png", 2), "", kLong + "0.png 640x480", "test $(ls | wc -l) = 11"},
        {"mkdir folder", "$SHOT folder", 1, "", "folder: cannot open: Is a directory\n"},
        {"", "$SHOT -o nowhere/x.png scene.dat", 1, "",
         "nowhere/x.png: cannot write: No such file or directory\n"},
        {"", "$SHOT -o scene.dat/x.png scene.dat", 1, "",
         "scene.dat/x.png: cannot write: Not a directory\n"},
        // A thumbnail's file no one writes ends the run at the time limit (lowered to a second).
        {"mkfifo slow.obj",
         "exec 3<>slow.obj; KALDERINO_THUMBNAIL_SECONDS=1 exec $SHOT --thumbnail 64 -o t.png "
         "slow.obj",
         1, "", "slow.obj: cannot draw a thumbnail within the thumbnail's 1 seconds\n"},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto& row = rows[i];
        SCOPED_TRACE(row.command);
        copyPyramids(folder.path / std::to_string(i));
        fs::current_path(folder.path / std::to_string(i));
        ASSERT_EQ(run(row.setup).status, 0) << row.setup;
        const std::set<std::string> before = filesHere();
        EXPECT_EQ(run(row.command, {}, 60), (Outcome{row.status, row.out, row.err}));
        if (row.status != 0) {
            EXPECT_EQ(filesHere(), before);
        }
        std::istringstream sizes(row.sizes);
        for (std::string name; std::getline(sizes, name, ';');) {
            const PngPicture picture(name.substr(0, name.rfind(' ')));
            EXPECT_EQ(name, name.substr(0, name.rfind(' ') + 1) + std::to_string(picture.width) +
                                "x" + std::to_string(picture.height));
        }
        EXPECT_EQ(run(row.check), (Outcome{0, "", ""})) << row.check;
        fs::current_path(folder.path);
    }
}

// Each picture against baselines/ by its name: no channel may be more than 2 of 255 off. A failure
// writes NAME.diff.png beside it; UPDATE_BASELINES=1 takes the outputs as the baselines instead.
TEST_F(ShotTest, PicturesMatchTheirBaselines) {
    const std::string ico = "icosahedron.dat", sample = SAMPLE_PATH;
    const struct {
        std::string name, data, size, keys;
        int pictures = 1;
    } rows[] = {
        {"icosahedron", ico, "160x120"},
        {"icosahedron-f9", ico, "160x120", "f f f f f f f f f"},
        {"icosahedron-wireframe", ico, "160x120", "F2"},
        {"icosahedron-flat", ico, "160x120", "m"},
        {"icosahedron-orthographic", ico, "160x120", "F4"},
        {"icosahedron-perspective-again", ico, "160x120", "F4 F4"},
        {"icosahedron-turn", ico, "160x120", "x x x", 4},
        {"squares-culled", "two-squares.dat", "160x120", "space"},
        {"sample", sample, "640x480"},
        {"sample-turned", sample, "320x240", "x x z a F2 F1 Left e m"},
    };
    const fs::path pictures = PICTURES_PATH;
    fs::remove_all(pictures);  // none left from an earlier run
    fs::create_directories(pictures);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string stem = (pictures / row.name).string();
        const std::string printed =
            row.pictures > 1 ? numbered(stem + "-", ".png", row.pictures) : stem + ".png\n";
        ASSERT_EQ(run("exec $SHOT --size " + row.size + " --keys '" + row.keys + "' -o '" + stem +
                      (row.pictures > 1 ? "-%d" : "") + ".png' '" +
                      (fs::path(SHOT_DATA_PATH) / row.data).string() + "'"),
                  (Outcome{0, printed, ""}));
        std::istringstream outputs(printed);
        for (std::string output; std::getline(outputs, output);) {
            const fs::path baseline = fs::path(BASELINES_PATH) / fs::path(output).filename();
            if (std::getenv("UPDATE_BASELINES") != nullptr) {
                fs::copy_file(output, baseline, fs::copy_options::overwrite_existing);
                continue;
            }
            const PngPicture drawn(output), wanted(baseline);
            ASSERT_FALSE(wanted.rgba.empty())
                << baseline << " (UPDATE_BASELINES=1 takes the output)";
            ASSERT_EQ(std::pair(drawn.width, drawn.height), std::pair(wanted.width, wanted.height));
            PngPicture difference = wanted;  // each channel white where it is off
            long differing = 0;
            for (std::size_t i = 0; i < drawn.rgba.size(); ++i) {
                const bool off = i % 4 != 3 && std::abs(drawn.rgba[i] - wanted.rgba[i]) > 2;
                differing += off;
                difference.rgba[i] = off || i % 4 == 3 ? 255 : wanted.rgba[i] / 4;
            }
            const std::string diff = output.substr(0, output.size() - 4) + ".diff.png";
            EXPECT_EQ(differing, 0)
                << "channels of " << output << " off from " << baseline
                << "; difference: " << (difference.write(diff) ? diff : "not written");
        }
    }
}

#ifdef IMPORT_PATH
// Pictures of model files are those of the data files kalderino-import makes of them, pixel for
// pixel: the same points in the same place, the same triangles in the same order.
TEST_F(ShotTest, DrawsModelFilesAsTheDataFilesImportedFromThem) {
    copyPyramids();
    // Forty times the pyramids' size: the fit would make it small beside them, or big alone.
    std::ofstream("kept.off") << "OFF\n4 4 0\n0 20 20\n60 20 30\n30 70 30\n30 40 80\n3 0 2 1\n"
                                 "3 0 1 3\n3 1 2 3\n3 2 0 3\n";
    std::ofstream("empty.dat") << "0\n";
    std::vector<std::string> rows(std::begin(kPyramids), std::end(kPyramids));
    rows.insert(rows.end(), {"pyramid.gltf", "--keep-coordinates kept.off",
                             "pyramid.obj big.ply kept.off", "scene.dat BINARY.STL pyramid.gltf"});
    const std::string view = "--size 320x240 --keys 'f f f f x x' ";
    const std::string empty = shot(view + "empty.dat");
    for (const std::string& files : rows) {
        SCOPED_TRACE(files);
        std::string models, dataFiles;
        std::istringstream words(files);
        for (std::string word; words >> word;)
            (fs::path(word).extension() == ".dat" ? dataFiles : models) += word + ' ';
        ASSERT_EQ(run(IMPORT_PATH " --force -o x.dat " + models).status, 0);
        const std::string data = shot(view + dataFiles + "x.dat");
        // Every file in the material's colour, as the data file has it.
        EXPECT_TRUE(shot(view + "--color 0.75,0.3,0.3 --view viewer " + files) == data)
            << "the pictures differ";
        EXPECT_TRUE(data != empty) << "nothing drawn";
    }
}

// A bad file gets the line kalderino-import says from kalderino-shot and kalderino-view, whatever
// was read before: no picture, and no window (with no display GLUT would say so instead).
TEST_F(ShotTest, PassesEachReadersMessageOnAsKalderinoImportSaysIt) {
    copyPyramids();
    const std::array<std::string, 3> cases[] = {
        // The file's name, the bytes to make it, and its line if kalderino-import does not read it.
        {"number.obj", "printf 'v 0 0 0\\nv 1 zero 0\\n'"},
        {"nothing.obj", "echo '# no points, no faces'"},
        {"type.ply", "printf 'ply\\nformat ascii 1.0\\nelement vertex 3\\nproperty float128 x\\n'"},
        {"cut.ply", "head -c -1 little.ply"},
        {"early.stl",
         "printf 'solid x\\nfacet normal 0 0 1\\nouter loop\\nvertex 0 0 0\\nvertex 1 0\\n'"},
        {"index.off", "printf 'OFF\\n3 1 0\\n0 0 0\\n1 0 0\\n0 1 0\\n3 0 1 3\\n'"},
        {"broken.gltf", "printf '{\"asset\": {\"version\": \"2.0\"}, \"meshes\": ['"},
        {"gone.stl", ""},
        {"notes", "echo garbage",
         "notes:1: expected the mesh count as a decimal integer, found \"garbage\"\n"},
        {"bad.dat", "printf '1\\nsq\\n3\\n0 0 0\\n1 0 zero\\n0 1 0\\n1\\n1 2 3\\n'",
         "bad.dat:5: expected the z coordinate of point 2 of mesh \"sq\" as a decimal number, "
         "found \"zero\"\n"},
        {"cut.dat", "echo '1 sq 3  0 0 0  1 0 0  0 1 0'",
         "cut.dat:1: file ends early: expected the triangle count of mesh \"sq\"\n"},
        {"gone.dat", "", "gone.dat: cannot open: No such file or directory\n"}};
    for (auto [name, bytes, message] : cases) {
        ASSERT_EQ(run(bytes.empty() ? "" : bytes + " >" + name).status, 0) << bytes;
        if (message.empty()) {
            const Outcome imported = run(IMPORT_PATH " -o x.dat " + name);
            EXPECT_EQ(imported.status, 1) << name;
            message = imported.err;
            EXPECT_EQ(message.rfind(name + ':', 0), 0u) << message;
            EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
        }
        const std::set<std::string> before = filesHere();
        for (const std::string& arguments : {name, "pyramid.off scene.dat " + name})
            for (const std::string program : {"$SHOT ", "env -u DISPLAY " VIEW_PATH " "})
                EXPECT_EQ(run(program + arguments), (Outcome{1, "", message}))
                    << program << arguments;
        EXPECT_EQ(filesHere(), before) << name;
    }
}

// An OBJ of a low cone of n faces facing +z with its apex at (x, y, z), counter-clockwise.
std::string cone(int n, double x, double y, double z, int first) {
    std::ostringstream obj;
    obj << "v " << x << ' ' << y << ' ' << z << '\n';
    for (int k = 0; k < n; ++k) {
        const double a = 2 * M_PI * k / n;
        obj << "v " << x + 30 * std::cos(a) << ' ' << y + 30 * std::sin(a) << ' '
            << z - 12 * (1 + 0.3 * std::sin(3 * a)) << '\n';
    }
    for (int k = 0; k < n; ++k)
        obj << "f " << first << ' ' << first + 1 + k << ' ' << first + 1 + (k + 1) % n << '\n';
    return obj.str();
}

// A data file's point takes its first 32 triangles into its normal, a model's all of them: the
// apex of 40 faces (left) differs, that of 32 faces (right) draws alike.
TEST_F(ShotTest, PointsOfMoreThan32TrianglesTakeAllOfThemOnlyInModelFiles) {
    std::ofstream("cones.obj") << "o forty\n" + cone(40, -10, 42, 60, 1) + "o thirty-two\n" +
                                      cone(32, 70, 42, 60, 42);
    ASSERT_EQ(run(IMPORT_PATH " --keep-coordinates -o cones.dat cones.obj").status, 0);
    const std::string shoot = "$SHOT --keep-coordinates --size 320x240 -o ";
    EXPECT_EQ(run(shoot + "model.png --view viewer cones.obj"), (Outcome{0, "model.png\n", ""}));
    EXPECT_EQ(run(shoot + "data.png cones.dat"),
              (Outcome{0, "data.png\n",
                       "cones.dat: warning: 1 points of mesh \"forty\" are used by more than 32 "
                       "triangles; their normals use the first 32\n"}));
    const PngPicture model("model.png"), data("data.png");
    ASSERT_EQ(model.rgba.size(), data.rgba.size());
    int left = 0, right = 0, drawnRight = 0;
    for (int y = 0; y < model.height; ++y) {
        for (int x = 0; x < model.width; ++x) {
            const bool differs = !model.sameColour(data, x, y);
            (x >= model.width / 2 ? right : left) += differs;
            drawnRight += x >= model.width / 2 && model.sum(x, y) > 0;
        }
    }
    EXPECT_GT(left, 20) << "the apex of 40 faces draws alike";
    EXPECT_EQ(right, 0);
    EXPECT_GT(drawnRight, 1000) << "the cone of 32 faces is out of view";
}

// A thumbnail is the picture without the background: clear away from the mesh, opaque in its
// colours on it, partly covered between so that its edges are smooth. Other pictures stay RGB.
TEST_F(ShotTest, ThumbnailsAreTransparentAroundTheModelAndSmoothAtItsEdges) {
    copyPyramids();
    for (const int size : {48, 256}) {
        SCOPED_TRACE(size);
        const std::string side = std::to_string(size);
        ASSERT_EQ(run("$SHOT --thumbnail " + side + " -o thumb.png pyramid.obj").status, 0);
        ASSERT_EQ(run("$SHOT --size " + side + 'x' + side + " -o plain.png pyramid.obj").status, 0);
        const PngPicture thumb("thumb.png"), plain("plain.png");
        ASSERT_EQ(std::tuple(thumb.width, thumb.height, plain.width, plain.height),
                  std::tuple(size, size, size, size));
        EXPECT_TRUE(thumb.alpha);
        EXPECT_FALSE(plain.alpha);
        int clear = 0, solid = 0, partial = 0, darkestRed = 255;  // of the mesh drawn
        long colourDifference = 0;
        for (int i = 0; i < size * size; ++i)
            if (plain.sum(i % size, i / size) > 0)
                darkestRed = std::min<int>(darkestRed, plain.at(i % size, i / size)[0]);
        for (int y = 1; y + 1 < size; ++y) {
            for (int x = 1; x + 1 < size; ++x) {
                int litAround = 0;  // of the pixel and its eight neighbours in the picture
                for (int k = 0; k < 9; ++k)
                    litAround += plain.sum(x + k % 3 - 1, y + k / 3 - 1) > 0;
                const int alpha = thumb.at(x, y)[3];
                clear += litAround == 0;
                solid += litAround == 9;
                EXPECT_TRUE(litAround % 9 != 0 || alpha == (litAround ? 255 : 0)) << x << "," << y;
                for (int c = 0; litAround == 9 && c < 3; ++c)
                    colourDifference += std::abs(thumb.at(x, y)[c] - plain.at(x, y)[c]);
                if (alpha > 0 && alpha < 255) {
                    // The mesh's colour, not darkened by the background around it.
                    EXPECT_GE(thumb.at(x, y)[0], darkestRed - 10) << x << "," << y;
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

// The thumbnailer entry's Exec line split into words and the fields replaced, each word quoted.
std::string thumbnailerCommand(const std::string& input, const std::string& output, int size) {
    std::istringstream words(entryValue(THUMBNAILER_PATH, "Exec"));
    std::string line;
    for (std::string word; words >> word;) {
        std::string expanded;
        for (std::size_t i = 0; i < word.size(); ++i) {
            const char c = word[i] == '%' && i + 1 < word.size() ? word[++i] : '\0';
            const std::map<char, std::string> fields = {
                {'s', std::to_string(size)}, {'i', input}, {'u', "file://" + input}, {'o', output}};
            expanded += fields.count(c) ? fields.at(c) : std::string(1, c ? c : word[i]);
        }
        line += " '" + expanded + "'";  // one word, whatever it holds
    }
    return line;
}

// Installed, each own format gets a type both entries list, so that file managers use them; the
// thumbnailer entry draws them as kalderino-shot does (at the asked size, from a folder with a
// space) and refuses the rest, also in the sandbox GNOME's file managers run it in.
TEST_F(ShotTest, OwnFormatsHaveTypesTheEntriesListAndTheThumbnailerDrawsThemAlsoInGnomesSandbox) {
    if (std::system("command -v gio >/dev/null && command -v update-mime-database >/dev/null") != 0)
        GTEST_FAIL() << "needs gio (libglib2.0-bin) and update-mime-database (shared-mime-info)";
    const fs::path downloads = folder.path / "new models";
    copyPyramids(downloads);
    fs::create_directories("share/mime/packages");
    fs::copy_file(MIME_PACKAGE_PATH, "share/mime/packages/kalderino.xml");
    ASSERT_EQ(run("update-mime-database share/mime").status, 0);
    for (const char* name : kPyramids) {
        const Outcome type =
            run("XDG_DATA_HOME=share gio info -a standard::content-type '" +
                (downloads / name).string() + "' | sed -n 's/.*content-type: //p'");
        ASSERT_EQ(type.status, 0) << name;
        const std::string word = ";" + type.out.substr(0, type.out.find('\n')) + ";";
        for (const char* entry : {THUMBNAILER_PATH, DESKTOP_ENTRY_PATH})
            EXPECT_NE((";" + entryValue(entry, "MimeType")).find(word), std::string::npos)
                << name << word << entry;
    }
    const std::string exec = entryValue(THUMBNAILER_PATH, "Exec");
    EXPECT_EQ(entryValue(THUMBNAILER_PATH, "TryExec"), exec.substr(0, exec.find(' ')));
    const std::string programs = fs::path(SHOT_PATH).parent_path().string();
    std::string noSandbox;  // why, when there is none here
    int size = 256;
    for (const std::string name : {"BINARY.STL", "little.ply", "big.ply", "ascii.ply", "ascii.stl",
                                   "pyramid.obj", "pyramid.off", "pyramid.gltf", "scene.dat"}) {
        SCOPED_TRACE(name);
        size = 384 - size;
        const std::string input = (downloads / name).string();
        const Outcome drawn =
            run("PATH='" + programs + "':\"$PATH\"" + thumbnailerCommand(input, "thumb.png", size));
        if (name == "pyramid.gltf" || name == "scene.dat") {
            EXPECT_EQ(
                drawn,
                (Outcome{1, "", input + ": only OBJ, PLY, STL and OFF files are read here\n"}));
            EXPECT_FALSE(fs::exists("thumb.png"));
            continue;
        }
        EXPECT_EQ(drawn, (Outcome{0, "thumb.png\n", ""}));
        const std::string shotDrew =
            shot("--thumbnail " + std::to_string(size) + " '" + input + "'");
        EXPECT_TRUE(readFile("thumb.png") == shotDrew);
        fs::remove("thumb.png");
#ifdef HAVE_SECCOMP
        fs::create_directories("out");
        std::string inside;
        const std::string sandbox =
            thumbnailSandbox(input, inside, (folder.path / "out").string(), programs, noSandbox);
        if (sandbox.empty()) continue;
        const std::string output = "/tmp/gnome-desktop-thumbnailer.png";
        EXPECT_EQ(run(sandbox + thumbnailerCommand(inside, output, size)),
                  (Outcome{0, output + "\n", ""}));
        EXPECT_TRUE(readFile("out/gnome-desktop-thumbnailer.png") == shotDrew);
#else
        noSandbox = "built without libseccomp (libseccomp-dev), which writes the sandbox's filter";
#endif
    }
    if (!noSandbox.empty()) GTEST_SKIP() << "no sandbox: " << noSandbox;
}

// Page Down and Up show the next and previous file of the folder by name, going round; F5 reads.
TEST_F(ShotTest, PageKeysGoThroughTheFolderAndF5ReadsAgain) {
    copyPyramids();  // BINARY.STL ascii.ply ascii.stl big.ply little.ply pyramid.* scene.dat
    std::ofstream(".hidden.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    std::ofstream("notes.txt") << "not a model\n";
    fs::create_directory("folder.obj");
    const std::array<const char*, 3> rows[] = {
        {"ascii.ply", "Next", "ascii.stl"},           {"ascii.ply", "Prior", "BINARY.STL"},
        {"BINARY.STL", "Prior", "scene.dat"},         {"pyramid.off", "Next Next", "BINARY.STL"},
        {"pyramid.obj", "Next Prior", "pyramid.obj"}, {"scene.dat", "F5", "scene.dat"},
        {"pyramid.obj", "Next F5", "pyramid.off"}};
    for (const auto& [first, keys, shown] : rows) {
        SCOPED_TRACE(std::string(first) + ": " + keys);
        EXPECT_TRUE(shot(std::string("--keys '") + keys + "' " + first) == shot(shown));
    }
}

#endif

}  // namespace

}  // namespace kalderino
