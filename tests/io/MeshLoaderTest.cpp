// MeshLoader tests: the report bytes, every field of the meshes, and every kind of bad input.
#include "io/MeshLoader.h"

#include "mesh/Mesh.h"
#include "mesh/Triangle.h"
#include "mesh/Vertex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string kSquare = "1\nsquare\n4\n0 0 0\n10 0 0\n10 10 0\n0 10 0\n2\n1 2 3\n1 3 4\n";
const std::string kSquareReport = "Determinada a leitura de  :1  meshas\n"
                                  "Lendo Mesha de nome  :square\n"
                                  "O numero de pontos e : 4\n"
                                  "O numero de triangulos e : 2 \n";

// A loader and what it printed; the meshes it hands over die with it.
struct Loaded {
    MeshLoader loader;
    bool ok = false;
    std::string report, diagnostics;
    ~Loaded() {
        for (int i = 0; i < loader.meshCount; ++i) delete loader.meshes[i];
        delete[] loader.meshes;
    }
};

std::string drain(std::FILE* file) {
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

// Reads from an exactly sized heap block, so that the sanitizer catches a read past its end.
std::unique_ptr<Loaded> readText(const std::string& text) {
    auto result = std::make_unique<Loaded>();
    std::unique_ptr<char[]> data(new char[text.size()]);
    std::memcpy(data.get(), text.data(), text.size());
    result->loader.report = std::tmpfile();
    result->loader.diagnostics = std::tmpfile();
    result->ok = result->loader.read(data.get(), text.size());
    result->report = drain(result->loader.report);
    result->diagnostics = drain(result->loader.diagnostics);
    return result;
}

int indexOf(const Mesh& mesh, const Vertex* point) {
    for (int i = 0; i < mesh.pointCount; ++i)
        if (mesh.points[i] == point) return i + 1;
    return 0;  // not a point of this mesh
}

// Every field the loader sets, floats exact, for comparing two loads.
std::string dump(const MeshLoader& loader) {
    std::string text = std::to_string(loader.meshCount) + "\n";
    char line[256];
    for (int m = 0; m < loader.meshCount; ++m) {
        const Mesh& mesh = *loader.meshes[m];
        const Vertex& hi = *mesh.maxCorner;
        const Vertex& lo = *mesh.minCorner;
        std::snprintf(line, sizeof line, "%s %d %d [%a %a %a] [%a %a %a]\n", mesh.name,
                      mesh.pointCount, mesh.triangleCount, hi.x, hi.y, hi.z, lo.x, lo.y, lo.z);
        text += line;
        for (int i = 0; i < mesh.pointCount; ++i) {
            const Vertex& p = *mesh.points[i];
            std::snprintf(line, sizeof line, "%a %a %a\n", p.x, p.y, p.z);
            text += line;
        }
        for (int j = 0; j < mesh.triangleCount; ++j) {
            const Triangle& t = *mesh.triangles[j];
            std::snprintf(line, sizeof line, "%d %d %d %a %a %a\n", indexOf(mesh, t.vertex1),
                          indexOf(mesh, t.vertex2), indexOf(mesh, t.vertex3), t.faceNormal.x,
                          t.faceNormal.y, t.faceNormal.z);
            text += line;
        }
    }
    return text;
}

void expectPoint(const Vertex* point, float x, float y, float z) {
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(point->x, x);
    EXPECT_EQ(point->y, y);
    EXPECT_EQ(point->z, z);
}

// Each test runs in a fresh temporary directory that holds its data file.
class MeshLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "meshloader-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory = pattern;
        fs::current_path(directory);
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(directory);
    }

    // Writes text as the data file and loads it through the real stdout and stderr.
    std::unique_ptr<Loaded> load(const std::string& text) {
        std::ofstream(MeshLoader::kFileName, std::ios::binary) << text;
        return loadFile();
    }
    std::unique_ptr<Loaded> loadFile() {
        auto result = std::make_unique<Loaded>();
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        result->ok = result->loader.load();
        result->diagnostics = testing::internal::GetCapturedStderr();
        result->report = testing::internal::GetCapturedStdout();
        return result;
    }

    fs::path previous, directory;
};

TEST_F(MeshLoaderTest, LoadsEveryFieldOfSquare) {
    const auto square = load(kSquare);
    ASSERT_TRUE(square->ok);
    EXPECT_EQ(square->report, kSquareReport);
    EXPECT_EQ(square->diagnostics, "");
    ASSERT_EQ(square->loader.meshCount, 1);
    const Mesh& mesh = *square->loader.meshes[0];
    EXPECT_STREQ(mesh.name, "square");
    ASSERT_EQ(mesh.pointCount, 4);
    expectPoint(mesh.points[0], 0, 0, 0);
    expectPoint(mesh.points[1], 10, 0, 0);
    expectPoint(mesh.points[2], 10, 10, 0);
    expectPoint(mesh.points[3], 0, 10, 0);
    ASSERT_EQ(mesh.triangleCount, 2);
    const int corners[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (int j = 0; j < 2; ++j) {
        const Triangle& triangle = *mesh.triangles[j];
        EXPECT_EQ(triangle.vertex1, mesh.points[corners[j][0]]);
        EXPECT_EQ(triangle.vertex2, mesh.points[corners[j][1]]);
        EXPECT_EQ(triangle.vertex3, mesh.points[corners[j][2]]);
        EXPECT_NEAR(triangle.faceNormal.x, 0, 1e-5);
        EXPECT_NEAR(triangle.faceNormal.y, 0, 1e-5);
        EXPECT_NEAR(triangle.faceNormal.z, 1, 1e-5);
    }
    expectPoint(mesh.maxCorner, 10, 10, 0);
    expectPoint(mesh.minCorner, 0, 0, 0);
    EXPECT_NE(mesh.anchor, nullptr);
    EXPECT_FALSE(mesh.listBuilt);
    EXPECT_EQ(mesh.points[0]->adjacentCount, 0);  // linking is the caller's step
}

TEST_F(MeshLoaderTest, ReportsTwoMeshesSharingAName) {
    const auto twins = load("2\ntwin 3 0 0 0 1 0 0 0 1 0 1 3 2 1\ntwin 4 " +
                            kSquare.substr(kSquare.find("0 0 0")));
    ASSERT_TRUE(twins->ok);
    EXPECT_EQ(twins->report, "Determinada a leitura de  :2  meshas\n"
                             "Lendo Mesha de nome  :twin\n"
                             "O numero de pontos e : 3\n"
                             "O numero de triangulos e : 1 \n"
                             "Lendo Mesha de nome  :twin\n"
                             "O numero de pontos e : 4\n"
                             "O numero de triangulos e : 2 \n");
    ASSERT_EQ(twins->loader.meshCount, 2);
    const Mesh& first = *twins->loader.meshes[0];
    const Mesh& second = *twins->loader.meshes[1];
    ASSERT_EQ(first.triangleCount, 1);
    const Triangle& triangle = *first.triangles[0];
    EXPECT_EQ(indexOf(first, triangle.vertex1) * 100 + indexOf(first, triangle.vertex2) * 10 +
                  indexOf(first, triangle.vertex3),
              321);
    EXPECT_NEAR(triangle.faceNormal.z, -1, 1e-5);
    expectPoint(first.maxCorner, 1, 1, 0);
    // The second mesh is the square, its triangles naming its own points.
    EXPECT_STREQ(second.name, "twin");
    std::string squareAsTwin = dump(readText(kSquare)->loader);
    squareAsTwin.replace(0, std::strlen("1\nsquare"), "twin");
    const std::string both = dump(twins->loader);
    EXPECT_EQ(both.substr(both.find("twin 4")), squareAsTwin);
}

TEST_F(MeshLoaderTest, LoadsSameSquareWrittenAnyWay) {
    const std::string expected = dump(readText(kSquare)->loader);
    const char* const variants[] = {
        "1 square 4  0 0 0  10 0 0  10 10 0  0 10 0  2  1 2 3  1 3 4",
        "\n\n  1\nsquare\n4 0\n0 0 10\n0 0 10 10 0 0\n10\n0 2 1\n2 3 1 3\n4",
        "1\r\nsquare\r\n4\r\n0\t0\t0\r\n10\t0\t0\r\n10\v10\f0\r\n0 10 0\r\n2\r\n1 2 3\r\n1 3 4\r\n",
        "+1 square +4 +0 0 +0. 1e1 0 .0 10.0 +1E+1 0 0 10 0 +2 +1 +2 +3 1 +3 +4",
        "1 square 4 0 0 0 10 0 0 10 10 0 0 10 0 2 1 2 3 1 3 4 left over: 0x10 nan \x01\n",
    };
    for (const char* text : variants) {
        SCOPED_TRACE(text);
        const auto square = load(text);
        EXPECT_TRUE(square->ok);
        EXPECT_EQ(square->report, kSquareReport);
        EXPECT_EQ(square->diagnostics, "");
        EXPECT_EQ(dump(square->loader), expected);
    }
}

TEST_F(MeshLoaderTest, EmptyMeshKeepsCornersAtStart) {
    const auto empty = load("1 empty 0 0\n");
    ASSERT_TRUE(empty->ok);
    EXPECT_EQ(empty->report, "Determinada a leitura de  :1  meshas\nLendo Mesha de nome  :empty\n"
                             "O numero de pontos e : 0\nO numero de triangulos e : 0 \n");
    const Mesh& mesh = *empty->loader.meshes[0];
    EXPECT_EQ(mesh.points, nullptr);
    EXPECT_EQ(mesh.triangles, nullptr);
    expectPoint(mesh.maxCorner, -100000, -100000, -100000);
    expectPoint(mesh.minCorner, 100000, 100000, 100000);
}

TEST_F(MeshLoaderTest, CornersAreClampedAtPlusMinus100000) {
    const auto far = load("1 far 2  200000 -200000 5  300000 -300000 7  0");
    ASSERT_TRUE(far->ok);
    expectPoint(far->loader.meshes[0]->maxCorner, 300000, -100000, 7);
    expectPoint(far->loader.meshes[0]->minCorner, 100000, -300000, 5);
}

TEST_F(MeshLoaderTest, KeepsCountsBelowOneAsRead) {
    const auto none = load("0 anything after is ignored");
    EXPECT_TRUE(none->ok);
    EXPECT_EQ(none->report, "Determinada a leitura de  :0  meshas\n");
    EXPECT_EQ(none->loader.meshCount, 0);
    EXPECT_EQ(none->loader.meshes, nullptr);

    const auto negative = load("-2 junk");
    EXPECT_TRUE(negative->ok);
    EXPECT_EQ(negative->report, "Determinada a leitura de  :-2  meshas\n");
    EXPECT_EQ(negative->loader.meshCount, -2);
    EXPECT_EQ(negative->loader.meshes, nullptr);

    const auto hollow = load("1 hollow -3 -2");
    ASSERT_TRUE(hollow->ok);
    EXPECT_EQ(hollow->report, "Determinada a leitura de  :1  meshas\nLendo Mesha de nome  :hollow\n"
                              "O numero de pontos e : -3\nO numero de triangulos e : -2 \n");
    const Mesh& mesh = *hollow->loader.meshes[0];
    EXPECT_EQ(mesh.pointCount, -3);
    EXPECT_EQ(mesh.points, nullptr);
    EXPECT_EQ(mesh.triangleCount, -2);
    EXPECT_EQ(mesh.triangles, nullptr);
}

TEST_F(MeshLoaderTest, CutsLongNameWithOneWarning) {
    const std::string kept(31, 'n');
    const auto longName = load("2 " + kept + "XYZ 0 0 " + kept + " 0 0");
    ASSERT_TRUE(longName->ok);
    EXPECT_EQ(longName->diagnostics, "dataTest3.dat:1: warning: the name of mesh 1, \"" + kept +
                                         "XYZ\", is longer than 31 characters; it is cut to \"" +
                                         kept + "\"\n");
    EXPECT_NE(longName->report.find("Lendo Mesha de nome  :" + kept + "\nO numero"),
              std::string::npos);
    EXPECT_STREQ(longName->loader.meshes[0]->name, kept.c_str());
    EXPECT_STREQ(longName->loader.meshes[1]->name, kept.c_str());
}

TEST_F(MeshLoaderTest, ReportsFileThatCannotBeOpened) {
    const auto missing = loadFile();
    EXPECT_FALSE(missing->ok);
    EXPECT_EQ(missing->diagnostics, "dataTest3.dat: cannot open: No such file or directory\n");
    EXPECT_EQ(missing->report, "");

    fs::create_directory(MeshLoader::kFileName);
    const auto directory = loadFile();
    EXPECT_FALSE(directory->ok);
    EXPECT_EQ(directory->diagnostics, "dataTest3.dat: cannot open: Is a directory\n");
    EXPECT_EQ(directory->loader.meshCount, 0);
}

struct BadInput {
    const char* text;
    const char* message;  // after "dataTest3.dat:"
};

// Early ends are padded with blank lines where the size check would otherwise refuse the count.
const BadInput kBadInputs[] = {
    {"ten", "1: expected the mesh count as a decimal integer, found \"ten\""},
    {"1\nsq\nfour",
     "3: expected the point count of mesh \"sq\" as a decimal integer, found \"four\""},
    {"1 sq 0x10",
     "1: expected the point count of mesh \"sq\" as a decimal integer, found \"0x10\""},
    {"1 sq 3.0", "1: expected the point count of mesh \"sq\" as a decimal integer, found \"3.0\""},
    {"1 sq +-1", "1: expected the point count of mesh \"sq\" as a decimal integer, found \"+-1\""},
    {"1 sq 3\x01", "1: expected the point count of mesh \"sq\" as a decimal integer, found "
                   "\"3\\x01\""},
    {"abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrs",
     "1: expected the mesh count as a decimal integer, found "
     "\"abcdefghijklmnopqrstuvwxyzabcdefghijklmn...\""},
    {"2147483648", "1: expected the mesh count as a decimal integer within the 32-bit range, "
                   "found \"2147483648\""},
    {"1 sq -2147483649", "1: expected the point count of mesh \"sq\" as a decimal integer within "
                         "the 32-bit range, found \"-2147483649\""},
    {"1 sq 1\n0x10 0 0", "2: expected the x coordinate of point 1 of mesh \"sq\" as a decimal "
                         "number, found \"0x10\""},
    {"1 sq 1\n0 inf 0", "2: expected the y coordinate of point 1 of mesh \"sq\" as a decimal "
                        "number, found \"inf\""},
    {"1 sq 1\n0 0 nan", "2: expected the z coordinate of point 1 of mesh \"sq\" as a decimal "
                        "number, found \"nan\""},
    {"1 sq 1\n1.5x 0 0", "2: expected the x coordinate of point 1 of mesh \"sq\" as a decimal "
                         "number, found \"1.5x\""},
    {"1 sq 1\n0 1,5 0", "2: expected the y coordinate of point 1 of mesh \"sq\" as a decimal "
                        "number, found \"1,5\""},
    {"1 sq 1\n0 0 +-1", "2: expected the z coordinate of point 1 of mesh \"sq\" as a decimal "
                        "number, found \"+-1\""},
    {"1 sq 1\n. 0 0", "2: expected the x coordinate of point 1 of mesh \"sq\" as a decimal "
                      "number, found \".\""},
    {"1 sq 1\n0 1e39 0", "2: expected the y coordinate of point 1 of mesh \"sq\" as a decimal "
                         "number within the float range, found \"1e39\""},
    {"1 sq 1\n0 0 -1e39", "2: expected the z coordinate of point 1 of mesh \"sq\" as a decimal "
                          "number within the float range, found \"-1e39\""},
    {"1 sq 3 0 0 0 1 0 0 0 1 0\n1\n1 0 2", "3: expected the second point index of triangle 1 of "
                                           "mesh \"sq\" from 1 to 3, found \"0\""},
    {"1 sq 3 0 0 0 1 0 0 0 1 0\n2\n1 2 3\n1 2 4", "4: expected the third point index of triangle "
                                                  "2 of mesh \"sq\" from 1 to 3, found \"4\""},
    {"1 sq 3 0 0 0 1 0 0 0 1 0\n1\n-1 2 3", "3: expected the first point index of triangle 1 of "
                                            "mesh \"sq\" from 1 to 3, found \"-1\""},
    {"2 a 3 0 0 0 1 0 0 0 1 0 0\nb 1 0 0 0 1 1 2 1", "2: expected the second point index of "
                                                     "triangle 1 of mesh \"b\" from 1 to 1, found "
                                                     "\"2\""},
    {"1 e 0 1 1 1 1", "1: expected the first point index of triangle 1 of mesh \"e\" (the mesh "
                      "has no points), found \"1\""},
    {"1 e -4 1 1 1 1", "1: expected the first point index of triangle 1 of mesh \"e\" (the mesh "
                       "has no points), found \"1\""},
    {"", "1: file ends early: expected the mesh count"},
    {"2 sq 0 0\n\n\n\n\n\n", "1: file ends early: expected the name of mesh 2"},
    {"1\nsq\n\n\n\n\n", "2: file ends early: expected the point count of mesh \"sq\""},
    {"1 sq 2\n0 0 0\n1 1\n\n\n\n\n\n", "3: file ends early: expected the z coordinate of point 2 "
                                       "of mesh \"sq\""},
    {"1 sq 1 0 0 0\n", "1: file ends early: expected the triangle count of mesh \"sq\""},
    {"1 sq 3 0 0 0 1 0 0 0 1 0 1\n1 2\n\n\n\n\n", "2: file ends early: expected the third point "
                                                  "index of triangle 1 of mesh \"sq\""},
    {"10 a 0 0", "1: the mesh count announces 10 meshes, but the 6 bytes left in the file hold "
                 "at most 1"},
    {"1 a 2000000000 0 0 0", "1: the point count of mesh \"a\" announces 2000000000 points, but "
                             "the 6 bytes left in the file hold at most 1"},
    {"1 a 1 0 0 0\n2147483647 1 1 1", "2: the triangle count of mesh \"a\" announces 2147483647 "
                                      "triangles, but the 6 bytes left in the file hold at most 1"},
};

TEST_F(MeshLoaderTest, RejectsBadInputWithOneLocatedMessage) {
    for (const BadInput& bad : kBadInputs) {
        SCOPED_TRACE(bad.text);
        const auto result = load(bad.text);
        EXPECT_FALSE(result->ok);
        EXPECT_EQ(result->diagnostics, std::string("dataTest3.dat:") + bad.message + "\n");
        EXPECT_EQ(result->loader.meshCount, 0);
        EXPECT_EQ(result->loader.meshes, nullptr);
    }
}

TEST(MeshLoaderReadTest, TruncatedFileGivesOneErrorLine) {
    const std::string text = "3\nsquare\n4\n0 0 0\n10.5 0 -0\n10 1e1 0\n0 10 0\n2\n1 2 3\n1 3 4\n"
                             "empty\n0\n0\n"
                             "tri\n3\n-1.25 0 0\n1 0 .5\n0 1 +2\n1\n3 2 1\n";
    const std::size_t complete = text.size() - 1;  // the final index is one character
    const std::regex oneError("dataTest3\\.dat:[0-9]+: [^\n]+\n");
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        SCOPED_TRACE(text.substr(0, cut));
        const auto result = readText(text.substr(0, cut));
        if (cut >= complete) {
            EXPECT_TRUE(result->ok);
            EXPECT_EQ(result->diagnostics, "");
            EXPECT_EQ(result->loader.meshCount, 3);
        } else {
            EXPECT_FALSE(result->ok);
            EXPECT_TRUE(std::regex_match(result->diagnostics, oneError)) << result->diagnostics;
            EXPECT_EQ(result->loader.meshCount, 0);
            EXPECT_EQ(result->loader.meshes, nullptr);
        }
    }
}

}  // namespace
