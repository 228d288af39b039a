// TemporaryFile: creation, renaming, and removal on the way out, signals included.
#include "io/TemporaryFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

// The temporary files of the process, for the signal handler: a list that only grows, whose
// entries are marked live while their file may need removing. Entries are never freed, so the
// handler can walk the list at any moment; a process makes few temporary files.
struct TemporaryFile::Entry {
    std::string path;
    std::atomic<bool> live{true};
    Entry* next = nullptr;
};

namespace {

std::atomic<TemporaryFile::Entry*> entries{nullptr};
std::mutex adding;  // one entry added at a time

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onEndingSignal(int signal) {
    for (TemporaryFile::Entry* entry = entries.load(); entry != nullptr; entry = entry->next)
        if (entry->live.load()) ::unlink(entry->path.c_str());
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Installed with the first temporary file, where no handler of the program's own is there.
void installHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int signal : kSignals) {
            struct sigaction previous {};
            if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler != SIG_DFL)
                continue;  // ignored (as by nohup) or the program's own: left so
            struct sigaction action {};
            action.sa_handler = onEndingSignal;
            sigemptyset(&action.sa_mask);
            ::sigaction(signal, &action, nullptr);
        }
    });
}

}  // namespace

TemporaryFile::TemporaryFile(const std::string& target) : name(target + ".XXXXXX") {
    installHandlers();
    // Signals wait while the file and its entry come into being, so no file goes unlisted.
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    for (int signal : kSignals) sigaddset(&blocked, signal);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    fd = ::mkstemp(name.data());
    const int error = errno;
    if (fd >= 0) {
        // mkstemp makes the file its owner's alone; the file it becomes gets the usual rights.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        entry = new Entry;
        entry->path = name;
        std::lock_guard<std::mutex> lock(adding);
        entry->next = entries.load();
        entries.store(entry);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
}

TemporaryFile::~TemporaryFile() {
    if (fd < 0) return;
    ::close(fd);
    if (!renamed) ::unlink(name.c_str());
    entry->live.store(false);
}

bool TemporaryFile::writeAll(const char* data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t wrote = ::write(fd, data + done, size - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    written += size;
    return true;
}

void TemporaryFile::startWriteBack(std::size_t size) {
    // A file system that cannot is only slower at the end.
    ::sync_file_range(fd, static_cast<off64_t>(written - size), static_cast<off64_t>(size),
                      SYNC_FILE_RANGE_WRITE);
}

bool TemporaryFile::commit(const std::string& target, bool overwrite, bool durable) {
    if (durable && ::fsync(fd) != 0) return false;
    const int flags = overwrite ? 0 : RENAME_NOREPLACE;
    int result = ::renameat2(AT_FDCWD, name.c_str(), AT_FDCWD, target.c_str(), flags);
    // Some file systems cannot refuse atomically; check first there instead.
    if (result != 0 && errno == EINVAL && !overwrite) {
        if (::access(target.c_str(), F_OK) == 0) {
            errno = EEXIST;
            return false;
        }
        result = ::rename(name.c_str(), target.c_str());
    }
    renamed = result == 0;
    if (renamed) entry->live.store(false);
    return renamed;
}
