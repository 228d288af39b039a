// FileWatch: notices the files shown changing, and says when a changed file may be read again.
//
// It watches the files' folders (inotify), not the files, so that a file replaced by renaming
// another over it, as editors and exporters save, is seen as well as one rewritten in place; a
// file reached through a symbolic link is watched under both names. A changed file is due to be
// read once it has been quiet for kQuiet seconds and nobody who wrote it holds it open still:
// a write with no close after it marks it open for writing until the close, or until kHeldOpen
// quiet seconds have passed, for writers that never tell (truncate, mmap). Linux only.
#pragma once

#include <string>
#include <vector>

namespace kalderino {

class FileWatch {
public:
    static constexpr double kQuiet = 0.3;     // seconds
    static constexpr double kHeldOpen = 5.0;  // seconds

    FileWatch() = default;
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Watches paths from now on, in place of any watched before. False with the reason in
    // error when the system refuses.
    bool watch(const std::vector<std::string>& paths, std::string& error);
    bool watching() const { return fd >= 0; }

    // Takes the events that have come by now (seconds on a clock of the caller's that never goes
    // back), without waiting.
    void poll(double now);
    // Seconds from now until the files changed since the last take() may be read: 0 when they
    // may be now, negative when none changed.
    double untilDue(double now) const;
    // The changes seen so far are being read: none is pending from now on.
    void take() { pending = false; }
    // How many changes have been seen since the watch began: a count that only grows, to tell
    // whether any came while a file was read.
    unsigned long changes() const { return changeCount; }

private:
    struct File {
        int folder;        // the watch descriptor of its folder
        std::string name;  // within the folder
        bool writing;      // written since its last close
    };

    void close();

    int fd = -1;  // inotify's, non-blocking
    std::vector<File> files;
    bool pending = false;     // a change not taken yet
    double lastChange = 0.0;  // when the last change came
    unsigned long changeCount = 0;
};

}  // namespace kalderino
