// Tests of kalderino-import: formats, welding, names, placement, exact numbers and safe writing.
#include "import/DataFileWriter.h"
#include "import/Importer.h"
#include "import/ModelReader.h"
#include "io/MeshLoader.h"
#include "mesh/Mesh.h"
#include "mesh/Vertex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace fs = std::filesystem;
using Points = std::vector<std::array<float, 3>>;

namespace {

// A unit cube, two triangles per face wound outwards, and each face's real normal.
const Points kCorners = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                         {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
const int kFaces[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                           {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
const Points kNormals = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}};

template <typename T> std::string bytesOf(std::initializer_list<T> values) {  // little-endian
    return std::string(reinterpret_cast<const char*>(values.begin()), values.size() * sizeof(T));
}
// STL keeps a normal and three corners per triangle; binary when the solid has no name.
std::string stlCube(const std::string& solid, const Points& corners = kCorners) {
    const bool binary = solid.empty();
    const auto put = [binary](const std::array<float, 3>& v, const std::string& word) {
        return binary ? bytesOf<float>({v[0], v[1], v[2]})
                      : word + std::to_string(v[0]) + ' ' + std::to_string(v[1]) + ' ' +
                            std::to_string(v[2]) + '\n';
    };
    std::string s =
        binary ? std::string(80, '\0') + bytesOf<unsigned>({12}) : "solid " + solid + "\n";
    for (int f = 0; f < 12; ++f) {
        s += put(kNormals[f / 2], "facet normal ") + (binary ? "" : "outer loop\n");
        for (int k : kFaces[f]) s += put(corners[k], "vertex ");
        s += binary ? std::string(2, '\0') : "endloop\nendfacet\n";
    }
    return binary ? s : s + "endsolid " + solid + "\n";
}

std::string readFile(const fs::path& p) {
    return {std::istreambuf_iterator<char>(std::ifstream(p, std::ios::binary).rdbuf()), {}};
}
std::set<fs::path> entries() { return {fs::directory_iterator("."), fs::directory_iterator()}; }

// The data file as the viewer reads it: a "name points triangles" line per mesh, and all points.
std::pair<std::string, Points> loadDataFile() {
    MeshLoader loader;
    loader.report = std::fopen("/dev/null", "w");
    EXPECT_TRUE(loader.load());
    std::fclose(loader.report);
    std::pair<std::string, Points> result;
    for (int i = 0; i < loader.meshCount; ++i) {
        const std::unique_ptr<Mesh> m(loader.meshes[i]);
        result.first += m->name + (' ' + std::to_string(m->pointCount)) + ' ' +
                        std::to_string(m->triangleCount) + '\n';
        for (int k = 0; k < m->pointCount; ++k)
            result.second.push_back({m->points[k]->x, m->points[k]->y, m->points[k]->z});
    }
    delete[] loader.meshes;
    return result;
}

}  // namespace

class ImportTest : public ::testing::Test {
protected:
    // A fresh folder per test; the command's output goes to log/, which entries() does not look in.
    void SetUp() override {
        fs::current_path(folder = ::mkdtemp(pattern));  // null throws
        fs::create_directory("log");
    }
    void TearDown() override { fs::remove_all(folder); }
    int run(const std::string& arguments) {
        const int status =
            std::system(("'" KALDERINO_IMPORT "' " + arguments + " >log/out 2>log/err").c_str());
        out = readFile("log/out"), err = readFile("log/err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    char pattern[24] = "/tmp/import_test_XXXXXX";
    std::string folder, out, err;
};

TEST_F(ImportTest, ConvertsEveryFormatRefusesBadInputAndFitsTheView) {
    const std::string ply = "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\n"
                            "property float y\nproperty float z\nelement face 1\n"
                            "property list uchar int vertex_indices\nend_header\n";
    Points odd = kCorners;  // hard cases for an exact round trip, up to 49 characters long
    odd[0] = {0.1f, -2.5e-7f, 1e5f}, odd[1][0] = 1.3f, odd[2][2] = 0x1p-149f, odd[6][0] = 3.4e38f;
    odd[3][2] = 123456.789f, odd[5][1] = -1.17549435e-38f, odd[7][2] = -3.4e38f;
    const std::pair<std::string, std::string> files[] = {
        {"long.obj", "o abcdefghijklmnopqrstuvwxyz0123\xC3\xA3xyz\nv 0 0 0\nv 1 0 0\nv 1 1 0\n"
                     "v 0 1 0\nf 1 2 3 4\nl 1 3\np 2\n"},
        {"plain.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"ascii.ply", ply + "0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n"},
        {"binary.ply", std::regex_replace(ply, std::regex("ascii"), "binary_little_endian") +
                           bytesOf<float>({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}) +
                           bytesOf<unsigned char>({4}) + bytesOf<int>({0, 1, 2, 3})},
        {"five.off", "OFF\n5 1 0\n0 0 0\n2 0 0\n3 1 0\n1 2 0\n-1 1 0\n5 0 1 2 3 4\n"},
        {"ascii.stl", stlCube("gear")},
        {"my model.v2.stl", stlCube("", odd)},
        {"lines.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\np 1 2 3\nl 1 2\n"},
        {"noise.ply", "garbage\n1 2 3\n"}};  // not a broken STL: the library leaks on it
    for (const auto& [name, bytes] : files) std::ofstream(name, std::ios::binary) << bytes;
    EXPECT_EQ(0, run("--keep-coordinates long.obj plain.obj ascii.ply binary.ply five.off "
                     "ascii.stl 'my model.v2.stl'"));
    EXPECT_EQ(out, "dataTest3.dat: 7 meshes, 36 points, 34 triangles\n");
    EXPECT_EQ(err, "");
    const auto [summary, points] = loadDataFile();  // "plain", not "defaultobject"
    EXPECT_EQ(summary, "abcdefghijklmnopqrstuvwxyz0123 4 2\nplain 3 1\nascii 4 2\nbinary 4 2\n"
                       "five 5 3\ngear 8 12\nmy_model.v2 8 12\n");
    const std::string written = readFile("dataTest3.dat");
    EXPECT_NE(written.find("\n0.1 -0.00000025 100000\n"), std::string::npos);
    ASSERT_EQ(points.size(), 36u);  // welding keeps no particular order
    EXPECT_TRUE(std::is_permutation(points.end() - 8, points.end(), odd.begin(), odd.end()));

    fs::create_directory("folder.obj");
    const auto before = entries();
    const std::pair<const char*, const char*> failures[] = {
        {"ascii.stl", "dataTest3.dat: already exists; pass --force to replace it\n"},
        {"--force ascii.stl gone.ply", "gone.ply: cannot open: No such file or directory\n"},
        {"--force ascii.stl folder.obj", "folder.obj: cannot open: Is a directory\n"},
        {"--force ascii.stl lines.obj", "lines.obj: holds no triangles\n"},
        {"--force ascii.stl noise.ply",
         "noise.ply:1: expected \"ply\" alone on the first line, found \"garbage\"\n"},
        {"-o no/dir/out.dat ascii.stl",
         "no/dir/out.dat: cannot create a temporary file beside it: No such file or directory\n"}};
    for (const auto& [arguments, message] : failures) {
        EXPECT_EQ(run(arguments), 1) << arguments;
        EXPECT_TRUE(std::regex_match(err, std::regex(message))) << err;  // the library's words vary
        EXPECT_EQ(readFile("dataTest3.dat"), written);
        EXPECT_EQ(entries(), before);
    }

    ::umask(022);
    ASSERT_EQ(run("--force ascii.stl five.off"), 0) << err;  // together 4 x 2 x 1
    EXPECT_EQ(entries(), before);                            // no temporary file left behind
    EXPECT_EQ(fs::status("dataTest3.dat").permissions(), fs::perms(0644));  // not mkstemp's 0600
    const Points all = loadDataFile().second;
    for (int k = 0; k < 3; ++k) {  // the longest side fills the box, the others keep the scale
        const auto [low, high] = std::minmax_element(all.begin(), all.end(),
                                                     [k](auto& a, auto& b) { return a[k] < b[k]; });
        EXPECT_NEAR((*low)[k], kViewCentre[k] - 100.0 / (1 << k), 1e-3) << k;
        EXPECT_NEAR((*high)[k], kViewCentre[k] + 100.0 / (1 << k), 1e-3) << k;
    }
}

TEST(MeshNameTest, IsOneTokenOfOneTo31BytesWithNoUtf8CharacterCutInTwo) {
    EXPECT_EQ(meshName("left\tarm \r\n", "x.obj"), "left_arm___");
    EXPECT_EQ(meshName("", "models/.hidden"), ".hidden");
    EXPECT_EQ(meshName("", ""), "mesh");
}
