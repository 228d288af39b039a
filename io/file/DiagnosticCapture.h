// DiagnosticCapture: the diagnostics of work whose failure may not matter, held back, to be said
// later or never: a file read while someone may still be writing it fails for nothing the user
// needs to hear about.
#pragma once

#include <string>

namespace kalderino {

class DiagnosticCapture {
public:
    // From now until it is destroyed, the lines reportError would print on stderr from this
    // thread are kept in lines instead. One at a time on a thread.
    DiagnosticCapture();
    ~DiagnosticCapture();
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

    // The capture of the calling thread, or null.
    static DiagnosticCapture* current();

    std::string lines;  // as they would have been printed, each with its '\n'
};

}  // namespace kalderino
