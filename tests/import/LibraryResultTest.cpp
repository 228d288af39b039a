// Tests of LibraryResult: what a reader the model took over could send, row by row; nothing of a
// malformed result is kept, and nothing is allocated for a count the bytes cannot hold.
#include "import/LibraryResult.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace kalderino {

namespace {

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

TEST(LibraryResultTest, KeepsWellFormedMeshesAndRefusesAnythingElse) {
    LibraryResult good;
    const int fd = resultFile({triangle(), triangle()});
    ASSERT_TRUE(good.read(fd)) << good.malformed;
    ::close(fd);
    ASSERT_EQ(good.meshes.size(), 2u);
    EXPECT_EQ(good.meshes[1].points, triangle().points);
    EXPECT_EQ(good.meshes[1].triangles, triangle().triangles);

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
    const TriangleMesh none{};  // no mesh at all
    using Outcome = LibraryResult::Outcome;
    const struct {
        TriangleMesh mesh;
        std::string rest;
        Outcome outcome;
        const char* malformed;
    } rows[] = {
        {far, "", Outcome::meshes, "a triangle using a point the mesh does not have"},
        {nan, "", Outcome::meshes, "a point that is not a finite number"},
        {spaced, "", Outcome::meshes, "a mesh name the data file cannot hold"},
        {long32, "", Outcome::meshes, "mesh counts out of range"},  // a name of 32 bytes
        {triangle(), bomb, Outcome::meshes, "a mesh announcing more than the 48 bytes left hold"},
        {none, "abc", Outcome::meshes, "a mesh cut short"},
        {none, "a\nb\n", Outcome::failed, "a message that is not one line"},
        {none, "", static_cast<Outcome>(9), "an unknown outcome 9"},
    };
    for (const auto& row : rows) {
        LibraryResult result;
        const int file = resultFile(row.mesh.points.empty() ? std::vector<TriangleMesh>{}
                                                            : std::vector{row.mesh},
                                    row.rest, row.outcome);
        EXPECT_FALSE(result.read(file)) << row.malformed;
        ::close(file);
        EXPECT_EQ(result.malformed, row.malformed) << row.malformed;
        EXPECT_TRUE(result.meshes.empty()) << row.malformed;
    }
}

}  // namespace kalderino
