// Tests of the Importer: formats, triangulation, welding, names, node placement and bad input.
#include "import/Importer.h"

#include "tests/import/ImportFixture.h"

using ImporterTest = ImportFixture;

namespace {

const char* const kAsciiPlyHeader = "ply\nformat ascii 1.0\nelement vertex 4\n"
                                    "property float x\nproperty float y\nproperty float z\n"
                                    "element face 1\nproperty list uchar int vertex_indices\n"
                                    "end_header\n";

// Reads one file; expected tells whether it should load.
std::vector<ImportedMesh> importFile(const std::string& path, bool expected = true) {
    Importer importer;
    std::vector<ImportedMesh> meshes;
    EXPECT_EQ(importer.read(path, meshes), expected) << path;
    return meshes;
}

}  // namespace

TEST_F(ImporterTest, TriangulatesEveryFormatAndDropsPointsAndLines) {
    writeFile("shapes.obj", "o quad\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\nl 1 3\np 2\n");
    writeFile("ascii.ply",
              kAsciiPlyHeader + std::string("0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n"));
    std::string binary = kAsciiPlyHeader;
    binary.replace(binary.find("ascii"), 5, "binary_little_endian");
    binary += bytesOf<float>({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
    binary += bytesOf<std::uint8_t>({4}) + bytesOf<int>({0, 1, 2, 3});
    writeFile("binary.ply", binary);
    writeFile("pentagon.off", "OFF\n5 1 0\n0 0 0\n2 0 0\n3 1 0\n1 2 0\n-1 1 0\n5 0 1 2 3 4\n");

    const struct {
        const char* file;
        std::size_t points;
        std::size_t triangles;
    } cases[] = {
        {"shapes.obj", 4, 2}, {"ascii.ply", 4, 2}, {"binary.ply", 4, 2}, {"pentagon.off", 5, 3}};
    for (const auto& c : cases) {
        const auto meshes = importFile(c.file);
        ASSERT_EQ(meshes.size(), 1u) << c.file;
        EXPECT_EQ(meshes[0].points.size(), c.points) << c.file;
        EXPECT_EQ(meshes[0].triangles.size(), c.triangles) << c.file;
    }
}

TEST_F(ImporterTest, WeldsStlCornersWhateverTheirNormals) {
    writeFile("ascii.stl", asciiStlCube("cube"));
    writeFile("binary.stl", binaryStlCube(kCorners));
    for (const char* file : {"ascii.stl", "binary.stl"}) {
        const auto meshes = importFile(file);
        ASSERT_EQ(meshes.size(), 1u) << file;
        EXPECT_EQ(meshes[0].points.size(), 8u) << file;
        EXPECT_EQ(meshes[0].triangles.size(), 12u) << file;
    }
}

TEST_F(ImporterTest, NamesMeshesByOwnNameElseFileStem) {
    writeFile("named.stl", asciiStlCube("gear"));
    writeFile("my model.v2.stl", binaryStlCube(kCorners));
    writeFile("long.obj", "o abcdefghijklmnopqrstuvwxyz0123456789\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                          "f 1 2 3\n");
    writeFile("plain.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    EXPECT_EQ(importFile("named.stl")[0].name, "gear");
    EXPECT_EQ(importFile("my model.v2.stl")[0].name, "my_model.v2");
    EXPECT_EQ(importFile("long.obj")[0].name, "abcdefghijklmnopqrstuvwxyz01234");
    EXPECT_EQ(importFile("plain.obj")[0].name, "plain");  // not the reader's "defaultobject"
}

TEST_F(ImporterTest, MeshNameKeepsOneTokenOfAtMost31Bytes) {
    EXPECT_EQ(meshName("left\tarm \r\n", "x.obj"), "left_arm___");
    EXPECT_EQ(meshName(std::string("a\0b", 3), "x.obj"), "a_b");  // a NUL would end the name
    EXPECT_EQ(meshName("", "models/.hidden"), ".hidden");
    EXPECT_EQ(meshName("", ""), "mesh");
    // "\xC3\xA3" is one character in UTF-8; cutting after its first byte would break it.
    EXPECT_EQ(meshName(std::string(30, 'a') + "\xC3\xA3", "x.obj"), std::string(30, 'a'));
    EXPECT_EQ(meshName(std::string(29, 'a') + "\xC3\xA3"
                                              "b",
                       "x.obj"),
              std::string(29, 'a') + "\xC3\xA3");
}

TEST_F(ImporterTest, PlacesMeshesWhereTheirNodesPutThem) {
    // One triangle used by two nodes, moved by (10, 0, 0) and (0, 0, -5).
    writeFile("two.gltf", R"({"asset": {"version": "2.0"}, "scene": 0,
        "scenes": [{"nodes": [0, 1]}],
        "nodes": [{"mesh": 0, "translation": [10, 0, 0]}, {"mesh": 0, "translation": [0, 0, -5]}],
        "meshes": [{"name": "tri", "primitives": [{"attributes": {"POSITION": 0}}]}],
        "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
                       "min": [0, 0, 0], "max": [1, 1, 0]}],
        "bufferViews": [{"buffer": 0, "byteLength": 36}],
        "buffers": [{"byteLength": 36, "uri":
            "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}]
    })");
    auto meshes = importFile("two.gltf");
    ASSERT_EQ(meshes.size(), 2u);
    for (auto& mesh : meshes) {
        EXPECT_EQ(mesh.name, "tri");
        std::sort(mesh.points.begin(), mesh.points.end());
    }
    using P = std::vector<std::array<float, 3>>;
    EXPECT_EQ(meshes[0].points, (P{{10, 0, 0}, {10, 1, 0}, {11, 0, 0}}));
    EXPECT_EQ(meshes[1].points, (P{{0, 0, -5}, {0, 1, -5}, {1, 0, -5}}));
}

TEST_F(ImporterTest, ReportsUnreadableInputsInOneLine) {
    writeFile("points.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\np 1 2 3\nl 1 2\n");
    // Broken STL would do as well, but the library leaks on that path, which the sanitizer build
    // reports.
    writeFile("noise.ply", "garbage\n1 2 3\n");
    std::filesystem::create_directory("folder.obj");
    testing::internal::CaptureStderr();
    importFile("missing.stl", false);
    importFile("folder.obj", false);
    importFile("points.obj", false);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "missing.stl: cannot open: No such file or directory\n"
              "folder.obj: cannot open: Is a directory\n"
              "points.obj: holds no triangles\n");
    testing::internal::CaptureStderr();
    importFile("noise.ply", false);
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(message.rfind("noise.ply: cannot read: ", 0), 0u) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
}
