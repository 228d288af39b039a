// Camera: orientation kept as the eye's three axes, turned by rotations about axes through the
// target; matrices as gluLookAt, gluPerspective and glOrtho build them.
#include "mesh/Camera.h"

#include <algorithm>
#include <cmath>

namespace kalderino {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;

Vec3 operator+(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 operator-(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 operator*(const Vec3& a, double k) { return {a[0] * k, a[1] * k, a[2] * k}; }
double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double length(const Vec3& a) { return std::sqrt(dot(a, a)); }
Vec3 unit(const Vec3& a) {
    const double l = length(a);
    return l > 0.0 ? a * (1.0 / l) : a;
}

// v turned by angle degrees about the unit axis, counter-clockwise seen from the axis's tip.
Vec3 turned(const Vec3& v, const Vec3& axis, double angle) {
    const double c = std::cos(angle * kDegree);
    const double s = std::sin(angle * kDegree);
    return v * c + cross(axis, v) * s + axis * (dot(axis, v) * (1.0 - c));
}

Vec3 axisVector(int axis, double sign) {
    Vec3 v{0.0, 0.0, 0.0};
    v[static_cast<std::size_t>(axis)] = sign;
    return v;
}

// The side a model shows its front to: +z for models with y up (as glTF has them), -y for
// models with z up (as CAD programs and 3D printing have them), +z again with x up.
Vec3 frontOf(UpAxis up) { return up.axis == 2 ? axisVector(1, -up.sign) : axisVector(2, 1.0); }

}  // namespace

Vec3 Camera::upVector() const { return axisVector(up.axis, up.sign); }

Vec3 Camera::eye() const { return target - forward * distance; }

void Camera::setOrientation(const Vec3& towardEye, const Vec3& level) {
    forward = unit(towardEye) * -1.0;
    right = unit(level - forward * dot(level, forward));
    screenUp = cross(forward * -1.0, right);
}

void Camera::frame(const Vec3& boxLow, const Vec3& boxHigh, UpAxis upAxis, ViewPreset preset,
                   double aspect) {
    low = boxLow;
    high = boxHigh;
    up = upAxis;
    target = sceneCentre = (low + high) * 0.5;
    sceneRadius = std::max(length(high - low) * 0.5, 1e-6);
    lookFrom(preset, aspect);
}

void Camera::lookFrom(ViewPreset preset, double aspect) {
    const Vec3 upward = upVector();
    const Vec3 front = frontOf(up);
    const Vec3 side = cross(front * -1.0, upward);  // the model's right, seen from the front
    struct Angles {
        double azimuth, elevation;
    };
    Angles angles{0.0, 0.0};
    switch (preset) {
    case ViewPreset::front:
        break;
    case ViewPreset::right:
        angles = {90.0, 0.0};
        break;
    case ViewPreset::top:
        setOrientation(upward, side);
        fit(aspect);
        return;
    case ViewPreset::isometric:
        angles = {45.0, std::atan(1.0 / std::sqrt(2.0)) / kDegree};
        break;
    case ViewPreset::threeQuarter:
        angles = {30.0, 25.0};
        break;
    }
    setOrientation(front, side);
    orbit(angles.azimuth, angles.elevation);
    fit(aspect);
}

// The distance at which every point of the outline lies within kFill of the view's half-width
// and half-height: a point at depth z towards the eye and x, y across needs d - z >= |x| /
// (kFill tan(fov/2) aspect) and d - z >= |y| / (kFill tan(fov/2)).
void Camera::fit(double aspect) {
    const double t = std::tan(kFieldOfView / 2.0 * kDegree) * kFill;
    const Vec3 back = forward * -1.0;
    double needed = 0.0;
    double nearest = -1e300;
    std::vector<Vec3> corners;
    if (outline.empty()) {
        for (int corner = 0; corner < 8; ++corner)
            corners.push_back({(corner & 1) != 0 ? high[0] : low[0],
                               (corner & 2) != 0 ? high[1] : low[1],
                               (corner & 4) != 0 ? high[2] : low[2]});
    }
    for (const Vec3& p : outline.empty() ? corners : outline) {
        const Vec3 offset = p - target;
        const double z = dot(offset, back);
        needed = std::max({needed, z + std::fabs(dot(offset, right)) / (t * aspect),
                           z + std::fabs(dot(offset, screenUp)) / t});
        nearest = std::max(nearest, z);
    }
    distance = std::max(needed, nearest + sceneRadius * 1e-3);
    if (!(distance > 0.0)) distance = sceneRadius;
}

void Camera::orbit(double azimuth, double elevation) {
    const Vec3 upward = upVector();
    forward = turned(forward, upward, azimuth);
    right = turned(right, upward, azimuth);
    const double now = std::asin(std::clamp(-dot(forward, upward), -1.0, 1.0)) / kDegree;
    const double wanted = std::clamp(now + elevation, -kMaxElevation, kMaxElevation);
    forward = turned(forward, right, -(wanted - now));
    const Vec3 level = cross(forward, upward);
    if (length(level) > 1e-9) right = unit(level);  // level again after any trackball turns
    setOrientation(forward * -1.0, right);
}

void Camera::roll(double azimuth, double elevation) {
    forward = turned(forward, screenUp, azimuth);
    right = turned(right, screenUp, azimuth);
    forward = turned(forward, right, -elevation);
    setOrientation(forward * -1.0, right);
}

void Camera::pan(double rightward, double upward) {
    const double height = 2.0 * distance * std::tan(kFieldOfView / 2.0 * kDegree);
    target = target - right * (rightward * height) - screenUp * (upward * height);
}

void Camera::zoom(double factor) { distance /= factor; }

void Camera::zoomToward(const Vec3& point, double factor) {
    target = point + (target - point) * (1.0 / factor);
    distance /= factor;
}

void Camera::recentre(const Vec3& point) { target = point; }

Matrix4 Camera::view() const {
    const Vec3 back = forward * -1.0;
    const Vec3 from = eye();
    return {right[0],          screenUp[0],          back[0],          0.0,
            right[1],          screenUp[1],          back[1],          0.0,
            right[2],          screenUp[2],          back[2],          0.0,
            -dot(right, from), -dot(screenUp, from), -dot(back, from), 1.0};
}

// The depth range holds the scene's sphere, and never starts closer than a thousandth of its
// far end, which keeps a 24-bit depth buffer fine enough when the eye is inside the sphere.
Matrix4 Camera::projection(double aspect, bool orthographic) const {
    const double toCentre = length(eye() - sceneCentre);
    const double reach = sceneRadius * 1.01;
    const double far = toCentre + reach;
    const double halfHeight = std::tan(kFieldOfView / 2.0 * kDegree);
    if (orthographic) {
        const double near = toCentre - reach;
        const double h = distance * halfHeight;
        const double w = h * aspect;
        return {1.0 / w,
                0.0,
                0.0,
                0.0,
                0.0,
                1.0 / h,
                0.0,
                0.0,
                0.0,
                0.0,
                -2.0 / (far - near),
                0.0,
                0.0,
                0.0,
                -(far + near) / (far - near),
                1.0};
    }
    const double near = std::max(toCentre - reach, far * 1e-3);
    const double f = 1.0 / halfHeight;
    return {f / aspect,
            0.0,
            0.0,
            0.0,
            0.0,
            f,
            0.0,
            0.0,
            0.0,
            0.0,
            (far + near) / (near - far),
            -1.0,
            0.0,
            0.0,
            2.0 * far * near / (near - far),
            0.0};
}

// The viewer's start view shows 2 * 350 * tan(22.5 degrees) model units across its height at the
// point it centres.
double Camera::unitScale() const {
    const double viewerHeight = 2.0 * 350.0 * std::tan(22.5 * kDegree);
    return 2.0 * distance * std::tan(kFieldOfView / 2.0 * kDegree) / viewerHeight;
}

}  // namespace kalderino
