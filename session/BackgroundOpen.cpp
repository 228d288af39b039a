// BackgroundOpen: the reading thread, and the files' stamps before and after it reads.
#include "session/BackgroundOpen.h"

#include "io/file/DiagnosticCapture.h"
#include "io/file/TemporaryFile.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <new>
#include <sys/stat.h>
#include <system_error>

namespace kalderino {

namespace {

// The reading under way: a process that ends meanwhile (the quit key calls exit) waits for it,
// before the static objects the readers use are destroyed under the thread.
std::atomic<BackgroundOpen*> running{nullptr};

void waitForReading() {
    if (BackgroundOpen* open = running.load()) open->wait();
}

// What tells one version of a regular file from another: which file the name leads to, its
// size, and when it was last written or changed, to the nanosecond the file system keeps. A
// pipe's times change as it is written, which is not a change of what it holds: what is not a
// regular file has no stamp.
struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;  // -1: no file to be read
    timespec modified{};
    timespec changed{};
    bool operator==(const Stamp& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

std::vector<Stamp> stampsOf(const std::vector<std::string>& paths) {
    std::vector<Stamp> stamps(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        struct stat status {};
        if (::stat(paths[i].c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
        stamps[i] = {status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
    }
    return stamps;
}

}  // namespace

BackgroundOpen::BackgroundOpen(ModelFiles* modelFiles, std::vector<std::string> paths,
                               ModelOptions options, bool link)
    : paths(std::move(paths)), options(options) {
    // The thread starts with the ending signals held, and keeps them so.
    static const bool registered = std::atexit(waitForReading) == 0;
    static_cast<void>(registered);
    const EndingSignalsHeld held;
    try {
        thread = std::thread([this, modelFiles, link] { read(modelFiles, link); });
        running.store(this);
    } catch (const std::system_error& failure) {
        diagnostics = this->paths.front() + ": cannot read it again: " + failure.what() + "\n";
        finished.store(true, std::memory_order_release);
    }
}

BackgroundOpen::~BackgroundOpen() {
    wait();
    BackgroundOpen* self = this;
    running.compare_exchange_strong(self, nullptr);
}

void BackgroundOpen::wait() {
    if (thread.joinable()) thread.join();
}

bool BackgroundOpen::waitFor(double patience) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(patience);
    while (!done() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

void BackgroundOpen::read(ModelFiles* modelFiles, bool link) {
    const auto start = std::chrono::steady_clock::now();
    const std::vector<Stamp> before = stampsOf(paths);
    {
        DiagnosticCapture capture;
        try {
            auto fresh = std::make_unique<Session>(modelFiles);
            if (fresh->open(paths, options)) {
                if (link) fresh->link();
                session = std::move(fresh);
            }
        } catch (const std::bad_alloc&) {
            session.reset();
            capture.lines += paths.front() + ": not enough memory to read the files again\n";
        }
        diagnostics = std::move(capture.lines);
    }
    changed = stampsOf(paths) != before;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    finished.store(true, std::memory_order_release);
}

}  // namespace kalderino
