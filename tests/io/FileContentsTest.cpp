// FileContents tests: whole files and pipes, and a file shrinking while it is read.
#include "io/file/FileContents.h"

#include "io/MeshLoader.h"
#include "io/ReaderDiagnostics.h"
#include "mesh/Mesh.h"
#include "tests/TestFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace kalderino {

namespace {

class FileContentsTest : public ::testing::Test {
protected:
    static void write(const char* path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    TestFolder folder;
};

// A square, then enough white space that a cut inside it leaves the square whole.
const std::string kSquare = "1 square 4  0 0 0  10 0 0  10 10 0  0 10 0  2  1 2 3  1 3 4\n";

TEST_F(FileContentsTest, ReadsFilesAndPipesWhole) {
    write("empty", "");
    write("text", kSquare);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ASSERT_EQ(::write(pipeEnds[1], "from a pipe", 11), 11);
    ::close(pipeEnds[1]);
    const std::pair<std::string, std::string> cases[] = {
        {"empty", ""},
        {"text", kSquare},
        {"/proc/self/fd/" + std::to_string(pipeEnds[0]), "from a pipe"}};
    for (const auto& [path, contents] : cases) {
        FileContents file;
        ASSERT_TRUE(file.load(path)) << path;
        ASSERT_NE(file.data(), nullptr) << path;
        EXPECT_EQ(std::string(file.data(), file.size()), contents) << path;
        EXPECT_TRUE(file.intact()) << path;
    }
    ::close(pipeEnds[0]);
}

// The data file shrinks while loadFile reads it, cut as the loader writes its first report line:
// the reader meets zeros where the lost pages were, and the one line said is that the file
// changed, wherever the cut falls; nothing is kept.
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
        MeshLoader loader;
        loader.report = ::fopencookie(&c.cut, "w", {nullptr, cutFile, nullptr, nullptr});
        std::setvbuf(loader.report, nullptr, _IONBF, 0);
        testing::internal::CaptureStderr();
        EXPECT_EQ(loader.loadFile(MeshLoader::kFileName), c.cut < 0) << c.cut;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  c.cut < 0 ? "" : "dataTest3.dat: changed while being read\n")
            << c.cut;
        EXPECT_EQ(loader.meshCount, c.cut < 0 ? 1 : 0) << c.cut;
        std::fclose(loader.report);
        for (int i = 0; i < loader.meshCount; ++i) delete loader.meshes[i];
        delete[] loader.meshes;
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
