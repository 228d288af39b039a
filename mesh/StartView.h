// StartView: the fixed camera placement every frame starts from, the model point it centres, and
// the fitting of model meshes into that view. The renderer draws from it; the importer, the
// generator and the programs that draw model files place meshes in its view.
#pragma once

#include "mesh/TriangleMesh.h"

#include <vector>

namespace kalderino {

// Every frame's model-view matrix starts as T(kCameraOffset) * Rx(kCameraTilt), before the
// user's turns and moves.
constexpr float kCameraOffset[3] = {-30.0f, -60.0f, -350.0f};  // model units
constexpr float kCameraTilt = -45.0f;                          // degrees about x

// The model point the middle of the window shows when every view value is 0: the placement
// above carries it to (0, 0, -350), straight ahead of the eye. Rx(-45) turns (x, y, z) into
// (x, (y + z) / sqrt 2, (z - y) / sqrt 2), so x = 30 and y = z = 60 / sqrt 2.
constexpr double kViewCentre[3] = {30.0, 42.426406871192853, 42.426406871192853};

// The longest side of the box all meshes together are fitted into, around kViewCentre.
constexpr double kViewBoxSize = 200.0;

// Scales all meshes together uniformly and moves them so that their bounding box is centred on
// kViewCentre with its longest side kViewBoxSize long; a single point is only moved.
void fitToView(std::vector<TriangleMesh>& meshes);

}  // namespace kalderino
