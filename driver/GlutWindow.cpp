// GlutWindow: each request forwarded to GLUT as it comes.
#include "driver/GlutWindow.h"

#include <GL/freeglut.h>  // glutGet(GLUT_FULL_SCREEN)

namespace kalderino {

int GlutWindow::open(const char* title) { return glutCreateWindow(title); }
void GlutWindow::swapBuffers() { glutSwapBuffers(); }
void GlutWindow::postRedisplay() { glutPostRedisplay(); }
void GlutWindow::fullScreen() { glutFullScreen(); }
bool GlutWindow::isFullScreen() { return glutGet(GLUT_FULL_SCREEN) != 0; }
void GlutWindow::resize(int width, int height) { glutReshapeWindow(width, height); }
void GlutWindow::destroy(int window) { glutDestroyWindow(window); }
void GlutWindow::setTitle(const std::string& title) { glutSetWindowTitle(title.c_str()); }

}  // namespace kalderino
