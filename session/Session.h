// Session: the one way from the files a program is given to a renderer drawing their meshes,
// shared by the viewer and kalderino-shot.
//
// A program creates the session first (its loader with it), reads its files, and then either
// creates the renderer itself and hands the meshes over (the viewer, whose start-up interleaves
// GLUT's steps), or lets start() do all of that for any window. Everything handed to a renderer
// lives until the process ends; the renderer destroys the meshes when the user quits.
#pragma once

#include <cstdio>

class MeshLoader;
class Renderer;
class Window;

class Session {
public:
    Session();
    virtual ~Session() = default;  // the loader and the meshes belong to the process
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Reads the data file at path, writing the loader's report lines to report (none when
    // null). Returns false after a diagnostic on stderr, with no mesh kept.
    bool loadDataFile(const char* path, std::FILE* report);

    // Appends the loaded meshes to renderer in file order, writing one line per mesh to report
    // (nothing when null), links them, and warns on stderr about meshes whose points are used by
    // more than 32 triangles.
    void handOver(Renderer& renderer, std::FILE* report);

    // The renderer for an open window of width x height pixels, with the meshes handed over and
    // linked and the GL state set, ready for the first reshape; unbound keys go to keyReport
    // (nothing when null).
    Renderer* start(Window& window, int width, int height, std::FILE* keyReport);

    MeshLoader* loader;  // created first, as the viewer's start-up has it
};
