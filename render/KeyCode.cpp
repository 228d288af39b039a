// KeyCode: the names of the keys and GLUT's codes for them.
#include "render/KeyCode.h"

#include <GL/glut.h>

#include <cctype>

namespace kalderino {

bool keyCodeOf(const std::string& name, KeyCode& key) {
    key = KeyCode{};
    if (name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0]))) {
        key.code = static_cast<unsigned char>(name[0]);
        return true;
    }
    if (name == "space" || name == "Escape") {
        key.code = name == "space" ? ' ' : 27;
        return true;
    }
    key.special = true;
    const std::pair<const char*, int> arrows[] = {{"Left", GLUT_KEY_LEFT},
                                                  {"Right", GLUT_KEY_RIGHT},
                                                  {"Up", GLUT_KEY_UP},
                                                  {"Down", GLUT_KEY_DOWN}};
    for (const auto& [arrow, code] : arrows) {
        if (name == arrow) {
            key.code = code;
            return true;
        }
    }
    for (int number = 1; number <= 12; ++number) {
        if (name == "F" + std::to_string(number)) {
            key.code = GLUT_KEY_F1 + number - 1;
            return true;
        }
    }
    return false;
}

}  // namespace kalderino
