// FileContents: mapping a file, and surviving its pages going away.
#include "io/FileContents.h"

#include "io/Diagnostic.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The mappings the SIGBUS handler may repair. Written only outside the handler, while the
// mapping they describe is not being read; a file mapped while all are taken is read instead.
struct Mapped {
    char* volatile begin = nullptr;
    char* volatile end = nullptr;
    volatile std::sig_atomic_t changed = 0;
};
constexpr int kMaxMapped = 8;
Mapped mapped[kMaxMapped];
struct sigaction previousAction {};
std::size_t pageSize = 4096;  // read when the handler is installed, so it calls nothing but mmap

void onBusError(int signal, siginfo_t* info, void* context) {
    char* const address = static_cast<char*>(info->si_addr);
    for (Mapped& entry : mapped) {
        char* const begin = entry.begin;
        char* const end = entry.end;
        if (begin == nullptr || address < begin || address >= end) continue;
        // Zeros from the lost page to the end of the mapping: one signal for the whole loss.
        // POSIX does not list mmap as async-signal-safe, but glibc's is the bare system call,
        // with no lock a reader could be holding, and the fault is the reader's own load.
        char* const lost = begin + static_cast<std::size_t>(address - begin) / pageSize * pageSize;
        if (::mmap(lost, static_cast<std::size_t>(end - lost), PROT_READ,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED)
            break;
        entry.changed = 1;
        return;
    }
    // Not a mapping of ours: whoever handled the signal before handles it now, or it kills.
    if ((previousAction.sa_flags & SA_SIGINFO) != 0 && previousAction.sa_sigaction != nullptr) {
        previousAction.sa_sigaction(signal, info, context);
    } else if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
        previousAction.sa_handler(signal);
    } else {
        ::signal(SIGBUS, SIG_DFL);  // the access faults again and ends the process
    }
}

void installHandler() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    pageSize = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &previousAction);
}

std::string systemReason(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

// Reads to the end of the file; false on an error, with errno set.
bool readAll(int fd, std::vector<char>& into) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) return true;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        into.insert(into.end(), buffer, buffer + got);
    }
}

}  // namespace

FileContents::~FileContents() { release(); }

int FileContents::open(const std::string& path, std::FILE* diagnostics, struct stat& status) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && ::fstat(fd, &status) == 0 && !S_ISDIR(status.st_mode)) return fd;
    const int error = fd < 0 ? errno : S_ISDIR(status.st_mode) ? EISDIR : errno;
    if (fd >= 0) ::close(fd);
    reportError(diagnostics, path, 0, systemReason("cannot open", error));
    return -1;
}

bool FileContents::load(const std::string& file, std::FILE* stream) {
    release();
    path = file;
    diagnostics = stream;
    struct stat status {};
    const int fd = open(path, diagnostics, status);
    if (fd < 0) return false;
    const std::size_t size = static_cast<std::size_t>(status.st_size);
    for (int i = 0; i < kMaxMapped && slot < 0 && S_ISREG(status.st_mode) && size > 0; ++i)
        if (mapped[i].begin == nullptr) slot = i;
    if (slot >= 0) {
        installHandler();
        mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (mapping == MAP_FAILED) {
            const int error = errno;
            mapping = nullptr;
            slot = -1;
            ::close(fd);
            reportError(diagnostics, path, 0, systemReason("cannot read", error));
            return false;
        }
        Mapped& entry = mapped[slot];
        entry.changed = 0;
        entry.end = static_cast<char*>(mapping) + size;
        entry.begin = static_cast<char*>(mapping);
        bytes = entry.begin;
        length = size;
        descriptor = fd;  // kept, to tell a cut the reader never reached
        return true;
    } else if (!S_ISREG(status.st_mode) || size > 0) {
        if (!readAll(fd, copy)) {
            const int error = errno;
            ::close(fd);
            copy.clear();
            reportError(diagnostics, path, 0, systemReason("cannot read", error));
            return false;
        }
        copy.push_back('\0');  // so that data() is never null, even when empty
        bytes = copy.data();
        length = copy.size() - 1;
    }
    ::close(fd);
    return true;
}

bool FileContents::shrunk() const { return slot >= 0 && mapped[slot].changed != 0; }

bool FileContents::sayChanged() const {
    if (!changeSaid) reportError(diagnostics, path, 0, "changed while being read");
    changeSaid = true;
    return false;
}

bool FileContents::intact() const {
    if (slot < 0) return true;
    struct stat status {};
    if (mapped[slot].changed == 0 &&
        (::fstat(descriptor, &status) != 0 || static_cast<std::size_t>(status.st_size) >= length))
        return true;
    mapped[slot].changed = 1;  // a cut the reader never reached: shrunk() from now on
    return sayChanged();
}

void FileContents::release() {
    if (slot >= 0) {
        mapped[slot].begin = nullptr;
        mapped[slot].end = nullptr;
        slot = -1;
    }
    if (mapping != nullptr) ::munmap(mapping, length);
    mapping = nullptr;
    if (descriptor >= 0) ::close(descriptor);
    descriptor = -1;
    copy.clear();
    bytes = "";
    length = 0;
    changeSaid = false;
}
