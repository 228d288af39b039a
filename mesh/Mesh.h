// Mesh: a named triangle mesh with its points, triangles and bounding corners.
#pragma once

#include "mesh/SceneObject.h"

namespace kalderino {

class DisplayListRecorder;
class Prefaulter;
class Triangle;
class Vertex;

class Mesh : public SceneObject {
public:
    static constexpr int kNameCapacity = 32;  // 31 characters and the terminating NUL

    Mesh();
    ~Mesh() override;

    // Records the mesh into a new display list through displayLists and returns its name;
    // needs a current GL context. Returns 0 and records nothing when no recorder is installed.
    // Kept as part of the mesh's interface: every program draws meshes directly each frame, and
    // nothing calls it but the tests.
    int compile() override;

    // Makes room for count points (triangles) in one block without creating any; add them with
    // addPoint (addTriangle), which creates each in place, counted in pointCount
    // (triangleCount). A count below 1 reserves nothing. Returns false, with nothing reserved,
    // when the memory cannot be had. Runs at most once per mesh and kind. A prefaulter, when
    // given, faults the block in ahead of the writes on another processor.
    bool reservePoints(int count, Prefaulter* prefaulter = nullptr);
    bool reserveTriangles(int count, Prefaulter* prefaulter = nullptr);
    // Creates the next point of the block and stores it at points[index], which must still be
    // empty (null). The block thus holds points in the order they are created, whatever their
    // index: the loader creates them in the order the triangles first use them, so that every
    // walk over the triangles walks the points forward. Null when the reserve is full.
    Vertex* addPointAt(int index);
    Vertex* addPoint() { return addPointAt(pointCount); }  // the next index, in order
    Triangle* addTriangle();                               // null when the reserve is full

    // reserve and add count default points (triangles) at once.
    bool createPoints(int count);
    bool createTriangles(int count);

    // Records in every point the triangles that use it, in ascending triangle index, then computes
    // the point normals. Runs once: neither the lists nor the normals are cleared first.
    void linkTriangles();

    int listId = 0;
    Vertex** points = nullptr;  // pointCount entries, in file order; owned
    int pointCount = 0;
    Triangle** triangles = nullptr;  // triangleCount entries, in file order; owned
    int triangleCount = 0;
    char name[kNameCapacity] = {};
    bool listBuilt = false;
    int overfullPoints = 0;  // points that more than 32 triangles use; set by linkTriangles

    // Set by the renderer; meshes are compiled and their lists freed through it.
    static DisplayListRecorder* displayLists;

private:
    // Points and triangles live in one block each, so a mesh of millions costs two allocations.
    // The objects made so far are the first pointCount (triangleCount) of their block.
    Vertex* pointStorage = nullptr;
    Triangle* triangleStorage = nullptr;
    int pointCapacity = 0;
    int triangleCapacity = 0;
};

}  // namespace kalderino
