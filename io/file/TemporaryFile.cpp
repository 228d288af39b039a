// TemporaryFile: creation, naming, renaming, and removal on the way out, signals included.
#include "io/file/TemporaryFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalderino {

// The named temporary files of the process, for the signal handler: a list that only grows,
// whose entries are marked live while their file may need removing. Entries are never freed but
// reused once dead, so the handler can walk the list at any moment and a run that makes many
// files keeps few entries.
struct TemporaryFile::Entry {
    char* path = nullptr;  // room bytes
    std::size_t room = 0;
    std::atomic<bool> live{false};
    Entry* next = nullptr;
};

namespace {

std::atomic<TemporaryFile::Entry*> entries{nullptr};
std::mutex adding;  // one entry taken at a time

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM};  // SIGALRM: a time limit

void onEndingSignal(int signal) {
    TemporaryFile::removeUnfinished();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void TemporaryFile::removeUnfinished() {
    for (Entry* entry = entries.load(); entry != nullptr; entry = entry->next)
        if (entry->live.load()) ::unlink(entry->path);
}

namespace {

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

// An entry for path, marked live; called with the ending signals held.
TemporaryFile::Entry* listEntry(const std::string& path) {
    std::lock_guard<std::mutex> lock(adding);
    TemporaryFile::Entry* entry = entries.load();
    while (entry != nullptr && (entry->live.load() || entry->room <= path.size()))
        entry = entry->next;
    if (entry == nullptr) {
        entry = new TemporaryFile::Entry;
        entry->room = path.size() + 16;  // a little over, for names of other lengths later
        entry->path = new char[entry->room];
        entry->next = entries.load();
        entries.store(entry);
    }
    std::snprintf(entry->path, entry->room, "%s", path.c_str());
    entry->live.store(true);
    return entry;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// target's name with a suffix of its own, cut so that the name fits NAME_MAX: ".XXXXXX" for
// mkstemp when random is false, else six random letters.
std::string besideName(const std::string& target, bool random) {
    const std::size_t slash = target.find_last_of('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    std::string name = target.substr(0, start) + target.substr(start, NAME_MAX - 7) + ".";
    if (!random) return name + "XXXXXX";
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[6] = {};
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        static unsigned counter = 0;
        const unsigned seed = static_cast<unsigned>(::getpid()) * 2654435761u + ++counter;
        for (std::size_t i = 0; i < sizeof bytes; ++i)
            bytes[i] = static_cast<unsigned char>(seed >> (4 * i));
    }
    for (unsigned char byte : bytes) name += kLetters[byte % (sizeof kLetters - 1)];
    return name;
}

// Links the open, unnamed file fd to path; fails with EEXIST when path exists.
bool linkDescriptor(int fd, const std::string& path) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    const int error = errno;
    if (error == EEXIST) return false;
    // Without /proc, a process that may do so links the descriptor itself.
    if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return true;
    errno = error;
    return false;
}

// Links (or hard-links) from under a fresh temporary name beside target; returns the name, or
// "" with errno set. link is called with each name tried until one is free.
template <typename Link> std::string linkBeside(const std::string& target, Link link) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = besideName(target, true);
        if (link(name)) return name;
        if (errno != EEXIST) return "";
    }
    return "";
}

bool namesDescriptor(const struct stat& status, int fd) {
    struct stat open {};
    return ::fstat(fd, &open) == 0 && open.st_dev == status.st_dev && open.st_ino == status.st_ino;
}

}  // namespace

bool TemporaryFile::isStream(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return false;
    if (!S_ISREG(status.st_mode)) return !S_ISDIR(status.st_mode);
    // A regular file behind one of the process's descriptors, as /dev/stdout is when standard
    // output goes to a file: written where it is, never replaced by a file in /dev or /proc.
    struct stat link {};
    return path.rfind("/proc/", 0) == 0 ||
           (path.rfind("/dev/", 0) == 0 && ::lstat(path.c_str(), &link) == 0 &&
            S_ISLNK(link.st_mode));
}

bool TemporaryFile::sameFile(const std::string& output, const std::string& input) {
    struct stat out {
    }, in{};
    return ::stat(output.c_str(), &out) == 0 && ::stat(input.c_str(), &in) == 0 &&
           out.st_dev == in.st_dev && out.st_ino == in.st_ino && !S_ISCHR(out.st_mode);
}

std::string TemporaryFile::secondName(const std::string& path) {
    return linkBeside(path, [&path](const std::string& tried) {
        return ::link(path.c_str(), tried.c_str()) == 0;
    });
}

TemporaryFile::TemporaryFile(const std::string& path) : target(path) {
    if (isStream(target)) {
        streamed = true;
        struct stat status {};
        ::stat(target.c_str(), &status);
        // The process's own standard output or error is written as it is open, appending or not.
        for (int own : {STDOUT_FILENO, STDERR_FILENO}) {
            if (fd < 0 && namesDescriptor(status, own)) fd = ::fcntl(own, F_DUPFD_CLOEXEC, 3);
        }
        const int truncate = S_ISREG(status.st_mode) ? O_TRUNC : 0;
        if (fd < 0) fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | truncate);
        opened = fd >= 0;
        return;
    }
    installHandlers();
    static const bool procFound = ::access("/proc/self/fd", X_OK) == 0;
    if (procFound) {
        fd = ::open(folderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        unnamed = fd >= 0;
    }
    if (fd < 0) {
        // Signals wait while the file and its entry come into being, so no file goes unlisted.
        const EndingSignalsHeld held;
        name = besideName(target, false);
        fd = ::mkstemp(name.data());
        const int error = errno;
        if (fd >= 0) {
            // mkstemp makes the file its owner's alone; the file it becomes gets the usual rights.
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::fchmod(fd, 0666 & ~mask);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            entry = listEntry(name);
        } else {
            name.clear();
        }
        errno = error;
    }
    opened = fd >= 0;
}

TemporaryFile::~TemporaryFile() {
    if (fd >= 0) ::close(fd);
    if (!committed && !name.empty()) ::unlink(name.c_str());
    if (entry != nullptr) entry->live.store(false);
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
    // A file system that cannot is only slower at the end; a stream has nothing to write back.
    if (streamed) return;
    ::sync_file_range(fd, static_cast<off64_t>(written - size), static_cast<off64_t>(size),
                      SYNC_FILE_RANGE_WRITE);
}

bool TemporaryFile::giveName() {
    if (!unnamed) return true;
    const EndingSignalsHeld held;
    name =
        linkBeside(target, [this](const std::string& tried) { return linkDescriptor(fd, tried); });
    if (name.empty()) return false;
    unnamed = false;
    entry = listEntry(name);
    return true;
}

bool TemporaryFile::closeUntilCommit() {
    if (!streamed && !giveName()) return false;
    if (fd >= 0) ::close(fd);
    fd = -1;
    return true;
}

bool TemporaryFile::commit(const std::string& path, bool overwrite, bool durable) {
    if (streamed) return committed = true;
    if (durable && fd >= 0 && ::fsync(fd) != 0) return false;
    if (unnamed && !overwrite) {
        // Named once complete, and only where no file is: nothing is ever left half-written.
        if (!linkDescriptor(fd, path)) return false;
        unnamed = false;
        return committed = true;
    }
    if (!giveName()) return false;
    const int flags = overwrite ? 0 : RENAME_NOREPLACE;
    int result = ::renameat2(AT_FDCWD, name.c_str(), AT_FDCWD, path.c_str(), flags);
    // Some file systems cannot rename without replacing. A hard link is refused where a file is,
    // in one step as well; only without hard links is a check first all there is.
    if (result != 0 && errno == EINVAL && !overwrite) {
        if (::link(name.c_str(), path.c_str()) == 0) {
            ::unlink(name.c_str());
            result = 0;
        } else if (errno == EEXIST) {
            return false;
        } else if (::access(path.c_str(), F_OK) == 0) {
            errno = EEXIST;
            return false;
        } else {
            result = ::rename(name.c_str(), path.c_str());
        }
    }
    committed = result == 0;
    if (committed && entry != nullptr) entry->live.store(false);
    return committed;
}

EndingSignalsHeld::EndingSignalsHeld() {
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int signal : kSignals) sigaddset(&blocked, signal);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
}

EndingSignalsHeld::~EndingSignalsHeld() {
    const int error = errno;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
}

}  // namespace kalderino
