// GLDisplayListRecorder: records meshes into OpenGL display lists.
#pragma once

#include "mesh/DisplayListRecorder.h"

class GLDisplayListRecorder : public DisplayListRecorder {
public:
    int record(const Mesh& mesh) override;
    void release(int listId) override;
};
