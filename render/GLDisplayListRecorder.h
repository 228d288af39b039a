// GLDisplayListRecorder: records meshes into OpenGL display lists, for Mesh::compile; kept with
// it as part of the mesh's interface, though no program records a list.
#pragma once

#include "mesh/DisplayListRecorder.h"

namespace kalderino {

class GLDisplayListRecorder : public DisplayListRecorder {
public:
    int record(const Mesh& mesh) override;
    void release(int listId) override;
};

}  // namespace kalderino
