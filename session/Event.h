// Event: one piece of input, as any window system delivers it, in the viewer core's own terms.
#pragma once

#include "render/KeyCode.h"

namespace kalderino {

enum class Button { left, middle, right };

// Modifier keys held, or-ed together.
enum Modifier : unsigned { kShift = 1, kControl = 2, kAlt = 4 };

struct Event {
    enum class Kind { key, press, release, motion, scroll, resize, tick };

    static Event keyPress(KeyCode key, unsigned modifiers = 0, int x = 0, int y = 0) {
        Event event;
        event.kind = Kind::key;
        event.key = key;
        event.modifiers = modifiers;
        event.x = x;
        event.y = y;
        return event;
    }
    static Event pointer(Kind kind, Button button, int x, int y, unsigned modifiers = 0) {
        Event event;
        event.kind = kind;
        event.button = button;
        event.x = x;
        event.y = y;
        event.modifiers = modifiers;
        return event;
    }
    static Event wheel(int steps, int x, int y, unsigned modifiers = 0) {
        Event event;
        event.kind = Kind::scroll;
        event.steps = steps;
        event.x = x;
        event.y = y;
        event.modifiers = modifiers;
        return event;
    }
    static Event resized(int width, int height) {
        Event event;
        event.kind = Kind::resize;
        event.width = width;
        event.height = height;
        return event;
    }

    Kind kind = Kind::key;
    KeyCode key;                   // key
    Button button = Button::left;  // press, release
    unsigned modifiers = 0;        // key, press, release, scroll
    int x = 0;                     // the pointer, in pixels from the window's top left corner
    int y = 0;
    int steps = 0;  // scroll: wheel steps, positive away from the user
    int width = 0;  // resize: the window's new size in pixels
    int height = 0;
    double time = 0.0;  // seconds on a clock of the driver's, for double clicks and ticks
};

}  // namespace kalderino
