// import_bench: kalderino-import on a generated 2M-triangle terrain in OBJ, binary STL, binary and
// ascii PLY, and OBJ and binary PLY with the triangles in random order: wall and processor time
// and peak memory of the whole process. With --write-models it only writes the files, for other
// benchmarks to read.
#include "tools/MeshGenerator.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace kalderino;

namespace {

constexpr long kTriangles = 2000000;

struct Format {
    const char* label;
    const char* file;
    std::string (*write)(const TriangleMesh&);
    bool shuffled;  // the triangles in random order, as a model's file may list them
    long bytes = 0;
};

template <typename T> void append(std::string& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string coordinates(const std::array<float, 3>& p) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f %.4f %.4f", p[0], p[1], p[2]);
    return text;
}

std::string obj(const TriangleMesh& mesh) {
    std::string out = "o terrain\n";
    for (const auto& p : mesh.points) out += "v " + coordinates(p) + "\n";
    char line[64];
    for (const auto& t : mesh.triangles) {
        std::snprintf(line, sizeof line, "f %d %d %d\n", t[0] + 1, t[1] + 1, t[2] + 1);
        out += line;
    }
    return out;
}

// Corners as the generator rounds them, so that every format holds the same numbers.
std::array<float, 3> rounded(const std::array<float, 3>& p) {
    std::array<float, 3> r;
    const std::string text = coordinates(p);
    std::sscanf(text.c_str(), "%f %f %f", &r[0], &r[1], &r[2]);
    return r;
}

std::string stl(const TriangleMesh& mesh) {
    std::string out(80, '\0');
    append(out, static_cast<std::uint32_t>(mesh.triangles.size()));
    std::vector<std::array<float, 3>> points;
    for (const auto& p : mesh.points) points.push_back(rounded(p));
    for (const auto& t : mesh.triangles) {
        for (int k = 0; k < 3; ++k) append(out, 0.0f);  // the normal, which readers recompute
        for (int corner : t)
            for (float value : points[static_cast<std::size_t>(corner)]) append(out, value);
        append(out, std::uint16_t{0});
    }
    return out;
}

std::string plyHeader(const TriangleMesh& mesh, const char* format) {
    return std::string("ply\nformat ") + format + " 1.0\nelement vertex " +
           std::to_string(mesh.points.size()) +
           "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
           std::to_string(mesh.triangles.size()) +
           "\nproperty list uchar int vertex_indices\nend_header\n";
}

std::string binaryPly(const TriangleMesh& mesh) {
    std::string out = plyHeader(mesh, "binary_little_endian");
    for (const auto& p : mesh.points)
        for (float value : rounded(p)) append(out, value);
    for (const auto& t : mesh.triangles) {
        append(out, std::uint8_t{3});
        for (int corner : t) append(out, corner);
    }
    return out;
}

// The points, then "3 a b c" per triangle, 0-based: the body of an ascii PLY and of an OFF.
std::string pointsAndFaces(std::string out, const TriangleMesh& mesh) {
    for (const auto& p : mesh.points) out += coordinates(p) + "\n";
    char line[64];
    for (const auto& t : mesh.triangles) {
        std::snprintf(line, sizeof line, "3 %d %d %d\n", t[0], t[1], t[2]);
        out += line;
    }
    return out;
}

std::string asciiPly(const TriangleMesh& mesh) {
    return pointsAndFaces(plyHeader(mesh, "ascii"), mesh);
}

std::string off(const TriangleMesh& mesh) {
    return pointsAndFaces("OFF\n" + std::to_string(mesh.points.size()) + ' ' +
                              std::to_string(mesh.triangles.size()) + " 0\n",
                          mesh);
}

std::vector<Format> formats = {{"obj", "terrain.obj", obj, false},
                               {"stl_binary", "terrain.stl", stl, false},
                               {"ply_binary", "terrain.ply", binaryPly, false},
                               {"ply_ascii", "terrain_ascii.ply", asciiPly, false},
                               {"obj_shuffled", "terrain_shuffled.obj", obj, true},
                               {"ply_binary_shuffled", "terrain_shuffled.ply", binaryPly, true}};
std::string folder;
// Written by --write-models only: no reader of ours is slower on it than on ascii PLY.
const Format kOff = {"off", "terrain.off", off, false};

bool writeFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written =
        file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file != nullptr && std::fclose(file) != 0) return false;
    return written;
}

// Writes the terrain in every format into folder; false, with a message, if one fails.
bool writeModels(long triangles, std::vector<Format>& list) {
    const TriangleMesh mesh = terrain("terrain", triangles, 1);
    TriangleMesh shuffled = mesh;
    std::shuffle(shuffled.triangles.begin(), shuffled.triangles.end(), std::mt19937(12345));
    for (Format& format : list) {
        const std::string bytes = format.write(format.shuffled ? shuffled : mesh);
        format.bytes = static_cast<long>(bytes.size());
        if (!writeFile(folder + "/" + format.file, bytes)) {
            std::fprintf(stderr, "import_bench: cannot write %s/%s\n", folder.c_str(), format.file);
            return false;
        }
    }
    return true;
}
// One run of the importer; false if it failed. Times in seconds, memory in KiB.
bool importOnce(const Format& format, double& wall, double& cpu, long& peak) {
    const std::string input = folder + "/" + format.file;
    const std::string output = folder + "/dataTest3.dat";
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
        ::execl(KALDERINO_IMPORT, KALDERINO_IMPORT, "--force", "-o", output.c_str(), input.c_str(),
                static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child) return false;
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    peak = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void runImport(benchmark::State& state, const Format& format) {
    double cpuTotal = 0.0;
    long peak = 0;
    for (auto _ : state) {
        double wall = 0.0, cpu = 0.0;
        long rss = 0;
        if (!importOnce(format, wall, cpu, rss)) {
            state.SkipWithError("kalderino-import failed");
            break;
        }
        state.SetIterationTime(wall);
        cpuTotal += cpu;
        peak = std::max(peak, rss);
    }
    const double iterations = static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * format.bytes);
    if (iterations > 0) state.counters["cpu_ms"] = cpuTotal * 1e3 / iterations;
    state.counters["peak_MiB"] = static_cast<double>(peak) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    // --keep-files leaves the generated files for profiling the importer on them;
    // --write-models DIR [--triangles N] writes them into DIR and times nothing.
    bool keepFiles = false;
    const char* modelFolder = nullptr;
    long triangles = kTriangles;
    for (int i = 1; i < argc;) {
        const bool withValue =
            std::strcmp(argv[i], "--write-models") == 0 || std::strcmp(argv[i], "--triangles") == 0;
        if (std::strcmp(argv[i], "--keep-files") == 0) {
            keepFiles = true;
        } else if (withValue && i + 1 < argc) {
            if (argv[i][2] == 'w')
                modelFolder = argv[i + 1];
            else
                triangles = std::atol(argv[i + 1]);
        } else {
            ++i;
            continue;
        }
        const int used = withValue ? 2 : 1;
        std::copy(argv + i + used, argv + argc + 1, argv + i);
        argc -= used;
    }
    if (triangles < 2) {
        std::fprintf(stderr, "import_bench: --triangles needs a count of at least 2\n");
        return 1;
    }
    if (modelFolder != nullptr) {
        folder = modelFolder;
        formats.push_back(kOff);
        return writeModels(triangles, formats) ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/import_bench.XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("import_bench: mkdtemp");
        return 1;
    }
    folder = pattern;
    if (!writeModels(triangles, formats)) return 1;
    for (const Format& format : formats) {
        benchmark::RegisterBenchmark(
            (std::string("import/") + format.label).c_str(),
            [&format](benchmark::State& state) { runImport(state, format); })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (keepFiles) {
        std::fprintf(stderr, "import_bench: the files are in %s\n", folder.c_str());
        return 0;
    }
    for (const Format& format : formats) std::remove((folder + "/" + format.file).c_str());
    std::remove((folder + "/dataTest3.dat").c_str());
    ::rmdir(folder.c_str());
    return 0;
}
