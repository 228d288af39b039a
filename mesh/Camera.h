// Camera: the model viewer's camera: a target it looks at, a distance, an up axis kept level and
// a projection. Pure geometry: the renderer asks it for the matrices.
#pragma once

#include <array>
#include <vector>

namespace kalderino {

using Vec3 = std::array<double, 3>;
using Matrix4 = std::array<double, 16>;  // column-major, as OpenGL loads it

// The axis that points up on screen, and the way it points.
struct UpAxis {
    int axis = 1;  // 0 x, 1 y, 2 z
    int sign = 1;  // +1 or -1
};

// The views a key gives: from the front, from the right, from above, and the isometric one.
enum class ViewPreset { front, right, top, isometric, threeQuarter };

class Camera {
public:
    static constexpr double kFieldOfView = 30.0;  // degrees, vertical
    // Turntable turns stop this far short of looking straight down or up the up axis, where
    // the horizon would spin about the view's centre.
    static constexpr double kMaxElevation = 89.0;  // degrees

    // The share of the window's smaller side a framed box fills.
    static constexpr double kFill = 0.8;

    // Looks at the box from low to high from the preset's side, the whole of outline (points of
    // the models; the box's corners when empty) filling kFill of a window of the given aspect
    // (width / height).
    void frame(const Vec3& low, const Vec3& high, UpAxis up, ViewPreset preset, double aspect);
    // The box framed last, from another side.
    void lookFrom(ViewPreset preset, double aspect);

    // Turntable: turns the view about the up axis through the target by azimuth degrees (the
    // eye moving right for positive ones), then raises the eye by elevation degrees, stopping
    // short of the poles. The horizon stays level.
    void orbit(double azimuth, double elevation);
    // Trackball: turns the view about the screen's vertical axis by azimuth degrees and about
    // its horizontal axis by elevation degrees, with no axis kept level.
    void roll(double azimuth, double elevation);
    // Moves the eye and the target together across the screen by the given fractions of the
    // view's height at the target (positive: the model moves right and up).
    void pan(double right, double up);
    // Brings the eye closer to the target, dividing the distance by factor.
    void zoom(double factor);
    // Zooms toward a point: it stays where it is on the screen while the view closes in.
    void zoomToward(const Vec3& point, double factor);
    // Makes point the target, keeping the distance and the direction of view.
    void recentre(const Vec3& point);

    // The model-view matrix.
    Matrix4 view() const;
    // The projection for a window of the given aspect (width / height).
    Matrix4 projection(double aspect, bool orthographic) const;
    // Model units per unit of the viewer's start view at the target, for moves given in the
    // viewer's units.
    double unitScale() const;
    Vec3 eye() const;

    Vec3 target{0.0, 0.0, 0.0};
    double distance = 1.0;  // from the eye to the target, model units
    UpAxis up;
    // The eye's axes, unit and at right angles: right, up on screen, and from the eye towards
    // the target.
    Vec3 right{1.0, 0.0, 0.0};
    Vec3 screenUp{0.0, 1.0, 0.0};
    Vec3 forward{0.0, 0.0, -1.0};
    // What the projection keeps in front of the eye: a sphere around every model.
    Vec3 sceneCentre{0.0, 0.0, 0.0};
    double sceneRadius = 1.0;
    // The box framed last, and points the framing keeps in view.
    Vec3 low{-1.0, -1.0, -1.0};
    Vec3 high{1.0, 1.0, 1.0};
    std::vector<Vec3> outline;

private:
    void fit(double aspect);
    void setOrientation(const Vec3& towardTarget, const Vec3& level);
    Vec3 upVector() const;
};

}  // namespace kalderino
