// Mesh: a named triangle mesh with its points, triangles and bounding corners.
#pragma once

#include "mesh/SceneObject.h"

class DisplayListRecorder;
class Triangle;
class Vertex;

class Mesh : public SceneObject {
public:
    static constexpr int kNameCapacity = 32;  // 31 characters and the terminating NUL

    Mesh();
    ~Mesh() override;

    // Records the mesh into a new display list through displayLists and returns its name;
    // needs a current GL context. Returns 0 and records nothing when no recorder is installed.
    int compile() override;

    // Creates pointCount default points (triangleCount triangles) in one block and the array
    // that refers to them. A count below 1 creates nothing. Returns false, with nothing created
    // and the count left as it was, when the memory cannot be had.
    bool createPoints(int count);
    bool createTriangles(int count);

    // Records in every point the triangles that use it, in ascending triangle index, then computes
    // the point normals. Runs once: neither the lists nor the normals are cleared first.
    void linkTriangles();

    int listId = 0;
    Vertex** points = nullptr;        // pointCount entries, in file order; owned
    int pointCount = 0;
    Triangle** triangles = nullptr;   // triangleCount entries, in file order; owned
    int triangleCount = 0;
    char name[kNameCapacity] = {};
    bool listBuilt = false;
    int overfullPoints = 0;  // points that more than 32 triangles use; set by linkTriangles

    // Set by the renderer; meshes are compiled and their lists freed through it.
    static DisplayListRecorder* displayLists;

private:
    // Points and triangles live in one block each, so a mesh of millions costs two allocations.
    Vertex* pointStorage = nullptr;
    Triangle* triangleStorage = nullptr;
};
