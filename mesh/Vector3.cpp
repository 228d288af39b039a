// Vector3: normalisation.
#include "mesh/Vector3.h"

#include <cmath>

namespace kalderino {

void Vector3::normalize() {
    float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f) length = 1.0f;
    x /= length;
    y /= length;
    z /= length;
}

}  // namespace kalderino
