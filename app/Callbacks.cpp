// The GLUT callback trampolines: each forwards its arguments unchanged to theRenderer.
#include "app/Callbacks.h"

#include "render/Renderer.h"

#include <GL/glut.h>

namespace kalderino {

Renderer* theRenderer = nullptr;

void onReshape(int w, int h) { theRenderer->reshape(w, h); }
void onDisplay() { theRenderer->display(); }
void onKeyboard(unsigned char key, int x, int y) { theRenderer->keyboard(key, x, y); }
void onSpecial(int key, int x, int y) { theRenderer->special(key, x, y); }

void registerCallbacks() {
    glutReshapeFunc(onReshape);
    glutDisplayFunc(onDisplay);
    glutKeyboardFunc(onKeyboard);
    glutSpecialFunc(onSpecial);
}

}  // namespace kalderino
