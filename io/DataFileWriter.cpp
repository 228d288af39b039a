// DataFileWriter: placement, number formatting and the safe write of the data file.
#include "io/DataFileWriter.h"

#include "io/file/Diagnostic.h"
#include "io/file/TemporaryFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <future>
#include <limits>
#include <system_error>
#include <unistd.h>

namespace kalderino {

namespace {

constexpr std::size_t kProgressTriangles = 1000000;
// Lines of points or triangles formatted as one piece: some 2 MB of text.
constexpr std::size_t kPieceLines = 1 << 14;
// The most decimals a coordinate is written with.
constexpr int kMaxDecimals = 40;

// Room for the longest line of numbers, three coordinates and their separators: a float's
// shortest fixed form takes at most 49 characters, and with decimals it takes a sign, up to 39
// digits, a full stop and the decimals.
std::size_t lineRoom(int decimals) {
    const std::size_t longest = decimals < 0 ? 49 : 41 + static_cast<std::size_t>(decimals);
    return 3 * (longest + 1);
}

// A part of the file's text: words of its own, or a run of one mesh's point or triangle lines.
struct Piece {
    std::string words;
    const TriangleMesh* mesh = nullptr;
    bool triangles = false;
    std::size_t first = 0, last = 0;  // lines of the mesh's points or triangles
};

// The file in pieces, in order; formatting them takes no order.
std::vector<Piece> cut(const std::vector<TriangleMesh>& meshes) {
    std::vector<Piece> pieces;
    const auto words = [&pieces](const std::string& text) {
        if (pieces.empty() || pieces.back().mesh != nullptr) pieces.emplace_back();
        pieces.back().words += text;
    };
    const auto lines = [&pieces](const TriangleMesh& mesh, bool triangles, std::size_t count) {
        for (std::size_t first = 0; first < count; first += kPieceLines)
            pieces.push_back({"", &mesh, triangles, first, std::min(count, first + kPieceLines)});
    };
    words(std::to_string(meshes.size()) + "\n");
    for (const TriangleMesh& mesh : meshes) {
        words(mesh.name + "\n" + std::to_string(mesh.points.size()) + "\n");
        lines(mesh, false, mesh.points.size());
        words(std::to_string(mesh.triangles.size()) + "\n");
        lines(mesh, true, mesh.triangles.size());
    }
    return pieces;
}

// The piece's text in buffer, which keeps its room between pieces.
void format(const Piece& piece, int decimals, std::vector<char>& buffer, std::size_t& size) {
    if (piece.mesh == nullptr) {
        buffer.assign(piece.words.begin(), piece.words.end());
        size = buffer.size();
        return;
    }
    decimals = std::min(decimals, kMaxDecimals);
    buffer.resize(std::max(buffer.size(), kPieceLines * lineRoom(decimals)));
    char* at = buffer.data();
    char* const end = buffer.data() + buffer.size();
    // Shortest round trip in fixed notation unless decimals are asked for: the reader takes
    // exponents too, but people and other tools read plain decimals more easily.
    const auto coordinate = [&](float value, char after) {
        at = (decimals < 0 ? std::to_chars(at, end, value, std::chars_format::fixed)
                           : std::to_chars(at, end, value, std::chars_format::fixed, decimals))
                 .ptr;
        *at++ = after;
    };
    const auto index = [&](int value, char after) {
        at = std::to_chars(at, end, value + 1L).ptr;
        *at++ = after;
    };
    for (std::size_t line = piece.first; line < piece.last; ++line) {
        if (piece.triangles) {
            const auto& t = piece.mesh->triangles[line];
            index(t[0], ' '), index(t[1], ' '), index(t[2], '\n');
        } else {
            const auto& p = piece.mesh->points[line];
            coordinate(p[0], ' '), coordinate(p[1], ' '), coordinate(p[2], '\n');
        }
    }
    size = static_cast<std::size_t>(at - buffer.data());
}

// Writes the data file's text of meshes into file, showing the progress of big scenes on
// progress unless it is null; returns 0, or the errno of the write that failed.
int writeText(TemporaryFile& file, const std::vector<TriangleMesh>& meshes, int decimals,
              std::FILE* progress, const std::string& path) {
    std::size_t total = 0;
    for (const TriangleMesh& mesh : meshes) total += mesh.triangles.size();
    if (total <= kProgressTriangles) progress = nullptr;
    int shown = -1;
    std::size_t written = 0;
    int error = 0;
    const auto put = [&file, &error](const std::vector<char>& buffer, std::size_t size) {
        if (error != 0) return;
        if (!file.writeAll(buffer.data(), size)) {
            error = errno;
            return;
        }
        file.startWriteBack(size);
    };
    // Two pieces at a time, the second on a thread of its own: formatting numbers takes most of
    // the time, and the machine has another processor.
    const std::vector<Piece> pieces = cut(meshes);
    std::vector<char> buffers[2];
    std::size_t sizes[2] = {0, 0};
    for (std::size_t i = 0; i < pieces.size() && error == 0; i += 2) {
        std::future<void> second;
        if (i + 1 < pieces.size()) {
            const auto formatSecond = [&, i] {
                format(pieces[i + 1], decimals, buffers[1], sizes[1]);
            };
            try {
                second = std::async(std::launch::async, formatSecond);
            } catch (const std::system_error&) {
                second = std::async(std::launch::deferred, formatSecond);  // no thread to be had
            }
        }
        format(pieces[i], decimals, buffers[0], sizes[0]);
        put(buffers[0], sizes[0]);
        if (second.valid()) {
            second.get();
            put(buffers[1], sizes[1]);
        }
        for (std::size_t k = i; k < std::min(i + 2, pieces.size()); ++k)
            if (pieces[k].triangles) written += pieces[k].last - pieces[k].first;
        const int percent = total > 0 ? static_cast<int>(100 * written / total) : 100;
        if (progress != nullptr && percent != shown) {
            shown = percent;
            std::fprintf(progress, "\rwriting %s: %d%%%s", path.c_str(), percent,
                         i + 2 >= pieces.size() ? "\n" : "");
            std::fflush(progress);
        }
    }
    return error;
}

}  // namespace

std::string dataFileText(const std::vector<TriangleMesh>& meshes, int decimals) {
    std::string text;
    std::vector<char> buffer;
    std::size_t size = 0;
    for (const Piece& piece : cut(meshes)) {
        format(piece, decimals, buffer, size);
        text.append(buffer.data(), size);
    }
    return text;
}

bool DataFileWriter::canWrite(const std::string& path) const {
    if (overwrite || TemporaryFile::isStream(path) || ::access(path.c_str(), F_OK) != 0)
        return true;
    reportError(diagnostics, path, 0, exists());
    return false;
}

bool DataFileWriter::write(const std::string& path, const std::vector<TriangleMesh>& meshes) {
    if (!canWrite(path)) return false;
    TemporaryFile file(path);
    if (file.descriptor() < 0) {
        reportError(diagnostics, path, 0,
                    std::string("cannot create a temporary file beside it: ") +
                        std::strerror(errno));
        return false;
    }
    int error = writeText(file, meshes, decimals, showProgress ? diagnostics : nullptr, path);
    if (error == 0 && !file.commit(path, overwrite, true)) error = errno;
    if (error != 0) {
        reportError(diagnostics, path, 0,
                    error == EEXIST ? exists()
                                    : std::string("cannot write: ") + std::strerror(error));
        return false;
    }
    return true;
}

}  // namespace kalderino
