// Session: the one way from the files a program is given to meshes a renderer draws, shared by
// every program that draws.
//
// Data files go through the loader, byte for byte as the viewer reads them, into meshes of
// objects, which are the renderer's once handed over: it destroys them when the user quits,
// unless the session withdraws them first, as a reload does to put new ones in their place;
// meshes never handed over go with the session. Model files (see import/Formats.h), where the
// program reads them, go through the importer's readers into arrays, which stay the session's
// and are drawn from as they are, with point normals computed over them; so a session must
// outlive the renderer it hands them to, or withdraw them first.
#pragma once

#include "io/MeshLoader.h"
#include "mesh/TriangleMesh.h"

#include <array>
#include <cstdio>
#include <deque>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kalderino {

class Mesh;
class ModelFiles;
class Renderer;

// How model files are read.
struct ModelOptions {
    // Keep the files' coordinates, instead of fitting all model meshes together into the part
    // of space the viewer shows at start (data files keep theirs always).
    bool keepCoordinates = false;
    // Only the formats the table allows for thumbnails, all read by the project's own readers:
    // no file goes to the library, and every other file is refused.
    bool ownReadersOnly = false;
    // The colour (red, green, blue from 0 to 1) of every model file without colours of its own.
    // Unset, the first such file keeps the renderer's material colour and each later one takes
    // the next of kPalette, so that files shown together tell apart.
    std::optional<std::array<float, 3>> colour;
    static constexpr std::array<float, 3> kPalette[] = {
        {0.25f, 0.45f, 0.95f}, {0.45f, 0.75f, 0.35f}, {0.9f, 0.75f, 0.3f},
        {0.65f, 0.45f, 0.85f}, {0.3f, 0.75f, 0.75f},  {0.9f, 0.55f, 0.25f}};
};

class Session {
public:
    // Creates the loader of the first data file, first of all, as the viewer's start-up has it.
    // Model files are read through modelFiles; without it every file is a data file.
    explicit Session(ModelFiles* modelFiles = nullptr);
    virtual ~Session();  // frees the meshes of objects it never handed over, and its arrays
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Reads the data file at path, writing the loader's report lines to report (none when
    // null). Returns false after a diagnostic on stderr, with no mesh kept.
    bool loadDataFile(const std::string& path, std::FILE* report);

    // Reads the files at paths in order: model files through the model readers, every other as a
    // data file through a loader with no report. Returns false after one diagnostic on stderr;
    // the meshes of the files read before it are kept but none of that file's.
    bool open(const std::vector<std::string>& paths, const ModelOptions& options);

    // Whether path names a model file, which the model readers read, rather than a data file.
    bool isModelFile(const std::string& path) const;

    // The box around every point of every mesh handed over; false when there are no points.
    bool bounds(std::array<double, 3>& low, std::array<double, 3>& high) const;

    // Up to most points of the meshes handed over, taken evenly across them.
    std::vector<std::array<double, 3>> samplePoints(std::size_t most) const;

    // Appends the meshes read to renderer in the order read (the renderer draws the meshes of
    // objects first, then those of arrays), writing one line per mesh to report (nothing when
    // null), links the meshes of objects, and warns on stderr, naming the file, about those whose
    // points are used by more than 32 triangles.
    void handOver(Renderer& renderer, std::FILE* report);

    // For a session read off the main thread, to be handed over later: links the meshes read
    // (every point's triangles and normals, the bulk of the work after reading) now, so that
    // handOver has nothing left to link. Touches nothing but this session's meshes.
    void link();

    // Takes the meshes this session handed to renderer out of its list and frees them, once;
    // the renderer draws none of them from then on, and the session holds none.
    void withdraw(Renderer& renderer);

private:
    // The meshes of one file, in file order: a data file's objects, or a model file's arrays.
    struct Source {
        std::string path;  // names the file in warnings
        std::vector<Mesh*> meshes;
        std::vector<const TriangleMesh*> models;  // in models
    };
    bool loadInto(MeshLoader& fileLoader, const std::string& path);
    // Waits for the model meshes of the last open() and keeps them, in their sources; rethrows
    // what their finishing threw.
    void finishModels();
    // Fits the model meshes read (unless told not to) and gives them their normals on a thread
    // of their own, as unfinished.
    void finishInBackground(std::vector<TriangleMesh> read, bool fit);

    ModelFiles* modelFiles;  // not owned; outlives the session
    MeshLoader loader;       // the first data file's, whose report is the viewer's
    bool loaderUsed = false;
    bool linked = false;      // by link()
    bool handedOver = false;  // the meshes are the renderer's
    std::vector<Source> sources;
    std::deque<TriangleMesh> models;  // of every model file; a deque, so that none ever moves
    // The model meshes of the last open(), fitted into the view and given their normals on a
    // thread of their own while the program opens its window; each with its source's index.
    std::vector<TriangleMesh> unfinished;
    std::vector<std::size_t> unfinishedSources;
    std::thread finishing;
    std::exception_ptr finishingFailure;
    // The mesh of unfinished whose normals memory ran out for, or kNoShortage.
    static constexpr std::size_t kNoShortage = ~std::size_t{0};
    std::size_t finishingShort = kNoShortage;
};

}  // namespace kalderino
