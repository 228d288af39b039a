// BackgroundOpen: files read into a new session on a thread of their own, while the window goes
// on drawing the meshes it has; the main thread takes the result once it is done, and hands its
// meshes over in place of the old ones.
//
// The reading is the program's only reading meanwhile: FileContents' table of mappings, and the
// library reader's signal handler, serve one reading thread at a time, and the main thread
// reads no file while a BackgroundOpen runs. What the readers say goes nowhere yet: their lines
// are kept, to be said only if the failure stands (DiagnosticCapture). The thread holds back
// the ending signals, which the main thread's temporary files take care of.
#pragma once

#include "session/Session.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kalderino {

class ModelFiles;

class BackgroundOpen {
public:
    // Starts reading paths as Session::open reads them, through modelFiles, and, with link,
    // linking the meshes read; without it the session finishes its model meshes on a thread of
    // its own after done, and handOver waits for them.
    BackgroundOpen(ModelFiles* modelFiles, std::vector<std::string> paths, ModelOptions options,
                   bool link = true);
    ~BackgroundOpen();  // waits for the reading to end
    BackgroundOpen(const BackgroundOpen&) = delete;
    BackgroundOpen& operator=(const BackgroundOpen&) = delete;

    bool done() const { return finished.load(std::memory_order_acquire); }
    void wait();  // until done
    // Until done, or for patience seconds at most; whether it is done.
    bool waitFor(double patience);

    // Once done: the session read, or null when a file could not be read; the lines the readers
    // said; and whether any file changed (another file under its name, another size or time)
    // while it was read, so that what was read may be a mix of two versions or a part of one.
    std::unique_ptr<Session> session;
    std::string diagnostics;
    bool changed = false;
    double seconds = 0.0;  // the reading took

    const std::vector<std::string> paths;
    const ModelOptions options;

private:
    void read(ModelFiles* modelFiles, bool link);

    std::atomic<bool> finished{false};
    std::thread thread;
};

}  // namespace kalderino
