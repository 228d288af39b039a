// LibraryReader: starting the library's reader within its limits, and what it hands back.
#include "import/LibraryReader.h"

#include "import/Formats.h"
#include "import/LibraryExtensions.h"
#include "import/LibraryResult.h"
#include "io/file/Diagnostic.h"
#include "io/file/FileContents.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace kalderino {

namespace {

// Where the reader is installed beside the programs (bin/ and lib/kalderino/ under one prefix),
// and where the build puts it (lib/kalderino/ in the build folder, up to two folders above the
// programs and tests).
constexpr const char* kReaderPath = "/lib/kalderino/kalderino-library-reader";
constexpr int kModelFd = 3, kResultFd = 4;  // in the reader

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer reserves terabytes of address space: its reader gets no memory limit.
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif

std::string readerPath() {
    static const std::string found = [] {
        char exe[PATH_MAX];
        const ssize_t length = ::readlink("/proc/self/exe", exe, sizeof exe);
        if (length <= 0 || static_cast<std::size_t>(length) == sizeof exe) return std::string();
        std::string folder(exe, static_cast<std::size_t>(length));
        for (int up = 0; up < 3; ++up) {
            folder.erase(std::min(folder.size(), folder.rfind('/')));
            if (::access((folder + kReaderPath).c_str(), X_OK) == 0) return folder + kReaderPath;
        }
        return std::string();
    }();
    return found;
}

// The processor seconds for a model of bytes bytes.
unsigned secondsFor(std::uint64_t bytes) {
    unsigned seconds = LibraryReader::kBaseSeconds +
                       static_cast<unsigned>(std::min<std::uint64_t>(bytes >> 20, 86400));
    const char* lower = std::getenv("KALDERINO_READ_SECONDS");
    if (lower != nullptr && std::atoi(lower) > 0)
        seconds = std::min(seconds, static_cast<unsigned>(std::atoi(lower)));
    return seconds;
}

// The seconds of the clock for seconds of processor time: room for a busy machine.
unsigned clockSecondsFor(unsigned seconds) { return 2 * seconds + 10; }

// A descriptor at 5 or above, so that moving it to 3 or 4 in the reader clobbers no other.
int highDescriptor(int fd) { return ::fcntl(fd, F_DUPFD_CLOEXEC, kResultFd + 1); }

// Copies a stream (a FIFO, a pipe, a device) into a memory file, up to the limit of streams.
// Returns the memory file, or -1 with the reason in why.
int copyStream(int from, std::uint64_t& size, std::string& why) {
    const int to = ::memfd_create("kalderino-model", MFD_CLOEXEC);
    if (to < 0) {
        why = std::string("cannot read: ") + std::strerror(errno);
        return -1;
    }
    std::vector<char> buffer(std::size_t{1} << 20);
    size = 0;
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) why = std::string("cannot read: ") + std::strerror(errno);
        if (got <= 0) break;
        size += static_cast<std::uint64_t>(got);
        if (size > FileContents::kMaxStreamBytes) {
            why = "cannot read: more than 2 GiB from a file that is not a regular file";
            break;
        }
        for (ssize_t put = 0; put < got;) {
            const ssize_t wrote =
                ::write(to, buffer.data() + put, static_cast<std::size_t>(got - put));
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) {
                why = notEnoughMemory("a copy of its first " + counted(size) + " bytes");
                break;
            }
            put += wrote;
        }
        if (!why.empty()) break;
    }
    if (why.empty()) return to;
    ::close(to);
    return -1;
}

// Waits for pid to end, up to seconds of the clock, then kills it. Returns its wait status;
// killed is set when the clock ran out.
int waitWithin(pid_t pid, unsigned seconds, bool& killed) {
    killed = false;
    const int handle = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    const long long deadline = start.tv_sec * 1000LL + start.tv_nsec / 1000000 + seconds * 1000LL;
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid || (ended < 0 && errno != EINTR)) break;
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const long long left = deadline - (now.tv_sec * 1000LL + now.tv_nsec / 1000000);
        if (left <= 0) {
            ::kill(pid, SIGKILL);
            killed = true;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        if (handle >= 0) {  // readable once the process has ended
            pollfd ready{handle, POLLIN, 0};
            ::poll(&ready, 1, static_cast<int>(std::min(left, 1LL << 30)));
        } else {  // a kernel older than 5.3
            ::usleep(static_cast<useconds_t>(std::min(left, 5LL) * 1000));
        }
    }
    if (handle >= 0) ::close(handle);
    return status;
}

// What the reader is started with, all made before vfork: the child shares this process's
// memory until it runs the reader, and makes only system calls.
struct Start {
    char* const* argv;
    int model, result, nothing, errors;  // descriptors: the model, the result, /dev/null, stderr
    rlimit limits[5];                    // for kLimited, in order
};
constexpr int kLimited[5] = {RLIMIT_AS, RLIMIT_CPU, RLIMIT_STACK, RLIMIT_FSIZE, RLIMIT_CORE};

pid_t startReader(const Start& start) {
    const pid_t pid = ::vfork();
    if (pid != 0) return pid;
    ::dup2(start.nothing, STDIN_FILENO);
    ::dup2(start.nothing, STDOUT_FILENO);  // the data file may be the program's standard output
    ::dup2(start.errors, STDERR_FILENO);
    ::dup2(start.model, kModelFd);
    ::dup2(start.result, kResultFd);
    ::syscall(SYS_close_range, kResultFd + 1, ~0U, 0);
    for (int i = 0; i < 5; ++i)
        if (kLimitAddressSpace || kLimited[i] != RLIMIT_AS)
            ::setrlimit(kLimited[i], &start.limits[i]);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // a reader never outlives its program
    ::execv(start.argv[0], start.argv);
    ::_exit(127);
}

std::string mebibytes(std::uint64_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20); }

// The reader's descriptors: the model's and an empty result's, at 5 or above, and /dev/null.
// False, with none left open and errno set, when one cannot be had.
bool openDescriptors(int fd, int& model, int& result, int& nothing) {
    model = highDescriptor(fd);
    const int low = ::memfd_create("kalderino-result", MFD_CLOEXEC);
    result = low < 0 ? -1 : highDescriptor(low);
    if (low >= 0) ::close(low);
    nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (model >= 0 && result >= 0 && nothing >= 0) return true;
    const int error = errno;
    for (int open : {model, result, nothing})
        if (open >= 0) ::close(open);
    errno = error;
    return false;
}

// The library's hint of the format: --format, or the base name's extension. The library names
// the model after its hint, and hands a name in a folder of that name to the model itself: a
// hint with a slash is none.
std::string hintFor(const std::string& path, const std::string& format) {
    const std::string hint = format.empty() ? extensionOf(path) : format;
    return hint.find('/') == std::string::npos ? hint : "";
}

std::vector<std::string> readerArguments(const std::string& reader, bool progress,
                                         const std::string& hint, const std::string& folder,
                                         const std::string& path) {
    std::vector<std::string> arguments = {reader};
    if (progress) arguments.push_back("--progress");
    if (!hint.empty()) arguments.insert(arguments.end(), {"--format", hint});
    if (!folder.empty()) arguments.insert(arguments.end(), {"--folder", folder});
    arguments.insert(arguments.end(), {"--", path});
    return arguments;
}

// The reader's limits (for kLimited, in order) for a model of size bytes; none above this
// program's own hard limits, which only a privileged process could raise.
void limitsFor(std::uint64_t size, rlimit (&limits)[5]) {
    const unsigned wanted = secondsFor(size);
    const std::uint64_t max = LibraryReader::kMaxMemory, stack = LibraryReader::kStack;
    limits[0] = {LibraryReader::memoryFor(size), max};
    limits[1] = {wanted, wanted + 1};
    limits[2] = {stack, stack};
    limits[3] = {max, max};  // the result: no more than the reader could hold
    limits[4] = {0, 0};
    for (int i = 0; i < 5; ++i) {
        rlimit own{};
        ::getrlimit(kLimited[i], &own);
        limits[i].rlim_max = std::min(limits[i].rlim_max, own.rlim_max);
        limits[i].rlim_cur = std::min(limits[i].rlim_cur, limits[i].rlim_max);
    }
}

}  // namespace

bool LibraryReader::readsExtension(const std::string& extension) {
    std::string word = " " + extension + " ";
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return !extension.empty() &&
           std::string(" " KALDERINO_LIBRARY_EXTENSIONS " ").find(word) != std::string::npos;
}

std::uint64_t LibraryReader::memoryFor(std::uint64_t bytes) {
    return bytes >= (kMaxMemory - kBaseMemory) / kMemoryPerByte
               ? kMaxMemory
               : kBaseMemory + kMemoryPerByte * bytes;
}

bool LibraryReader::read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) {
    const int fd = ::memfd_create("kalderino-model", MFD_CLOEXEC);
    bool written = fd >= 0;
    for (std::size_t put = 0; written && put < size;) {
        const ssize_t wrote = ::write(fd, data + put, size - put);
        written = wrote > 0 || (wrote < 0 && errno == EINTR);
        if (wrote > 0) put += static_cast<std::size_t>(wrote);
    }
    if (!written) {
        if (fd >= 0) ::close(fd);
        return fail(0, notEnoughMemory("a copy of its " + counted(size) + " bytes"));
    }
    const bool read = readInReader(fd, size, "", meshes);
    ::close(fd);
    return read;
}

bool LibraryReader::readFile(const std::string& file, std::vector<TriangleMesh>& meshes) {
    path = file;
    struct stat status {};
    int fd = FileContents::open(path, diagnostics, status);
    if (fd < 0) return false;
    std::uint64_t size = static_cast<std::uint64_t>(status.st_size);
    const std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "."
                         : slash == 0               ? "/"
                                                    : path.substr(0, slash);
    if (!S_ISREG(status.st_mode)) {
        std::string why;
        const int copy = copyStream(fd, size, why);
        ::close(fd);
        if (copy < 0) return fail(0, why);
        fd = copy;
    }
    // /dev/stdin and its kind stand in no folder of the user's, whatever they are.
    char real[PATH_MAX];
    const auto within = [&](const char* system) {
        const std::size_t length = std::strlen(system);
        return std::strncmp(real, system, length) == 0 &&
               (real[length] == '\0' || real[length] == '/');
    };
    if (::realpath(folder.c_str(), real) == nullptr || within("/dev") || within("/proc"))
        folder.clear();
    bool read = readInReader(fd, size, folder, meshes);
    // A file that shrank under the reader: the reader met zeros, or SIGBUS, whatever it said.
    struct stat after {};
    if (S_ISREG(status.st_mode) && ::fstat(fd, &after) == 0 &&
        static_cast<std::uint64_t>(after.st_size) < size) {
        reportError(diagnostics, path, 0, "changed while being read");
        read = false;
    }
    ::close(fd);
    return read;
}

bool LibraryReader::readInReader(int fd, std::uint64_t size, const std::string& folder,
                                 std::vector<TriangleMesh>& meshes) {
    const std::string reader = readerPath();
    if (reader.empty())
        return fail(0, "cannot read: the library's reader (kalderino-library-reader) is not "
                       "installed beside this program");
    int model = -1, resultHigh = -1, nothing = -1;
    if (!openDescriptors(fd, model, resultHigh, nothing))
        return fail(0, std::string("cannot read: ") + std::strerror(errno));
    const bool progress = showProgress && diagnostics == stderr;
    std::vector<std::string> arguments =
        readerArguments(reader, progress, hintFor(path, format), folder, path);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    Start start{argv.data(), model, resultHigh, nothing, progress ? STDERR_FILENO : nothing, {}};
    limitsFor(size, start.limits);
    const unsigned seconds = static_cast<unsigned>(start.limits[1].rlim_cur);
    const pid_t pid = startReader(start);
    ::close(model);
    ::close(nothing);
    if (pid < 0) {
        ::close(resultHigh);
        return fail(0, std::string("cannot read: cannot start the library's reader: ") +
                           std::strerror(errno));
    }
    bool killed = false;
    const int status = waitWithin(pid, clockSecondsFor(seconds), killed);
    LibraryResult found;
    bool wellFormed = false;
    try {
        wellFormed = found.read(resultHigh);
    } catch (const std::bad_alloc&) {
        ::close(resultHigh);
        return fail(0, notEnoughMemory("the meshes the library read"));
    }
    ::close(resultHigh);
    static bool landlockSaid = false;
    if (wellFormed && (found.flags & LibraryResult::kNoLandlock) != 0 && !landlockSaid) {
        landlockSaid = true;
        fail(0, "warning: this kernel has no Landlock; the library's reader is kept to the "
                "model's folder by its own checks only");
    }
    if (killed)
        return fail(0, "cannot read within the library reader's time limit of " +
                           std::to_string(clockSecondsFor(seconds)) + " s");
    return judge(status, seconds, found, wellFormed, reader, meshes);
}

bool LibraryReader::judge(int status, unsigned seconds, LibraryResult& found, bool wellFormed,
                          const std::string& reader, std::vector<TriangleMesh>& meshes) {
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU)
        return fail(0, "cannot read within the library reader's time limit of " +
                           std::to_string(seconds) + " s of processor time");
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS)
        return fail(0, "the library's reader was stopped by its sandbox: it made a system call "
                       "it may not make");
    if (WIFSIGNALED(status))
        return fail(0, "the library's reader ended by signal " + std::to_string(WTERMSIG(status)) +
                           " (" + strsignal(WTERMSIG(status)) + ")");
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127 &&
        found.outcome == LibraryResult::Outcome::unfinished)
        return fail(0, "cannot read: cannot run the library's reader " + reader);
    if (!wellFormed)
        return fail(0, "the library's reader sent a malformed result (" + found.malformed + ")");
    switch (found.outcome) {
    case LibraryResult::Outcome::meshes:
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return keep(found.meshes, meshes);
        break;
    case LibraryResult::Outcome::failed:
        if (diagnostics != nullptr) std::fputs(found.text.c_str(), diagnostics);
        return false;
    case LibraryResult::Outcome::outOfMemory:
        return fail(0, "cannot read within the library reader's memory limit of " +
                           mebibytes(found.value) + " MiB (" + mebibytes(kBaseMemory) +
                           " MiB, and " + std::to_string(kMemoryPerByte) +
                           " bytes for each byte read)");
    case LibraryResult::Outcome::tooDeep:
        return fail(0, "nests its nodes too deep for the library's " + mebibytes(found.value) +
                           " MiB stack");
    case LibraryResult::Outcome::unfinished:
        break;
    }
    return fail(0, "the library's reader ended with status " +
                       std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) +
                       " and no result");
}

}  // namespace kalderino
