// FileContents: a whole file in memory for the readers, safe against the file shrinking meanwhile.
// Part of io/file/, the file plumbing under every reader and writer: whole files in, files
// written safely, and the shape of the lines that name a file; nothing of any format.
//
// A regular file is mapped, which costs next to nothing, where copying a 66 MB file would cost
// some 15 ms of fresh pages. A mapped file that shrinks while it is read would kill the process
// with SIGBUS at the first page past the new end; a handler maps zeros over the lost pages
// instead and marks the file shrunk, so that the reader meets NUL bytes, fails or finishes, and
// says "changed while being read" (through sayChanged(), or intact() afterwards) in place of
// anything it would say about those bytes. Pipes, FIFOs, devices and other files that are not
// regular are read into memory as a stream, up to kMaxStreamBytes.
// Failures get one line on the diagnostics stream, "PATH: reason", and leave no contents:
// - a missing or unreadable file, or a directory: "cannot open: " and the system's reason;
// - a read or mapping that fails: "cannot read: " and the system's reason, or "not enough memory
//   for a map of its N bytes";
// - a stream longer than kMaxStreamBytes: "cannot read: more than 2 GiB from a file that is not
//   a regular file", and memory that cannot be had for a stream: "cannot read: not enough
//   memory";
// - a file that shrinks while it is read, whether or not the reader reached the cut: "changed
//   while being read", once, through sayChanged() or intact().
// A file that grows or is rewritten in place meanwhile is read as it is found.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace kalderino {

// Main thread only: the table of mappings the SIGBUS handler repairs is not synchronised.
class FileContents {
public:
    // The most bytes read from an input that is not a regular file (a pipe, FIFO or device,
    // which may never end): 2 GiB.
    static constexpr std::size_t kMaxStreamBytes = std::size_t{2} << 30;

    FileContents() = default;
    ~FileContents();
    FileContents(const FileContents&) = delete;
    FileContents& operator=(const FileContents&) = delete;

    // Opens and maps (or reads) the file at path. Returns false after a diagnostic.
    bool load(const std::string& path, std::FILE* diagnostics = stderr);

    const char* data() const { return bytes; }
    std::size_t size() const { return length; }

    // Says that the bytes before position, a place in data(), are read no more: a mapped file's
    // pages up to it leave memory, so that a big file read front to back never takes all of
    // its size at once. Should they be read again after all, they come back from the file. A
    // stream, kept nowhere else, keeps its bytes.
    void discardBefore(const char* position) const;

    // While reading: whether the file has been found shorter than it was mapped, so that what
    // follows the cut reads as zeros.
    bool shrunk() const;
    // "PATH: changed while being read", unless said already; returns false.
    bool sayChanged() const;
    // After reading: false, after sayChanged(), when the file shrank meanwhile.
    bool intact() const;

    // Opens path for reading and fills status; a directory counts as a file that cannot be
    // opened. Returns the descriptor, or -1 after the "cannot open" line on diagnostics.
    static int open(const std::string& path, std::FILE* diagnostics, struct stat& status);

private:
    void release();

    std::string path;
    std::FILE* diagnostics = stderr;
    const char* bytes = "";
    std::size_t length = 0;
    void* mapping = nullptr;            // owned, length bytes, when the file is mapped
    std::size_t streamRoom = 0;         // when mapping holds a stream read into memory: its length
    int slot = -1;                      // its entry in the table the SIGBUS handler searches
    int descriptor = -1;                // owned, the mapped file's
    mutable std::size_t discarded = 0;  // bytes from the start whose pages have left memory

    mutable bool changeSaid = false;  // "changed while being read" has been said
};

}  // namespace kalderino
