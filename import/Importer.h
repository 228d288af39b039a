// Importer: reads model files into plain triangle meshes, each with the reader its row of the
// table of formats (import/Formats.h) names: the project's own, or the Open Asset Import Library
// (LibraryReader).
//
// Every reader cuts polygons into triangles the same way, drops points and lines, welds points
// at the same position whatever their normals or texture coordinates (the viewer smooths over
// shared points only) but never points of different colours, which keep theirs (a seam of
// colours is a seam of shading too), and numbers points in the order the triangles first use
// them. A file with points but no triangles (a point cloud) gives one mesh of its points alone,
// with no triangles, when pointClouds is set. Bad input gets one line on the diagnostics stream,
// from the reader ("FILE:LINE: ..." or "FILE: ..."), and read() returns false with nothing added;
// a file that holds no points gets "FILE: holds no triangles", and a point cloud, unless
// pointClouds, "FILE: holds N points and no triangles; a data file holds triangles only".
#pragma once

#include "import/Formats.h"
#include "mesh/TriangleMesh.h"

#include <cstdio>
#include <string>
#include <vector>

namespace kalderino {

class Importer {
public:
    // The format of the file at path, by its name: its row of the table, the library's others
    // when only the library knows the extension, or null for a file of no model format.
    static const Format* formatOf(const std::string& path);

    // Appends the meshes of the file at path, of the given format, to meshes. Returns false
    // after a diagnostic.
    bool read(const std::string& path, const Format& format, std::vector<TriangleMesh>& meshes);
    // The same, the format told by the name of the file (or by format, when set); a file of no
    // row's extension goes to the library, which says why it cannot read it.
    bool read(const std::string& path, std::vector<TriangleMesh>& meshes);

    std::FILE* diagnostics = stderr;
    // Shows the library's reading progress of big files on the diagnostics stream.
    bool showProgress = false;
    // The format's extension ("obj", "gltf" ...) for every file, in place of each name's own;
    // a file that is not a regular file and has no extension needs it.
    std::string format;
    // Keeps the points of a file that has no triangles, as a mesh of points alone; and the
    // colours of the own readers' formats.
    bool pointClouds = false;
    bool colours = false;
    // Reads every format through the library, as the tests' reference does.
    bool throughLibrary = false;
    // Only the formats the table allows for thumbnails are read; any other file is refused with
    // "FILE: " and thumbnailRefusal().
    bool thumbnailsOnly = false;
    // Said after the refusal of a file that is not a regular file and whose name has no
    // extension: how the program's user names its format.
    std::string formatHint;
};

}  // namespace kalderino
