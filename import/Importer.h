// Importer: reads model files into plain triangle meshes: OBJ, PLY, STL and OFF with the readers
// here, chosen by the file's extension in any case, and every other format through the Open
// Asset Import Library (LibraryReader).
//
// Every reader cuts polygons into triangles the same way, drops points and lines, welds points
// at the same position whatever their normals, colours or texture coordinates (the viewer
// smooths over shared points only), and numbers points in the order the triangles first use
// them. Bad input gets one line on the diagnostics stream, from the reader ("FILE:LINE: ..." or
// "FILE: ..."), and read() returns false with nothing added; a file that holds no triangles
// (only points or lines, or nothing) gets "FILE: holds no triangles".
#pragma once

#include "mesh/TriangleMesh.h"

#include <cstdio>
#include <string>
#include <vector>

namespace kalderino {

class Importer {
public:
    // Which reader a file goes to, by its extension in any case: one of ours, the library, or
    // none, when the library knows no format of that extension.
    enum class Reader { own, library, none };
    static Reader readerOf(const std::string& path);

    // Appends the meshes of the file at path to meshes. Returns false after a diagnostic.
    bool read(const std::string& path, std::vector<TriangleMesh>& meshes);

    std::FILE* diagnostics = stderr;
    // Shows the library's reading progress of big files on the diagnostics stream.
    bool showProgress = false;
    // The format's extension ("obj", "gltf" ...) for every file, in place of each name's own;
    // a file that is not a regular file and has no extension needs it.
    std::string format;
    // Reads every format through the library, as the tests' reference does.
    bool throughLibrary = false;
    // Whether formats other than OBJ, PLY, STL and OFF go to the library at all; when not, such
    // a file is refused with "FILE: only OBJ, PLY, STL and OFF files are read here".
    bool libraryAllowed = true;
};

}  // namespace kalderino
