// The global renderer and the GLUT callbacks that forward to it.
#pragma once

namespace kalderino {

class Renderer;

// GLUT callbacks carry no user pointer, so this is their one way back to the renderer.
extern Renderer* theRenderer;

// Registers the four below with GLUT, in the viewer's order: reshape, display, keyboard, special.
void registerCallbacks();

void onReshape(int w, int h);
void onDisplay();
void onKeyboard(unsigned char key, int x, int y);
void onSpecial(int key, int x, int y);

}  // namespace kalderino
