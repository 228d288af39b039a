// TemporaryFile tests: a file appears under its name only when committed, and none is left
// behind by a failure or by a signal that ends the process.
#include "io/file/TemporaryFile.h"

#include "tests/ProgramRun.h"
#include "tests/TestFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>

namespace kalderino {

namespace {

TEST(TemporaryFileTest, AppearsOnlyWhenCommittedAndLeavesNothingOtherwise) {
    const TestFolder folder;
    {
        TemporaryFile file("out");
        ASSERT_GE(file.descriptor(), 0);
        ASSERT_TRUE(file.writeAll("first", 5));
        EXPECT_FALSE(std::filesystem::exists("out"));
        ASSERT_TRUE(file.commit("out", false, true));
    }
    EXPECT_EQ(readFile("out"), "first");
    {
        TemporaryFile file("out");
        ASSERT_TRUE(file.writeAll("second", 6));
        EXPECT_FALSE(file.commit("out", false, false)) << "an existing file is kept";
        EXPECT_EQ(errno, EEXIST);
    }
    EXPECT_EQ(readFile("out"), "first");
    EXPECT_EQ(filesHere().size(), 1u) << "the uncommitted file is gone";
    EXPECT_LT(TemporaryFile("no/such/folder/out").descriptor(), 0);

    // A signal that ends the process takes the temporary files with it, one given a temporary
    // name to wait under. The child is forked at this point, working in this test's folder
    // ("threadsafe" would start the test anew).
    GTEST_FLAG_SET(death_test_style, "fast");
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const auto endBySignal = [signal] {
            TemporaryFile one("out");
            TemporaryFile two("other");
            one.writeAll("partial", 7);
            one.closeUntilCommit();
            std::raise(signal);
        };
        EXPECT_EXIT(endBySignal(), testing::KilledBySignal(signal), "");
        EXPECT_EQ(filesHere().size(), 1u) << signal;
    }
    EXPECT_EQ(readFile("out"), "first");
}

}  // namespace

}  // namespace kalderino
