// Tests of the library reader's sandbox: each row enters it in a process of its own, in a fresh
// folder, tries one thing, and ends as the kernel lets it.
#include "import/library/Sandbox.h"

#include "tests/TestFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kalderino {

namespace {

// 0 when open gives a descriptor; 1 when refused with EACCES, as Landlock refuses; 2 otherwise.
int opened(const char* path, int flags) {
    const int fd = ::open(path, flags, 0644);
    return fd >= 0 ? 0 : errno == EACCES ? 1 : 2;
}

}  // namespace

TEST(SandboxTest, ReadsOnlyBelowItsFolderAndNeitherNetworksNorRunsProgramsNorRaisesLimits) {
    TestFolder folder;
    const std::string outside = folder.path.string() + "-outside";
    std::ofstream(outside) << "x";
    std::filesystem::create_directory("sub");
    std::ofstream("sub/in.txt") << "x";
    const bool landlock = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, 1U) >= 1;
    const struct {
        const char* name;
        std::function<int()> attempt;
        int end;  // the exit status, or minus the signal that ends the process
        bool needsLandlock;
    } rows[] = {
        {"reads a file below its folder", [] { return opened("sub/in.txt", O_RDONLY); }, 0, false},
        {"lists its folder", [] { return opened(".", O_RDONLY | O_DIRECTORY); }, 0, false},
        {"reads no file outside it", [&] { return opened(outside.c_str(), O_RDONLY); }, 1, true},
        {"lists no folder above it", [] { return opened("..", O_RDONLY | O_DIRECTORY); }, 1, true},
        {"writes no file in its folder", [] { return opened("sub/in.txt", O_WRONLY); }, 1, true},
        {"creates no file in it", [] { return opened("new.txt", O_WRONLY | O_CREAT); }, 1, true},
        {"makes no IP socket", [] { return ::socket(AF_INET, SOCK_STREAM, 0); }, -SIGSYS, false},
        {"runs no program", [] { return ::execl("/bin/true", "true", nullptr); }, -SIGSYS, false},
        {"starts no process", [] { return static_cast<int>(::fork()); }, -SIGSYS, false},
        {"signals no other process", [] { return ::kill(::getppid(), 0); }, -SIGSYS, false},
        {"raises no hard limit, root or not",
         [] {
             rlimit space{};
             ::getrlimit(RLIMIT_AS, &space);
             space.rlim_max = space.rlim_cur =
                 space.rlim_max == RLIM_INFINITY ? RLIM_INFINITY - 1 : space.rlim_max;
             ::setrlimit(RLIMIT_AS, &space);
             space.rlim_max = space.rlim_cur = RLIM_INFINITY;
             return ::setrlimit(RLIMIT_AS, &space) == 0 ? 2 : errno == EPERM ? 1 : 3;
         },
         1, false},
    };
    for (const auto& row : rows) {
        if (row.needsLandlock && !landlock) {
            std::printf("skipped \"%s\": this kernel has no Landlock\n", row.name);
            continue;
        }
        const auto inside = [&] {
            Sandbox sandbox;
            if (!sandbox.enter(folder.path.string())) ::_exit(9);
            ::_exit(row.attempt());
        };
        if (row.end < 0)
            EXPECT_EXIT(inside(), testing::KilledBySignal(-row.end), "") << row.name;
        else
            EXPECT_EXIT(inside(), testing::ExitedWithCode(row.end), "") << row.name;
    }
    std::filesystem::remove(outside);
}

}  // namespace kalderino
