// DataFileWriter: writes meshes as the viewer's data file, for the importer and the generator.
//
// The file is written whole to a temporary file beside the target and then renamed over it, so
// an interrupted run leaves any old file as it was. Failures get one line on the diagnostics
// stream, "PATH: reason", and write() returns false with no file left behind:
// - the target exists and overwriting is off: "already exists";
// - the folder cannot take the temporary file, or writing or renaming fails: the system's reason.
#pragma once

#include "mesh/TriangleMesh.h"

#include <cstdio>
#include <string>
#include <vector>

namespace kalderino {

// Coordinates in the shortest plain decimal text that reads back as the same float.
constexpr int kShortest = -1;

class DataFileWriter {
public:
    // Writes meshes to path. Returns false after a diagnostic.
    bool write(const std::string& path, const std::vector<TriangleMesh>& meshes);

    bool overwrite = false;    // replace an existing file at path
    int decimals = kShortest;  // digits after the full stop of every coordinate
    std::FILE* diagnostics = stderr;
    // Shows the writing progress of big scenes on the diagnostics stream (for terminals only).
    bool showProgress = false;
};

// The data file's text, as write() writes it.
std::string dataFileText(const std::vector<TriangleMesh>& meshes, int decimals = kShortest);

}  // namespace kalderino
