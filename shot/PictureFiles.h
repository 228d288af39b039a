// PictureFiles: the PNG pictures of one run, kept as temporary files beside their names until
// the run has succeeded, so that a failed run leaves every file as it found it: pictures it
// created are removed and files they replaced are put back. A picture whose name is a device,
// FIFO or /dev/stdout is written into it as a stream when it is made, and not named on stdout.
// At most one picture holds an open file at a time, however many the run makes.
#pragma once

#include "io/file/TemporaryFile.h"

#include <memory>
#include <string>
#include <vector>

namespace kalderino {

class PictureFiles {
public:
    // What was not committed is removed on the way out, as it is by a signal that ends the run.
    PictureFiles() = default;
    PictureFiles(const PictureFiles&) = delete;
    PictureFiles& operator=(const PictureFiles&) = delete;

    // Whether a file can be created beside path, tried with a temporary file at once removed,
    // and path is no input; so that a run that cannot write is refused before its work.
    bool canWrite(const std::string& path) const;

    std::vector<std::string> inputs;  // the files drawn, which no picture may overwrite
    bool alpha = false;               // RGBA pictures, transparent where nothing is drawn

    // Writes rgba (4 bytes a pixel, bottom row first) as an RGB PNG (RGBA with alpha) in a
    // temporary file beside path, to be renamed to path by commit.
    bool add(const std::string& path, const std::vector<unsigned char>& rgba, int width,
             int height);
    // Puts every picture in place and writes its path on stdout; on failure puts every file back
    // as it was.
    bool commit();

private:
    struct Picture {
        std::string path;
        std::unique_ptr<TemporaryFile> file;
        // Once in place: the file the picture replaced, under a second name until the run is
        // done, or whether the picture was created where no file was.
        std::string kept;
        bool created = false;
    };

    bool isInput(const std::string& path) const;
    // Puts the picture in its place, keeping a file it replaces; takeBack() puts that file back
    // (or removes the picture it created). With the ending signals held meanwhile
    // (EndingSignalsHeld), the old file is never lost.
    static bool putInPlace(Picture& picture);
    static void takeBack(Picture& picture);

    std::vector<Picture> pictures;
};

}  // namespace kalderino
