// SceneAids: what the renderer draws besides the model, each only when asked for, so that a
// renderer nobody asks draws exactly the frames it drew before.
#pragma once

#include "mesh/Camera.h"

#include <string>
#include <vector>

namespace kalderino {

struct SceneAids {
    bool edges = false;  // the triangles' edges, dark, over the faces
    bool axes = false;   // the model's axes as a small labelled triad in the lower left corner
    bool grid = false;   // a grid across the up axis at the bottom of the box
    bool box = false;    // the box around every mesh
    Vec3 low{-1.0, -1.0, -1.0};  // that box, in model units
    Vec3 high{1.0, 1.0, 1.0};
    UpAxis up;                // the grid lies across it, at the box's lowest end along it
    std::vector<Vec3> marks;  // points of a measurement, model units; a line joins two
    // Lines of text in a panel at the top left, over a translucent dark band; none when empty.
    std::vector<std::string> text;

    bool any() const { return edges || axes || grid || box || !marks.empty() || !text.empty(); }
};

}  // namespace kalderino
