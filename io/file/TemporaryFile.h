// TemporaryFile: a new file beside the one it will become, written whole and then put in its
// place, so that nobody ever sees that file half-written.
// Part of io/file/, the file plumbing under every reader and writer: whole files in, files
// written safely, and the shape of the lines that name a file; nothing of any format.
//
// Where the file system allows it the file is created unnamed (O_TMPFILE) and given its name
// only when complete, so that not even SIGKILL or a power cut leaves a partial or stray file.
// Elsewhere it is a named temporary, TARGET.XXXXXX (the target's name cut so that the whole fits
// NAME_MAX), which is removed when the object is destroyed, and also when the process is ended
// by SIGINT, SIGTERM, SIGHUP, SIGQUIT or SIGALRM meanwhile: a handler removes every temporary file
// still named, then ends the process as the signal would have. Failures leave errno set.
//
// A target that is not a regular file (a character device, a FIFO, /dev/stdout and the other
// names of the process's own descriptors) is never replaced: it is opened and written into as a
// stream, as the bytes come, and committing it does nothing more.
//
// Threads: create, commit and destroy temporary files on one thread. The handler's list is
// changed with those signals blocked on that thread only, so it is whole for the handler only if
// no other thread takes one of them in that moment; give other threads those signals blocked.
#pragma once

#include <csignal>
#include <cstddef>
#include <string>

namespace kalderino {

class TemporaryFile {
public:
    // Creates the file beside target with the permissions a new file gets, or opens the stream
    // target is; check descriptor() >= 0.
    explicit TemporaryFile(const std::string& target);
    ~TemporaryFile();  // closes the file, and removes it unless it was committed
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool writeAll(const char* data, std::size_t size);
    // Has the system start writing the last size bytes written back to disk at once, so that
    // the flush at the end finds little left to wait for.
    void startWriteBack(std::size_t size);
    // Flushes the file to disk when durable is set, then puts it in target's place; refuses to
    // replace a file unless overwrite is set (errno EEXIST).
    bool commit(const std::string& target, bool overwrite, bool durable);

    // Closes the file, so that it holds no descriptor while it waits to be committed; an unnamed
    // file first gets a temporary name beside its target. False with errno set when it cannot.
    bool closeUntilCommit();

    int descriptor() const { return fd; }
    bool stream() const { return streamed; }  // the target is written into, not replaced

    // Whether path names an existing file that is not a regular file or a directory (a
    // device, FIFO or socket), or a name in /dev or /proc, such as /dev/stdout.
    static bool isStream(const std::string& path);
    // Whether output names the same file as input (device and inode), whatever the path or
    // link; character devices (a terminal read and written) do not count.
    static bool sameFile(const std::string& output, const std::string& input);
    // Gives the file at path a second name beside it (a hard link) and returns that name; "" with
    // errno set where it cannot (a file system without hard links, a folder).
    static std::string secondName(const std::string& path);

    // Removes every named temporary file not yet given its name, as an ending signal does; safe
    // in a signal handler, for a program that ends on a signal of its own handling.
    static void removeUnfinished();

    struct Entry;  // of the list of files the signal handler removes

private:
    bool giveName();  // links the unnamed file to a temporary name beside the target

    std::string target;
    std::string name;  // the temporary name, once there is one
    int fd = -1;
    bool opened = false;   // whether creation succeeded (the descriptor may be parked since)
    bool unnamed = false;  // O_TMPFILE, not linked yet
    bool streamed = false;
    bool committed = false;
    std::size_t written = 0;  // bytes so far
    Entry* entry = nullptr;   // in the list the signal handler removes files from
};

// Holds SIGINT, SIGTERM, SIGHUP, SIGQUIT and SIGALRM back while it lives; they come when it ends.
class EndingSignalsHeld {
public:
    EndingSignalsHeld();
    ~EndingSignalsHeld();
    EndingSignalsHeld(const EndingSignalsHeld&) = delete;
    EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

private:
    sigset_t previous;
};

}  // namespace kalderino
