// AidDrawing: how the scene aids go to OpenGL: edges, box, grid, measurement marks in the model's
// space, the axes triad and the text panel in the window's. Each leaves the GL state it found.
#pragma once

#include "render/SceneAids.h"

#include <functional>

namespace kalderino {

// Draws the model again through drawModel as dark lines a little in front of its faces.
void drawEdges(const std::function<void()>& drawModel);
void drawBox(const Vec3& low, const Vec3& high);
// Square cells of a round size (1, 2 or 5 times a power of ten) about a tenth of the box's
// larger side across the up axis, covering the box and a cell more on each side.
void drawGrid(const Vec3& low, const Vec3& high, UpAxis up);
// The points as dots and the first two joined, over everything else.
void drawMarks(const std::vector<Vec3>& marks);
// A triad of the model's x (red), y (green) and z (blue) axes, turned as the model-view matrix
// of the moment turns the model, in the corner of a window of width x height pixels.
void drawAxesTriad(int width, int height);
// Lines of text in the project's bitmap font from the window's top left corner, over a band.
void drawTextPanel(const std::vector<std::string>& lines, int width, int height);

// The size of a grid cell for a grid span long: 1, 2 or 5 times a power of ten.
double gridStep(double span);

}  // namespace kalderino
