// Session: the one way from the files a program is given to meshes a renderer draws, shared by
// every program that draws.
//
// Data files go through the loader, byte for byte as the viewer reads them; model files (OBJ,
// PLY, STL, OFF, glTF and the rest), where the program reads them, through the importer's readers
// into arrays, which become meshes through the same builder, with no text in between. The
// meshes handed to a renderer are the renderer's from then on: it destroys them when the user
// quits, unless the session withdraws them first, as a reload does to put new ones in their
// place; meshes never handed over go with the session.
#pragma once

#include "io/MeshLoader.h"

#include <array>
#include <cstdio>
#include <memory>
#include <string>
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
    // Only the project's own readers (OBJ, PLY, STL, OFF): no file goes to the library.
    bool ownReadersOnly = false;
};

class Session {
public:
    // Creates the loader of the first data file, first of all, as the viewer's start-up has it.
    // Model files are read through modelFiles; without it every file is a data file.
    explicit Session(ModelFiles* modelFiles = nullptr);
    virtual ~Session();  // frees the meshes it never handed over
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

    // The box around every point of every mesh read; false when there are no points.
    bool bounds(std::array<double, 3>& low, std::array<double, 3>& high) const;

    // Up to most points of the meshes read, taken evenly across them.
    std::vector<std::array<double, 3>> samplePoints(std::size_t most) const;

    // Appends the meshes read to renderer in the order read, writing one line per mesh to
    // report (nothing when null), links them, and warns on stderr, naming the file, about meshes
    // whose points are used by more than 32 triangles.
    void handOver(Renderer& renderer, std::FILE* report);

    // For a session read off the main thread, to be handed over later: links the meshes read
    // (every point's triangles and normals, the bulk of the work after reading) now, so that
    // handOver has nothing left to link. Touches nothing but this session's meshes.
    void link();

    // Takes the meshes this session handed to renderer out of its list and frees them, once;
    // the renderer draws none of them from then on, and the session holds none.
    void withdraw(Renderer& renderer);

private:
    // The meshes of one file, in file order.
    struct Source {
        std::string path;  // names the file in warnings
        std::vector<Mesh*> meshes;
    };
    bool loadInto(MeshLoader& fileLoader, const std::string& path);

    ModelFiles* modelFiles;  // not owned; outlives the session
    MeshLoader loader;       // the first data file's, whose report is the viewer's
    bool loaderUsed = false;
    bool linked = false;      // by link()
    bool handedOver = false;  // the meshes are the renderer's
    std::vector<Source> sources;
};

}  // namespace kalderino
