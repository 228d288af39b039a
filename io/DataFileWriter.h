// DataFileWriter: writes meshes as the viewer's data file, for the importer and the generator.
// Part of io/: the data file both ways, and the toolkit of the readers of text formats; files
// themselves are io/file/'s.
//
// The file is written whole to a temporary file beside the target and then renamed over it, so
// an interrupted run leaves any old file as it was. Failures get one line on the diagnostics
// stream, "PATH: reason", and write() returns false with no file left behind:
// - the target exists and overwriting is off: "already exists", and the hint, if any, of how to
//   have it replaced;
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
    // Whether write() may write path as it is now: false after the "already exists" line when
    // path is a file and overwriting is off, so that a program can refuse before its work.
    bool canWrite(const std::string& path) const;

    bool overwrite = false;  // replace an existing file at path
    // Said after "already exists": how the program's user has the file replaced.
    std::string existsHint;
    int decimals = kShortest;  // digits after the full stop of every coordinate
    std::FILE* diagnostics = stderr;
    // Shows the writing progress of big scenes on the diagnostics stream (for terminals only).
    bool showProgress = false;

private:
    std::string exists() const {
        return "already exists" + (existsHint.empty() ? "" : "; " + existsHint);
    }
};

// The data file's text, as write() writes it.
std::string dataFileText(const std::vector<TriangleMesh>& meshes, int decimals = kShortest);

}  // namespace kalderino
