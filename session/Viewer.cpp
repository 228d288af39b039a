// Viewer: start-up, the dispatch of events, and the two ways of moving the view.
#include "session/Viewer.h"

#include "mesh/StartView.h"
#include "render/Renderer.h"
#include "render/Window.h"

#include <algorithm>
#include <cmath>
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

// v turned by Rx(rx - 45) Ry(ry) Rz(rz), the viewer's turns with the tilt.
std::array<double, 3> placedTurn(const Vector3& rotation, const std::array<double, 3>& v) {
    const auto about = [](int axis, double degrees, std::array<double, 3> p) {
        const double c = std::cos(degrees * kDegree);
        const double s = std::sin(degrees * kDegree);
        const int a = (axis + 1) % 3;
        const int b = (axis + 2) % 3;
        const double pa = p[a];
        p[a] = c * pa - s * p[b];
        p[b] = s * pa + c * p[b];
        return p;
    };
    return about(0, rotation.x + kCameraTilt, about(1, rotation.y, about(2, rotation.z, v)));
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

bool Viewer::ownView(const std::vector<std::string>& paths) const {
    return modelViewer && !placeModels && !paths.empty() &&
           std::all_of(paths.begin(), paths.end(),
                       [&](const std::string& path) { return session->isModelFile(path); });
}

void Viewer::decideView(const std::vector<std::string>& paths) {
    cameraView = ownView(paths);
    if (cameraView) up = upAxisOf(paths.front());
}

bool Viewer::open(const std::vector<std::string>& paths, ModelOptions options) {
    shownPaths = paths;
    givenOptions = options;
    decideView(paths);
    // In a view of their own the files keep their coordinates, so that sizes read in them are
    // the files' own.
    if (cameraView) options.keepCoordinates = true;
    if (!session->open(paths, options)) return false;
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

// The box and outline of the meshes now handed over; and, unless the view is kept, the view
// the files open in.
void Viewer::sceneChanged(bool keepView) {
    if (!session->bounds(sceneLow, sceneHigh)) {
        sceneLow = {-1.0, -1.0, -1.0};
        sceneHigh = {1.0, 1.0, 1.0};
    }
    if (cameraView) camera.outline = session->samplePoints(kOutlinePoints);
    if (keepView) return;
    if (cameraView) camera.frame(sceneLow, sceneHigh, up, startView, aspect());
    renderer->camera = cameraView ? &camera : nullptr;
}

void Viewer::initGL() { renderer->initGL(); }

void Viewer::start(Window& window, int id, int width, int height) {
    createRenderer(window);
    windowOpened(id, width, height);
    handOver(nullptr);
    initGL();
}

void Viewer::display() {
    if (framesWanted > 0) {
        displayKeepingFrame();
        return;
    }
    renderer->display();
}

double Viewer::aspect() const {
    return static_cast<double>(renderer->width) / std::max(renderer->height, 1);
}

void Viewer::redraw() { renderer->windowSystem.postRedisplay(); }

void Viewer::handle(const Event& event) {
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
            drag(event);
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
        passTime();
        break;
    }
}

void Viewer::key(const Event& event) {
    const Binding* binding = modelViewer ? bindingFor(event) : nullptr;
    if (binding != nullptr) {
        perform(binding->action);
    } else if (event.key.special) {
        renderer->special(event.key.code, event.x, event.y);
    } else {
        renderer->keyboard(static_cast<unsigned char>(event.key.code), event.x, event.y);
    }
}

void Viewer::perform(Action action) {
    if (performOnFiles(action)) return;
    if (action != Action::reset) return;  // the drags and the wheel act through their events
    renderer->rotation = Vector3();
    renderer->translation = Vector3();
    if (cameraView) {
        camera.frame(sceneLow, sceneHigh, up, startView, aspect());
        renderer->reshape(renderer->width, renderer->height);  // the projection follows the view
    }
    redraw();
}

void Viewer::press(const Event& event) {
    if (!modelViewer || dragging.binding != nullptr) return;
    const Binding* binding = bindingFor(event);
    if (binding == nullptr || binding->gesture != Gesture::drag) return;
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
    if (binding == nullptr || binding->action != Action::zoom || event.steps == 0) return;
    const double factor = std::pow(kZoomStep, event.steps);
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

}  // namespace kalderino
