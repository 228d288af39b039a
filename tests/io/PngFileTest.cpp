// PngFileTest: new pictures take the first free number, never a name some file holds, however
// many processes write beside each other.
#include "io/PngFile.h"

#include "tests/ProgramRun.h"
#include "tests/TestFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace kalderino {

namespace {

namespace fs = std::filesystem;

TEST(PngFileTest, NewPicturesTakeFreeNumbersAtOnceAndNeverReplaceAFile) {
    const TestFolder folder;
    const std::vector<unsigned char> rgba(4 * 3 * 2, 200);
    std::ofstream("pic-1.png") << "mine";
    fs::create_directory("pic-3.png");
    // Eight processes at once, each writing two pictures.
    std::vector<pid_t> children;
    for (int i = 0; i < 8; ++i) {
        const pid_t child = ::fork();
        if (child == 0) {
            const bool written =
                !writeNewPng("pic", rgba, 3, 2).empty() && !writeNewPng("pic", rgba, 3, 2).empty();
            ::_exit(written ? 0 : 1);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::set<std::string> expected;  // the file and the folder there, and 16 pictures
    for (int n = 1; n <= 18; ++n) expected.insert("pic-" + std::to_string(n) + ".png");
    EXPECT_EQ(filesHere(), expected);
    EXPECT_EQ(readFile("pic-1.png"), "mine");
    // Each whole, as the first.
    for (int n = 4; n <= 18; ++n)
        EXPECT_EQ(fs::file_size("pic-" + std::to_string(n) + ".png"), fs::file_size("pic-2.png"));
    EXPECT_EQ(writeNewPng("pic", rgba, 3, 2), "pic-19.png");
    // A folder that is not there: one line, and nothing written.
    testing::internal::CaptureStderr();
    EXPECT_EQ(writeNewPng("gone/pic", rgba, 3, 2), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "gone/pic-1.png: cannot write: No such file or directory\n");
}

}  // namespace

}  // namespace kalderino
