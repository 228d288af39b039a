// weldAndOrder: welding by hashing in cache-sized partitions beside a radix sort along a Morton
// curve, one on each of two threads, then one numbering walk.
#include "import/WeldAndOrder.h"

#include "mesh/TwoThreads.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace kalderino {

namespace {

using Point = std::array<float, 3>;
using Colour = std::array<std::uint8_t, 4>;
constexpr std::uint32_t kNone = ~std::uint32_t{0};
// Below this many points and triangles one thread does all: a second costs what it saves.
constexpr std::size_t kThreaded = std::size_t{1} << 16;
// Points per welding partition, about: their entries and table stay in the processor's cache.
constexpr std::size_t kPartitionPoints = 4096;
constexpr int kMaxPartitionBits = 16;
constexpr int kCurveBits = 8;  // per axis: a curve through 2^24 cells
constexpr int kDigitBits = 8;  // per radix pass
constexpr std::size_t kDigits = std::size_t{1} << kDigitBits;

// A point with its colour, welded as one key.
struct ColouredPoint {
    Point position;
    Colour colour;
};
static_assert(sizeof(ColouredPoint) == 16, "no padding to compare");

std::uint64_t hashOf(const Point& p, std::uint32_t more = 0) {
    std::uint32_t bits[3];
    std::memcpy(bits, p.data(), sizeof bits);
    std::uint64_t h = (std::uint64_t{bits[0]} << 32 | bits[1]) * 0x9E3779B97F4A7C15u;
    h = (h ^ h >> 32) + (std::uint64_t{more} << 32 | bits[2]) * 0xC2B2AE3D27D4EB4Fu;
    h = (h ^ h >> 29) * 0xBF58476D1CE4E5B9u;
    return h ^ h >> 32;
}

std::uint64_t hashOf(const ColouredPoint& p) {
    std::uint32_t colour;
    std::memcpy(&colour, p.colour.data(), sizeof colour);
    return hashOf(p.position, colour);
}

template <typename Key> bool samePosition(const Key& a, const Key& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

template <typename Key> struct Entry {
    Key position;
    std::uint32_t index;
};

// For every point, the first point at its position (itself when it is the first); positions
// is set to the number of different positions. The points are scattered by hash into
// partitions small enough for the cache, keeping their order in each, and every partition is
// welded with a table of its own: a few passes in memory order where one table for all would
// miss the cache at nearly every point.
template <typename Key>
std::unique_ptr<std::uint32_t[]> firstAtSamePosition(const std::vector<Key>& points,
                                                     std::size_t& positions) {
    const std::size_t count = points.size();
    int bits = 0;
    while (bits < kMaxPartitionBits && (count >> bits) > kPartitionPoints) ++bits;
    const std::size_t partitions = std::size_t{1} << bits;
    const auto partitionOf = [bits](std::uint64_t hash) {
        return bits == 0 ? std::size_t{0} : static_cast<std::size_t>(hash >> (64 - bits));
    };
    std::vector<std::size_t> starts(partitions + 1, 0);  // of each partition in entries
    for (const Key& p : points) ++starts[partitionOf(hashOf(p)) + 1];
    for (std::size_t p = 0; p < partitions; ++p) starts[p + 1] += starts[p];
    std::vector<std::size_t> next(starts.begin(), starts.end() - 1);
    const std::unique_ptr<Entry<Key>[]> entries(new Entry<Key>[count]);
    for (std::size_t i = 0; i < count; ++i)
        entries[next[partitionOf(hashOf(points[i]))]++] = {points[i],
                                                           static_cast<std::uint32_t>(i)};

    std::unique_ptr<std::uint32_t[]> first(new std::uint32_t[count]);
    positions = 0;
    std::vector<std::uint32_t> table;  // offsets into the partition's entries, or kNone
    for (std::size_t p = 0; p < partitions; ++p) {
        const Entry<Key>* entry = entries.get() + starts[p];
        const std::size_t size = starts[p + 1] - starts[p];
        std::size_t slots = 16;
        while (slots < 2 * size) slots *= 2;
        table.assign(slots, kNone);
        for (std::size_t e = 0; e < size; ++e) {
            std::size_t slot = hashOf(entry[e].position) & (slots - 1);
            while (table[slot] != kNone &&
                   !samePosition(entry[table[slot]].position, entry[e].position))
                slot = (slot + 1) & (slots - 1);
            if (table[slot] == kNone) {
                table[slot] = static_cast<std::uint32_t>(e);
                ++positions;
            }
            first[entry[e].index] = entry[table[slot]].index;
        }
    }
    return first;
}

// Spreads the low 10 bits of v three apart (kCurveBits of them are used).
std::uint32_t spread(std::uint32_t v) {
    v = (v | v << 16) & 0x030000FFu;
    v = (v | v << 8) & 0x0300F00Fu;
    v = (v | v << 4) & 0x030C30C3u;
    return (v | v << 2) & 0x09249249u;
}

// The triangles' numbers, in the low half of each entry, in the order of a Morton curve
// through their centroids within the box of all points; triangles in the same cell keep the
// order given.
std::unique_ptr<std::uint64_t[]> curveOrder(const std::vector<Point>& points,
                                            const std::vector<std::uint32_t>& corners) {
    const std::size_t triangles = corners.size() / 3;
    Point low{}, high{};
    if (!points.empty()) low = high = points[0];
    for (const Point& p : points) {
        for (std::size_t k = 0; k < 3; ++k) {
            low[k] = std::min(low[k], p[k]);
            high[k] = std::max(high[k], p[k]);
        }
    }
    // In double precision, where no difference of floats overflows.
    double extent = 0.0;
    for (std::size_t k = 0; k < 3; ++k)
        extent = std::max(extent, static_cast<double>(high[k]) - static_cast<double>(low[k]));
    const double cells = static_cast<double>((1 << kCurveBits) - 1);
    const double scale = extent > 0.0 ? cells / (3.0 * extent) : 0.0;  // of corner sums

    // The curve's cell in the upper half, the triangle's number in the lower: sorting by the
    // whole keeps the triangles of a cell in the order given.
    std::unique_ptr<std::uint64_t[]> keys(new std::uint64_t[triangles]);
    for (std::size_t t = 0; t < triangles; ++t) {
        const Point& a = points[corners[3 * t]];
        const Point& b = points[corners[3 * t + 1]];
        const Point& c = points[corners[3 * t + 2]];
        std::uint32_t code = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            const double sum = (static_cast<double>(a[k]) - low[k]) +
                               (static_cast<double>(b[k]) - low[k]) +
                               (static_cast<double>(c[k]) - low[k]);
            const double cell = std::min(std::max(sum * scale + 0.5, 0.0), cells);
            code |= spread(static_cast<std::uint32_t>(cell)) << (2 - k);
        }
        keys[t] = std::uint64_t{code} << 32 | t;
    }

    // Least significant digit first, each pass stable.
    std::unique_ptr<std::uint64_t[]> spare(new std::uint64_t[triangles]);
    std::vector<std::size_t> next(kDigits);
    for (int shift = 32; shift < 32 + 3 * kCurveBits; shift += kDigitBits) {
        const auto digitOf = [shift](std::uint64_t key) {
            return static_cast<std::size_t>(key >> shift) & (kDigits - 1);
        };
        std::fill(next.begin(), next.end(), 0);
        for (std::size_t t = 0; t < triangles; ++t) ++next[digitOf(keys[t])];
        std::size_t start = 0;
        for (std::size_t& digit : next) start += std::exchange(digit, start);
        for (std::size_t t = 0; t < triangles; ++t) spare[next[digitOf(keys[t])]++] = keys[t];
        keys.swap(spare);
    }
    return keys;
}

// For every point, the first point at its position and of its colour.
std::unique_ptr<std::uint32_t[]> firstAlike(const std::vector<Point>& points,
                                            const std::vector<Colour>& colours,
                                            std::size_t& positions) {
    if (colours.empty()) return firstAtSamePosition(points, positions);
    std::vector<ColouredPoint> keys(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) keys[i] = {points[i], colours[i]};
    return firstAtSamePosition(keys, positions);
}

}  // namespace

void weldAndOrder(const std::vector<Point>& points, const std::vector<Colour>& colours,
                  const std::vector<std::uint32_t>& corners, TriangleMesh& mesh) {
    const std::size_t triangles = corners.size() / 3;
    // Welding and sorting need nothing of each other: one thread each, joined once.
    std::size_t positions = 0;
    std::unique_ptr<std::uint32_t[]> first;
    std::unique_ptr<std::uint64_t[]> order;
    const int parts = points.size() >= kThreaded || triangles >= kThreaded ? 2 : 1;
    runInParts(parts, [&](int part) {
        if (part == 0) order = curveOrder(points, corners);
        if (part == 1 || parts == 1) first = firstAlike(points, colours, positions);
    });

    // A position's number, once a sorted triangle has used it, takes the place of its first
    // point's entry in first[], marked by the top bit; other points' entries keep pointing to
    // their first. The corners and entries a triangle needs are fetched ahead: in sorted order
    // each triangle's would miss the cache.
    constexpr std::uint32_t kNumbered = std::uint32_t{1} << 31;
    constexpr std::size_t kAhead = 16;
    std::uint32_t numbered = 0;
    const auto numberOf = [&](std::uint32_t point) {
        std::uint32_t entry = first[point];
        if ((entry & kNumbered) != 0) return entry & ~kNumbered;
        if (entry != point) {
            point = entry;
            entry = first[point];
            if ((entry & kNumbered) != 0) return entry & ~kNumbered;
        }
        first[point] = numbered | kNumbered;
        mesh.points.push_back(points[point]);
        if (!colours.empty()) mesh.colours.push_back(colours[point]);
        return numbered++;
    };
    mesh.points.clear();
    mesh.colours.clear();
    mesh.points.reserve(positions);
    mesh.colours.reserve(
        colours.empty() ? 0 : positions);  // more only when some point is used by no triangle
    mesh.triangles.clear();
    mesh.triangles.reserve(triangles);
    for (std::size_t i = 0; i < triangles; ++i) {
        if (i + kAhead < triangles)
            __builtin_prefetch(&corners[3 * static_cast<std::uint32_t>(order[i + kAhead])]);
        if (i + kAhead / 2 < triangles) {
            const std::size_t ahead = static_cast<std::uint32_t>(order[i + kAhead / 2]);
            for (std::size_t k = 0; k < 3; ++k) __builtin_prefetch(&first[corners[3 * ahead + k]]);
        }
        const std::size_t t = static_cast<std::uint32_t>(order[i]);
        mesh.triangles.push_back({static_cast<int>(numberOf(corners[3 * t])),
                                  static_cast<int>(numberOf(corners[3 * t + 1])),
                                  static_cast<int>(numberOf(corners[3 * t + 2]))});
    }
    mesh.points.shrink_to_fit();
    mesh.colours.shrink_to_fit();
}

}  // namespace kalderino
