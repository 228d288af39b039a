// import_bench: kalderino-import on a generated 2M-triangle terrain in OBJ, binary STL, binary and
// ascii PLY: wall and processor time and peak memory of the whole process.
#include "tools/MeshGenerator.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr long kTriangles = 2000000;

struct Format {
    const char* label;
    const char* file;
    std::string (*write)(const TriangleMesh&);
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

std::string asciiPly(const TriangleMesh& mesh) {
    std::string out = plyHeader(mesh, "ascii");
    for (const auto& p : mesh.points) out += coordinates(p) + "\n";
    char line[64];
    for (const auto& t : mesh.triangles) {
        std::snprintf(line, sizeof line, "3 %d %d %d\n", t[0], t[1], t[2]);
        out += line;
    }
    return out;
}

std::vector<Format> formats = {{"obj", "terrain.obj", obj},
                               {"stl_binary", "terrain.stl", stl},
                               {"ply_binary", "terrain.ply", binaryPly},
                               {"ply_ascii", "terrain_ascii.ply", asciiPly}};
std::string folder;

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
    // --keep-files leaves the generated files for profiling the importer on them.
    bool keepFiles = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--keep-files") != 0) continue;
        keepFiles = true;
        std::copy(argv + i + 1, argv + argc + 1, argv + i);
        --argc;
        break;
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
    const TriangleMesh mesh = terrain("terrain", kTriangles, 1);
    for (Format& format : formats) {
        const std::string bytes = format.write(mesh);
        format.bytes = static_cast<long>(bytes.size());
        std::FILE* file = std::fopen((folder + "/" + format.file).c_str(), "wb");
        if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
            std::fclose(file) != 0) {
            std::fprintf(stderr, "import_bench: cannot write %s\n", format.file);
            return 1;
        }
    }
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
