// CommandLine: the guard.
#include "cli/CommandLine.h"

#include <cstdio>
#include <exception>
#include <new>

namespace kalderino {

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
