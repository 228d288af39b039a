// KeyCode: a key as the window system delivers it to the renderer, found by its usual name.
#pragma once

#include <string>

namespace kalderino {

struct KeyCode {
    bool special = false;  // for Renderer::special, else Renderer::keyboard
    int code = 0;          // the character, or the special key's code below
};

// The codes of the special keys, as GLUT numbers them, so that keys read from any window system
// reach the renderer as the viewer's window delivers them.
constexpr int kKeyF1 = 1;  // F2 to F12 follow
constexpr int kKeyF12 = 12;
constexpr int kKeyLeft = 100;
constexpr int kKeyUp = 101;
constexpr int kKeyRight = 102;
constexpr int kKeyDown = 103;
constexpr int kKeyPageUp = 104;
constexpr int kKeyPageDown = 105;
constexpr int kKeyHome = 106;
constexpr int kKeyEnd = 107;
constexpr int kKeyInsert = 108;
// Character codes with names of their own.
constexpr int kKeyEscape = 27;
constexpr int kKeyReturn = 13;

// The names are the X window system's, as xdotool takes them: a single printable character
// other than a space (a letter in either case, a digit, punctuation), "space", "Return",
// "Escape", "Tab", "BackSpace", "Delete", "F1" to "F12", "Left", "Right", "Up", "Down", "Prior"
// or "Page_Up", "Next" or "Page_Down", "Home", "End" and "Insert". Returns false for any other
// name.
bool keyCodeOf(const std::string& name, KeyCode& key);

// The name keyCodeOf takes for key (the first of two), or "" for a key that has none.
std::string keyNameOf(const KeyCode& key);

}  // namespace kalderino
