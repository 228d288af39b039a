// Diagnostic: the one shape of every error and warning line the readers and tools print.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kalderino {

// Prints "file:line: message", or "file: message" when line is 0, as one line on stream; prints
// nothing when stream is null.
void reportError(std::FILE* stream, const std::string& file, int line, const std::string& message);

// A limit the program set on its own memory (as "the thumbnail's 2048 MiB"), named in every line
// that says memory ran out; none when empty.
void setOwnMemoryLimit(const std::string& words);
// "not enough memory for <what>", and " within <limit>" when the program set one.
std::string notEnoughMemory(const std::string& what);

// count with a comma between each group of three digits, as people read big counts.
std::string counted(std::uint64_t count);

// Runs a program's body so that no exception leaves it: what would escape ends the run with one
// line, "PROGRAM: not enough memory" (within the program's own limit, if set) or "PROGRAM: " and
// the exception's words, and status 1.
int runCatching(const char* program, int (*body)(int, char**), int argc, char** argv);

// A token for a message: in double quotes, cut after 40 bytes, with bytes outside printable
// ASCII and the quote and backslash written as \xNN.
std::string quote(const char* first, const char* last);

}  // namespace kalderino
