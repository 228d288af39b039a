// MemoryShortageTest: a session reading and finishing model files under growing address-space
// limits succeeds or says one line naming the file and what was being made (once, the normals).
#include "cli/CommandLine.h"
#include "session/ModelFiles.h"
#include "session/Session.h"
#include "tests/ProgramRun.h"
#include "tests/TestFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <regex>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kalderino {

namespace {

const std::vector<std::string> kFiles = {"p0.stl", "p1.stl", "p2.stl", "p3.stl", "p4.stl"};

// Reads the files and waits for their finishing, as the programs do before the first picture.
int openAndFinish(int, char**) {
    Session session(&importedModelFiles());
    if (!session.open(kFiles, {})) return 1;
    session.link();
    return 0;
}

// What a run within limit bytes more than it holds before reading says on stderr.
std::string runWithin(std::size_t limit) {
    const int err = ::memfd_create("stderr", 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(err, STDERR_FILENO);
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t space = static_cast<rlim_t>(pages) * ::sysconf(_SC_PAGESIZE) + limit;
        const rlimit limits{space, space};
        ::setrlimit(RLIMIT_AS, &limits);
        ::_exit(runCatching("kalderino-shot", openAndFinish, 0, nullptr));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string said = readFile("/proc/self/fd/" + std::to_string(err));
    ::close(err);
    const bool clean = WIFEXITED(status) && WEXITSTATUS(status) == (said.empty() ? 0 : 1);
    return clean ? said : said + "(ended with status " + std::to_string(status) + ")";
}

}  // namespace

TEST(MemoryShortageTest, EachLineNamesTheFileAndWhatWasBeingMade) {
    const TestFolder folder;
    // Triangles that share no corner, so that each has three points, each needing a normal.
    const std::uint32_t count = 20000;
    for (const std::string& name : kFiles) {
        std::ofstream file(name, std::ios::binary);
        file << std::string(80, '\0');
        file.write(reinterpret_cast<const char*>(&count), 4);
        for (std::uint32_t t = 0; t < count; ++t) {
            const float x = float(t % 200) * 3, y = float(t / 200) * 3;
            const float record[12] = {0, 0, 1, x, y, 0, x + 1, y, 0, x, y + 1, 0};
            file.write(reinterpret_cast<const char*>(record), sizeof record);
            file.write("\0\0", 2);
        }
    }
    bool normals = false, succeeded = false;
    for (std::size_t limit = 0; limit <= std::size_t{64} << 20 && !succeeded;
         limit += std::size_t{1} << 18) {
        const std::string said = runWithin(limit);
        SCOPED_TRACE(std::to_string(limit >> 10) + " KiB: " + said);
        succeeded = said.empty();
        normals = normals || said.find(": not enough memory for the normals of 60,000 points") !=
                                 std::string::npos;
        EXPECT_TRUE(succeeded ||
                    std::regex_match(said, std::regex("p[0-4]\\.stl: not enough memory for .*\n")));
    }
    EXPECT_TRUE(succeeded);
    EXPECT_TRUE(normals);
}

}  // namespace kalderino
