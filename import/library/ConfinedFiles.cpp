// ConfinedFiles: the checks on each name, and the files read with pread.
#include "import/library/ConfinedFiles.h"

#include "io/file/Diagnostic.h"

#include <assimp/IOStream.hpp>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalderino {

namespace {

constexpr const char* kOnlyBeside = "; a model reads only files in its own folder and below";

class FileStream : public Assimp::IOStream {
public:
    FileStream(int fd, std::size_t size) : fd(fd), size(size) {}
    ~FileStream() override { ::close(fd); }
    std::size_t Read(void* buffer, std::size_t itemSize, std::size_t count) override {
        if (itemSize == 0 || count == 0) return 0;
        const std::size_t wanted = itemSize * count <= size - position
                                       ? itemSize * count
                                       : (size - position) / itemSize * itemSize;
        std::size_t got = 0;
        while (got < wanted) {
            const ssize_t read = ::pread(fd, static_cast<char*>(buffer) + got, wanted - got,
                                         static_cast<off_t>(position + got));
            if (read < 0 && errno == EINTR) continue;
            if (read <= 0) break;
            got += static_cast<std::size_t>(read);
        }
        position += got;
        return got / itemSize;
    }
    std::size_t Write(const void*, std::size_t, std::size_t) override { return 0; }
    aiReturn Seek(std::size_t offset, aiOrigin origin) override {
        const std::size_t base = origin == aiOrigin_SET   ? 0
                                 : origin == aiOrigin_CUR ? position
                                                          : size;
        if (offset > size || base > size - offset) return aiReturn_FAILURE;
        position = base + offset;
        return aiReturn_SUCCESS;
    }
    std::size_t Tell() const override { return position; }
    std::size_t FileSize() const override { return size; }
    void Flush() override {}

private:
    int fd;  // owned
    std::size_t size;
    std::size_t position = 0;
};

const char* kindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISDIR(mode)) return "a folder";
    return "not a regular file";
}

}  // namespace

std::string ConfinedFiles::refusalOf(const std::string& name) {
    if (::strncasecmp(name.c_str(), "file:", 5) == 0)
        return std::string("a file: URI") + kOnlyBeside;
    if (!name.empty() && name[0] == '/') return std::string("an absolute path") + kOnlyBeside;
    // ".." may step back into the folder, never above it.
    int depth = 0;
    for (std::size_t start = 0; start <= name.size();) {
        std::size_t slash = name.find('/', start);
        if (slash == std::string::npos) slash = name.size();
        const std::string part = name.substr(start, slash - start);
        if (part == "..")
            --depth;
        else if (!part.empty() && part != ".")
            ++depth;
        if (depth < 0) return std::string("outside its folder") + kOnlyBeside;
        start = slash + 1;
    }
    return "";
}

std::string ConfinedFiles::resolve(const std::string& name) const {
    const auto refuse = [&](const std::string& why) {
        if (refusal.empty())
            refusal = "refers to " + quote(name.data(), name.data() + name.size()) + ", " + why;
        return std::string();
    };
    if (folder.empty())
        return refuse("but a model read from standard input or a device may refer to no file");
    const std::string why = refusalOf(name);
    if (!why.empty()) return refuse(why);
    char real[PATH_MAX];
    if (::realpath((folder + '/' + name).c_str(), real) == nullptr) return "";  // no such file
    const std::string path = real;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return "";
    if (!S_ISREG(status.st_mode))
        return refuse(std::string("which is ") + kindOf(status.st_mode) + ", not a regular file");
    if (path.compare(0, folder.size(), folder) != 0 ||
        (path.size() > folder.size() && folder != "/" && path[folder.size()] != '/'))
        return refuse(std::string("which leads outside its folder") + kOnlyBeside);
    return path;
}

bool ConfinedFiles::Exists(const char* file) const { return !resolve(file).empty(); }

Assimp::IOStream* ConfinedFiles::Open(const char* file, const char* mode) {
    if (mode == nullptr || (mode[0] != 'r' || std::string(mode).find('+') != std::string::npos))
        return nullptr;  // the library only reads
    const std::string path = resolve(file);
    if (path.empty()) return nullptr;
    // Non-blocking: a FIFO swapped in since the check opens at once, and is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        if (refusal.empty())
            refusal = "refers to " + quote(file, file + std::string(file).size()) +
                      ", which is not a regular file";
        return nullptr;
    }
    if (opened) opened(static_cast<std::uint64_t>(status.st_size));
    return new FileStream(fd, static_cast<std::size_t>(status.st_size));
}

void ConfinedFiles::Close(Assimp::IOStream* stream) { delete stream; }

}  // namespace kalderino
