// Vector3: three single-precision components, used for positions' normals and face normals.
#pragma once

namespace kalderino {

class Vector3 {
public:
    Vector3() = default;
    Vector3(float x, float y, float z) : x(x), y(y), z(z) {}
    virtual ~Vector3() = default;

    // Scales to unit length; a zero vector stays zero (exact test, no tolerance).
    void normalize();

    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

}  // namespace kalderino
