// loadDataFile: the file mapped as the viewer maps it, and the messages renamed after it.
#include "shot/DataFileLoading.h"

#include "io/MeshLoader.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool reportSystemError(const std::string& path, const char* what, int error) {
    std::fprintf(stderr, "%s: %s: %s\n", path.c_str(), what, std::strerror(error));
    return false;
}

// A regular file mapped, anything else (a pipe) read whole; then handed to the reader.
bool readFile(MeshLoader& loader, const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return reportSystemError(path, "cannot open", errno);
    struct stat status {};
    if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        const int error = S_ISDIR(status.st_mode) ? EISDIR : errno;
        ::close(fd);
        return reportSystemError(path, "cannot open", error);
    }
    const std::size_t size = static_cast<std::size_t>(status.st_size);
    void* mapped = MAP_FAILED;
    if (S_ISREG(status.st_mode) && size > 0)
        mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    std::vector<char> contents;
    while (mapped == MAP_FAILED) {
        char buffer[1 << 16];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0 && errno != EINTR) {
            const int error = errno;
            ::close(fd);
            return reportSystemError(path, "cannot read", error);
        }
        if (got > 0) contents.insert(contents.end(), buffer, buffer + got);
    }
    ::close(fd);
    if (mapped == MAP_FAILED) return loader.read(contents.data(), contents.size());
    const bool complete = loader.read(static_cast<const char*>(mapped), size);
    ::munmap(mapped, size);
    return complete;
}

}  // namespace

bool loadDataFile(MeshLoader& loader, const std::string& path) {
    // The reader's messages start with the name of the viewer's file: they are collected and
    // given this file's name.
    char* messages = nullptr;
    std::size_t length = 0;
    std::FILE* collected = ::open_memstream(&messages, &length);
    if (collected == nullptr) return reportSystemError(path, "cannot read", errno);
    loader.diagnostics = collected;
    const bool complete = readFile(loader, path);
    loader.diagnostics = stderr;
    std::fclose(collected);

    const std::string viewerName = std::string(MeshLoader::kFileName) + ":";
    for (char* line = messages; line < messages + length;) {
        char* end = std::strchr(line, '\n');
        end = end != nullptr ? end + 1 : messages + length;
        std::string text(line, end);
        if (text.compare(0, viewerName.size(), viewerName) == 0)
            text.replace(0, viewerName.size() - 1, path);
        std::fputs(text.c_str(), stderr);
        line = end;
    }
    std::free(messages);
    return complete;
}
