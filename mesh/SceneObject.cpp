// SceneObject: ownership of the anchor and the bounding corners.
#include "mesh/SceneObject.h"

#include "mesh/Vertex.h"

namespace kalderino {

SceneObject::SceneObject() : anchor(new Vertex) {}

SceneObject::~SceneObject() {
    delete anchor;
    delete maxCorner;
    delete minCorner;
}

int SceneObject::compile() { return 1; }

}  // namespace kalderino
