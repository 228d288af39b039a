// PictureFiles: PNG writing through libpng, temporary files and their renaming.
#include "shot/PictureFiles.h"

#include "io/file/Diagnostic.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

namespace kalderino {

namespace {

void reportFailure(const std::string& path, const std::string& reason) {
    reportError(stderr, path, 0, "cannot write: " + reason);
}

struct PngFailure {
    std::jmp_buf jump;
    char message[200] = "";
};

void onPngError(png_structp png, png_const_charp message) {
    auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
    std::snprintf(failure->message, sizeof failure->message, "%s", message);
    std::longjmp(failure->jump, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

void onPngWrite(png_structp png, png_bytep data, png_size_t size) {
    auto* file = static_cast<TemporaryFile*>(png_get_io_ptr(png));
    if (!file->writeAll(reinterpret_cast<const char*>(data), size))
        png_error(png, std::strerror(errno));
}

void onPngFlush(png_structp) {}

// Returns null on success, else the reason. Kept free of C++ objects with destructors, which
// libpng's longjmp would skip.
const char* writePng(TemporaryFile& file, const unsigned char* rgba, int width, int height,
                     png_bytep* rows, PngFailure& failure) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, onPngError, onPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return "out of memory";
    }
    if (setjmp(failure.jump) != 0) {
        png_destroy_write_struct(&png, &info);
        return failure.message;
    }
    png_set_write_fn(png, &file, onPngWrite, onPngFlush);
    // Pictures of shaded meshes on black: each row is much like the one above, so the "up"
    // filter alone with zlib's fastest level gave files smaller than libpng's choice of filter
    // per row at a third less processor time.
    png_set_compression_level(png, Z_BEST_SPEED);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_filler(png, 0, PNG_FILLER_AFTER);  // drops the alpha byte of each pixel
    for (int y = 0; y < height; ++y)           // OpenGL's rows run bottom up, PNG's top down
        rows[y] = const_cast<png_bytep>(rgba + 4 * static_cast<std::size_t>(width) *
                                                   static_cast<std::size_t>(height - 1 - y));
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return nullptr;
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
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    PngFailure failure;
    const char* reason = writePng(*file, rgba.data(), width, height, rows.data(), failure);
    if (reason != nullptr) {
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
