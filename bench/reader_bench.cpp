// reader_bench: load, link and load-plus-link times of generated terrains, 10k to 2M triangles.
#include "io/MeshLoader.h"
#include "io/TokenReader.h"
#include "mesh/Mesh.h"
#include "tools/MeshGenerator.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace kalderino;

namespace {

struct Dataset {
    const char* label;
    long triangles;  // asked of the generator, which rounds to a square grid
    bool shuffled;   // points numbered in random order, so linking jumps all over memory
    std::string folder;
    long fileBytes = 0;
    long actualTriangles = 0;
};

std::vector<Dataset> datasets = {
    {"10k", 10000, false, {}},  {"100k", 100000, false, {}},        {"1M", 1000000, false, {}},
    {"2M", 2000000, false, {}}, {"2M-shuffled", 2000000, true, {}},
};

std::FILE* nullStream() {
    static std::FILE* const stream = std::fopen("/dev/null", "w");
    return stream;
}

// Each file in a folder of its own, as the viewer reads it: dataTest3.dat in the working folder.
bool writeDatasets(const std::string& root) {
    for (Dataset& dataset : datasets) {
        TriangleMesh mesh = terrain("terrain", dataset.triangles, 1);
        if (dataset.shuffled) shufflePoints(mesh, 12345);
        dataset.actualTriangles = static_cast<long>(mesh.triangles.size());
        const std::string text = formatDataFile({mesh});
        dataset.folder = root + "/" + dataset.label;
        const std::string path = dataset.folder + "/" + MeshLoader::kFileName;
        std::FILE* file = nullptr;
        if (mkdir(dataset.folder.c_str(), 0700) != 0 ||
            (file = std::fopen(path.c_str(), "wb")) == nullptr) {
            std::perror(path.c_str());
            return false;
        }
        const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
        if (std::fclose(file) != 0 || !written) {
            std::fprintf(stderr, "reader_bench: cannot write %s\n", path.c_str());
            return false;
        }
        dataset.fileBytes = static_cast<long>(text.size());
    }
    return true;
}

void removeDatasets(const std::string& root) {
    for (const Dataset& dataset : datasets) {
        if (dataset.folder.empty()) continue;
        std::remove((dataset.folder + "/" + MeshLoader::kFileName).c_str());
        rmdir(dataset.folder.c_str());
    }
    rmdir(root.c_str());
}

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of the whole process, page faults included: on a shared machine the wall time
// also holds the waits for a processor, this does not.
double processSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A loader that writes its report nowhere; the caller owns what it loads.
bool loadInto(MeshLoader& loader) {
    loader.report = nullStream();
    loader.diagnostics = stderr;
    return loader.load();
}

void freeMeshes(MeshLoader& loader) {
    for (int i = 0; i < loader.meshCount; ++i) delete loader.meshes[i];
    delete[] loader.meshes;
    loader.meshes = nullptr;
    loader.meshCount = 0;
}

void linkAll(MeshLoader& loader) {
    for (int i = 0; i < loader.meshCount; ++i) loader.meshes[i]->linkTriangles();
}

// Every iteration times fresh objects: the setup before and the deletion after stay outside.
enum class Stage { load, link, loadAndLink };

void runStage(benchmark::State& state, const Dataset& dataset, Stage stage) {
    if (chdir(dataset.folder.c_str()) != 0) {
        state.SkipWithError("cannot enter the data folder");
        return;
    }
    double timed = 0.0;
    double cpu = 0.0;
    for (auto _ : state) {
        MeshLoader loader;
        Clock::time_point start = Clock::now();
        double cpuStart = processSeconds();
        if (!loadInto(loader)) {
            state.SkipWithError("the data file did not load");
            break;
        }
        if (stage == Stage::link) {
            start = Clock::now();
            cpuStart = processSeconds();
        }
        if (stage != Stage::load) linkAll(loader);
        const double seconds = secondsSince(start);
        cpu += processSeconds() - cpuStart;
        state.SetIterationTime(seconds);
        timed += seconds;
        benchmark::DoNotOptimize(loader.meshes);
        freeMeshes(loader);
    }
    const double iterations = static_cast<double>(state.iterations());
    if (stage != Stage::link)
        state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * dataset.fileBytes);
    state.counters["triangles"] = static_cast<double>(dataset.actualTriangles);
    if (iterations > 0) {
        state.counters["ns_per_triangle"] =
            timed * 1e9 / iterations / static_cast<double>(dataset.actualTriangles);
        state.counters["cpu_ms"] = cpu * 1e3 / iterations;
    }
}

// Tokenising and number conversion alone, on the file's bytes already in memory, the one-pass
// way first as the loader does it: every token but the name is a number, and converting the name
// as one fails quickly.
void runParse(benchmark::State& state, const Dataset& dataset) {
    std::ifstream file(dataset.folder + "/" + MeshLoader::kFileName, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    for (auto _ : state) {
        TokenReader tokens(text.data(), text.size());
        float sum = 0.0f;
        float value = 0.0f;
        for (;;) {
            if (tokens.nextShortFloat(value)) {
                sum += value;
            } else if (!tokens.next()) {
                break;
            } else if (tokens.toFloat(value) == TokenReader::Parse::ok) {
                sum += value;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * dataset.fileBytes);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (nullStream() == nullptr) {
        std::perror("reader_bench: /dev/null");
        return 1;
    }

    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/reader_bench.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("reader_bench: mkdtemp");
        return 1;
    }
    const std::string root = pattern;
    if (!writeDatasets(root)) {
        removeDatasets(root);
        return 1;
    }

    struct Named {
        const char* name;
        Stage stage;
    };
    const Named stages[] = {
        {"load", Stage::load}, {"link", Stage::link}, {"load_link", Stage::loadAndLink}};
    for (const Named& named : stages) {
        for (const Dataset& dataset : datasets) {
            const Stage stage = named.stage;
            benchmark::RegisterBenchmark(
                (std::string(named.name) + "/" + dataset.label).c_str(),
                [&dataset, stage](benchmark::State& state) { runStage(state, dataset, stage); })
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
    for (const Dataset& dataset : datasets) {
        benchmark::RegisterBenchmark(
            (std::string("parse/") + dataset.label).c_str(),
            [&dataset](benchmark::State& state) { runParse(state, dataset); })
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (chdir("/") != 0) std::perror("reader_bench: chdir");
    removeDatasets(root);
    return 0;
}
