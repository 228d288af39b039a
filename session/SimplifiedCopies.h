// SimplifiedCopies: a coarse copy of each big mesh of arrays, made on a thread of its own once the
// meshes are shown, and drawn in their place while the view moves, so that a frame of a model of
// millions of triangles stays short on a software renderer.
#pragma once

#include "mesh/TriangleMesh.h"

#include <atomic>
#include <cstddef>
#include <deque>
#include <thread>
#include <vector>

namespace kalderino {

class SimplifiedCopies {
public:
    // Makes copy from mesh, about triangles triangles; false when it makes none.
    using Simplify = bool (*)(const TriangleMesh& mesh, std::size_t triangles, TriangleMesh& copy);

    // Starts copying, through simplify, each of models that has more than most triangles, down to
    // about most. The models must stay as they are until this is destroyed.
    SimplifiedCopies(std::vector<const TriangleMesh*> models, std::size_t most, Simplify simplify);
    ~SimplifiedCopies();  // waits for the copies
    SimplifiedCopies(const SimplifiedCopies&) = delete;
    SimplifiedCopies& operator=(const SimplifiedCopies&) = delete;

    bool done() const { return finished.load(std::memory_order_acquire); }
    void wait();  // until done

    // Once done: the models, each in its copy where one was made; empty when none was.
    const std::vector<const TriangleMesh*>& drawn() const { return coarse; }

private:
    void copy(std::size_t most, Simplify simplify);

    std::vector<const TriangleMesh*> models;  // not owned
    std::vector<const TriangleMesh*> coarse;
    std::deque<TriangleMesh> copies;  // a deque, so that none moves
    std::atomic<bool> finished{false};
    std::thread thread;
};

}  // namespace kalderino
