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
        key("Return", {false, kKeyReturn}, Action::reset, "back to the view the files opened in"),
        key("F5", {true, kKeyF1 + 4}, Action::readAgain,
            "read the files again, keeping the view (--watch: whenever one changes)"),
        key("Page Down", {true, kKeyPageDown}, Action::nextFile,
            "show the next file of the first file's folder, in name order"),
        key("Page Up", {true, kKeyPageUp}, Action::previousFile, "show the file before it"),
        key("F12", {true, kKeyF12}, Action::keepFrame,
            "save the view as NAME-N.png in the working folder (NAME: the first file's)"),
    };
}

}  // namespace

const std::vector<Binding>& bindings() {
    static const std::vector<Binding> all = table();
    return all;
}

const Binding* bindingFor(const Event& event) {
    for (const Binding& binding : bindings()) {
        if (binding.action == Action::viewerKey) continue;  // the renderer's, by its own table
        switch (binding.gesture) {
        case Gesture::key:
            if (event.kind == Event::Kind::key && event.key.special == binding.key.special &&
                event.key.code == binding.key.code)
                return &binding;
            break;
        case Gesture::drag:
            if (event.kind == Event::Kind::press && event.button == binding.button &&
                event.modifiers == binding.modifiers)
                return &binding;
            break;
        case Gesture::wheel:
            if (event.kind == Event::Kind::scroll && event.modifiers == binding.modifiers)
                return &binding;
            break;
        }
    }
    return nullptr;
}

}  // namespace kalderino
