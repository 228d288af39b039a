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

// Room for the longest line of numbers: three coordinates of at most 49 characters each.
constexpr std::size_t kLineRoom = 256;

// The text in chunks of about kFlushSize bytes, handed to flush(data, size, triangles written,
// last) as each fills; numbers are written straight into the chunk.
template <typename Flush> class Chunks {
public:
    Chunks(int decimals, Flush flush)
        : buffer(kFlushSize + kLineRoom), at(buffer.data()), decimals(decimals), flush(flush) {}

    void text(const std::string& s) {
        for (std::size_t done = 0; done < s.size();) {
            const std::size_t room = static_cast<std::size_t>(limit() - at);
            if (room == 0) handOver(false);
            const std::size_t part = std::min(room == 0 ? kFlushSize : room, s.size() - done);
            std::memcpy(at, s.data() + done, part);
            at += part;
            done += part;
        }
    }
    void integer(long value) { at = std::to_chars(at, end(), value).ptr; }
    // Shortest round trip in fixed notation unless decimals are asked for: the reader takes
    // exponents too, but people and other tools read plain decimals more easily.
    void coordinate(float value) {
        at = (decimals < 0 ? std::to_chars(at, end(), value, std::chars_format::fixed)
                           : std::to_chars(at, end(), value, std::chars_format::fixed,
                                           std::min(decimals, 40)))
                 .ptr;
    }
    void put(char c) { *at++ = c; }
    void endLine() {
        *at++ = '\n';
        if (at >= limit()) handOver(false);
    }
    void finish() { handOver(true); }

    std::size_t written = 0;  // triangles, for the progress

private:
    char* limit() { return buffer.data() + kFlushSize; }
    char* end() { return buffer.data() + buffer.size(); }
    void handOver(bool last) {
        flush(buffer.data(), static_cast<std::size_t>(at - buffer.data()), written, last);
        at = buffer.data();
    }

    std::vector<char> buffer;
    char* at;
    int decimals;
    Flush flush;
};

template <typename Flush> void format(const std::vector<TriangleMesh>& meshes, Chunks<Flush>& out) {
    out.integer(static_cast<long>(meshes.size()));
    out.endLine();
    for (const TriangleMesh& mesh : meshes) {
        out.text(mesh.name);
        out.endLine();
        out.integer(static_cast<long>(mesh.points.size()));
        out.endLine();
        for (const auto& p : mesh.points) {
            out.coordinate(p[0]);
            out.put(' ');
            out.coordinate(p[1]);
            out.put(' ');
            out.coordinate(p[2]);
            out.endLine();
        }
        out.integer(static_cast<long>(mesh.triangles.size()));
        out.endLine();
        for (const auto& t : mesh.triangles) {
            out.integer(t[0] + 1L);
            out.put(' ');
            out.integer(t[1] + 1L);
            out.put(' ');
            out.integer(t[2] + 1L);
            out.endLine();
            ++out.written;
        }
    }
    out.finish();
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

    bool writeAll(const char* data, std::size_t size) {
        for (std::size_t done = 0; done < size;) {
            const ssize_t wrote = ::write(fd, data + done, size - done);
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
    const auto append = [&text](const char* data, std::size_t size, std::size_t, bool) {
        text.append(data, size);
    };
    Chunks<decltype(append)> out(decimals, append);
    format(meshes, out);
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
    bool ok = true;
    const auto write = [&](const char* data, std::size_t size, std::size_t written, bool last) {
        if (!ok) return;
        ok = file.writeAll(data, size);
        const int percent = total > 0 ? static_cast<int>(100 * written / total) : 100;
        if (progress && percent != shown) {
            shown = percent;
            std::fprintf(diagnostics, "\rwriting %s: %d%%%s", path.c_str(), percent,
                         last ? "\n" : "");
            std::fflush(diagnostics);
        }
    };
    Chunks<decltype(write)> out(decimals, write);
    format(meshes, out);
    if (!ok || !file.commit(path, overwrite)) {
        const int error = errno;
        reportError(diagnostics, path, 0,
                    error == EEXIST ? "already exists; pass --force to replace it"
                                    : std::string("cannot write: ") + std::strerror(error));
        return false;
    }
    return true;
}
