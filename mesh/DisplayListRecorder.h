// DisplayListRecorder: the drawing back end that records and frees a mesh's display list.
// The mesh layer knows no graphics API; the renderer installs the one it draws with. Kept for
// Mesh::compile, which is part of the mesh's interface though no program calls it.
#pragma once

namespace kalderino {

class Mesh;

class DisplayListRecorder {
public:
    virtual ~DisplayListRecorder() = default;
    // Records the mesh's triangles into a new display list and returns its name.
    virtual int record(const Mesh& mesh) = 0;
    virtual void release(int listId) = 0;
};

}  // namespace kalderino
