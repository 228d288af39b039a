// MeshLoader: reads the viewer's mesh data file into meshes and reports its progress.
// Part of io/: the data file both ways, and the toolkit of the readers of text formats; files
// themselves are io/file/'s.
//
// The file is a run of white-space separated tokens: the mesh count, then per mesh its name,
// point count, x y z per point, triangle count, and three 1-based point indices per triangle.
// Input outside that format gets one diagnostic line on the diagnostics stream, in the shape
// "FILE:LINE: message", FILE being dataTest3.dat or the path given to loadFile; after an error
// read() and the loads return false and keep no mesh (meshCount 0, meshes null), while the report
// lines already written stay.
// - missing or unreadable file, or a directory: "cannot open" (or "cannot read") with the
//   system's reason, and no line number;
// - a token that is not a plain decimal integer (optional sign, digits, 32-bit range) or a plain
//   decimal number (no hex, inf or nan, finite as a float), or one with trailing junk: error
//   naming the item expected and quoting the token; a leading '+' is accepted;
// - the file ends before the announced items: error naming the first missing item;
// - a triangle index below 1 or above the mesh's point count: error with the valid range;
// - a name longer than 31 characters: cut to 31, one warning line, loading goes on;
// - a count larger than what is left of the file could hold: error before anything is allocated;
// - memory that cannot be had for a count the file holds: error;
// - counts below 1: stored and printed as read, with no entries;
// - anything after the announced meshes: ignored;
// - a file that shrinks while it is read: "FILE: changed while being read" in place of whatever
//   would be said about what is past the cut, and no mesh is kept.
#pragma once

#include <cstddef>
#include <cstdio>

namespace kalderino {

class FileContents;
class Mesh;

class MeshLoader {
public:
    static constexpr const char* kFileName = "dataTest3.dat";

    MeshLoader() = default;
    virtual ~MeshLoader() = default;  // the meshes belong to whoever they are handed to
    MeshLoader(const MeshLoader&) = delete;
    MeshLoader& operator=(const MeshLoader&) = delete;

    // Reads kFileName from the working directory. Returns false after a diagnostic.
    bool load() { return loadFile(kFileName); }
    // Reads the file at path, which messages then name. Returns false after a diagnostic.
    bool loadFile(const char* path);
    // Reads the file's contents from memory; messages name fileName. Runs once.
    bool read(const char* data, std::size_t size) { return read(data, size, nullptr); }
    // The same from a loaded file, which may shrink while it is read.
    bool read(const FileContents& file);

    int meshCount = 0;        // as announced by the file, even when below 1
    Mesh** meshes = nullptr;  // meshCount entries when meshCount > 0; not owned after load

    std::FILE* report = stdout;        // the progress lines; none when null
    std::FILE* diagnostics = stderr;   // errors and warnings
    const char* fileName = kFileName;  // the file messages name; not owned

private:
    bool read(const char* data, std::size_t size, const FileContents* source);
    void discardMeshes();  // after an error: no mesh is kept
};

}  // namespace kalderino
