// FileContents tests: whole files, pipes, refusals, and a file shrinking while it is read.
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

TEST_F(FileContentsTest, ReadsFilesAndPipesWholeAndRefusesWhatItCannotOpen) {
    write("empty", "");
    write("text", kSquare);
    std::filesystem::create_directory("folder");
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ASSERT_EQ(::write(pipeEnds[1], "from a pipe", 11), 11);
    ::close(pipeEnds[1]);
    const std::string pipePath = "/proc/self/fd/" + std::to_string(pipeEnds[0]);
    const struct {
        std::string path;
        std::string contents;
        std::string diagnostics;
    } cases[] = {
        {"empty", "", ""},
        {"text", kSquare, ""},
        {pipePath, "from a pipe", ""},
        {"missing", "", "missing: cannot open: No such file or directory\n"},
        {"folder", "", "folder: cannot open: Is a directory\n"},
    };
    for (const auto& c : cases) {
        FileContents file;
        testing::internal::CaptureStderr();
        const bool loaded = file.load(c.path);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.diagnostics) << c.path;
        EXPECT_EQ(loaded, c.diagnostics.empty()) << c.path;
        ASSERT_NE(file.data(), nullptr) << c.path;
        EXPECT_EQ(std::string(file.data(), file.size()), c.contents) << c.path;
        EXPECT_TRUE(file.intact()) << c.path;
    }
    ::close(pipeEnds[0]);
}

// The file shrinks between mapping and reading, deterministically: the reader meets zeros where
// the lost pages were, and the one line said is that the file changed, wherever the cut falls.
// One FileContents loads every case, as a reader may load file after file.
TEST_F(FileContentsTest, SaysOnceThatAFileShrankWhileItWasRead) {
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::string padded = kSquare + std::string(3 * page, ' ');
    const struct {
        std::string text;
        std::size_t cut;
        bool readerFinishes;  // the cut falls past what the reader needs
    } cases[] = {
        {std::string(page, ' ') + kSquare + std::string(page, ' '), page + 20, false},
        {std::string(2 * page, ' ') + kSquare, 0, false},
        {padded, 2 * page, true},
    };
    FileContents file;
    for (const auto& c : cases) {
        write(MeshLoader::kFileName, c.text);
        ASSERT_TRUE(file.load(MeshLoader::kFileName));
        ASSERT_EQ(::truncate(MeshLoader::kFileName, static_cast<off_t>(c.cut)), 0);
        MeshLoader loader;
        loader.report = std::fopen("/dev/null", "w");
        testing::internal::CaptureStderr();
        const bool read = loader.read(file);
        const bool intact = file.intact();
        ReaderDiagnostics(stderr, MeshLoader::kFileName, &file)
            .say(3, "anything said later about the file");
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "dataTest3.dat: changed while being read\n")
            << c.cut;
        EXPECT_EQ(read, c.readerFinishes) << c.cut;
        EXPECT_FALSE(intact);
        std::fclose(loader.report);
        for (int i = 0; i < loader.meshCount; ++i) delete loader.meshes[i];
        delete[] loader.meshes;
    }
    // Loaded again, the file is what it now is, and what is said about it is said again.
    write(MeshLoader::kFileName, "1 s\nfour");
    ASSERT_TRUE(file.load(MeshLoader::kFileName));
    MeshLoader loader;
    loader.report = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loader.read(file));
    EXPECT_TRUE(file.intact());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "dataTest3.dat:2: expected the point count of mesh \"s\" as a decimal integer, "
              "found \"four\"\n");
}

}  // namespace

}  // namespace kalderino
