// TemporaryFile: a new file beside the one it will become, written whole and then renamed into
// place, so that nobody ever sees that file half-written.
//
// A temporary file that is not renamed is removed when it is destroyed, and also when the
// process is ended by SIGINT, SIGTERM or SIGHUP meanwhile: a handler removes every temporary
// file still open, then ends the process as the signal would have. Failures leave errno set.
//
// Threads: create, commit and destroy temporary files on one thread. The handler's list is
// changed with those signals blocked on that thread only, so it is whole for the handler only if
// no other thread takes one of them in that moment; give other threads those signals blocked.
#pragma once

#include <cstddef>
#include <string>

class TemporaryFile {
public:
    // Creates TARGET.XXXXXX with the permissions a new file gets; check descriptor() >= 0.
    explicit TemporaryFile(const std::string& target);
    ~TemporaryFile();  // closes the file, and removes it unless it was renamed
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool writeAll(const char* data, std::size_t size);
    // Has the system start writing the last size bytes written back to disk at once, so that
    // the flush at the end finds little left to wait for.
    void startWriteBack(std::size_t size);
    // Flushes the file to disk when durable is set, then renames it to target; refuses to
    // replace a file unless overwrite is set (errno EEXIST).
    bool commit(const std::string& target, bool overwrite, bool durable);

    int descriptor() const { return fd; }
    const std::string& path() const { return name; }

    struct Entry;  // of the list of files the signal handler removes

private:
    std::string name;
    int fd = -1;
    std::size_t written = 0;  // bytes so far
    Entry* entry = nullptr;   // in the list the signal handler removes files from
    bool renamed = false;
};
