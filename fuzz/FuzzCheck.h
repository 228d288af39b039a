// FuzzCheck: what the fuzzers share: a stream that swallows the readers' lines, and findings of
// their own.
#pragma once

#include <cstdio>
#include <cstdlib>

// The report and diagnostic lines cost time and tell the fuzzer nothing; opened once.
inline std::FILE* nullStream() {
    static std::FILE* const stream = std::fopen("/dev/null", "w");
    if (stream == nullptr) {
        std::perror("fuzzer: /dev/null");
        std::abort();
    }
    return stream;
}

// A broken promise of a reader's header is a finding, as a sanitizer report is.
inline void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "fuzzer: %s\n", what);
    std::abort();
}
