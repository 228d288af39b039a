// Diagnostic: message lines and quoted tokens.
#include "io/Diagnostic.h"

#include "io/DiagnosticCapture.h"

#include <algorithm>
#include <exception>
#include <new>

namespace kalderino {

namespace {

constexpr std::size_t kMaxQuoted = 40;

}  // namespace

void reportError(std::FILE* stream, const std::string& file, int line, const std::string& message) {
    if (stream == nullptr) return;
    DiagnosticCapture* capture = stream == stderr ? DiagnosticCapture::current() : nullptr;
    if (capture != nullptr) {
        capture->lines +=
            file + (line > 0 ? ":" + std::to_string(line) : "") + ": " + message + "\n";
    } else if (line > 0) {
        std::fprintf(stream, "%s:%d: %s\n", file.c_str(), line, message.c_str());
    } else {
        std::fprintf(stream, "%s: %s\n", file.c_str(), message.c_str());
    }
}

std::string quote(const char* first, const char* last) {
    std::string text = "\"";
    const std::size_t length = static_cast<std::size_t>(last - first);
    for (std::size_t i = 0; i < std::min(length, kMaxQuoted); ++i) {
        const unsigned char c = static_cast<unsigned char>(first[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        }
    }
    if (length > kMaxQuoted) text += "...";
    return text + "\"";
}

int runCatching(const char* program, int (*body)(int, char**), int argc, char** argv) {
    try {
        return body(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: not enough memory\n", program);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s: %s\n", program, failure.what());
    }
    return 1;
}

}  // namespace kalderino
