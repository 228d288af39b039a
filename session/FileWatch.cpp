// FileWatch: inotify's events on the files' folders, sorted by name.
#include "session/FileWatch.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace kalderino {

namespace {

// Everything that gives a name a new file or new contents, or takes it away.
constexpr std::uint32_t kEvents = IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE |
                                  IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_ONLYDIR;

std::pair<std::string, std::string> folderAndName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

FileWatch::~FileWatch() { close(); }

void FileWatch::close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    files.clear();
}

bool FileWatch::watch(const std::vector<std::string>& paths, std::string& error) {
    close();
    fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        error = std::string("cannot watch the files: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> names = paths;
    for (const std::string& path : paths) {
        char* real = ::realpath(path.c_str(), nullptr);
        if (real != nullptr && path != real) names.push_back(real);
        std::free(real);
    }
    for (const std::string& path : names) {
        const auto [folder, name] = folderAndName(path);
        // One descriptor for each folder, however many files it holds.
        const int descriptor = ::inotify_add_watch(fd, folder.c_str(), kEvents);
        if (descriptor < 0) {
            error = folder + ": cannot watch: " + std::strerror(errno);
            close();
            return false;
        }
        files.push_back({descriptor, name, false});
    }
    pending = false;
    return true;
}

void FileWatch::poll(double now) {
    if (fd < 0) return;
    alignas(inotify_event) char buffer[64 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) return;  // EAGAIN: nothing more for now
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            // Events were lost: any file may have changed.
            const bool lost = (event->mask & IN_Q_OVERFLOW) != 0;
            bool ours = lost;
            for (File& file : files) {
                if (!lost &&
                    (event->wd != file.folder || event->len == 0 || file.name != event->name))
                    continue;
                ours = true;
                if ((event->mask & IN_MODIFY) != 0) {
                    file.writing = true;
                } else if ((event->mask & (IN_CLOSE_WRITE | IN_CREATE | IN_MOVED_TO)) != 0) {
                    file.writing = false;  // closed, or another file under the name
                }
            }
            if (!ours) continue;
            pending = true;
            lastChange = now;
            ++changeCount;
        }
    }
}

double FileWatch::untilDue(double now) const {
    if (!pending) return -1.0;
    const bool writing =
        std::any_of(files.begin(), files.end(), [](const File& file) { return file.writing; });
    return std::max(0.0, lastChange + (writing ? kHeldOpen : kQuiet) - now);
}

}  // namespace kalderino
