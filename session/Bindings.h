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
    viewFront,  // the model seen from a side, framed again
    viewRight,
    viewTop,
    viewIsometric,
    trackball,    // switches drags between turntable and trackball turning
    zoomToPoint,  // wheel: closer to or away from the point under the pointer
    recentre,     // click: the point under the pointer to the middle of the window
    measure,      // click: a point of a measurement under the pointer
    overlay,      // shows or hides the file's facts and the frame rate
    help,         // shows or hides every binding
    edges,        // the aids drawn with the model, each on or off
    axes,
    grid,
    box,
    biggerPoints,  // the points of point clouds a pixel wider, or narrower
    smallerPoints,
    readAgain,  // the files read again, the view kept
    nextFile,   // the next model file of the first file's folder in place of the files shown
    previousFile,
    keepFrame,  // the frame shown saved as a picture
};

// A click acts at the press; a double click is a second press of the left button soon after
// the first, near it.
enum class Gesture { key, drag, wheel, click, doubleClick };

struct Binding {
    Gesture gesture;
    const char* input;   // as the user says it: "Return", "left drag", "Shift+left drag", "wheel"
    KeyCode key;         // key
    Button button;       // drag, click
    unsigned modifiers;  // drag, wheel and clicks: exactly these held
    Action action;
    // For the help text and the manual; null for a key that the first row of its group names
    // and describes with its own ("Page Down / Up", "1 / 3 / 7 / 9").
    const char* does;
};

// Every binding, the viewer's own keys first, in the order the help lists them.
const std::vector<Binding>& bindings();

// The binding an event calls for, or null: a key press, a pointer press that starts a drag or
// clicks (the second of a double click when doubleClick), or a wheel step.
const Binding* bindingFor(const Event& event, bool doubleClick = false);

}  // namespace kalderino
