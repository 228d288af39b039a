// KeyCode: a key as the window system delivers it to the renderer, found by its usual name.
#pragma once

#include <string>

namespace kalderino {

struct KeyCode {
    bool special = false;  // for Renderer::special, else Renderer::keyboard
    int code = 0;          // the character, or GLUT's code of the special key
};

// The names: single letters (either case), "space", "Escape", "F1" to "F12", "Left", "Right",
// "Up" and "Down". Returns false for any other name.
bool keyCodeOf(const std::string& name, KeyCode& key);

}  // namespace kalderino
