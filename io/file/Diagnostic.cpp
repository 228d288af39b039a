// Diagnostic: message lines and quoted tokens.
#include "io/file/Diagnostic.h"

#include "io/file/DiagnosticCapture.h"

#include <algorithm>

namespace kalderino {

namespace {

constexpr std::size_t kMaxQuoted = 40;
std::string ownMemoryLimit;

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

void setOwnMemoryLimit(const std::string& words) { ownMemoryLimit = words; }

std::string notEnoughMemory(const std::string& what) {
    return "not enough memory" + (what.empty() ? "" : " for " + what) +
           (ownMemoryLimit.empty() ? "" : " within " + ownMemoryLimit);
}

std::string counted(std::uint64_t count) {
    std::string digits = std::to_string(count);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
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

}  // namespace kalderino
