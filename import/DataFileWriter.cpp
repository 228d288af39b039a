// DataFileWriter: placement, number formatting and the safe write of the data file.
#include "import/DataFileWriter.h"

#include "io/Diagnostic.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kFlushSize = 1 << 20;
constexpr std::size_t kProgressTriangles = 1000000;

void appendInt(std::string& text, long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, result.ptr);
}

// Shortest round trip in fixed notation: the reader takes exponents too, but people and other
// tools read plain decimals more easily.
void appendFloat(std::string& text, float value, int decimals) {
    char buffer[96];  // the longest fixed forms, of the tiniest floats, take 49 characters
    const auto result =
        decimals < 0
            ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
            : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                            std::min(decimals, 40));
    text.append(buffer, result.ptr);
}

// Appends the data file's text to text, handing it to flush(text, trianglesWritten, false)
// whenever a chunk is ready and to flush(text, trianglesWritten, true) at the end.
template <typename Flush>
void format(const std::vector<TriangleMesh>& meshes, int decimals, std::string& text, Flush flush) {
    std::size_t written = 0;
    appendInt(text, static_cast<long>(meshes.size()));
    text += '\n';
    for (const TriangleMesh& mesh : meshes) {
        text += mesh.name;
        text += '\n';
        appendInt(text, static_cast<long>(mesh.points.size()));
        text += '\n';
        for (const auto& p : mesh.points) {
            for (std::size_t k = 0; k < 3; ++k) {
                appendFloat(text, p[k], decimals);
                text += k < 2 ? ' ' : '\n';
            }
            flush(text, written, false);
        }
        appendInt(text, static_cast<long>(mesh.triangles.size()));
        text += '\n';
        for (const auto& t : mesh.triangles) {
            for (std::size_t k = 0; k < 3; ++k) {
                appendInt(text, t[k] + 1L);
                text += k < 2 ? ' ' : '\n';
            }
            flush(text, ++written, false);
        }
    }
    flush(text, written, true);
}

// Owns the temporary file until it is renamed into place; removes it otherwise.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) : path(target + ".XXXXXX") {
        fd = ::mkstemp(path.data());
        if (fd < 0) return;
        // mkstemp creates the file for its owner only; a data file gets the usual permissions.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    ~TemporaryFile() {
        if (fd >= 0) ::close(fd);
        if (!renamed && fd >= 0) ::unlink(path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool writeAll(const std::string& text) {
        for (std::size_t done = 0; done < text.size();) {
            const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote < 0) return false;
            done += static_cast<std::size_t>(wrote);
        }
        return true;
    }
    // Renames the finished file to target; refuses to replace a file unless overwrite is set.
    bool commit(const std::string& target, bool overwrite) {
        if (::fsync(fd) != 0) return false;
        const int flags = overwrite ? 0 : RENAME_NOREPLACE;
        int result = ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), flags);
        // Some file systems cannot refuse atomically; check first there instead.
        if (result != 0 && errno == EINVAL && !overwrite) {
            if (::access(target.c_str(), F_OK) == 0) {
                errno = EEXIST;
                return false;
            }
            result = ::rename(path.c_str(), target.c_str());
        }
        renamed = result == 0;
        return renamed;
    }

    std::string path;
    int fd = -1;

private:
    bool renamed = false;
};

}  // namespace

std::string dataFileText(const std::vector<TriangleMesh>& meshes, int decimals) {
    std::string text;
    format(meshes, decimals, text, [](std::string&, std::size_t, bool) {});
    return text;
}

void fitToView(std::vector<TriangleMesh>& meshes) {
    double low[3], high[3];
    std::fill(low, low + 3, std::numeric_limits<double>::infinity());
    std::fill(high, high + 3, -std::numeric_limits<double>::infinity());
    for (const TriangleMesh& mesh : meshes) {
        for (const auto& p : mesh.points) {
            for (std::size_t k = 0; k < 3; ++k) {
                low[k] = std::min(low[k], static_cast<double>(p[k]));
                high[k] = std::max(high[k], static_cast<double>(p[k]));
            }
        }
    }
    if (!(low[0] <= high[0])) return;  // no points at all
    const double extent = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
    const double scale = extent > 0.0 ? kViewBoxSize / extent : 1.0;
    for (TriangleMesh& mesh : meshes) {
        for (auto& p : mesh.points) {
            for (std::size_t k = 0; k < 3; ++k) {
                const double middle = (low[k] + high[k]) / 2.0;
                p[k] = static_cast<float>(kViewCentre[k] + (p[k] - middle) * scale);
            }
        }
    }
}

bool DataFileWriter::write(const std::string& path, const std::vector<TriangleMesh>& meshes) {
    if (!overwrite && ::access(path.c_str(), F_OK) == 0) {
        reportError(diagnostics, path, 0, "already exists; pass --force to replace it");
        return false;
    }
    TemporaryFile file(path);
    if (file.fd < 0) {
        reportError(diagnostics, path, 0,
                    std::string("cannot create a temporary file beside it: ") +
                        std::strerror(errno));
        return false;
    }

    std::size_t total = 0;
    for (const TriangleMesh& mesh : meshes) total += mesh.triangles.size();
    const bool progress = showProgress && diagnostics != nullptr && total > kProgressTriangles;
    int shown = -1;
    std::string text;
    text.reserve(kFlushSize + 4096);
    bool ok = true;
    format(meshes, decimals, text, [&](std::string& chunk, std::size_t written, bool last) {
        if (!ok || (!last && chunk.size() < kFlushSize)) return;
        ok = file.writeAll(chunk);
        chunk.clear();
        const int percent = total > 0 ? static_cast<int>(100 * written / total) : 100;
        if (progress && percent != shown) {
            shown = percent;
            std::fprintf(diagnostics, "\rwriting %s: %d%%%s", path.c_str(), percent,
                         last ? "\n" : "");
            std::fflush(diagnostics);
        }
    });
    if (!ok || !file.commit(path, overwrite)) {
        const int error = errno;
        reportError(diagnostics, path, 0,
                    error == EEXIST ? "already exists; pass --force to replace it"
                                    : std::string("cannot write: ") + std::strerror(error));
        return false;
    }
    return true;
}
