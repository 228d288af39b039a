// Bindings: the table.
#include "session/Bindings.h"

namespace kalderino {

namespace {

Binding key(const char* input, KeyCode code, Action action, const char* does) {
    return {Gesture::key, input, code, Button::left, 0, action, does};
}

Binding drag(const char* input, Button button, unsigned modifiers, Action action,
             const char* does) {
    return {Gesture::drag, input, {}, button, modifiers, action, does};
}

Binding wheel(const char* input, unsigned modifiers, Action action, const char* does) {
    return {Gesture::wheel, input, {}, Button::left, modifiers, action, does};
}

Binding click(const char* input, Gesture gesture, unsigned modifiers, Action action,
              const char* does) {
    return {gesture, input, {}, Button::left, modifiers, action, does};
}

std::vector<Binding> table() {
    const Action viewer = Action::viewerKey;
    return {
        key("f / v", {false, 'f'}, viewer, "turn about x by +10 / -10 degrees"),
        key("x / z, Right / Left", {false, 'x'}, viewer, "turn about y by +10 / -10 degrees"),
        key("a / s", {false, 'a'}, viewer, "turn about z by +10 / -10 degrees"),
        key("r / e", {false, 'r'}, viewer, "move right / left"),
        key("d / c", {false, 'd'}, viewer, "move up / down"),
        key("w / q", {false, 'w'}, viewer, "move towards / away from the eye"),
        key("F1 / F2", {true, kKeyF1}, viewer, "filled polygons / outlines"),
        key("space", {false, ' '}, viewer, "back-face culling on / off"),
        key("m", {false, 'm'}, viewer, "flat / smooth shading"),
        key("F4", {true, kKeyF1 + 3}, viewer, "perspective / orthographic projection"),
        key("Up / Down", {true, kKeyUp}, viewer, "full screen / back to 640 x 480"),
        key("Escape", {false, kKeyEscape}, viewer, "quit"),
        drag("left drag", Button::left, 0, Action::orbit, "turn the model"),
        drag("Shift+left drag", Button::left, kShift, Action::pan, "move the model"),
        drag("middle drag", Button::middle, 0, Action::pan, "move the model"),
        drag("right drag", Button::right, 0, Action::zoom, "zoom in (up) and out (down)"),
        wheel("wheel", 0, Action::zoom, "zoom in and out"),
        wheel("Ctrl+wheel", kControl, Action::zoomToPoint,
              "zoom toward the point under the pointer"),
        click("double click", Gesture::doubleClick, 0, Action::recentre,
              "centre the view on the point clicked"),
        click("Ctrl+click", Gesture::click, kControl, Action::measure,
              "measure between two points clicked"),
        key("Return", {false, kKeyReturn}, Action::reset, "back to the view the files opened in"),
        key("F5", {true, kKeyF1 + 4}, Action::readAgain, "read the files again, keeping the view"),
        key("Page Down / Up", {true, kKeyPageDown}, Action::nextFile,
            "the next / previous file of the folder, in name order"),
        key("Page Up", {true, kKeyPageUp}, Action::previousFile, nullptr),
        key("F12", {true, kKeyF12}, Action::keepFrame,
            "save the view as FILE-N.png in the working folder"),
        key("1 / 3 / 7 / 9", {false, '1'}, Action::viewFront,
            "view from the front / right / above / isometric"),
        key("3", {false, '3'}, Action::viewRight, nullptr),
        key("7", {false, '7'}, Action::viewTop, nullptr),
        key("9", {false, '9'}, Action::viewIsometric, nullptr),
        key("P / O", {false, 'P'}, Action::biggerPoints, "bigger / smaller points of point clouds"),
        key("O", {false, 'O'}, Action::smallerPoints, nullptr),
        key("K", {false, 'K'}, Action::trackball, "turntable / trackball turning"),
        key("M", {false, 'M'}, Action::overlay, "file, sizes and frame rate on / off"),
        key("H", {false, 'H'}, Action::help, "this list on / off"),
        key("E", {false, 'E'}, Action::edges, "edges over the faces on / off"),
        key("X", {false, 'X'}, Action::axes, "axes on / off"),
        key("G", {false, 'G'}, Action::grid, "grid under the model on / off"),
        key("B", {false, 'B'}, Action::box, "bounding box on / off"),
    };
}

bool matches(const Binding& binding, const Event& event) {
    if (binding.action == Action::viewerKey) return false;  // the renderer's, by its own table
    switch (binding.gesture) {
    case Gesture::key:
        return event.kind == Event::Kind::key && event.key.special == binding.key.special &&
               event.key.code == binding.key.code;
    case Gesture::wheel:
        return event.kind == Event::Kind::scroll && event.modifiers == binding.modifiers;
    case Gesture::drag:
    case Gesture::click:
    case Gesture::doubleClick:
        return event.kind == Event::Kind::press && event.button == binding.button &&
               event.modifiers == binding.modifiers;
    }
    return false;
}

}  // namespace

const std::vector<Binding>& bindings() {
    static const std::vector<Binding> all = table();
    return all;
}

// The second press of a double click looks for a double click's binding first, and is a plain
// press without one.
const Binding* bindingFor(const Event& event, bool doubleClick) {
    for (const bool second : {true, false}) {
        if (second && !doubleClick) continue;
        for (const Binding& binding : bindings()) {
            if ((binding.gesture == Gesture::doubleClick) != second) continue;
            if (matches(binding, event)) return &binding;
        }
    }
    return nullptr;
}

}  // namespace kalderino
