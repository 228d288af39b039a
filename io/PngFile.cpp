// PngFile: PNG writing through libpng, and the claiming of a free numbered name.
#include "io/PngFile.h"

#include "io/file/Diagnostic.h"
#include "io/file/TemporaryFile.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <zlib.h>

namespace kalderino {

namespace {

// How many numbers a new picture tries before it gives up.
constexpr int kMostNames = 100000;

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
const char* writeRows(TemporaryFile& file, const unsigned char* rgba, int width, int height,
                      bool alpha, png_bytep* rows, PngFailure& failure) {
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
                 alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (!alpha) png_set_filler(png, 0, PNG_FILLER_AFTER);  // drops the alpha byte of each pixel
    for (int y = 0; y < height; ++y)  // OpenGL's rows run bottom up, PNG's top down
        rows[y] = const_cast<png_bytep>(rgba + 4 * static_cast<std::size_t>(width) *
                                                   static_cast<std::size_t>(height - 1 - y));
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return nullptr;
}

}  // namespace

bool writePng(TemporaryFile& file, const unsigned char* rgba, int width, int height, bool alpha,
              std::string& reason) {
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    PngFailure failure;
    const char* failed = writeRows(file, rgba, width, height, alpha, rows.data(), failure);
    if (failed != nullptr) reason = failed;
    return failed == nullptr;
}

std::string writeNewPng(const std::string& stem, const std::vector<unsigned char>& rgba, int width,
                        int height) {
    const auto nameOf = [&stem](int number) {
        return stem + "-" + std::to_string(number) + ".png";
    };
    const std::string first = nameOf(1);
    if (rgba.size() < 4 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        reportError(stderr, first, 0, "cannot write: not enough memory for the picture");
        return "";
    }
    // Written once, then offered name after name: the name is taken only by a whole picture,
    // and only where it is free, in one step the file system decides.
    TemporaryFile file(first);
    std::string reason;
    if (file.descriptor() < 0) {
        reason = std::strerror(errno);
    } else if (writePng(file, rgba.data(), width, height, false, reason)) {
        for (int number = 1; number <= kMostNames; ++number) {
            if (file.commit(nameOf(number), false, true)) return nameOf(number);
            if (errno != EEXIST) break;
        }
        reason = errno == EEXIST ? "every name up to " + nameOf(kMostNames) + " is taken"
                                 : std::strerror(errno);
    }
    reportError(stderr, first, 0, "cannot write: " + reason);
    return "";
}

}  // namespace kalderino
