// CommandLine: what the programs' mains share: the guard they run under.
#pragma once

namespace kalderino {

// Runs a program's body so that no exception leaves it: what would escape ends the run with one
// line, "PROGRAM: not enough memory" or "PROGRAM: " and the exception's words, and status 1.
int runCatching(const char* program, int (*body)(int, char**), int argc, char** argv);

}  // namespace kalderino
