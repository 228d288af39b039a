// MeshLoader tests: the report bytes, every field of the meshes, bad input and exact numbers; and
// the file reading under it: whole files and pipes, and a file shrinking while it is read.
#include "io/MeshLoader.h"

#include "io/ReaderDiagnostics.h"
#include "io/file/FileContents.h"
#include "mesh/Mesh.h"
#include "mesh/Triangle.h"
#include "mesh/Vertex.h"
#include "tests/TestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace kalderino {

namespace {

// Every field, 9 digits a float; points by their 1-based number, past the count if foreign.
std::string dump(const Mesh& mesh) {
    Vertex* const* p = mesh.points;
    auto number = [&](const Vertex* v) { return std::find(p, p + mesh.pointCount, v) - p + 1; };
    std::ostringstream out;
    out.precision(9);
    // Normals add +0 to print -0 as 0, a sign the order of the arithmetic decides; -0 keeps it.
    auto xyz = [&out](const char* before, const auto& v, float add = -0.0f) {
        out << before << v.x + add << ' ' << v.y + add << ' ' << v.z + add;
    };
    out << mesh.name << ' ' << mesh.pointCount << ' ' << mesh.triangleCount;
    xyz(" | ", *mesh.maxCorner);
    xyz(" | ", *mesh.minCorner);
    for (int i = 0; i < mesh.pointCount; ++i) {
        xyz("\n", *p[i]);
        xyz(" | ", p[i]->normal, 0);
    }
    for (int j = 0; j < mesh.triangleCount; ++j) {
        const Triangle& t = *mesh.triangles[j];
        out << '\n' << number(t.vertex1) << ' ' << number(t.vertex2) << ' ' << number(t.vertex3);
        xyz(" | ", t.faceNormal, 0);
    }
    return out.str() + '\n';
}

// A loader run, output captured, on the data file or else on text in an exactly sized heap block;
// its progress lines go to progress.
struct Loaded {
    explicit Loaded(const char* text = nullptr, std::size_t size = 0,
                    std::FILE* progress = stdout) {
        const std::vector<char> data(text, text + size);
        loader.report = progress;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        ok = text != nullptr ? loader.read(data.data(), size) : loader.load();
        diagnostics = testing::internal::GetCapturedStderr();
        report = testing::internal::GetCapturedStdout();
    }
    ~Loaded() {
        for (int i = 0; i < loader.meshCount; ++i) delete loader.meshes[i];
        delete[] loader.meshes;
    }
    MeshLoader loader;
    bool ok = false;
    std::string report, diagnostics;
};

class MeshLoaderTest : public ::testing::Test {
protected:
    static void write(const char* path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    TestFolder folder;
};
using FileContentsTest = MeshLoaderTest;

// A square, then enough white space that a cut inside it leaves the square whole.
const std::string kSquare = "1 square 4  0 0 0  10 0 0  10 10 0  0 10 0  2  1 2 3  1 3 4\n";

struct Good {
    std::string text;
    std::string report = "Determinada a leitura de  :1  meshas\nLendo Mesha de nome  :square\n"
                         "O numero de pontos e : 4\nO numero de triangulos e : 2 \n";
    std::string dump = "1\nsquare 4 2 | 10 10 0 | 0 0 0\n0 0 0 | 0 0 0\n10 0 0 | 0 0 0\n"
                       "10 10 0 | 0 0 0\n0 10 0 | 0 0 0\n1 2 3 | 0 0 1\n1 3 4 | 0 0 1\n";
    std::string diagnostics = "";
};

TEST_F(MeshLoaderTest, LoadsEveryFieldAndReportsEveryMesh) {
    const std::string name(31, 'n');
    const Good goods[] = {
        {kSquare},
        {"\t1\r\nsquare\v4 0 0 0 10 0 0\f10 10 0 0 10 0 2 1 2 3 1 3 4"},  // any white space
        {"+1 square +4 0 0 0 10 0 0 10 10 0 0 10 0 +2 +1 +2 +3 1 3 +4"},
        {"1 square 4 +0 0 +0. 1e1 0 .0 10.0 +1E+1 0 0 10 0 2 1 2 3 1 3 4"},    // numbers spelt out
        {"1 square 4 0 0 0 10 0 0 10 10 0 0 10 0 2 1 2 3 1 3 4 0x nan \x01"},  // after the meshes
        {"-2 anything", "Determinada a leitura de  :-2  meshas\n", "-2\n"},
        {"2 " + name + "X 2 200000 -200000 5 300000 -300000 7 0\n" + name + " -3 -2147483648",
         "Determinada a leitura de  :2  meshas\nLendo Mesha de nome  :" + name +
             "\nO numero de pontos e : 2\nO numero de triangulos e : 0 \nLendo Mesha de nome  :" +
             name + "\nO numero de pontos e : -3\nO numero de triangulos e : -2147483648 \n",
         "2\n" + name + " 2 0 | 300000 -100000 7 | 100000 -300000 5\n200000 -200000 5 | 0 0 0\n" +
             "300000 -300000 7 | 0 0 0\n" + name +
             " -3 -2147483648 | -100000 -100000 -100000 | 100000 100000 100000\n",
         "dataTest3.dat:1: warning: the name of mesh 1, \"" + name + "X\", is longer than 31 " +
             "characters; it is cut to \"" + name + "\"\n"},
    };
    for (const Good& good : goods) {
        SCOPED_TRACE(good.text);
        write(MeshLoader::kFileName, good.text);
        const Loaded result;
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(result.report, good.report);
        std::string dumped = std::to_string(result.loader.meshCount) + '\n';
        for (int m = 0; m < result.loader.meshCount; ++m) dumped += dump(*result.loader.meshes[m]);
        EXPECT_EQ(dumped, good.dump);
        EXPECT_EQ(result.diagnostics, good.diagnostics);
    }
}

const char kDirectory[] = "(a directory)";

// The data file, and the message after "dataTest3.dat".
const std::pair<const char*, const char*> kBad[] = {
    {nullptr, ": cannot open: No such file or directory"},
    {kDirectory, ": cannot open: Is a directory"},
    {"1\ns\nfour\n0 0 0\n",
     ":3: expected the point count of mesh \"s\" as a decimal integer, found \"four\""},
    {"1 s 1\n0 0x10 0\n0\n", ":2: expected the y coordinate of point 1 of mesh \"s\" as a decimal "
                             "number, found \"0x10\""},
    {"1 s 1\n0 0 nan", ":2: expected the z coordinate of point 1 of mesh \"s\" as a decimal "
                       "number, found \"nan\""},
    {"\n2147483648", ":2: expected the mesh count as a decimal integer within the 32-bit range, "
                     "found \"2147483648\""},
    {"1 s 2\n0 0 0\n-1e39 0 0", ":3: expected the x coordinate of point 2 of mesh \"s\" as a "
                                "decimal number within the float range, found \"-1e39\""},
    {"1 s 1 0 0 0 1\n1 1\n\n\n\n\n", ":2: file ends early: expected the third point index of "
                                     "triangle 1 of mesh \"s\""},
    {"1 s 1 0 0 0\n1\n1 0\n1", ":3: expected the second point index of triangle 1 of mesh \"s\" "
                               "from 1 to 1, found \"0\""},
    {"1 s 1 0 0 0 2\n1 1 1\n1 1 2", ":3: expected the third point index of triangle 2 of mesh "
                                    "\"s\" from 1 to 1, found \"2\""},
    {"1 e 0 1 1 1 1", ":1: expected the first point index of triangle 1 of mesh \"e\", found "
                      "\"1\", but the mesh has no points"},
    {"1 e -3 1 2 1 1", ":1: expected the first point index of triangle 1 of mesh \"e\", found "
                       "\"2\", but the mesh has no points"},
    {"1 a\n2000000000\n0 0 0", ":2: the point count of mesh \"a\" announces 2000000000 points, but "
                               "the 6 bytes left in the file hold at most 1"},
};

TEST_F(MeshLoaderTest, RejectsBadInputWithOneLocatedMessage) {
    for (const auto& [text, message] : kBad) {
        std::filesystem::remove_all(MeshLoader::kFileName);
        if (text == kDirectory) std::filesystem::create_directory(MeshLoader::kFileName);
        if (text != nullptr && text != kDirectory) write(MeshLoader::kFileName, text);
        const Loaded result;
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.diagnostics, std::string("dataTest3.dat") + message + "\n");
        EXPECT_TRUE(result.loader.meshCount == 0 && result.loader.meshes == nullptr);
    }
}

TEST(MeshLoaderReadTest, TruncatedFileGivesOneErrorLine) {
    const std::string text = "3\nsquare\n4\n0 0 0\n10 0 0\n10 10 0\n0 10 0\n2\n1 2 3\n1 3 4\n"
                             "e 0 0 t 3 -1.25 0 0 1 0 .5 0 1 +2\n1 3 2 1";
    const std::regex oneError("dataTest3\\.dat:[0-9]+: [^\n]+\n");
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        SCOPED_TRACE(text.substr(0, cut));
        const Loaded result(text.data(), cut);
        const bool complete = cut == text.size();
        EXPECT_EQ(result.ok, complete);
        EXPECT_EQ(result.loader.meshCount, complete ? 3 : 0);
        EXPECT_EQ(result.loader.meshes == nullptr, !complete);
        EXPECT_EQ(std::regex_match(result.diagnostics, oneError), !complete) << result.diagnostics;
    }
}

// The reference reads with strtof: long digit strings, underflow, and for random floats the
// halfway point to the next, a double either side, and both to 9 digits.
TEST(MeshLoaderReadTest, MatchesReadingWithStrtofBitForBit) {
    std::string numbers = "1. .5 -0 +3.25 007 1E-5 -6.02E23 16777217 1e-40 -1e-45 7.1e-46 -1e-50 "
                          "3.1415926535897932384626433832795028841971 .00000000001 3.4028235e38";
    std::mt19937 random(5);
    int points = 5;
    for (char line[1000]; points < 1400; numbers += line, points += 2) {
        const float value = std::ldexp(random() % (1 << 25) - 16777216.0f,  // subnormals too
                                       static_cast<int>(random() % 276) - 172);
        const float next = std::nextafter(value, std::copysign(INFINITY, value));  // finite
        const double half = (static_cast<double>(value) + next) / 2;  // exact in a double
        std::snprintf(line, sizeof line, "\n%.150e %.150e %.150E %.17g %.9g %.9g", half,
                      std::nextafter(half, 0.0), std::nextafter(half, 2 * half), half, value, next);
    }
    const std::string text = "1 numbers " + std::to_string(points) + "\n" + numbers + "\n0\n";
    const Loaded result(text.data(), text.size());
    ASSERT_TRUE(result.ok);
    const Mesh& mesh = *result.loader.meshes[0];
    ASSERT_EQ(mesh.pointCount, points);
    std::istringstream in(numbers);
    for (int i = 0; i < mesh.pointCount; ++i)
        for (auto axis : {&Vertex::x, &Vertex::y, &Vertex::z}) {
            std::string decimal;
            in >> decimal;
            const float read = mesh.points[i]->*axis;
            const float expected = std::strtof(decimal.c_str(), nullptr);
            EXPECT_EQ(std::memcmp(&read, &expected, sizeof read), 0) << decimal << ": " << read;
        }
}

// Points numbered at random: each triangle has the file's corners in order, and the points lie in
// their block in the order the triangles first use them, the unused ones last.
TEST(MeshLoaderReadTest, ShuffledPointsAreLaidOutInOrderOfFirstUse) {
    const int count = 999 + 2;  // the last two used by no triangle
    const auto position = [](int i) {
        return std::array<float, 3>{float(i), -float(i), 0.25f * i};
    };
    std::vector<int> order(count);  // point i is written as number order[i] + 1
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(99));
    std::vector<std::string> lines(count);
    for (int i = 0; i < count; ++i)
        for (const float value : position(i))
            lines[std::size_t(order[i])] += std::to_string(value) + ' ';
    std::vector<int> corners;  // every other point twice, in an order of strides of 7
    for (int k = 0; k < 2 * (count - 2); ++k) corners.push_back(k * 7 % (count - 2));
    std::string text = "1 t " + std::to_string(count) + '\n';
    for (const std::string& line : lines) text += line + '\n';
    text += std::to_string(corners.size() / 3) + '\n';
    for (const int corner : corners) text += std::to_string(order[std::size_t(corner)] + 1) + ' ';
    const Loaded result(text.data(), text.size());
    ASSERT_TRUE(result.ok);
    const Mesh& mesh = *result.loader.meshes[0];
    const Vertex* const block = mesh.triangles[0]->vertex1;
    const auto at = [](const Vertex* v) { return std::array<float, 3>{v->x, v->y, v->z}; };
    std::set<const Vertex*> used;
    for (std::size_t k = 0; k < corners.size(); ++k) {
        const Triangle& t = *mesh.triangles[k / 3];
        const Vertex* v = k % 3 == 0 ? t.vertex1 : k % 3 == 1 ? t.vertex2 : t.vertex3;
        ASSERT_EQ(at(v), position(corners[k])) << k;
        const bool first = used.insert(v).second;
        ASSERT_TRUE(!first || v == block + (used.size() - 1)) << "first used by corner " << k;
    }
    const auto [early, late] = std::minmax(order[count - 2], order[count - 1]);  // in file order
    EXPECT_EQ(mesh.points[early], block + (count - 2));
    EXPECT_EQ(mesh.points[late], block + (count - 1));
    for (int i = 0; i < count; ++i)  // the array keeps the file's numbers
        ASSERT_EQ(at(mesh.points[order[std::size_t(i)]]), position(i)) << i;
}

TEST_F(FileContentsTest, ReadsFilesAndPipesWhole) {
    write("empty", "");  // files of text: every loader test above
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ASSERT_EQ(::write(pipeEnds[1], "from a pipe", 11), 11);
    ::close(pipeEnds[1]);
    const std::pair<std::string, std::string> cases[] = {
        {"empty", ""}, {"/proc/self/fd/" + std::to_string(pipeEnds[0]), "from a pipe"}};
    for (const auto& [path, contents] : cases) {
        FileContents file;
        ASSERT_TRUE(file.load(path)) << path;
        ASSERT_NE(file.data(), nullptr) << path;
        EXPECT_EQ(std::string(file.data(), file.size()), contents) << path;
        EXPECT_TRUE(file.intact()) << path;
    }
    ::close(pipeEnds[0]);
}

// The data file shrinks as the loader writes its first report line, the reader meeting zeros where
// the lost pages were: the one line said is that the file changed, and nothing is kept.
TEST_F(FileContentsTest, SaysOnceThatAFileShrankWhileItWasRead) {
    const off_t page = ::sysconf(_SC_PAGESIZE);
    const std::string padding(static_cast<std::size_t>(3 * page), ' ');
    const auto cutFile = [](void* length, const char*, std::size_t size) -> ssize_t {
        if (*static_cast<off_t*>(length) >= 0)
            ::truncate(MeshLoader::kFileName, *static_cast<off_t*>(length));
        return static_cast<ssize_t>(size);
    };
    const struct {
        std::string text;
        off_t cut;  // -1: none
    } cases[] = {
        {kSquare + padding, -1},
        {padding.substr(0, page) + kSquare + padding, page + 20},
        {padding.substr(0, 2 * page) + kSquare, 0},
        {kSquare + padding, 2 * page},  // past all the reader needs
    };
    for (auto c : cases) {
        write(MeshLoader::kFileName, c.text);
        std::FILE* report = ::fopencookie(&c.cut, "w", {nullptr, cutFile, nullptr, nullptr});
        std::setvbuf(report, nullptr, _IONBF, 0);
        const Loaded result(nullptr, 0, report);
        EXPECT_EQ(result.ok, c.cut < 0) << c.cut;
        EXPECT_EQ(result.diagnostics, c.cut < 0 ? "" : "dataTest3.dat: changed while being read\n")
            << c.cut;
        EXPECT_EQ(result.loader.meshCount, c.cut < 0 ? 1 : 0) << c.cut;
        std::fclose(report);
    }
    // Loaded again after a shrink, the file is what it now is, and what is said about it is said.
    FileContents file;
    ASSERT_TRUE(file.load(MeshLoader::kFileName));
    ASSERT_EQ(::truncate(MeshLoader::kFileName, 0), 0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(file.intact());
    ReaderDiagnostics(stderr, MeshLoader::kFileName, &file).say(3, "anything said later");
    write(MeshLoader::kFileName, "1 s\nfour");
    ASSERT_TRUE(file.load(MeshLoader::kFileName));
    MeshLoader loader;
    loader.report = nullptr;
    EXPECT_FALSE(loader.read(file));
    EXPECT_TRUE(file.intact());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "dataTest3.dat: changed while being read\ndataTest3.dat:2: expected the point count "
              "of mesh \"s\" as a decimal integer, found \"four\"\n");
}

}  // namespace

}  // namespace kalderino
