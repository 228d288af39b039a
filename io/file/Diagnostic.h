// Diagnostic: the one shape of every error and warning line the readers and tools print.
// Part of io/file/, the file plumbing under every reader and writer: whole files in, files
// written safely, and the shape of the lines that name a file; nothing of any format.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kalderino {

// Prints "file:line: message", or "file: message" when line is 0, as one line on stream; prints
// nothing when stream is null. Lines for stderr go to the thread's DiagnosticCapture, if any.
void reportError(std::FILE* stream, const std::string& file, int line, const std::string& message);

// A limit the program set on its own memory (as "the thumbnail's 2048 MiB"), named in every line
// that says memory ran out; none when empty.
void setOwnMemoryLimit(const std::string& words);
// "not enough memory for <what>" ("not enough memory" when what is empty), and " within <limit>"
// when the program set one.
std::string notEnoughMemory(const std::string& what);

// count with a comma between each group of three digits, as people read big counts.
std::string counted(std::uint64_t count);

// A token for a message: in double quotes, cut after 40 bytes, with bytes outside printable
// ASCII and the quote and backslash written as \xNN.
std::string quote(const char* first, const char* last);
inline std::string quote(const std::string& text) {
    return quote(text.data(), text.data() + text.size());
}

}  // namespace kalderino
