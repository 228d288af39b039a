// LibraryReader: every model format through the Open Asset Import Library (glTF, FBX, COLLADA,
// 3DS ...), and the reference the tests hold the readers here against. The library runs in a
// process of its own, the library's reader (kalderino-library-reader, import/library/), which
// this program starts for each file, in a sandbox, within limits:
// - memory: an address space of kBaseMemory and kMemoryPerByte bytes for each byte of the model,
//   raised by the reader as it opens each file the model refers to, by as much for each of its
//   bytes, up to kMaxMemory (and never past this program's own hard limit);
// - time: kBaseSeconds of processor time and one more for each MiB of the model, and twice as
//   many seconds of the clock and ten more, after which it is killed; KALDERINO_READ_SECONDS in the
//   environment may lower the processor time (not raise it);
// - a stack of kStack bytes, for the library's recursion over deeply nested files;
// - files: the model's own folder and below, read only, regular files only (ConfinedFiles,
//   Landlock); no network, no other program (seccomp; import/library/Sandbox.h).
// The model file is opened and read here, once, whatever it is (a FIFO has no second reading), and
// handed over as a descriptor (a regular file) or a memory file holding it (a stream, up to
// FileContents::kMaxStreamBytes). The meshes come back in a memory file (LibraryResult), checked
// here before anything is made of them. Bad input gets one line, "FILE: reason":
// - a file that cannot be opened, or a directory: "cannot open: " and the system's reason;
// - what the reader says (SceneReader): the library's reason, a refused file name, a point that
//   is not finite, a mesh too large;
// - a reader that needs more memory or time than it gets: "cannot read within the library
//   reader's memory limit of N MiB (...)" or "... time limit of N s ...";
// - a node hierarchy nested deeper than the stack holds: "nests its nodes too deep for the
//   library's 1024 MiB stack";
// - a file that shrinks meanwhile: "changed while being read";
// - a reader that dies otherwise, is stopped by its sandbox, cannot be started, or sends what
//   is not a result: what happened to it.
#pragma once

#include "import/ModelReader.h"

#include <cstdint>

namespace kalderino {

class LibraryResult;

class LibraryReader : public ModelReader {
public:
    // From memory, with the path's extension as the format's hint; the model may refer to no
    // other file (a glTF's buffers need readFile()).
    bool read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) override;
    bool readFile(const std::string& path, std::vector<TriangleMesh>& meshes) override;

    // Whether the library reads files of this extension (without the dot, in any case).
    static bool readsExtension(const std::string& extension);

    static constexpr std::uint64_t kBaseMemory = std::uint64_t{192} << 20;
    static constexpr std::uint64_t kMemoryPerByte = 64;
    static constexpr std::uint64_t kMaxMemory = std::uint64_t{16} << 30;
    static constexpr std::uint64_t kStack = std::uint64_t{1} << 30;
    static constexpr unsigned kBaseSeconds = 60;
    // The address space for a model of bytes bytes, before the files it refers to.
    static std::uint64_t memoryFor(std::uint64_t bytes);

    // The format's extension (as "gltf"), for a file whose name has none, such as /dev/stdin;
    // the base name's extension when empty.
    std::string format;
    // Shows the reading progress of big files on the diagnostics stream (for terminals only).
    bool showProgress = false;

private:
    // Reads the model in fd (size bytes) in the library's reader; folder is where the files it
    // refers to may be, or empty for none.
    bool readInReader(int fd, std::uint64_t size, const std::string& folder,
                      std::vector<TriangleMesh>& meshes);
    // What the reader's wait status and result come to (its processor time was seconds).
    bool judge(int status, unsigned seconds, LibraryResult& found, bool wellFormed,
               const std::string& reader, std::vector<TriangleMesh>& meshes);
};

}  // namespace kalderino
