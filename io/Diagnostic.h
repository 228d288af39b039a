// Diagnostic: the one shape of every error and warning line the readers and tools print.
#pragma once

#include <cstdio>
#include <string>

namespace kalderino {

// Prints "file:line: message", or "file: message" when line is 0, as one line on stream; prints
// nothing when stream is null. Lines for stderr go to the thread's DiagnosticCapture, if any.
void reportError(std::FILE* stream, const std::string& file, int line, const std::string& message);

// Runs a program's body so that no exception leaves it: what would escape ends the run with one
// line, "PROGRAM: not enough memory" or "PROGRAM: " and the exception's words, and status 1.
int runCatching(const char* program, int (*body)(int, char**), int argc, char** argv);

// A token for a message: in double quotes, cut after 40 bytes, with bytes outside printable
// ASCII and the quote and backslash written as \xNN.
std::string quote(const char* first, const char* last);

}  // namespace kalderino
