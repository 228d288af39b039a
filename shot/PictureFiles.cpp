// PictureFiles: temporary files and their renaming.
#include "shot/PictureFiles.h"

#include "io/Diagnostic.h"
#include "io/PngFile.h"

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
    if (!pictures.empty() && !pictures.back().file->park()) {
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
    pictures.push_back({path, std::move(file)});
    return true;
}

bool PictureFiles::commit() {
    // No signal ends the run between the first picture put in place and the last.
    const EndingSignalsHeld held;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        // Pictures are quick to make again: put in place without waiting for the disk.
        if (!pictures[i].file->commitKeepingOld(pictures[i].path)) {
            reportFailure(pictures[i].path, std::strerror(errno));
            // The pictures already in place go, and what they replaced comes back; the rest
            // go with their temporary files.
            for (std::size_t j = i; j-- > 0;) pictures[j].file->undo();
            return false;
        }
    }
    for (const Picture& picture : pictures) {
        picture.file->keepNew();
        if (!picture.file->stream()) std::printf("%s\n", picture.path.c_str());
    }
    return true;
}

}  // namespace kalderino
