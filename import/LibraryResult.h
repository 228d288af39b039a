// LibraryResult: what the library's reader (a process of its own) hands back to the program that
// started it, in a memory file the program made: a header saying how the reading ended, then the
// meshes, or the line that says why there are none.
//
// The program trusts none of it: a reader that the file took over could write anything. Every
// count is checked against the bytes left before anything is allocated for it, every name is
// one the data file can hold, every index names a point, and every number is finite; anything
// else is "malformed" and gives no mesh.
#pragma once

#include "mesh/TriangleMesh.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kalderino {

class LibraryResult {
public:
    // How the reading ended. unfinished is what the header holds until the reader rewrites it:
    // a reader killed or crashed leaves it.
    enum class Outcome : std::uint32_t {
        unfinished = 0,
        meshes = 1,       // the meshes follow
        failed = 2,       // the line the reader said follows
        outOfMemory = 3,  // value: the address space the reader had, in bytes
        tooDeep = 4,      // value: the stack the reader had, in bytes
    };
    static constexpr std::uint32_t kNoLandlock = 1;  // flags: the kernel has no Landlock

    // The reader's side, writing at fd's offset; false when the file cannot be written.
    static bool begin(int fd);  // the header of an unfinished reading
    static bool writeMesh(int fd, const TriangleMesh& mesh);
    static bool writeText(int fd, const std::string& text);
    // Rewrites the header in place; async-signal-safe, for a reader that runs out of memory or
    // stack.
    static void end(int fd, Outcome outcome, std::uint64_t value, std::uint32_t flags);

    // The program's side: reads the result in fd. False, with malformed saying what is wrong,
    // when the bytes are not a result; then meshes is empty.
    bool read(int fd);

    Outcome outcome = Outcome::unfinished;
    std::uint32_t flags = 0;
    std::uint64_t value = 0;
    std::string text;  // the reader's line, for failed
    std::vector<TriangleMesh> meshes;
    std::string malformed;

private:
    bool parseMeshes(const unsigned char* data, std::size_t size);
};

}  // namespace kalderino
