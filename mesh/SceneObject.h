// SceneObject: the base of everything the viewer can hold in its scene.
#pragma once

namespace kalderino {

class Vertex;

class SceneObject {
public:
    SceneObject();
    virtual ~SceneObject();
    SceneObject(const SceneObject&) = delete;
    SceneObject& operator=(const SceneObject&) = delete;

    // Returns 1 and does nothing else; subclasses record themselves for drawing.
    virtual int compile();

    // Owned; never given coordinates. Kept as part of the object's interface: nothing reads it.
    Vertex* anchor;
    Vertex* maxCorner = nullptr;  // owned once set: componentwise maximum of the points
    Vertex* minCorner = nullptr;  // owned once set: componentwise minimum of the points
};

}  // namespace kalderino
