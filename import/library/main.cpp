// kalderino-library-reader: reads one model file with the Open Asset Import Library for the
// programs (LibraryReader, which states the limits it starts this with), in a sandbox, and hands
// the meshes back in a memory file (LibraryResult). Not meant to be run by hand.
//
// usage: kalderino-library-reader [--progress] [--format EXT] [--folder DIR] -- PATH
//          with the model on descriptor 3 and the empty result file on descriptor 4; PATH names
//          the model in messages, DIR is where the files it refers to may be (none without it)
//        kalderino-library-reader --extensions
//          prints the extensions the library reads, for the build
#include "import/LibraryResult.h"
#include "import/library/ConfinedFiles.h"
#include "import/library/Sandbox.h"
#include "import/library/SceneReader.h"

#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalderino {

namespace {

constexpr int kModelFd = 3, kResultFd = 4;
constexpr std::uint64_t kMemoryPerByte = 64;  // LibraryReader::kMemoryPerByte
constexpr std::size_t kStackSlack = 1 << 20;  // what lies above main's frame, and signal frames

// What the handlers below say; set before they can run.
volatile std::uint64_t memoryLimit = 0;  // the address space now, in bytes
std::uint32_t resultFlags = 0;
std::uintptr_t stackTop = 0;  // above main's frame: the stack grows down from about here
std::uint64_t stackLimit = 0;

[[noreturn]] void outOfMemory() {
    LibraryResult::end(kResultFd, LibraryResult::Outcome::outOfMemory, memoryLimit, resultFlags);
    ::_exit(3);
}

// The stack's growth fails with SIGSEGV, at its own limit or at the address space's.
void onSegmentationFault(int, siginfo_t* info, void*) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    if (address <= stackTop && address + stackLimit + kStackSlack >= stackTop) {
        const bool atStackLimit = stackTop - address + kStackSlack >= stackLimit;
        LibraryResult::end(kResultFd,
                           atStackLimit ? LibraryResult::Outcome::tooDeep
                                        : LibraryResult::Outcome::outOfMemory,
                           atStackLimit ? stackLimit : memoryLimit, resultFlags);
        ::_exit(4);
    }
    ::signal(SIGSEGV, SIG_DFL);  // any other fault: it happens again, and kills
}

// A file the model refers to, about to be read: its bytes earn memory as the model's did.
void grow(std::uint64_t bytes) {
    rlimit space{};
    if (::getrlimit(RLIMIT_AS, &space) != 0 || space.rlim_cur == RLIM_INFINITY) return;
    const std::uint64_t more =
        bytes >= space.rlim_max / kMemoryPerByte ? space.rlim_max : bytes * kMemoryPerByte;
    space.rlim_cur =
        more >= space.rlim_max - space.rlim_cur ? space.rlim_max : space.rlim_cur + more;
    if (::setrlimit(RLIMIT_AS, &space) == 0) memoryLimit = space.rlim_cur;
}

void installHandlers() {
    rlimit limit{};
    ::getrlimit(RLIMIT_AS, &limit);
    memoryLimit = limit.rlim_cur;
    ::getrlimit(RLIMIT_STACK, &limit);
    stackLimit = limit.rlim_cur == RLIM_INFINITY ? 0 : limit.rlim_cur;
    std::set_new_handler(outOfMemory);
    // The handler runs on a stack of its own: the process's is the one that ran out.
    static char alternate[1 << 16];
    stack_t handlerStack{};
    handlerStack.ss_sp = alternate;
    handlerStack.ss_size = sizeof alternate;
    ::sigaltstack(&handlerStack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = onSegmentationFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGSEGV, &action, nullptr);
}

int usage() {
    std::fprintf(stderr, "usage: kalderino-library-reader [--progress] [--format EXT] "
                         "[--folder DIR] -- PATH, with the model on descriptor 3 and the result "
                         "on 4; or --extensions\n");
    return 2;
}

[[noreturn]] void finish(bool read, const std::vector<TriangleMesh>& meshes,
                         const std::string& said) {
    bool written = true;
    if (read)
        for (const TriangleMesh& mesh : meshes)
            written = written && LibraryResult::writeMesh(kResultFd, mesh);
    else
        written = LibraryResult::writeText(kResultFd, said);
    if (!written) ::_exit(2);  // the header stays unfinished
    LibraryResult::end(kResultFd,
                       read ? LibraryResult::Outcome::meshes : LibraryResult::Outcome::failed, 0,
                       resultFlags);
    ::_exit(read ? 0 : 1);  // no destructors, no leak check: they would only cost time
}

int run(int argc, char** argv) {
    char top = 0;
    stackTop = reinterpret_cast<std::uintptr_t>(&top) + kStackSlack;
    bool progress = false;
    std::string format, folder, path;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--extensions" && argc == 2) {
            std::printf("%s\n", SceneReader::extensions().c_str());
            return 0;
        } else if (arg == "--progress") {
            progress = true;
        } else if ((arg == "--format" || arg == "--folder") && i + 1 < argc) {
            (arg == "--format" ? format : folder) = argv[++i];
        } else if (arg == "--" && i + 2 == argc) {
            path = argv[++i];
        } else {
            return usage();
        }
    }
    if (path.empty()) return usage();

    installHandlers();
    if (!LibraryResult::begin(kResultFd)) return 2;
    const std::string prefix = path + ": ";
    std::vector<TriangleMesh> meshes;
    struct stat status {};
    if (::fstat(kModelFd, &status) != 0)
        finish(false, meshes, prefix + "cannot read: no model given\n");
    const std::size_t size = static_cast<std::size_t>(status.st_size);
    const char* data = "";
    if (size > 0) {
        void* mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, kModelFd, 0);
        if (mapping == MAP_FAILED) outOfMemory();
        data = static_cast<const char*>(mapping);
    }
    char real[PATH_MAX];
    const std::string confined =
        !folder.empty() && ::realpath(folder.c_str(), real) != nullptr ? real : "";

    Sandbox sandbox;
    if (!sandbox.enter(confined))
        finish(false, meshes,
               prefix + "cannot read: the library's sandbox: " + sandbox.error + "\n");
    if (!sandbox.landlocked) resultFlags |= LibraryResult::kNoLandlock;

    ConfinedFiles files(confined);
    files.opened = grow;
    SceneReader reader(files);
    reader.path = path;
    reader.format = format;
    reader.showProgress = progress;
    char* said = nullptr;
    std::size_t saidSize = 0;
    reader.diagnostics = ::open_memstream(&said, &saidSize);
    const bool read = reader.read(data, size, meshes);
    std::fclose(reader.diagnostics);
    finish(read, meshes, std::string(said, saidSize));
}

}  // namespace

}  // namespace kalderino

int main(int argc, char** argv) { return kalderino::run(argc, argv); }
