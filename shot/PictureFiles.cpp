// PictureFiles: PNG writing through libpng, temporary files and their renaming.
#include "shot/PictureFiles.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

void reportError(const std::string& path, const char* reason) {
    std::fprintf(stderr, "%s: cannot write: %s\n", path.c_str(), reason);
}

// A new file beside path, with the permissions a new file gets; its name in temporary.
std::FILE* createTemporary(const std::string& path, std::string& temporary) {
    temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return nullptr;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        ::close(fd);
        ::unlink(temporary.c_str());
    }
    return file;
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

// Returns null on success, else the reason. Kept free of C++ objects with destructors, which
// libpng's longjmp would skip.
const char* writePng(std::FILE* file, const unsigned char* rgba, int width, int height,
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
    png_init_io(png, file);
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

PictureFiles::~PictureFiles() {
    if (!committed)
        for (const Picture& picture : pictures) ::unlink(picture.temporary.c_str());
}

bool PictureFiles::canWrite(const std::string& path) {
    std::string temporary;
    std::FILE* file = createTemporary(path, temporary);
    if (file == nullptr) {
        reportError(path, std::strerror(errno));
        return false;
    }
    std::fclose(file);
    ::unlink(temporary.c_str());
    return true;
}

bool PictureFiles::add(const std::string& path, const std::vector<unsigned char>& rgba, int width,
                       int height) {
    Picture picture{path, ""};
    std::FILE* file = createTemporary(path, picture.temporary);
    if (file == nullptr) {
        reportError(path, std::strerror(errno));
        return false;
    }
    pictures.push_back(picture);
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    PngFailure failure;
    const char* reason = writePng(file, rgba.data(), width, height, rows.data(), failure);
    const bool flushed = std::fflush(file) == 0 && std::ferror(file) == 0;
    const int flushError = errno;
    if (std::fclose(file) != 0 || !flushed || reason != nullptr) {
        reportError(path, reason != nullptr ? reason : std::strerror(flushed ? errno : flushError));
        return false;
    }
    return true;
}

bool PictureFiles::commit() {
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (std::rename(pictures[i].temporary.c_str(), pictures[i].path.c_str()) != 0) {
            reportError(pictures[i].path, std::strerror(errno));
            // The pictures already in place go too; those after are removed by the destructor.
            for (std::size_t j = 0; j < i; ++j) ::unlink(pictures[j].path.c_str());
            pictures.erase(pictures.begin(), pictures.begin() + static_cast<long>(i));
            return false;
        }
    }
    committed = true;
    for (const Picture& picture : pictures) std::printf("%s\n", picture.path.c_str());
    return true;
}
