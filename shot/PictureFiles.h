// PictureFiles: the PNG pictures of one run, kept as temporary files beside their names until
// the run has succeeded, so that a failed run leaves none behind.
#pragma once

#include "io/TemporaryFile.h"

#include <memory>
#include <string>
#include <vector>

class PictureFiles {
public:
    // What was not committed is removed on the way out, as it is by a signal that ends the run.
    PictureFiles() = default;
    PictureFiles(const PictureFiles&) = delete;
    PictureFiles& operator=(const PictureFiles&) = delete;

    // Whether a file can be created beside path, tried with a temporary file at once removed;
    // so that a run that cannot write is refused before its work.
    static bool canWrite(const std::string& path);

    // Writes rgba (4 bytes a pixel, bottom row first) as an RGB PNG in a temporary file beside
    // path, to be renamed to path by commit.
    bool add(const std::string& path, const std::vector<unsigned char>& rgba, int width,
             int height);
    // Renames every picture into place and writes its path on stdout; on failure removes them.
    bool commit();

private:
    struct Picture {
        std::string path;
        std::unique_ptr<TemporaryFile> file;
    };
    std::vector<Picture> pictures;
};
