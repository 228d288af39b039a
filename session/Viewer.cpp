// Viewer: start-up, the dispatch of events, the two ways of moving the view, and the simplified
// copies of big models drawn while it moves.
#include "session/Viewer.h"

#include "io/file/Diagnostic.h"
#include "mesh/Mesh.h"
#include "mesh/StartView.h"
#include "mesh/TriangleMesh.h"
#include "render/Renderer.h"
#include "render/Window.h"
#include "session/ModelFiles.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <strings.h>

namespace kalderino {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;
// The viewer's perspective: 45 degrees high, nothing nearer than 0.1 or farther than 1000.
constexpr double kPlacedFieldOfView = 45.0;
constexpr double kPlacedNearest = 1.0;
constexpr double kPlacedFarthest = 900.0;
// Turning the placed model stops short of looking straight down or up its z axis, which the
// viewer's start view holds upright.
constexpr double kPlacedMaxElevation = 89.0;

// Model files made for 3D printing stand on z; every other format has y up.
UpAxis upAxisOf(const std::string& path) {
    const std::size_t dot = path.find_last_of("./");
    const bool stl = dot != std::string::npos && path[dot] == '.' &&
                     ::strcasecmp(path.c_str() + dot + 1, "stl") == 0;
    return stl ? UpAxis{2, 1} : UpAxis{1, 1};
}

// p turned counter-clockwise by degrees about the axis (0 x, 1 y, 2 z), seen from its tip.
std::array<double, 3> turnedAbout(int axis, double degrees, std::array<double, 3> p) {
    const double c = std::cos(degrees * kDegree);
    const double s = std::sin(degrees * kDegree);
    const int a = (axis + 1) % 3;
    const int b = (axis + 2) % 3;
    const double pa = p[a];
    p[a] = c * pa - s * p[b];
    p[b] = s * pa + c * p[b];
    return p;
}

// v turned by Rx(rx - 45) Ry(ry) Rz(rz), the viewer's turns with the tilt.
std::array<double, 3> placedTurn(const Vector3& rotation, const std::array<double, 3>& v) {
    return turnedAbout(0, rotation.x + kCameraTilt,
                       turnedAbout(1, rotation.y, turnedAbout(2, rotation.z, v)));
}

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Six significant digits, as sizes in a file's own units may be anything.
std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

}  // namespace

Viewer::Viewer(ModelFiles* modelFiles)
    : modelFiles(modelFiles), session(std::make_unique<Session>(modelFiles)) {}

bool Viewer::loadDataFile(const std::string& path, std::FILE* report) {
    return session->loadDataFile(path, report);
}

bool Viewer::chooseView(const std::string& name) {
    const std::pair<const char*, ViewPreset> views[] = {{"three-quarter", ViewPreset::threeQuarter},
                                                        {"front", ViewPreset::front},
                                                        {"right", ViewPreset::right},
                                                        {"top", ViewPreset::top},
                                                        {"isometric", ViewPreset::isometric}};
    placeModels = name == "viewer";
    for (const auto& [viewName, preset] : views)
        if (name == viewName) startView = preset;
    return placeModels || std::any_of(std::begin(views), std::end(views),
                                      [&](const auto& view) { return name == view.first; });
}

bool Viewer::chooseUp(const std::string& name) {
    const bool sign = name.size() == 2 && (name[0] == '+' || name[0] == '-');
    if (name.size() != (sign ? 2u : 1u)) return false;
    const int letter = std::tolower(static_cast<unsigned char>(name.back()));
    if (letter < 'x' || letter > 'z') return false;
    chosenUp = UpAxis{letter - 'x', name[0] == '-' ? -1 : 1};
    return true;
}

std::string Viewer::chooseViewing(const std::string& viewName, const std::string& upName) {
    if (!chooseView(viewName))
        return "unknown view " + quote(viewName) + "; expected one of " + kViewNames;
    if (!upName.empty() && !chooseUp(upName))
        return "unknown up axis " + quote(upName) + "; expected one of " + kUpNames;
    return "";
}

bool Viewer::ownView(const std::vector<std::string>& paths) const {
    return modelViewer && !placeModels && !paths.empty() &&
           std::all_of(paths.begin(), paths.end(),
                       [&](const std::string& path) { return session->isModelFile(path); });
}

void Viewer::decideView(const std::vector<std::string>& paths) {
    cameraView = ownView(paths);
    if (cameraView) up = chosenUp ? *chosenUp : upAxisOf(paths.front());
}

bool Viewer::open(const std::vector<std::string>& paths, ModelOptions options) {
    shownPaths = paths;
    givenOptions = options;
    decideView(paths);
    // In a view of their own the files keep their coordinates, so that sizes read in them are
    // the files' own.
    if (cameraView) options.keepCoordinates = true;
    const double start = secondsNow();
    if (!session->open(paths, options)) return false;
    loadSeconds = secondsNow() - start;
    filesName = title();
    if (watchFiles) {
        std::string error;
        if (!watch.watch(paths, error)) tell(error);
    }
    return true;
}

Renderer& Viewer::createRenderer(Window& window) {
    renderer = new Renderer(window);
    renderer->keyReport = keyReport;
    return *renderer;
}

void Viewer::windowOpened(int id, int width, int height) {
    renderer->window = id;
    renderer->width = width;
    renderer->height = height;
}

void Viewer::handOver(std::FILE* report) {
    session->handOver(*renderer, report);
    sceneChanged(false);
}

// What is known of the meshes now handed over: their box, counts and outline; and, unless the
// view is kept, the view the files open in.
void Viewer::sceneChanged(bool keepView) {
    hasPoints = session->bounds(sceneLow, sceneHigh);
    if (!hasPoints) {
        sceneLow = {-1.0, -1.0, -1.0};
        sceneHigh = {1.0, 1.0, 1.0};
    }
    pointCount = 0;
    triangleCount = 0;
    for (const Mesh* mesh : renderer->meshes) {
        pointCount += mesh->pointCount;
        triangleCount += mesh->triangleCount;
    }
    for (const TriangleMesh* model : renderer->models) {
        pointCount += static_cast<long long>(model->points.size());
        triangleCount += static_cast<long long>(model->triangles.size());
    }
    renderer->aids.low = sceneLow;
    renderer->aids.high = sceneHigh;
    renderer->aids.up = cameraView ? up : UpAxis{2, 1};  // the viewer's placement holds z up
    if (cameraView) camera.outline = session->samplePoints(kOutlinePoints);
    if (keepView) return;
    if (cameraView) camera.frame(sceneLow, sceneHigh, up, startView, aspect());
    renderer->camera = cameraView ? &camera : nullptr;
}

void Viewer::initGL() { renderer->initGL(); }

void Viewer::start(Window& window, int id, int width, int height) {
    createRenderer(window);
    windowOpened(id, width, height);
    if (!loading()) handOver(nullptr);  // files still being read are handed over once read
    initGL();
}

void Viewer::display() {
    if (loading()) {
        displayProgress();
        return;
    }
    if (modelViewer) renderer->aids.text = panelText();
    const double start = secondsNow();
    // While the view moves the big models are drawn from their copies, in the list's place.
    coarseShown = drawsSimplified();
    std::vector<const TriangleMesh*> full;
    if (coarseShown) {
        full = renderer->models;
        renderer->models = copies->drawn();
    }
    if (framesWanted > 0) {
        displayKeepingFrame();
    } else {
        renderer->display();
    }
    if (coarseShown) renderer->models = std::move(full);
    if (frameShown) frameShown(coarseShown);
    if (simplifyAtStart) startSimplifying();
    if (!timeFrames) return;
    frameSeconds.push_back(secondsNow() - start);
    if (frameSeconds.size() > kFramesTimed) frameSeconds.pop_front();
}

std::vector<std::string> Viewer::panelText() const {
    std::vector<std::string> lines;
    if (showHelp) {
        for (const Binding& binding : bindings()) {
            if (binding.does == nullptr) continue;  // named in the row before
            char line[160];
            std::snprintf(line, sizeof line, "%-20s %s", binding.input, binding.does);
            lines.push_back(line);
        }
        return lines;
    }
    if (showOverlay) {
        lines.push_back(filesName);
        lines.push_back(std::to_string(pointCount) + " points, " + std::to_string(triangleCount) +
                        " triangles");
        lines.push_back(hasPoints ? "size " + number(sceneHigh[0] - sceneLow[0]) + " x " +
                                        number(sceneHigh[1] - sceneLow[1]) + " x " +
                                        number(sceneHigh[2] - sceneLow[2])
                                  : "size -");
        char line[64];
        std::snprintf(line, sizeof line, "read in %.3f s", loadSeconds);
        lines.push_back(line);
        double total = 0.0;
        for (const double seconds : frameSeconds) total += seconds;
        if (timeFrames && total > 0.0) {
            std::snprintf(line, sizeof line, "%.1f frames a second",
                          static_cast<double>(frameSeconds.size()) / total);
            lines.push_back(line);
        } else {
            lines.push_back("- frames a second");
        }
        if (!lastTold.empty()) lines.push_back(lastTold);
    }
    if (renderer == nullptr) return lines;
    const std::vector<Vec3>& marks = renderer->aids.marks;
    if (marks.size() == 1) lines.push_back("distance: Ctrl+click a second point");
    if (marks.size() == 2) {
        const double dx = marks[1][0] - marks[0][0];
        const double dy = marks[1][1] - marks[0][1];
        const double dz = marks[1][2] - marks[0][2];
        lines.push_back("distance " + number(std::sqrt(dx * dx + dy * dy + dz * dz)));
    }
    return lines;
}

double Viewer::aspect() const {
    return static_cast<double>(renderer->width) / std::max(renderer->height, 1);
}

void Viewer::redraw() { renderer->windowSystem.postRedisplay(); }

void Viewer::handle(const Event& event) {
    clock = std::max(clock, event.time);
    // While the files are first read there is nothing to move: only the quit key counts.
    if (loading() && event.kind != Event::Kind::tick && event.kind != Event::Kind::resize &&
        event.kind != Event::Kind::key)
        return;
    switch (event.kind) {
    case Event::Kind::key:
        key(event);
        break;
    case Event::Kind::press:
        press(event);
        break;
    case Event::Kind::motion:
        drag(event);
        break;
    case Event::Kind::release:
        if (dragging.binding != nullptr && event.button == dragging.button) {
            drag(event);  // which draws the view again, in full detail now
            dragging.binding = nullptr;
        }
        break;
    case Event::Kind::scroll:
        scroll(event);
        break;
    case Event::Kind::resize:
        renderer->reshape(event.width, event.height);
        break;
    case Event::Kind::tick:
        if (wheelEnds >= 0.0 && event.time >= wheelEnds) {
            wheelEnds = -1.0;
            if (coarseShown) redraw();
        }
        passTime();
        break;
    }
}

void Viewer::key(const Event& event) {
    if (loading()) {
        if (!event.key.special && event.key.code == kKeyEscape) quitNow();
        return;
    }
    const Binding* binding = modelViewer ? bindingFor(event) : nullptr;
    if (binding != nullptr) {
        perform(binding->action, event);
    } else if (event.key.special) {
        renderer->special(event.key.code, event.x, event.y);
    } else {
        renderer->keyboard(static_cast<unsigned char>(event.key.code), event.x, event.y);
    }
}

void Viewer::perform(Action action, const Event& event) {
    if (performOnFiles(action)) return;
    switch (action) {
    case Action::reset:
        if (cameraView) {
            lookFrom(startView);
        } else {
            renderer->rotation = Vector3();
            renderer->translation = Vector3();
        }
        break;
    case Action::viewFront:
        lookFrom(ViewPreset::front);
        break;
    case Action::viewRight:
        lookFrom(ViewPreset::right);
        break;
    case Action::viewTop:
        lookFrom(ViewPreset::top);
        break;
    case Action::viewIsometric:
        lookFrom(ViewPreset::isometric);
        break;
    case Action::trackball:
        trackball = !trackball;
        return;
    case Action::recentre:
        recentre(event);
        return;
    case Action::measure:
        measure(event);
        return;
    case Action::overlay:
        showOverlay = !showOverlay;
        break;
    case Action::help:
        showHelp = !showHelp;
        break;
    default:
        if (!changeDrawing(action)) return;  // the drags and the wheel act through their events
    }
    redraw();
}

bool Viewer::changeDrawing(Action action) {
    SceneAids& aids = renderer->aids;
    float& pointSize = renderer->pointSize;
    switch (action) {
    case Action::edges:
        aids.edges = !aids.edges;
        return true;
    case Action::axes:
        aids.axes = !aids.axes;
        return true;
    case Action::grid:
        aids.grid = !aids.grid;
        return true;
    case Action::box:
        aids.box = !aids.box;
        return true;
    case Action::biggerPoints:
        pointSize = std::min(pointSize + 1.0f, kMaxPointSize);
        return true;
    case Action::smallerPoints:
        pointSize = std::max(pointSize - 1.0f, 1.0f);
        return true;
    default:
        return false;
    }
}

// The view values go back to 0 with any preset. The viewer's placement holds z up and shows
// the model's -y side from 45 degrees above; its presets turn the model so, keeping the middle
// of the meshes where the start view has it.
void Viewer::lookFrom(ViewPreset preset) {
    renderer->rotation = Vector3();
    renderer->translation = Vector3();
    if (cameraView) {
        camera.frame(sceneLow, sceneHigh, up, preset, aspect());
        renderer->reshape(renderer->width, renderer->height);  // the projection follows the view
        return;
    }
    const double isometricElevation = std::atan(1.0 / std::sqrt(2.0)) / kDegree;
    Vector3 rotation;  // x carries the elevation as 45 - x degrees, z the turn
    switch (preset) {
    case ViewPreset::front:
        rotation.x = -45.0f;
        break;
    case ViewPreset::right:
        rotation.x = -45.0f;
        rotation.z = -90.0f;
        break;
    case ViewPreset::top:
        rotation.x = 45.0f;
        break;
    case ViewPreset::isometric:
        rotation.x = static_cast<float>(-45.0 + isometricElevation);
        rotation.z = -45.0f;
        break;
    case ViewPreset::threeQuarter:
        rotation.x = -20.0f;
        rotation.z = -30.0f;
        break;
    }
    const Vector3 before = pivotInEye(Vector3(), Vector3());
    const Vector3 after = pivotInEye(rotation, Vector3());
    renderer->rotation = rotation;
    renderer->translation.x = before.x - after.x;
    renderer->translation.y = before.y - after.y;
    renderer->translation.z = before.z - after.z;
}

void Viewer::press(const Event& event) {
    if (!modelViewer || dragging.binding != nullptr) return;
    // A second left press soon after the first and near it makes a double click; a third press
    // starts again.
    bool second = false;
    if (event.button == Button::left) {
        second = lastClick.pending && event.time - lastClick.time <= kDoubleClickSeconds &&
                 std::abs(event.x - lastClick.x) <= kDoubleClickPixels &&
                 std::abs(event.y - lastClick.y) <= kDoubleClickPixels;
        lastClick = {!second, event.time, event.x, event.y};
    }
    const Binding* binding = bindingFor(event, second);
    if (binding == nullptr) return;
    if (binding->gesture != Gesture::drag) {
        perform(binding->action, event);
        return;
    }
    startSimplifying();
    dragging.binding = binding;
    dragging.button = event.button;
    dragging.x = event.x;
    dragging.y = event.y;
    dragging.camera = camera;
    dragging.rotation = renderer->rotation;
    dragging.translation = renderer->translation;
}

// Every step of a drag starts again from where the drag began, so that where it ends, not the
// path it took, decides the view, and a replayed drag gives the same picture in any steps.
void Viewer::drag(const Event& event) {
    if (dragging.binding == nullptr) return;
    const double dx = event.x - dragging.x;
    const double dy = event.y - dragging.y;
    const double height = std::max(renderer->height, 1);
    const double zoomFactor = std::pow(kZoomStep, -dy / 20.0);  // 20 pixels up a wheel step in
    switch (dragging.binding->action) {
    case Action::orbit:
        if (cameraView) {
            camera = dragging.camera;
            if (trackball)
                camera.roll(-dx * kDegreesPerPixel, -dy * kDegreesPerPixel);
            else
                camera.orbit(-dx * kDegreesPerPixel, -dy * kDegreesPerPixel);
        } else {
            orbitPlaced(dragging, dx, dy);
        }
        break;
    case Action::pan:
        if (cameraView) {
            camera = dragging.camera;
            camera.pan(dx / height, -dy / height);
        } else {
            panPlaced(dragging, dx, dy);
        }
        break;
    case Action::zoom:
        if (cameraView) {
            camera = dragging.camera;
            camera.zoom(zoomFactor);
        } else {
            zoomPlaced(dragging, zoomFactor);
        }
        break;
    default:
        return;
    }
    if (cameraView) renderer->reshape(renderer->width, renderer->height);
    redraw();
}

void Viewer::scroll(const Event& event) {
    const Binding* binding = modelViewer ? bindingFor(event) : nullptr;
    if (binding == nullptr || event.steps == 0) return;
    startSimplifying();
    wheelEnds = event.time + kWheelSettle;
    const double factor = std::pow(kZoomStep, event.steps);
    if (binding->action == Action::zoomToPoint) {
        zoomToPoint(event, factor);
        return;
    }
    if (binding->action != Action::zoom) return;
    if (cameraView) {
        camera.zoom(factor);
        renderer->reshape(renderer->width, renderer->height);
    } else {
        Drag now;
        now.rotation = renderer->rotation;
        now.translation = renderer->translation;
        zoomPlaced(now, factor);
    }
    redraw();
}

// Every point of the view closer to the eye by factor, so the one under the pointer stays
// under it.
void Viewer::zoomToPoint(const Event& event, double factor) {
    Vec3 model;
    Vec3 eye;
    if (!renderer->pick(event.x, event.y, model, eye)) eye = pointerAtPivotDepth(event);
    if (cameraView) {
        foldViewValues();
        camera.zoomToward(cameraSpaceOf(eye), factor);
        renderer->reshape(renderer->width, renderer->height);
    } else {
        Vector3 moved = renderer->translation;
        moved.x = static_cast<float>(moved.x + eye[0] * (1.0 / factor - 1.0));
        moved.y = static_cast<float>(moved.y + eye[1] * (1.0 / factor - 1.0));
        moved.z = static_cast<float>(moved.z + eye[2] * (1.0 / factor - 1.0));
        // No closer or farther than the wheel goes, so the model stays within the depths shown.
        const double depth = -pivotInEye(renderer->rotation, moved).z;
        if (depth < kPlacedNearest || depth > kPlacedFarthest) return;
        renderer->translation = moved;
    }
    redraw();
}

// The point clicked becomes the one the camera looks at, and turns about, at the same distance;
// in the viewer's placement it moves to the middle of the window at the same depth.
void Viewer::recentre(const Event& event) {
    Vec3 model;
    Vec3 eye;
    if (!renderer->pick(event.x, event.y, model, eye)) return;
    if (cameraView) {
        foldViewValues();
        camera.recentre(cameraSpaceOf(eye));
        renderer->reshape(renderer->width, renderer->height);
    } else {
        renderer->translation.x = static_cast<float>(renderer->translation.x - eye[0]);
        renderer->translation.y = static_cast<float>(renderer->translation.y - eye[1]);
    }
    redraw();
}

// Two points make a measurement; a third starts another, and a click beside the model takes it
// away.
void Viewer::measure(const Event& event) {
    Vec3 model;
    Vec3 eye;
    std::vector<Vec3>& marks = renderer->aids.marks;
    if (!renderer->pick(event.x, event.y, model, eye)) {
        marks.clear();
    } else {
        if (marks.size() >= 2) marks.clear();
        marks.push_back(model);
    }
    redraw();
}

Vec3 Viewer::pointerAtPivotDepth(const Event& event) const {
    const double width = std::max(renderer->width, 1);
    const double height = std::max(renderer->height, 1);
    const double x = (event.x + 0.5) / width * 2.0 - 1.0;  // -1 to 1 across the view
    const double y = 1.0 - (event.y + 0.5) / height * 2.0;
    const double depth = cameraView ? camera.distance - renderer->translation.z * camera.unitScale()
                                    : -pivotInEye(renderer->rotation, renderer->translation).z;
    if (renderer->orthographic && !cameraView) return {x * 160.0, y * 120.0, -depth};
    const double fieldOfView = cameraView ? Camera::kFieldOfView : kPlacedFieldOfView;
    // Half the view's height at a unit's distance, or across it in the camera's orthographic one.
    const double half = std::tan(fieldOfView / 2.0 * kDegree);
    if (renderer->orthographic) {
        return {x * half * camera.distance * aspect(), y * half * camera.distance, -depth};
    }
    return {x * half * depth * aspect(), y * half * depth, -depth};
}

Vec3 Viewer::cameraSpaceOf(const Vec3& eye) const {
    const Vec3 from = camera.eye();
    Vec3 point{};
    for (std::size_t k = 0; k < 3; ++k)
        point[k] = from[k] + camera.right[k] * eye[0] + camera.screenUp[k] * eye[1] -
                   camera.forward[k] * eye[2];
    return point;
}

// The keys' turns and moves of the model about the target, folded into the camera so that it
// shows the same with every view value 0: the model turned by R = Rx Ry Rz about the target is
// the camera turned by R's inverse about it, and the model moved along the eye's axes is the
// camera moved the other way.
void Viewer::foldViewValues() {
    const Vector3 r = renderer->rotation;
    const Vector3 t = renderer->translation;
    const double step = camera.unitScale();
    for (Vec3* axis : {&camera.right, &camera.screenUp, &camera.forward})
        *axis = turnedAbout(2, -r.z, turnedAbout(1, -r.y, turnedAbout(0, -r.x, *axis)));
    for (std::size_t k = 0; k < 3; ++k)
        camera.target[k] -= (camera.right[k] * t.x + camera.screenUp[k] * t.y) * step;
    camera.distance = std::max(camera.distance - t.z * step, camera.distance * 1e-3);
    renderer->rotation = Vector3();
    renderer->translation = Vector3();
}

// Where the middle of the meshes lies in the eye's space under the viewer's placement.
Vector3 Viewer::pivotInEye(const Vector3& rotation, const Vector3& translation) const {
    const std::array<double, 3> middle{(sceneLow[0] + sceneHigh[0]) / 2.0,
                                       (sceneLow[1] + sceneHigh[1]) / 2.0,
                                       (sceneLow[2] + sceneHigh[2]) / 2.0};
    const std::array<double, 3> turned = placedTurn(rotation, middle);
    Vector3 eye;
    eye.x = static_cast<float>(translation.x + kCameraOffset[0] + turned[0]);
    eye.y = static_cast<float>(translation.y + kCameraOffset[1] + turned[1]);
    eye.z = static_cast<float>(translation.z + kCameraOffset[2] + turned[2]);
    return eye;
}

// A turntable about the meshes' z axis, which the start view holds upright, and a tilt about
// the eye's horizontal axis; the move then keeps the middle of the meshes where it was.
void Viewer::orbitPlaced(const Drag& from, double dx, double dy) {
    Vector3 rotation = from.rotation;
    rotation.z = static_cast<float>(from.rotation.z + dx * kDegreesPerPixel);
    // The elevation is 45 - x degrees. Keys may take it past the limits; a drag takes it no
    // further.
    const double minX = -kCameraTilt - kPlacedMaxElevation;  // elevation at its highest
    const double maxX = -kCameraTilt + kPlacedMaxElevation;  // and at its lowest
    const double wanted = from.rotation.x + dy * kDegreesPerPixel;
    rotation.x = static_cast<float>(std::clamp(wanted, std::min<double>(minX, from.rotation.x),
                                               std::max<double>(maxX, from.rotation.x)));
    const Vector3 before = pivotInEye(from.rotation, from.translation);
    const Vector3 after = pivotInEye(rotation, from.translation);
    renderer->rotation = rotation;
    renderer->translation.x = from.translation.x + before.x - after.x;
    renderer->translation.y = from.translation.y + before.y - after.y;
    renderer->translation.z = from.translation.z + before.z - after.z;
}

// Model units a pixel at the depth of the middle of the meshes.
void Viewer::panPlaced(const Drag& from, double dx, double dy) {
    const double depth = std::max<double>(-pivotInEye(from.rotation, from.translation).z, 1.0);
    const double unitsPerPixel =
        2.0 * depth * std::tan(kPlacedFieldOfView / 2.0 * kDegree) / std::max(renderer->height, 1);
    renderer->rotation = from.rotation;
    renderer->translation = from.translation;
    renderer->translation.x = static_cast<float>(from.translation.x + dx * unitsPerPixel);
    renderer->translation.y = static_cast<float>(from.translation.y - dy * unitsPerPixel);
}

// Along the eye's axis, dividing the distance to the middle of the meshes by factor, within the
// depths the viewer's projection shows.
void Viewer::zoomPlaced(const Drag& from, double factor) {
    const double depth = -pivotInEye(from.rotation, from.translation).z;
    const double wanted = std::clamp(depth / factor, kPlacedNearest, kPlacedFarthest);
    renderer->rotation = from.rotation;
    renderer->translation = from.translation;
    if (depth > 0.0)
        renderer->translation.z = static_cast<float>(from.translation.z + depth - wanted);
}

bool Viewer::drawsSimplified() const {
    return moving() && copies && copies->done() && !copies->drawn().empty();
}

void Viewer::startSimplifying() {
    if (copies || renderer == nullptr || modelFiles == nullptr || loading()) return;
    const SimplifiedCopies::Simplify simplify = modelFiles->simplifier();
    const std::vector<const TriangleMesh*>& models = renderer->models;
    if (simplify == nullptr ||
        std::none_of(models.begin(), models.end(), [this](const TriangleMesh* model) {
            return model->triangles.size() > simplifyAbove;
        }))
        return;
    copies = std::make_unique<SimplifiedCopies>(models, simplifyAbove, simplify);
}

}  // namespace kalderino
