// FolderFiles: one listing of the folder, sorted, and a step through it.
#include "session/FolderFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace kalderino {

std::string fileBeside(const std::string& path, int step,
                       const std::function<bool(const std::string&)>& shown, std::string& error) {
    const std::size_t slash = path.find_last_of('/');
    const std::string prefix = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string self = path.substr(prefix.size());
    DIR* folder = ::opendir(prefix.empty() ? "." : prefix.c_str());
    if (folder == nullptr) {
        error = (prefix.empty() ? "." : prefix) + ": cannot list: " + std::strerror(errno);
        return "";
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        struct stat status {};
        if (name[0] == '.' || ::stat((prefix + name).c_str(), &status) != 0 ||
            !S_ISREG(status.st_mode) || !shown(prefix + name))
            continue;
        names.push_back(name);
    }
    ::closedir(folder);
    std::sort(names.begin(), names.end());
    if (names.empty()) return path;
    // Where path is, or would be, in the order; then a step from there, going round.
    const auto at = std::lower_bound(names.begin(), names.end(), self);
    const bool found = at != names.end() && *at == self;
    const long count = static_cast<long>(names.size());
    long index = at - names.begin();
    if (step > 0) {
        index = found ? index + 1 : index;
    } else {
        index = index - 1;
    }
    index = ((index % count) + count) % count;
    return prefix + names[static_cast<std::size_t>(index)];
}

}  // namespace kalderino
