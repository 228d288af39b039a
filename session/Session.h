// Session: the one way from the files a program is given to a renderer drawing their meshes,
// shared by every program that draws.
//
// A program creates the session first (its loader with it), reads its files, and then either
// creates the renderer itself and hands the meshes over (the viewer, whose start-up interleaves
// GLUT's steps), or lets start() do all of that for any window. Data files go through the
// loader, byte for byte as the viewer reads them; model files (OBJ, PLY, STL, OFF, glTF and the
// rest) through the importer's readers into arrays, which become meshes through the same
// builder, with no text in between. Everything handed to a renderer lives until the process
// ends; the renderer destroys the meshes when the user quits.
#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace kalderino {

class Mesh;
class MeshLoader;
class Renderer;
class Window;

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
    Session();
    virtual ~Session() = default;  // the loaders and the meshes belong to the process
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Reads the data file at path, writing the loader's report lines to report (none when
    // null). Returns false after a diagnostic on stderr, with no mesh kept.
    bool loadDataFile(const char* path, std::FILE* report);

    // Reads the files at paths in order: a model file (by its extension: OBJ, PLY, STL, OFF,
    // and the library's formats) through the model readers, every other as a data file through
    // a loader with no report. Returns false after one diagnostic
    // on stderr; the meshes of the files read before it are kept but none of that file's.
    bool open(const std::vector<std::string>& paths, const ModelOptions& options);

    // Appends the meshes read to renderer in the order read, writing one line per mesh to
    // report (nothing when null), links them, and warns on stderr, naming the file, about meshes
    // whose points are used by more than 32 triangles.
    void handOver(Renderer& renderer, std::FILE* report);

    // The renderer for an open window of width x height pixels, with the meshes handed over and
    // linked and the GL state set, ready for the first reshape; unbound keys go to keyReport
    // (nothing when null).
    Renderer* start(Window& window, int width, int height, std::FILE* keyReport);

    MeshLoader*
        loader;  // created first, as the viewer's start-up has it; reads the first data file

private:
    // The meshes of one file, in file order.
    struct Source {
        const char* path;  // names the file in warnings; in paths
        Mesh** meshes;     // count entries, owned by the process once handed over
        int count;
    };
    bool loadInto(MeshLoader& fileLoader, const char* path);
    bool readModels(const std::vector<std::string>& modelPaths, const ModelOptions& options);

    std::vector<Source> sources;
    std::deque<std::string> paths;  // the names that sources and loaders point into
};

}  // namespace kalderino
