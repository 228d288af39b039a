// PictureFiles: temporary files and their renaming.
#include "shot/PictureFiles.h"

#include "io/PngFile.h"
#include "io/file/Diagnostic.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace kalderino {

namespace {

void reportFailure(const std::string& path, const std::string& reason) {
    reportError(stderr, path, 0, "cannot write: " + reason);
}

}  // namespace

bool PictureFiles::isInput(const std::string& path) const {
    for (const std::string& input : inputs) {
        if (!TemporaryFile::sameFile(path, input)) continue;
        reportError(stderr, path, 0, "is a file being drawn; refusing to write a picture over it");
        return true;
    }
    return false;
}

bool PictureFiles::canWrite(const std::string& path) const {
    if (isInput(path)) return false;
    if (TemporaryFile::isStream(path)) return true;  // opened when written: a FIFO waits
    const TemporaryFile probe(path);
    if (probe.descriptor() >= 0) return true;
    reportFailure(path, std::strerror(errno));
    return false;
}

bool PictureFiles::add(const std::string& path, const std::vector<unsigned char>& rgba, int width,
                       int height) {
    if (rgba.size() < 4 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        reportError(stderr, path, 0,
                    "not enough memory for a " + std::to_string(width) + " x " +
                        std::to_string(height) + " picture");
        return false;
    }
    if (isInput(path)) return false;
    // The picture before gives up its descriptor: open files stay flat however many pictures.
    if (!pictures.empty() && !pictures.back().file->closeUntilCommit()) {
        reportFailure(pictures.back().path, std::strerror(errno));
        return false;
    }
    auto file = std::make_unique<TemporaryFile>(path);
    if (file->descriptor() < 0) {
        reportFailure(path, std::strerror(errno));
        return false;
    }
    std::string reason;
    if (!writePng(*file, rgba.data(), width, height, alpha, reason)) {
        reportFailure(path, reason);
        return false;
    }
    pictures.push_back({path, std::move(file), "", false});
    return true;
}

bool PictureFiles::commit() {
    // No signal ends the run between the first picture put in place and the last.
    const EndingSignalsHeld held;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        // Pictures are quick to make again: put in place without waiting for the disk.
        if (!putInPlace(pictures[i])) {
            reportFailure(pictures[i].path, std::strerror(errno));
            // The pictures already in place go, and what they replaced comes back; the rest
            // go with their temporary files.
            for (std::size_t j = i; j-- > 0;) takeBack(pictures[j]);
            return false;
        }
    }
    for (const Picture& picture : pictures) {
        if (!picture.kept.empty()) ::unlink(picture.kept.c_str());
        if (!picture.file->stream()) std::printf("%s\n", picture.path.c_str());
    }
    return true;
}

bool PictureFiles::putInPlace(Picture& picture) {
    TemporaryFile& file = *picture.file;
    if (file.stream()) return true;  // written in place already
    if (file.commit(picture.path, false, false)) return picture.created = true;
    if (errno != EEXIST) return false;
    // The old file keeps a second name until the run has succeeded. A file system without hard
    // links, or an old "file" that is a folder, has none: the rename then decides.
    picture.kept = TemporaryFile::secondName(picture.path);
    if (file.commit(picture.path, true, false)) return true;
    const int error = errno;
    if (!picture.kept.empty()) ::unlink(picture.kept.c_str());
    picture.kept.clear();
    errno = error;
    return false;
}

void PictureFiles::takeBack(Picture& picture) {
    if (picture.created) {
        ::unlink(picture.path.c_str());
    } else if (!picture.kept.empty()) {
        ::rename(picture.kept.c_str(), picture.path.c_str());
    }
    picture.kept.clear();
}

}  // namespace kalderino
