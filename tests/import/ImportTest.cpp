// Tests of kalderino-import: the readers against the library, bad input, welding, names,
// placement, exact numbers and safe writing (its command line: tests/CommandLineTest).
#include "import/Importer.h"
#include "import/MeshBuilder.h"
#include "import/ModelReader.h"
#include "import/OwnReaders.h"
#include "io/DataFileWriter.h"
#include "io/MeshLoader.h"
#include "io/file/FileContents.h"
#include "mesh/Mesh.h"
#include "mesh/StartView.h"
#include "mesh/Vertex.h"
#include "tests/ProgramRun.h"
#include "tests/TestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kalderino {

namespace fs = std::filesystem;
using Points = std::vector<std::array<float, 3>>;

namespace {

template <typename T> std::string bytesOf(std::initializer_list<T> values) {  // little-endian
    return std::string(reinterpret_cast<const char*>(values.begin()), values.size() * sizeof(T));
}
template <typename T> std::string bigEndian(std::initializer_list<T> values) {
    std::string bytes = bytesOf(values);
    for (auto at = bytes.begin(); at != bytes.end(); at += sizeof(T))
        std::reverse(at, at + sizeof(T));
    return bytes;
}

using Triangle = std::array<std::array<float, 3>, 3>;

// The points and triangles of an OBJ of nothing else, as a mesh.
TriangleMesh modelOf(const std::string& obj) {
    TriangleMesh model;
    std::istringstream in(obj);
    for (std::string kind; in >> kind;) {
        if (kind == "v") {
            std::array<float, 3> p;
            in >> p[0] >> p[1] >> p[2];
            model.points.push_back(p);
        } else if (kind == "f") {
            std::array<int, 3> face;
            for (int& corner : face) in >> corner, --corner;
            model.triangles.push_back(face);
        } else {
            in.ignore(1 << 20, '\n');
        }
    }
    return model;
}

// A unit cube, or a box of the same corners' order, two triangles per face wound outwards.
const Points kCorners = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                         {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
TriangleMesh cube(const Points& corners = kCorners) {
    TriangleMesh box =
        modelOf("f 1 3 2\nf 1 4 3\nf 5 6 7\nf 5 7 8\nf 1 2 6\nf 1 6 5\nf 2 3 7\nf 2 7 6\n"
                "f 3 4 8\nf 3 8 7\nf 4 1 5\nf 4 5 8\n");
    box.points = corners;
    return box;
}

// A PLY header of the given format and elements; the elements every test here uses.
std::string plyHeader(const std::string& format, const std::string& elements) {
    return "ply\nformat " + format + " 1.0\n" + elements + "end_header\n";
}
std::string plyPoints(int count) {
    return "element vertex " + std::to_string(count) +
           "\nproperty float x\nproperty float y\nproperty float z\n";
}
std::string plyFaces(int count, const std::string& index = "int") {
    return "element face " + std::to_string(count) + "\nproperty list uchar " + index +
           " vertex_indices\n";
}
const std::string kPlyRgb = "property uchar red\nproperty uchar green\nproperty uchar blue\n";

// The model's triangles as an STL, in order: binary when the solid has no name.
std::string stlOf(const TriangleMesh& model, const std::string& solid = "") {
    const bool binary = solid.empty();
    std::string s = binary ? std::string(80, '\0') +
                                 bytesOf<std::uint32_t>({std::uint32_t(model.triangles.size())})
                           : "solid " + solid + "\n";
    for (const auto& face : model.triangles) {
        s += binary ? std::string(12, '\0') : "facet normal 0 0 1\nouter loop\n";
        for (int k : face) {
            const auto& v = model.points[std::size_t(k)];
            s += binary ? bytesOf<float>({v[0], v[1], v[2]})
                        : "vertex " + std::to_string(v[0]) + ' ' + std::to_string(v[1]) + ' ' +
                              std::to_string(v[2]) + '\n';
        }
        s += binary ? std::string(2, '\0') : "endloop\nendfacet\n";
    }
    return binary ? s : s + "endsolid " + solid + "\n";
}

// The triangles of the meshes, each turned to start at its smallest corner (the same triangle in
// the same winding), sorted: what importing must keep, in whatever order it puts them.
std::vector<Triangle> trianglesOf(const std::vector<TriangleMesh>& meshes) {
    std::vector<Triangle> triangles;
    for (const TriangleMesh& mesh : meshes)
        for (const auto& face : mesh.triangles) {
            Triangle t;
            for (std::size_t k = 0; k < 3; ++k) t[k] = mesh.points.at(std::size_t(face[k]));
            for (auto& corner : t)
                for (float& value : corner) value += 0.0f;  // -0 as 0
            std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
            triangles.push_back(t);
        }
    std::sort(triangles.begin(), triangles.end());
    return triangles;
}

// A triangle's 36 bytes, and a glTF whose nodes (a JSON array) use it, from tri.bin, as mesh 0.
const std::string kTriangle = bytesOf<float>({0, 0, 0, 1, 0, 0, 0, 1, 0});
std::string gltfOf(const std::string& nodes) {
    return R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[0]}],"scene":0,"nodes":)" + nodes +
           R"(,"meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],"buffers":[{)"
           R"("byteLength":36,"uri":"tri.bin"}],"bufferViews":[{"buffer":0,"byteLength":36}],)"
           R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3",)"
           R"("max":[1,1,0],"min":[0,0,0]}]})";
}

// Each mesh as "name points triangles", and its triangles.
std::pair<std::string, std::vector<std::vector<Triangle>>>
summary(const std::vector<TriangleMesh>& meshes) {
    std::pair<std::string, std::vector<std::vector<Triangle>>> result;
    for (const TriangleMesh& mesh : meshes) {
        result.first += mesh.name + ' ' + std::to_string(mesh.points.size()) + ' ' +
                        std::to_string(mesh.triangles.size()) + '\n';
        result.second.push_back(trianglesOf({mesh}));
    }
    return result;
}

// A grid of squares, two triangles each, listed in random order, with its points in order.
std::string shuffledGrid(int side) {
    std::string obj;
    for (int y = 0; y <= side; ++y)
        for (int x = 0; x <= side; ++x)
            obj += "v " + std::to_string(x) + ' ' + std::to_string(y) + " 0\n";
    std::vector<std::string> faces;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int a = y * (side + 1) + x + 1, b = a + 1, c = a + side + 1, d = c + 1;
            faces.push_back("f " + std::to_string(a) + ' ' + std::to_string(b) + ' ' +
                            std::to_string(d) + '\n');
            faces.push_back("f " + std::to_string(a) + ' ' + std::to_string(d) + ' ' +
                            std::to_string(c) + '\n');
        }
    std::shuffle(faces.begin(), faces.end(), std::mt19937(7));
    for (const std::string& face : faces) obj += face;
    return obj;
}

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
    static Outcome import(const std::string& arguments) {
        return run("exec '" KALDERINO_IMPORT "' " + arguments);
    }
    TestFolder folder;
};

TEST_F(ImportTest, ConvertsEveryFormatExactlyAndFitsTheView) {
    Points odd = kCorners;  // hard cases for an exact round trip, up to 49 characters long
    odd[0] = {0.1f, -2.5e-7f, 1e5f}, odd[1][0] = 1.3f, odd[2][2] = 0x1p-149f, odd[6][0] = 3.4e38f;
    odd[3][2] = 123456.789f, odd[5][1] = -1.17549435e-38f, odd[7][2] = -3.4e38f;
    const std::pair<std::string, std::string> files[] = {
        {"long.obj", "o abcdefghijklmnopqrstuvwxyz0123\xC3\xA3xyz\nv 0 0 0\nv 1 0 0\nv 1 1 0\n"
                     "v 0 1 0\nf 1 2 3 4\nl 1 3\np 2\n"},
        {"plain.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"five.off", "OFF\n5 1 0\n0 0 0\n2 0 0\n3 1 0\n1 2 0\n-1 1 0\n5 0 1 2 3 4\n"},
        {"ascii.stl", stlOf(cube(), "gear")},
        {"my model.v2.stl", stlOf(cube(odd))}};
    for (const auto& [name, bytes] : files) std::ofstream(name, std::ios::binary) << bytes;
    EXPECT_EQ(import("--keep-coordinates long.obj plain.obj five.off ascii.stl 'my model.v2.stl'"),
              (Outcome{0, "dataTest3.dat: 5 meshes, 28 points, 30 triangles\n", ""}));
    const auto [summary, points] = loadDataFile();  // "plain", not "defaultobject"
    EXPECT_EQ(summary, "abcdefghijklmnopqrstuvwxyz0123 4 2\nplain 3 1\nfive 5 3\ngear 8 12\n"
                       "my_model.v2 8 12\n");
    EXPECT_NE(readFile("dataTest3.dat").find("\n0.1 -0.00000025 100000\n"), std::string::npos);
    ASSERT_EQ(points.size(), 28u);  // welding keeps no particular order
    EXPECT_TRUE(std::is_permutation(points.end() - 8, points.end(), odd.begin(), odd.end()));

    ::umask(022);
    const auto before = filesHere();
    ASSERT_EQ(import("--force ascii.stl five.off"),  // together 4 x 2 x 1
              (Outcome{0, "dataTest3.dat: 2 meshes, 13 points, 15 triangles\n", ""}));
    EXPECT_EQ(filesHere(), before);  // no temporary file left behind
    EXPECT_EQ(fs::status("dataTest3.dat").permissions(), fs::perms(0644));  // not mkstemp's 0600
    const Points all = loadDataFile().second;
    const auto [low, high] = std::minmax_element(all.begin(), all.end());  // by x first
    EXPECT_NEAR((*low)[0], kViewCentre[0] - 100, 1e-3);  // fitted, as fitToView fits below
    EXPECT_NEAR((*high)[0], kViewCentre[0] + 100, 1e-3);
    // The longest side fills the box along each axis in turn, the others keep the scale.
    for (int axis = 0; axis < 3; ++axis) {
        std::array<float, 3> far{};
        for (int k = 0; k < 3; ++k) far[(axis + k) % 3] = 4.0f / static_cast<float>(1 << k);
        std::vector<TriangleMesh> box{
            {"box", {{0, 0, 0}, far, {far[0], 0, 0}}, {{0, 1, 2}}, {}, {}}};
        fitToView(box);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(box[0].points[0][k], kViewCentre[k] - 25 * far[k], 1e-3) << axis << k;
            EXPECT_NEAR(box[0].points[1][k], kViewCentre[k] + 25 * far[k], 1e-3) << axis << k;
        }
    }
}

TEST(MeshNameTest, IsOneTokenOfOneTo31BytesWithNoUtf8CharacterCutInTwo) {
    EXPECT_EQ(meshName("left\tarm \r\n", "x.obj"), "left_arm___");
    EXPECT_EQ(meshName("", "models/.hidden"), ".hidden");
    EXPECT_EQ(meshName("", ""), "mesh");
}

// Every row read as the library reads it (the same meshes, names, counts and triangles, corner for
// corner) or as the OBJ of its triangles; and welded, each position once (-0 as 0), unused points
// left out, the points numbered in the order the triangles first use them.
TEST_F(ImportTest, ReadsEveryFormatWeldedAndNumberedInTheOrderPointsAreFirstUsed) {
    const int big = static_cast<int>(MeshBuilder::kMaxEarCorners) + 1;
    std::string circle, fan;  // fan: a point used by all 255 triangles
    for (int i = 0; i < big; ++i)
        circle += "v " + std::to_string(std::cos(i * 2 * M_PI / big)) + ' ' +
                  std::to_string(std::sin(i * 2 * M_PI / big)) + " 0\n";
    fan = circle;
    for (int j = 1; j + 1 < big; ++j)  // a polygon too big to cut ear by ear is fanned
        fan += "f 1 " + std::to_string(j + 1) + ' ' + std::to_string(j + 2) + '\n';
    circle += 'f';
    for (int i = 1; i <= big; ++i) circle += ' ' + std::to_string(i);
    // The seam in every reader: point 5 is point 3 written with -0, point 1 used by none.
    const std::string seamObj =
        "v 9 9 9\nv 0 1 0\nv 1 0 0\nv 0 0 0\nv -0 1 -0\nv 1 1 0\nf 4 3 2\nf 3 6 5\n";
    const TriangleMesh seam = modelOf(seamObj);
    const std::string faces = "3 3 2 1\n3 2 5 4\n";  // 0-based, as OFF and PLY number them
    const std::string text =
        std::regex_replace(seamObj.substr(0, seamObj.find('f')), std::regex("v "), "");
    std::string binary;
    for (const auto& p : seam.points) binary += bytesOf<float>({p[0], p[1], p[2]});
    const std::string bom = "\xEF\xBB\xBF";  // skipped by every reader of text
    // Through the library, a node's transform, a matrix or a translation, rotation and scale,
    // composes with its parents'. The format comes from the file's base name, never from a
    // folder's; without an extension the library tells it by the contents.
    fs::create_directory("v1.x");
    std::ofstream("v1.x/tri.bin", std::ios::binary) << kTriangle;
    std::string deep = "[";  // a triangle 20,000 nodes deep (some 400 KB) ends no reader
    for (int i = 1; i < 20000; ++i) deep += R"({"children":[)" + std::to_string(i) + "]},";
    static const std::string asLibrary = "(as the library reads it)";
    const struct {
        const char* name;
        std::string bytes;
        std::string triangles = asLibrary;  // or the file's triangles as an OBJ; "": it is one
    } rows[] = {
        {"corners.obj", "# every corner form; texture and normal lines are skipped\n"
                        "mtllib scene.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 0.5 1\n"
                        "vt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 1\ns 1\nusemtl red\nf 1 2 3\n"
                        "f 1/1 3/2 4/3\nf 1//1 2//1 5//1\nf 2/1/1 3/2/1 5/3/1\nl 1 2\np 3\n"},
        {"relative.obj", "v 0.1 0.2 0.3 1\nv 1.3 0.2 0.3\nv 0.1 2.5 0.3 0.5 0.25 0.125\n"
                         "f -3 -2 -1\nv 123456.789 -2.5e-7 1e5\nf -4 -1 \\\n  -2\n"
                         "f -1 -2 \\\r\n -3\n"},
        {"quads.obj", "v 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 2 0\nv 0 0 1\nv 4 1 1\nv 0 2 1\n"
                      "v 1 1 1\nv 3 0 2\nv 1 1 2\nv 3 2 2\nv 0 1 2\n"
                      "f 1 2 3 4\nf 5 6 7 8\nf 9 10 11 12\nf 4 3 2 1\n"},
        {"polygons.obj", "v 0 0 0\nv 2 0 0\nv 2 1 0\nv 1 1 0\nv 1 2 0\nv 0 2 0\n"
                         "v 3 0 5\nv 4 0 5\nv 5 0 6\nv 5 0 7\nv 4 0 8\nv 3 0 8\nv 2 0 7\n"
                         "v 2 0 6\nf 1 2 3 4 5 6\nf 7 8 9 10 11 12 13 14\nf 14 13 12 11 10\n"
                         "v 0 5 0\nv 1 5 2\nv 2 5.5 0\nv 3 5 2\nv 4 5 0\nv 3 6 4\nv 1 6 4\n"
                         "f 15 16 17 18 19 20 21\nf 6 5 4 3 2 1\n"},
        {"objects.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\no first\nf 1 3 4\n"
                        "g second part\nf 2 3 4\ng second part\nf 1 2 4\no\nf 3 2 1\n"
                        "o empty\ng third\nf 4 3 1\n"},
        {"extras.ply", "ply\nformat ascii 1.0\ncomment made by hand\nobj_info scanned\n"
                       "element vertex 6\nproperty double z\nproperty float nx\nproperty float x\n"
                       "property uchar red\nproperty float y\nobj_info  between elements\ncomment\n"
                       "element edge 1\nproperty int vertex1\nproperty int vertex2\n"
                       "property double quality\nelement none 2147483647\n"
                       "element face 3\nproperty list uchar int vertex_index\n"
                       "property uint flags\nend_header\n"
                       "0 0 0 9 0\n0 0 2 9 0\n0 0 2 9 2\n0 0 1 9 1\n1 0 0 9 2\n"
                       "-0.5 0 1 9 3\n0 1 1e300\n4 0 1 2 3 4000000000\n3 0 2 4 0\n"
                       "5 4 3 2 5 1 0\n"},
        {"little.ply", plyHeader("binary_little_endian",
                                 plyPoints(4) + "property uchar alpha\n" + plyFaces(2, "uint")) +
                           bytesOf<float>({0, 0, 0}) + "a" + bytesOf<float>({1, 0, 0}) + "b" +
                           bytesOf<float>({1, 1, 0.5f}) + "c" + bytesOf<float>({0, 1, 0}) + "d" +
                           bytesOf<unsigned char>({3}) + bytesOf<unsigned>({0, 1, 2}) +
                           bytesOf<unsigned char>({4}) + bytesOf<unsigned>({0, 2, 3, 1}) +
                           bytesOf<unsigned char>({3}) +
                           bytesOf<unsigned>({0, 1, 2})},  // one face too many
        {"big.ply", "ply\nformat binary_big_endian 1.0\nelement vertex 5\n"
                    "property double x\nproperty double y\nproperty double z\nelement face 2\n"
                    "property list int ushort vertex_indices\nend_header\n" +
                        bigEndian<double>({0, 0, 0, 2, 0, 0, 2, 2, 0.25, 0, 2, 0, 1, 3, 0}) +
                        bigEndian<int>({5}) + bigEndian<unsigned short>({0, 1, 2, 4, 3}) +
                        bigEndian<int>({3}) + bigEndian<unsigned short>({4, 2, 1})},
        {"solids.stl",
         stlOf(cube(), "part one") + stlOf(modelOf("v 0 0 0\nv 2 0 0\nv 0 2 1\nf 1 2 3\n"), "two")},
        {"crossed.obj", "v 0 0 0\nv 2 2 0\nv 2 0 0\nv 0 2 0\nv 1 3 0\nv 3 1 1\nv -1 1 0\n"
                        "f 1 2 3 4 5\nf 1 2 3 4 5 6 7\nf 7 6 5 4 3 2 1\n"},
        {"star.obj", "v 0 10 0\nv 2 3 0\nv 9 3 0\nv 3 -1 0\nv 6 -8 0\nv 0 -3 0\nv -6 -8 0\n"
                     "v -3 -1 0\nv -9 3 0\nv -2 3 0\nf 1 2 3 4 5 6 7 8 9 10\n"
                     "f 10 9 8 7 6 5 4 3 2 1\n"},
        {"shape.off", "OFF\n# counts on the next line\n9 4 0\n0 0 0\n2 0 0\n2 2 0\n0 2 0\n"
                      "1 1 1\n3 0 0\n4 0 0\n4 1 0\n3 1 0.5\n\n4 0 1 2 3\n3 0 1 4 255 0 0\n"
                      "6 1 5 6 7 8 2 0.5 0.5 0.5\n3 4 3 2\n"},
        {"inline.off", "OFF 4 2 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n3 0 1 2\n3 0 2 3\n"},
        {"seam.obj", bom + seamObj, seamObj},
        {"seam.off", bom + "OFF\n6 2 0\n" + text + faces, seamObj},
        {"seam.ply", bom + plyHeader("ascii", plyPoints(6) + plyFaces(2)) + text + faces, seamObj},
        // Faces before the points, which the library refuses.
        {"first.ply", plyHeader("ascii", plyFaces(2) + plyPoints(6)) + faces + text, seamObj},
        {"binary.ply",
         plyHeader("binary_little_endian", plyPoints(6) + plyFaces(2)) + binary +
             bytesOf<unsigned char>({3}) + bytesOf<int>({3, 2, 1}) + bytesOf<unsigned char>({3}) +
             bytesOf<int>({2, 5, 4}),
         seamObj},
        {"seam.stl", bom + stlOf(seam, "seam"), seamObj},
        {"binary.stl", stlOf(seam), seamObj},
        {"circle.obj", circle, fan},
        {"grid.obj", shuffledGrid(24), ""},
        // Big enough to be welded and sorted on two threads.
        {"big.stl", stlOf(modelOf(shuffledGrid(190))), shuffledGrid(190)},
        // Fewer points and fewer triangles than make two threads, but more of both together.
        {"middle.stl", stlOf(modelOf(shuffledGrid(100))), shuffledGrid(100)},
        // Corners whose differences overflow a float.
        {"huge.stl", stlOf(modelOf("v 3e38 0 0\nv -3e38 1 0\nv 0 -3e38 3e38\nf 1 2 3\nf 3 2 1\n")),
         "v 3e38 0 0\nv -3e38 1 0\nv 0 -3e38 3e38\nf 1 2 3\nf 3 2 1\n"},
        {"groups.obj",  // two meshes sharing points, each numbering its own
         "v 5 5 5\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\ng a\nf 3 4 2\nf 2 4 5\ng b\nf 5 4 3\n"},
        {"flat.obj", "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 1 1 0\nf 1 2 3\nf 2 2 4\nf 1 2 4\n", ""},
        {"v1.x/nested",
         gltfOf(R"([{"children":[1],"translation":[10,0,0],"scale":[2,2,2]},)"
                R"({"mesh":0,"children":[2],"matrix":[0,1,0,0,-1,0,0,0,0,0,1,0,0,0,5,1]},)"
                R"({"mesh":0,"translation":[0,3,0],"rotation":[1,0,0,0]}])"),
         "v 10 0 10\nv 10 2 10\nv 8 0 10\nv 4 0 10\nv 4 2 10\nv 6 0 10\nf 1 2 3\nf 4 5 6\n"},
        {"v1.x/deep.gltf", gltfOf(deep + R"({"mesh":0}])"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
    };
    for (const auto& row : rows) {
        std::ofstream(row.name, std::ios::binary) << row.bytes;
        std::vector<TriangleMesh> meshes, library;
        Importer reader;
        ASSERT_TRUE(reader.read(row.name, meshes)) << row.name;
        if (row.triangles == asLibrary) {
            reader.throughLibrary = true;
            ASSERT_TRUE(reader.read(row.name, library)) << row.name;
            EXPECT_EQ(summary(meshes), summary(library)) << row.name;
        } else {
            EXPECT_EQ(trianglesOf(meshes),
                      trianglesOf({modelOf(row.triangles.empty() ? row.bytes : row.triangles)}))
                << row.name;
        }
        for (const TriangleMesh& mesh : meshes) {
            int next = 0;
            for (const auto& t : mesh.triangles)
                for (int point : t) {
                    if (point == next) ++next;
                    EXPECT_LT(point, next) << row.name << ": a point used before its number";
                }
            EXPECT_EQ(next, static_cast<int>(mesh.points.size())) << row.name;
            Points sorted = mesh.points;
            std::sort(sorted.begin(), sorted.end());
            EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << row.name;
            for (const auto& p : mesh.points)
                for (float value : p) EXPECT_FALSE(value == 0 && std::signbit(value)) << row.name;
        }
        if (row.name != std::string("grid.obj")) continue;
        // The shuffled grid comes out in an order that keeps near: most triangles share a point
        // with the one before, where the file's order has few.
        const auto& triangles = meshes[0].triangles;
        std::size_t sharing = 0;
        for (auto t = triangles.begin() + 1; t != triangles.end(); ++t)
            sharing +=
                std::find_first_of(t->begin(), t->end(), t[-1].begin(), t[-1].end()) != t->end();
        EXPECT_GT(sharing, triangles.size() / 2);
    }
}

// Colours of points and of faces, in every encoding, and files of points alone: each corner's
// colour as "rrggbbaa", sorted, and the counts of points, triangles and normals.
TEST_F(ImportTest, ReadsColoursAndPointClouds) {
    const std::string square = plyPoints(4), faces = plyFaces(2);
    const std::string corners = "0 0 0\n1 0 0\n1 1 0\n0 1 0\n";
    const std::string floatRgb = "property float red\nproperty double green\nproperty float blue\n";
    const std::string binary = bytesOf<float>({0, 0, 0}) + bytesOf<unsigned char>({255, 0, 0}) +
                               bytesOf<float>({1, 0, 0}) + bytesOf<unsigned char>({0, 128, 0}) +
                               bytesOf<float>({1, 1, 0}) + bytesOf<unsigned char>({0, 0, 255}) +
                               bytesOf<float>({0, 1, 0}) + bytesOf<unsigned char>({1, 2, 3});
    const std::string twoFaces = bytesOf<unsigned char>({3}) + bytesOf<int>({0, 1, 2}) +
                                 bytesOf<unsigned char>({3}) + bytesOf<int>({0, 2, 3});
    const struct {
        const char* name;
        std::string bytes;
        std::size_t points, triangles, normals;
        const char* colours;
    } rows[] = {
        {"uchar.ply",
         plyHeader("ascii", square + kPlyRgb + "property uchar alpha\n" + faces) +
             "0 0 0 255 0 0 255\n1 0 0 0 255 0 128\n1 1 0 0 0 255 0\n0 1 0 9 9 9 255\n3 0 1 2\n"
             "3 0 2 3\n",
         4, 2, 0, "0000ff00 0000ff00 00ff0080 090909ff ff0000ff ff0000ff"},
        {"binary.ply",
         plyHeader("binary_little_endian", square + kPlyRgb + faces) + binary + twoFaces, 4, 2, 0,
         "0000ffff 0000ffff 008000ff 010203ff ff0000ff ff0000ff"},
        {"float.ply",
         plyHeader("ascii", square + floatRgb + faces) +
             "0 0 0 1 0 0\n1 0 0 0 0.5 0\n1 1 0 0 0 1\n0 1 0 2 -1 0.2\n3 0 1 2\n3 0 2 3\n",
         4, 2, 0, "0000ffff 0000ffff 008000ff ff0000ff ff0000ff ff0033ff"},
        {"faces.ply",
         plyHeader("ascii", square + faces + kPlyRgb) + corners +
             "3 0 1 2 0 255 0\n3 0 2 3 0 0 255\n",
         6, 2, 0, "0000ffff 0000ffff 0000ffff 00ff00ff 00ff00ff 00ff00ff"},
        {"first.ply",  // faces before the points
         plyHeader("ascii", faces + floatRgb + square) + "3 0 1 2 1 0 0\n3 0 2 3 0 0 1\n" + corners,
         6, 2, 0, "0000ffff 0000ffff 0000ffff ff0000ff ff0000ff ff0000ff"},
        {"rgb.obj", "v 0 0 0 1 0 0\nv 1 0 0 0 0.5 0\nv 1 1 0\nv 0 1 0 1\nf 1 2 3 4\n", 4, 2, 0,
         "008000ff ff0000ff ff0000ff ffffffff ffffffff ffffffff"},
        {"bytes.obj", "v 0 0 0 255 0 0\nv 1 0 0 0 128 0\nv 1 1 0 0 0 255\nf 1 2 3\n", 3, 1, 0,
         "0000ffff 008000ff ff0000ff"},
        {"seam.obj",
         "v 0 0 0 1 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 0 0 0 1\nv 0 -1 0\nf 1 2 3\n"
         "f 4 5 2\n",
         5, 2, 0, "0000ffff ff0000ff ffffffff ffffffff ffffffff ffffffff"},
        {"cloud.ply",
         plyHeader("ascii",
                   square + "property float nx\nproperty float ny\nproperty float nz\n" + kPlyRgb) +
             "0 0 0 0 0 1 1 2 3\n1 0 0 0 0 1 4 5 6\n1 1 0 0 0 1 7 8 9\n0 1 0 0 0 1 9 9 9\n",
         4, 0, 4, "010203ff 040506ff 070809ff 090909ff"},
        {"cloud.obj", "v 0 0 0\nv 1 0 0\nl 1 2\n", 2, 0, 0, ""},
        {"cloud.off", "OFF\n3 0 0\n0 0 0\n1 0 0\n0 1 0\n", 3, 0, 0, ""},
    };
    for (const auto& row : rows) {
        std::ofstream(row.name, std::ios::binary) << row.bytes;
        std::vector<TriangleMesh> meshes;
        Importer reader;
        reader.pointClouds = reader.colours = true;
        ASSERT_TRUE(reader.read(row.name, meshes)) << row.name;
        ASSERT_EQ(meshes.size(), 1u) << row.name;
        const TriangleMesh& mesh = meshes[0];
        EXPECT_EQ((std::array{mesh.points.size(), mesh.triangles.size(), mesh.normals.size()}),
                  (std::array{row.points, row.triangles, row.normals}))
            << row.name;
        std::vector<std::string> colours;  // of each triangle's corners, or of each point alone
        const bool cloud = mesh.triangles.empty();
        for (std::size_t k = 0; k < (cloud ? mesh.colours.size() : 3 * mesh.triangles.size());
             ++k) {
            const auto& c = mesh.colours.at(cloud ? k : std::size_t(mesh.triangles[k / 3][k % 3]));
            char text[9];
            std::snprintf(text, sizeof text, "%02x%02x%02x%02x", c[0], c[1], c[2], c[3]);
            colours.push_back(text);
        }
        std::sort(colours.begin(), colours.end());
        std::string joined;
        for (const std::string& colour : colours) joined += colour + ' ';
        EXPECT_EQ(squeezed(joined), row.colours) << row.name;
    }
}

// Each bad file, read after a good one, gets its one line and status 1; the data file there is
// kept and no other file is left.
TEST_F(ImportTest, RefusesBadInputWithWhatIsWrongAndWhere) {
    const std::string ply = plyHeader("binary_little_endian", plyPoints(3) + plyFaces(1));
    const std::string ascii = plyHeader("ascii", plyPoints(3) + plyFaces(1));
    const std::string face = bytesOf<unsigned char>({3}) + bytesOf<int>({0, 1, 2});
    const float nan = std::nanf("");
    const std::string stl = stlOf(cube());  // a corner of triangle 4 not a number, in nanStl
    const std::string nanStl = std::string(stl).replace(84 + 50 * 3 + 16, 4, bytesOf<float>({nan}));
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"gone.ply", "", "gone.ply: cannot open: No such file or directory"},
        {"folder.obj", "", "folder.obj: cannot open: Is a directory"},
        {"-o no/dir/out.dat", "",
         "no/dir/out.dat: cannot create a temporary file beside it: No such file or directory"},
        {"noise.ply", "garbage\n1 2 3\n",
         "noise.ply:1: expected \"ply\" alone on the first line, found \"garbage\""},
        {"nan.obj", "v 0 0 0\nv nan 1 0\n",
         "nan.obj:2: expected the x coordinate of point 2 as a decimal number, found \"nan\""},
        {"huge.obj", "v 0 0 1e39\n",
         "huge.obj:1: expected the z coordinate of point 1 as a decimal number within the float "
         "range, found \"1e39\""},
        {"short.obj", "v 0 0 0\nv 1 0\n",
         "short.obj:2: expected the z coordinate of point 2, found the end of the line"},
        {"junk.obj", "v 0 0 0 1 junk\n",
         "junk.obj:1: expected the end of the line after point 1, found \"junk\""},
        {"past.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n\nf 1 2 7\n",
         "past.obj:5: expected a point index from 1 to 3 or from -3 to -1, found \"7\""},
        {"zero.obj", "v 0 0 0\nf 0 1 1\n",
         "zero.obj:2: expected a point index from 1 to 1 or from -1 to -1, found \"0\""},
        {"early.obj", "f 1 2 3\nv 0 0 0\n",
         "early.obj:1: expected a point index, found \"1\", but no point comes before it"},
        {"corner.obj", "v 0 0 0\nf 1/x 1 1\n",
         "corner.obj:2: expected a corner written v, v/vt, v//vn or v/vt/vn, found \"1/x\""},
        {"lines.obj", "v 0 0 0\nv 1 0 0\nl 1 2\nf 1 2\n",
         "lines.obj: holds 2 points and no triangles; a data file holds triangles only"},
        {"none.obj", "l 1 2\n", "none.obj: holds no triangles"},
        {"type.ply", std::regex_replace(ply, std::regex("float y"), "float128 y"),
         "type.ply:5: expected a property type (char, uchar, short, ushort, int, uint, float, "
         "double, or int8 to float64), found \"float128\""},
        {"counts.ply",
         std::regex_replace(ply, std::regex("vertex 3"), "vertex 2000000000") + kTriangle,
         "counts.ply:3: element \"vertex\" announces 2000000000 entries of at least 12 bytes, but "
         "only 36 bytes are left for them"},
        {"cut.ply", ply + kTriangle + face.substr(0, 9),
         "cut.ply: file ends early: expected item 2 of list \"vertex_indices\" of face 0"},
        {"nan.ply", ply + bytesOf<float>({0, 0, 0, 1, nan, 0, 0, 1, 0}) + face,
         "nan.ply: expected property \"y\" of vertex 1 as a finite float, found nan"},
        {"wide.ply",
         std::regex_replace(ascii, std::regex("float x"), "double x") +
             "0 0 0\n1e39 0 0\n0 1 0\n3 0 1 2\n",
         "wide.ply:11: expected property \"x\" of vertex 1 as a finite float, found \"1e39\""},
        {"index.ply", ascii + "0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n",
         "index.ply:13: expected item 2 of list \"vertex_indices\" of face 0 as a point index "
         "from 0 to 2, found \"3\""},
        {"header.ply", "ply\nformat ascii 1.0\nelement vertex 0\n",
         "header.ply:3: file ends early: expected \"end_header\""},
        {"long.stl", stl + std::string(50, '\0'),
         "long.stl: the binary header announces 12 triangles, which take 684 bytes, but the file "
         "has 734"},
        {"cut.stl", stl.substr(0, stl.size() - 1),
         "cut.stl: the binary header announces 12 triangles, which take 684 bytes, but the file "
         "has 683"},
        {"bomb.stl", std::string(80, '\0') + "\xFF\xFF\xFF\xFF" + std::string(50, '\0'),
         "bomb.stl: the binary header announces 4294967295 triangles, which take 214748364834 "
         "bytes, but the file has 134"},
        {"solid.stl", "solid binary" + std::string(68, '\0') + "\5" + std::string(103, '\0'),
         "solid.stl: is neither an ascii STL (it starts with \"solid\" but holds NUL bytes) nor a "
         "binary one (its header announces 5 triangles, which take 334 bytes, but the file has "
         "184)"},
        {"nan.stl", nanStl, "nan.stl: triangle 4 has a corner that is not a finite number"},
        {"comments.off", "# made by hand\n\n# nothing else\n",
         "comments.off:3: file ends early: expected \"OFF\""},
        {"four.stl",
         "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\n"
         "vertex 1 1 0\nvertex 0 1 0\nendloop\nendfacet\nendsolid x\n",
         "four.stl:7: expected \"endloop\" after the third vertex of facet 1, found \"vertex\""},
        {"negative.ply", ascii + "0 0 0\n1 0 0\n0 1 0\n-1 0 1 2\n",
         "negative.ply:13: expected the count of list \"vertex_indices\" of face 0 within the "
         "range of type uchar, found \"-1\""},
        {"facet.stl", "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n",
         "facet.stl:4: file ends early: expected \"vertex\""},
        {"early.stl", "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0\n",
         "early.stl:5: file ends early: expected the z coordinate of a vertex of facet 1"},
        {"counts.off", "OFF\n2000000000 1 0\n0 0 0\n",
         "counts.off:2: the point count is 2000000000, but the 11 bytes left in the file hold at "
         "most 5"},
        {"index.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n",
         "index.off:6: expected corner 2 of face 0 as a point index from 0 to 2, found \"3\""},
        {"magic.off", "3 1 0\n", "magic.off:1: expected \"OFF\" first, found \"3\""},
    };
    for (const auto& c : cases)
        if (!c.bytes.empty()) std::ofstream(c.name, std::ios::binary) << c.bytes;
    std::ofstream("plain.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    std::ofstream("dataTest3.dat") << "old";
    fs::create_directory("folder.obj");
    const auto before = filesHere();
    EXPECT_EQ(import("plain.obj"),
              (Outcome{1, "", "dataTest3.dat: already exists; pass --force to replace it\n"}));
    for (const auto& c : cases) {
        EXPECT_EQ(import("--force plain.obj " + std::string(c.name)),
                  (Outcome{1, "", c.message + std::string("\n")}));
        EXPECT_EQ(readFile("dataTest3.dat"), "old") << c.name;
        EXPECT_EQ(filesHere(), before) << c.name;
    }
}

// The writer formats pieces of the file on two threads: many meshes of several pieces each must
// come out in order, as the text formatted in one go.
TEST_F(ImportTest, WritesTheDataFileInOrderWhateverThreadFormatsEachPiece) {
    std::vector<TriangleMesh> meshes;
    for (int m = 0; m < 3; ++m) {
        TriangleMesh mesh{"part" + std::to_string(m), {}, {}, {}, {}};
        const int count = 20000 + 7000 * m;
        for (int i = 0; i < count; ++i)
            mesh.points.push_back({i * 0.25f, static_cast<float>(m), -i / 3.0f});
        for (int i = 0; i + 2 < count; ++i) mesh.triangles.push_back({i, i + 1, i + 2});
        meshes.push_back(mesh);
    }
    DataFileWriter writer;
    ASSERT_TRUE(writer.write("dataTest3.dat", meshes));
    EXPECT_EQ(readFile("dataTest3.dat"), dataFileText(meshes));
}

// A model file shrinks between mapping and reading, the cut inside a statement the reader then
// meets as zeros: it says only that the file changed, whatever it would say about the zeros.
TEST_F(ImportTest, SaysOnlyThatAModelFileShrankWhileItWasRead) {
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const struct {
        const char* path;
        std::string start, last;  // the file's first bytes, and the statement the cut falls in
        std::size_t kept;         // the bytes of last before the cut
    } cases[] = {
        {"cut.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n", "f 1 2 3\n", 4},
        {"cut.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n", "3 0 1 2\n", 4},
        {"cut.ply", plyHeader("ascii", plyPoints(3) + plyFaces(1)) + "0 0 0\n1 0 0\n0 1 0\n",
         "3 0 1 2\n", 4},
        {"cut.stl", "solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\n",
         "vertex 0 1 0\nendloop\nendfacet\nendsolid s\n", 7},
    };
    for (const auto& c : cases) {
        const std::string text = c.start + std::string(page - c.start.size() - c.kept, '\n') +
                                 c.last + std::string(2 * page, '\n');
        std::ofstream(c.path, std::ios::binary) << text;
        std::vector<TriangleMesh> read;
        const std::unique_ptr<ModelReader> reader = ownReaderFor(*Importer::formatOf(c.path));
        reader->path = c.path;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(reader->readFile(c.path, read)) << c.path;  // whole, it is a triangle
        FileContents file;
        ASSERT_TRUE(file.load(c.path));
        ASSERT_EQ(::truncate(c.path, static_cast<off_t>(page)), 0);
        EXPECT_FALSE(reader->readContents(file, read)) << c.path;
        EXPECT_FALSE(file.intact()) << c.path;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  std::string(c.path) + ": changed while being read\n");
        EXPECT_EQ(read.size(), 1u) << c.path;
    }
}

}  // namespace kalderino
