// Tests of the library reader's two sides. Its sandbox: each row enters it in a process of its
// own, in a fresh folder, tries one thing, and ends as the kernel lets it. And the result it sends
// back, row by row: nothing of a malformed result is kept, and nothing is allocated for a count
// the bytes cannot hold.
#include "import/LibraryResult.h"
#include "import/library/Sandbox.h"
#include "tests/TestFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <string>
#include <sys/mman.h>
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

// A result file holding the bytes written by the reader's side, then rest.
int resultFile(const std::vector<TriangleMesh>& meshes, const std::string& rest = "",
               LibraryResult::Outcome outcome = LibraryResult::Outcome::meshes) {
    const int fd = ::memfd_create("result", 0);
    EXPECT_TRUE(LibraryResult::begin(fd));
    for (const TriangleMesh& mesh : meshes) EXPECT_TRUE(LibraryResult::writeMesh(fd, mesh));
    EXPECT_EQ(::write(fd, rest.data(), rest.size()), static_cast<ssize_t>(rest.size()));
    LibraryResult::end(fd, outcome, 0, 0);
    return fd;
}

TriangleMesh triangle() { return {"tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, {}, {}}; }

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

TEST(LibraryResultTest, KeepsWellFormedMeshesAndRefusesAnythingElse) {
    TriangleMesh far = triangle(), nan = triangle(), spaced = triangle(), long32 = triangle();
    far.triangles[0][2] = 3;
    nan.points[1][1] = std::nanf("");
    spaced.name = "a b";
    long32.name = std::string(32, 'n');
    // Counts announcing 2^31 - 1 points and triangles in a few bytes.
    std::string bomb(40, '\0');
    const std::uint64_t huge = 0x7FFFFFFF;
    bomb[0] = 1;
    std::memcpy(&bomb[8], &huge, 8);
    std::memcpy(&bomb[16], &huge, 8);
    bomb += std::string(8, 'm');
    using Outcome = LibraryResult::Outcome;
    const struct {
        std::vector<TriangleMesh> meshes;
        std::string rest;
        Outcome outcome;
        const char* malformed;  // "": well formed
    } rows[] = {
        {{triangle(), triangle()}, "", Outcome::meshes, ""},
        {{far}, "", Outcome::meshes, "a triangle using a point the mesh does not have"},
        {{nan}, "", Outcome::meshes, "a point that is not a finite number"},
        {{spaced}, "", Outcome::meshes, "a mesh name the data file cannot hold"},
        {{long32}, "", Outcome::meshes, "mesh counts out of range"},  // a name of 32 bytes
        {{triangle()}, bomb, Outcome::meshes, "a mesh announcing more than the 48 bytes left hold"},
        {{}, "abc", Outcome::meshes, "a mesh cut short"},
        {{}, "a\nb\n", Outcome::failed, "a message that is not one line"},
        {{}, "", static_cast<Outcome>(9), "an unknown outcome 9"},
    };
    for (const auto& row : rows) {
        LibraryResult result;
        const int file = resultFile(row.meshes, row.rest, row.outcome);
        EXPECT_EQ(result.read(file), *row.malformed == '\0') << row.malformed;
        ::close(file);
        EXPECT_EQ(result.malformed, row.malformed) << row.malformed;
        ASSERT_EQ(result.meshes.size(), *row.malformed == '\0' ? row.meshes.size() : 0);
        for (const TriangleMesh& mesh : result.meshes)
            EXPECT_TRUE(mesh.points == triangle().points && mesh.triangles == triangle().triangles);
    }
}

}  // namespace kalderino
