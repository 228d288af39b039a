// Bindings: what each key and pointer gesture does in the model viewer, in one table that the
// viewer core dispatches by and the help text, the manual page and the tests read.
#pragma once

#include "session/Event.h"

#include <vector>

namespace kalderino {

enum class Action {
    viewerKey,  // the viewer's own command for the key, which the renderer carries out
    orbit,      // drag: turn the view about the model
    pan,        // drag: move the model across the window
    zoom,       // drag or wheel: move closer or away
    reset,      // back to the view the model opened in
    readAgain,  // the files read again, the view kept
    nextFile,   // the next model file of the first file's folder in place of the files shown
    previousFile,
    keepFrame,  // the frame shown saved as a picture
};

enum class Gesture { key, drag, wheel };

struct Binding {
    Gesture gesture;
    const char* input;   // as the user says it: "Return", "left drag", "Shift+left drag", "wheel"
    KeyCode key;         // key
    Button button;       // drag
    unsigned modifiers;  // drag and wheel: exactly these held
    Action action;
    const char* does;  // for the help text and the manual
};

// Every binding, the viewer's own keys first, in the order the help lists them.
const std::vector<Binding>& bindings();

// The binding an event calls for, or null: a key press, a pointer press that starts a drag,
// or a wheel step.
const Binding* bindingFor(const Event& event);

}  // namespace kalderino
