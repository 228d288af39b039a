// Tests of kalderino-import: formats, welding, names, placement, exact numbers and safe writing.
#include "import/DataFileWriter.h"
#include "import/Importer.h"
#include "io/MeshLoader.h"
#include "mesh/Mesh.h"
#include "mesh/Vertex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
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
        binary ? std::string(80, '\0') + bytesOf<std::uint32_t>({12}) : "solid " + solid + "\n";
    for (int f = 0; f < 12; ++f) {
        s += put(kNormals[f / 2], "facet normal ") + (binary ? "" : "outer loop\n");
        for (int k : kFaces[f]) s += put(corners[k], "vertex ");
        s += binary ? std::string(2, '\0') : "endloop\nendfacet\n";
    }
    return binary ? s : s + "endsolid " + solid + "\n";
}

void writeFile(const fs::path& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }
std::string readFile(const fs::path& p) {
    return {std::istreambuf_iterator<char>(std::ifstream(p, std::ios::binary).rdbuf()), {}};
}
std::set<fs::path> entries() { return {fs::directory_iterator("."), fs::directory_iterator()}; }

std::vector<ImportedMesh> loadDataFile() {  // with the viewer's own reader
    MeshLoader loader;
    loader.report = std::fopen("/dev/null", "w");
    EXPECT_TRUE(loader.load());
    std::fclose(loader.report);
    std::vector<ImportedMesh> meshes;
    for (int i = 0; i < loader.meshCount; ++i) {
        const Mesh& m = *loader.meshes[i];
        meshes.push_back({m.name, {}, std::vector<std::array<int, 3>>(m.triangleCount)});
        for (int k = 0; k < m.pointCount; ++k)
            meshes.back().points.push_back({m.points[k]->x, m.points[k]->y, m.points[k]->z});
        delete loader.meshes[i];
    }
    delete[] loader.meshes;
    return meshes;
}

}  // namespace

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override { fs::current_path(folder = ::mkdtemp(pattern)); }  // null throws
    void TearDown() override { fs::remove_all(folder); }
    int run(const std::string& arguments) {  // output kept outside the folder it writes in
        const std::string o = folder + ".out", e = folder + ".err";
        const int status =
            std::system(("'" KALDERINO_IMPORT "' " + arguments + " >" + o + " 2>" + e).c_str());
        out = readFile(o), err = readFile(e);
        fs::remove(o), fs::remove(e);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    char pattern[24] = "/tmp/import_test_XXXXXX";
    std::string folder, out, err;
};

TEST_F(ImportTest, ConvertsEveryFormatThenKeepsOrFitsTheCoordinates) {
    const std::string ply = "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\n"
                            "property float y\nproperty float z\nelement face 1\n"
                            "property list uchar int vertex_indices\nend_header\n";
    const std::string binaryPly =
        std::regex_replace(ply, std::regex("ascii"), "binary_little_endian") +
        bytesOf<float>({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}) + bytesOf<std::uint8_t>({4}) +
        bytesOf<int>({0, 1, 2, 3});
    Points odd = kCorners;  // hard cases for an exact round trip, up to 49 characters long
    odd[0] = {0.1f, -2.5e-7f, 1e5f}, odd[1][0] = 1.3f, odd[2][2] = 0x1p-149f, odd[6][0] = 3.4e38f;
    odd[3][2] = 123456.789f, odd[5][1] = -1.17549435e-38f, odd[7][2] = -3.4e38f;
    const std::vector<std::array<std::string, 3>> cases = {
        {"long.obj",
         "o abcdefghijklmnopqrstuvwxyz0123456789\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
         "f 1 2 3 4\nl 1 3\np 2\n",
         "abcdefghijklmnopqrstuvwxyz01234 4 2"},
        {"plain.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "plain 3 1"},  // not "defaultobject"
        {"ascii.ply", ply + "0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n", "ascii 4 2"},
        {"binary.ply", binaryPly, "binary 4 2"},
        {"five.off", "OFF\n5 1 0\n0 0 0\n2 0 0\n3 1 0\n1 2 0\n-1 1 0\n5 0 1 2 3 4\n", "five 5 3"},
        {"ascii.stl", stlCube("gear"), "gear 8 12"},
        {"my model.v2.stl", stlCube("", odd), "my_model.v2 8 12"}};
    std::string arguments = "--keep-coordinates", expected, found;
    for (const auto& [file, bytes, summary] : cases) {  // summary: name, points, triangles
        writeFile(file, bytes);
        arguments += " '" + file + "'";
        expected += summary + '\n';
    }
    ASSERT_EQ(run(arguments), 0) << err;
    EXPECT_EQ(out, "dataTest3.dat: 7 meshes, 36 points, 34 triangles\n");
    EXPECT_EQ(err, "");
    auto meshes = loadDataFile();
    for (const auto& m : meshes)
        found += m.name + ' ' + std::to_string(m.points.size()) + ' ' +
                 std::to_string(m.triangles.size()) + '\n';
    ASSERT_EQ(found, expected);
    EXPECT_NE(readFile("dataTest3.dat").find("\n0.1 -0.00000025 100000\n"), std::string::npos);
    std::sort(odd.begin(), odd.end());  // welding keeps no particular order
    std::sort(meshes.back().points.begin(), meshes.back().points.end());
    EXPECT_EQ(meshes.back().points, odd);

    ASSERT_EQ(run("--force ascii.stl five.off"), 0) << err;  // together 4 x 2 x 1
    Points all;
    for (const auto& mesh : loadDataFile())
        all.insert(all.end(), mesh.points.begin(), mesh.points.end());
    for (int k = 0; k < 3; ++k) {  // the longest side fills the box, the others keep the scale
        const auto [low, high] = std::minmax_element(all.begin(), all.end(),
                                                     [k](auto& a, auto& b) { return a[k] < b[k]; });
        EXPECT_NEAR((*low)[k], kViewCentre[k] - 100.0 / (1 << k), 1e-3) << k;
        EXPECT_NEAR((*high)[k], kViewCentre[k] + 100.0 / (1 << k), 1e-3) << k;
    }
    std::vector<ImportedMesh> dot = {{"dot", {{7, 7, 7}}, {{0, 0, 0}}}};
    fitToView(dot);  // nothing to scale: only moved, with no division by zero
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(dot[0].points[0][k], kViewCentre[k]);
}

TEST(MeshNameTest, IsOneTokenOfOneTo31BytesWithNoUtf8CharacterCutInTwo) {
    EXPECT_EQ(meshName("left\tarm \r\n", "x.obj"), "left_arm___");
    EXPECT_EQ(meshName("", "models/.hidden"), ".hidden");
    EXPECT_EQ(meshName("", ""), "mesh");
    EXPECT_EQ(meshName(std::string(30, 'a') + "\xC3\xA3", "x.obj"), std::string(30, 'a'));
}

TEST_F(ImportTest, WritesNothingUnlessEveryInputReadsAndForceAllowsIt) {
    writeFile("cube.stl", stlCube("cube"));
    writeFile("lines.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\np 1 2 3\nl 1 2\n");
    writeFile("noise.ply", "garbage\n1 2 3\n");  // broken STL would leak inside the library
    writeFile("dataTest3.dat", "old");
    fs::create_directory("folder.obj");
    const auto before = entries();
    const std::pair<const char*, const char*> cases[] = {
        {"cube.stl", "dataTest3.dat: already exists; pass --force to replace it\n"},
        {"--force cube.stl gone.ply", "gone.ply: cannot open: No such file or directory\n"},
        {"--force cube.stl folder.obj", "folder.obj: cannot open: Is a directory\n"},
        {"--force cube.stl lines.obj", "lines.obj: holds no triangles\n"},
        {"--force cube.stl noise.ply", "noise.ply: cannot read: .+\n"},
        {"-o no/dir/out.dat cube.stl",
         "no/dir/out.dat: cannot create a temporary file beside it: No such file or directory\n"}};
    for (const auto& [arguments, message] : cases) {
        EXPECT_EQ(run(arguments), 1) << arguments;
        EXPECT_TRUE(std::regex_match(err, std::regex(message))) << err;  // the library's words vary
    }
    EXPECT_EQ(readFile("dataTest3.dat"), "old");
    EXPECT_EQ(entries(), before);
    ::umask(022);
    EXPECT_EQ(run("--force cube.stl"), 0);
    EXPECT_EQ(loadDataFile().size(), 1u);
    EXPECT_EQ(entries(), before);  // no temporary file left behind
    EXPECT_EQ(fs::status("dataTest3.dat").permissions(), fs::perms(0644));  // not mkstemp's 0600
}
