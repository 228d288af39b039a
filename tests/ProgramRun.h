// ProgramRun: a command line run from a test as a process, its status and output byte for byte;
// and the texts tests read from files and from what programs print.
#pragma once

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kalderino {

struct Outcome {
    int status = -1;  // the exit status, or minus the signal that ended the command
    std::string out;
    std::string err;
    bool operator==(const Outcome& other) const {
        return status == other.status && out == other.out && err == other.err;
    }
};

inline void PrintTo(const Outcome& outcome, std::ostream* os) {
    *os << "status " << outcome.status << ", stdout \"" << outcome.out << "\", stderr \""
        << outcome.err << "\"";
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The text by its words, one space between them: line breaks and indentation fall anywhere.
inline std::string squeezed(const std::string& text) {
    std::istringstream words(text);
    std::string joined;
    for (std::string word; words >> word;) joined += (joined.empty() ? "" : " ") + word;
    return joined;
}

// A line of a desktop file ("Key=value"): the value, or "" when the file has no such key.
inline std::string entryValue(const std::string& path, const std::string& key) {
    std::istringstream entry(readFile(path));
    for (std::string line; std::getline(entry, line);)
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return "";
}

// The limits of a run; 0: none.
struct Limits {
    long addressMiB = 0;
    int openFiles = 0;
    bool killRest = false;  // kill what it left running in the background once it ends
};

// Runs line with /bin/sh, input from /dev/null, within limits and no core file; during is called
// with the shell's pid (the program's, after exec). One running after seconds is killed, saying so.
inline Outcome run(const std::string& line, const std::function<void(pid_t)>& during = {},
                   int seconds = 300, Limits limits = {}) {
    const int out = ::memfd_create("stdout", 0), err = ::memfd_create("stderr", 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, 0), ::dup2(out, 1), ::dup2(err, 2);
        const auto limit = [](int resource, rlim_t value) {
            const struct rlimit both { value, value };
            ::setrlimit(resource, &both);
        };
        limit(RLIMIT_CORE, 0);
        if (limits.addressMiB != 0) limit(RLIMIT_AS, rlim_t(limits.addressMiB) << 20);
        if (limits.openFiles != 0) limit(RLIMIT_NOFILE, rlim_t(limits.openFiles));
        ::execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (during) during(pid);
    int status = 0;
    bool late = false;
    for (int waited = 0; !late && ::waitpid(pid, &status, WNOHANG) == 0; waited += 2) {
        late = waited >= seconds * 1000;
        if (late) ::kill(-pid, SIGKILL), ::waitpid(pid, &status, 0);
        ::usleep(2000);
    }
    if (limits.killRest) ::kill(-pid, SIGKILL);
    const auto text = [](int fd) {
        std::string bytes(static_cast<std::size_t>(::lseek(fd, 0, SEEK_END)), '\0');
        if (::pread(fd, bytes.data(), bytes.size(), 0) < 0) bytes.clear();
        ::close(fd);
        return bytes;
    };
    Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status), text(out),
                    text(err)};
    if (late) outcome.err += "still running after " + std::to_string(seconds) + " s\n";
    return outcome;
}

// The paths under the working folder, relative to it.
inline std::set<std::string> filesHere() {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("."))
        names.insert(std::filesystem::relative(entry.path()).string());
    return names;
}

}  // namespace kalderino
