// Mesh: storage, linking and destruction.
#include "mesh/Mesh.h"

#include "mesh/DisplayListRecorder.h"
#include "mesh/Prefaulter.h"
#include "mesh/Triangle.h"
#include "mesh/Vertex.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>
#include <vector>

namespace kalderino {

DisplayListRecorder* Mesh::displayLists = nullptr;

namespace {

// Large blocks are aligned to 2 MiB and offered huge pages: most of the time of building a big
// mesh is otherwise spent faulting in 4 KiB pages.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Sets bytes to the size allocated.
void* allocateBlock(std::size_t count, std::size_t size, std::size_t& bytes) {
    if (count > SIZE_MAX / size) return nullptr;
    bytes = count * size;
    if (bytes < kHugePage) return std::malloc(bytes);
    if (bytes > SIZE_MAX - kHugePage) return nullptr;
    bytes = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* block = std::aligned_alloc(kHugePage, bytes);
    if (block != nullptr) madvise(block, bytes, MADV_HUGEPAGE);
    return block;
}

// Room for count objects in one block, and the array that will refer to them, all null.
template <class T>
bool reserveBlock(int count, T*& storage, T**& refs, int& capacity, Prefaulter* prefaulter) {
    const std::size_t objects = static_cast<std::size_t>(count);
    std::size_t bytes = 0;
    T* block = static_cast<T*>(allocateBlock(objects, sizeof(T), bytes));
    T** array = static_cast<T**>(std::calloc(objects, sizeof(T*)));
    if (block == nullptr || array == nullptr) {
        std::free(block);
        std::free(array);
        return false;
    }
    if (prefaulter != nullptr && bytes >= kHugePage) prefaulter->add(block, bytes);
    storage = block;
    refs = array;
    capacity = count;
    return true;
}

// Objects are created where they are first filled, so each block is written through once.
template <class T> T* addToBlock(T* storage, int& count, int capacity) {
    if (count >= capacity) return nullptr;
    return new (storage + count++) T;
}

// The objects are the first count of the block, whatever order the array refers to them in.
template <class T> void destroyBlock(int count, T*& storage, T**& refs) {
    for (int i = 0; i < count; ++i) storage[i].~T();
    std::free(storage);
    std::free(refs);
    storage = nullptr;
    refs = nullptr;
}

}  // namespace

Mesh::Mesh() = default;

Mesh::~Mesh() {
    if (triangles != nullptr) destroyBlock(triangleCount, triangleStorage, triangles);
    if (points != nullptr) destroyBlock(pointCount, pointStorage, points);
    if (listBuilt && displayLists != nullptr) displayLists->release(listId);
}

int Mesh::compile() {
    if (displayLists == nullptr) return 0;
    listId = displayLists->record(*this);
    listBuilt = true;
    return listId;
}

bool Mesh::reservePoints(int count, Prefaulter* prefaulter) {
    return count < 1 || reserveBlock(count, pointStorage, points, pointCapacity, prefaulter);
}

bool Mesh::reserveTriangles(int count, Prefaulter* prefaulter) {
    return count < 1 ||
           reserveBlock(count, triangleStorage, triangles, triangleCapacity, prefaulter);
}

Vertex* Mesh::addPointAt(int index) {
    if (index < 0 || index >= pointCapacity || points[index] != nullptr) return nullptr;
    Vertex* point = addToBlock(pointStorage, pointCount, pointCapacity);
    if (point != nullptr) points[index] = point;
    return point;
}

Triangle* Mesh::addTriangle() {
    Triangle* triangle = addToBlock(triangleStorage, triangleCount, triangleCapacity);
    if (triangle != nullptr) triangles[triangleCount - 1] = triangle;
    return triangle;
}

bool Mesh::createPoints(int count) {
    if (!reservePoints(count)) return false;
    for (int i = 0; i < count; ++i) addPoint();
    return true;
}

bool Mesh::createTriangles(int count) {
    if (!reserveTriangles(count)) return false;
    for (int i = 0; i < count; ++i) addTriangle();
    return true;
}

void Mesh::linkTriangles() {
    // One pass over the triangles in ascending order records every point's triangles in
    // ascending order, as a walk over all triangles for each point would. Each recorded face
    // normal is added to the point's normal on the way: the same additions in the same order as
    // Vertex::computeNormal makes, without a second, scattered walk over the triangles.
    std::vector<const Vertex*> overfull;
    auto record = [&overfull](Vertex* vertex, const Triangle* triangle) {
        if (vertex->adjacentCount == Vertex::kMaxAdjacent) {
            overfull.push_back(vertex);
            return;
        }
        vertex->adjacent[vertex->adjacentCount++] = const_cast<Triangle*>(triangle);
        vertex->normal.x += triangle->faceNormal.x;
        vertex->normal.y += triangle->faceNormal.y;
        vertex->normal.z += triangle->faceNormal.z;
    };
    for (int j = 0; j < triangleCount; ++j) {
        if (j + Triangle::kFetchAhead < triangleCount)
            triangles[j + Triangle::kFetchAhead]->fetchPoints();
        const Triangle* triangle = triangles[j];
        Vertex* v1 = triangle->vertex1;
        Vertex* v2 = triangle->vertex2;
        Vertex* v3 = triangle->vertex3;
        record(v1, triangle);
        if (v2 != v1) record(v2, triangle);
        if (v3 != v1 && v3 != v2) record(v3, triangle);
    }
    // In block order, which is the order of first use, not of the file: a forward walk.
    for (int i = 0; i < pointCount; ++i) pointStorage[i].normal.normalize();

    std::sort(overfull.begin(), overfull.end());
    overfullPoints =
        static_cast<int>(std::unique(overfull.begin(), overfull.end()) - overfull.begin());
}

}  // namespace kalderino
