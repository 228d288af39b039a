// GLDisplayListRecorder: records meshes into OpenGL display lists.
#pragma once

#include "mesh/DisplayListRecorder.h"

class GLDisplayListRecorder : public DisplayListRecorder {
public:
    int record(const Mesh& mesh) override;
    void release(int listId) override;

    // Every triangle in immediate mode, each with its own begin and end and its three points'
    // normals and positions; frames are drawn the same way.
    static void sendTriangles(const Mesh& mesh);
};
