// FileContents: mapping a file, and surviving its pages going away.
#include "io/file/FileContents.h"

#include "io/file/Diagnostic.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalderino {

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

// Reads a stream to its end, up to limit bytes, into an anonymous mapping that grows in place
// (mremap: no copying, no zeroing, and never more memory than the bytes read); a NUL follows
// the bytes. Returns the mapping and sets size and room (its length), or returns null with errno
// set: EFBIG past the limit, ENOMEM when memory runs out.
void* readStream(int fd, std::size_t limit, std::size_t& size, std::size_t& room) {
    size = 0;
    room = std::size_t{1} << 20;
    void* buffer =
        ::mmap(nullptr, room, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (buffer == MAP_FAILED) return nullptr;
    for (;;) {
        if (size == room) {
            if (size > limit) {
                ::munmap(buffer, room);
                errno = EFBIG;
                return nullptr;
            }
            // One byte past the limit tells a stream that ends there from a longer one.
            const std::size_t wanted = std::min(room * 2, (limit + pageSize) / pageSize * pageSize);
            void* grown = ::mremap(buffer, room, wanted, MREMAP_MAYMOVE);
            if (grown == MAP_FAILED) {
                ::munmap(buffer, room);
                errno = ENOMEM;
                return nullptr;
            }
            buffer = grown;
            room = wanted;
        }
        const ssize_t got = ::read(fd, static_cast<char*>(buffer) + size, room - size);
        if (got == 0) break;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            ::munmap(buffer, room);
            errno = error;
            return nullptr;
        }
        size += static_cast<std::size_t>(got);
    }
    if (size == room) {  // room for the NUL, which fresh pages hold already
        void* grown = ::mremap(buffer, room, room + pageSize, MREMAP_MAYMOVE);
        if (grown == MAP_FAILED) {
            ::munmap(buffer, room);
            errno = ENOMEM;
            return nullptr;
        }
        buffer = grown;
        room += pageSize;
    }
    return buffer;
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
            reportError(diagnostics, path, 0,
                        error == ENOMEM
                            ? notEnoughMemory("a map of its " + counted(size) + " bytes")
                            : systemReason("cannot read", error));
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
        pageSize = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        const std::size_t limit = S_ISREG(status.st_mode) ? SIZE_MAX / 4 : kMaxStreamBytes;
        std::size_t got = 0;
        void* read = readStream(fd, limit, got, streamRoom);
        if (read == nullptr) {
            const int error = errno;
            ::close(fd);
            reportError(diagnostics, path, 0,
                        error == EFBIG    ? "cannot read: more than 2 GiB from a file that is not "
                                            "a regular file"
                        : error == ENOMEM ? "cannot read: not enough memory"
                                          : systemReason("cannot read", error));
            return false;
        }
        mapping = read;
        bytes = static_cast<const char*>(read);
        length = got;
    }
    ::close(fd);
    return true;
}

void FileContents::discardBefore(const char* position) const {
    if (slot < 0 || position < bytes || position > bytes + length) return;
    const std::size_t end = static_cast<std::size_t>(position - bytes) / pageSize * pageSize;
    if (end <= discarded) return;
    ::madvise(const_cast<char*>(bytes) + discarded, end - discarded, MADV_DONTNEED);
    discarded = end;
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
    if (mapping != nullptr) ::munmap(mapping, streamRoom > 0 ? streamRoom : length);
    mapping = nullptr;
    streamRoom = 0;
    if (descriptor >= 0) ::close(descriptor);
    descriptor = -1;
    bytes = "";
    length = 0;
    discarded = 0;
    changeSaid = false;
}

}  // namespace kalderino
