// Importer: reads model files (OBJ, PLY, STL, OFF, glTF ...) into plain triangle meshes.
//
// Every mesh of a file becomes one ImportedMesh, placed where the file's node hierarchy puts it
// (a mesh that several nodes use appears once for each). Polygons are cut into triangles, points
// and lines are dropped, and corners at the same position are welded into one point whatever
// their normals, colours or texture coordinates, since the viewer smooths over shared points only.
// Bad input gets one line on the diagnostics stream, "FILE: reason", and read() returns false
// with nothing added:
// - a file that cannot be opened, or a directory: the system's reason;
// - a format the library does not know, or a file it cannot parse: the library's reason;
// - a file that holds no triangles (only points or lines, or nothing): "holds no triangles";
// - a point that is not a finite number (nan or infinite): "not a finite number";
// - a mesh with more points or triangles than the data file's 32-bit counts: "too large".
#pragma once

#include "import/ImportedMesh.h"

#include <cstdio>
#include <string>
#include <vector>

class Importer {
public:
    // Appends the meshes of the file at path to meshes. Returns false after a diagnostic.
    bool read(const std::string& path, std::vector<ImportedMesh>& meshes);

    std::FILE* diagnostics = stderr;
    // Shows the reading progress of big files on the diagnostics stream (for terminals only).
    bool showProgress = false;
};

// The name a mesh gets in the data file: its own name, else the file's name without directory
// and extension, else "mesh"; white space and control characters become '_'; at most 31 bytes,
// never cutting a UTF-8 sequence in two.
std::string meshName(const std::string& ownName, const std::string& path);
