// GlutDriver: the callbacks, the one pointer they reach the core by, and the two start-ups.
#include "driver/GlutDriver.h"

#include "driver/GlutWindow.h"
#include "io/MeshLoader.h"
#include "session/Viewer.h"

#include <GL/freeglut.h>

namespace kalderino {

namespace {

static_assert(kShift == GLUT_ACTIVE_SHIFT && kControl == GLUT_ACTIVE_CTRL &&
                  kAlt == GLUT_ACTIVE_ALT,
              "modifiers are GLUT's bits");
static_assert(kKeyF1 == GLUT_KEY_F1 && kKeyLeft == GLUT_KEY_LEFT && kKeyDown == GLUT_KEY_DOWN &&
                  kKeyPageUp == GLUT_KEY_PAGE_UP && kKeyInsert == GLUT_KEY_INSERT,
              "special keys keep GLUT's codes");

// GLUT's callbacks are plain functions with no user pointer: this is their way back to the core.
Viewer* theViewer = nullptr;
bool timerSet = false;  // GLUT has a timer that has not gone off

double now() { return glutGet(GLUT_ELAPSED_TIME) / 1000.0; }

Event withTime(Event event) {
    event.time = now();
    return event;
}

void onTimer(int);

// After every event of the model viewer: a timer for the next tick the core wants, unless one is
// set already.
void setTimer() {
    const double delay = theViewer->tickDelay();
    if (timerSet || delay < 0.0) return;
    timerSet = true;
    glutTimerFunc(static_cast<unsigned>(delay * 1000.0), onTimer, 0);
}

void onTimer(int) {
    timerSet = false;
    Event tick;
    tick.kind = Event::Kind::tick;
    theViewer->handle(withTime(tick));
    setTimer();
}

// Every event of the model viewer, and what it calls for.
void deliver(const Event& event) {
    theViewer->handle(withTime(event));
    setTimer();
}

void onReshape(int w, int h) { theViewer->handle(Event::resized(w, h)); }
void onDisplay() { theViewer->display(); }

void onKeyboard(unsigned char key, int x, int y) {
    theViewer->handle(Event::keyPress({false, key}, 0, x, y));
}
void onSpecial(int key, int x, int y) { theViewer->handle(Event::keyPress({true, key}, 0, x, y)); }

// X delivers the wheel as buttons 4 and 5, which GLUT numbers 3 and 4, a press per step.
void onMouse(int button, int state, int x, int y) {
    const unsigned modifiers = glutGetModifiers();
    if (button == 3 || button == 4) {
        if (state == GLUT_DOWN) deliver(Event::wheel(button == 3 ? 1 : -1, x, y, modifiers));
        return;
    }
    if (button != GLUT_LEFT_BUTTON && button != GLUT_MIDDLE_BUTTON && button != GLUT_RIGHT_BUTTON)
        return;
    const Button which = button == GLUT_LEFT_BUTTON     ? Button::left
                         : button == GLUT_MIDDLE_BUTTON ? Button::middle
                                                        : Button::right;
    const Event::Kind kind = state == GLUT_DOWN ? Event::Kind::press : Event::Kind::release;
    deliver(Event::pointer(kind, which, x, y, modifiers));
}

void onMotion(int x, int y) { deliver(Event::pointer(Event::Kind::motion, Button::left, x, y)); }

// The model viewer's keys, which may start work that wants ticks.
void onModelKeyboard(unsigned char key, int x, int y) {
    deliver(Event::keyPress({false, key}, glutGetModifiers(), x, y));
}
void onModelSpecial(int key, int x, int y) {
    deliver(Event::keyPress({true, key}, glutGetModifiers(), x, y));
}

// The viewer's four, and no more: no mouse, motion, idle, timer or close handler.
void registerViewerCallbacks() {
    glutReshapeFunc(onReshape);
    glutDisplayFunc(onDisplay);
    glutKeyboardFunc(onKeyboard);
    glutSpecialFunc(onSpecial);
}

}  // namespace

int runViewer(int argc, char** argv) {
    Viewer* viewer = new Viewer;  // creates the loader first; lives until the process ends
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(640, 480);
    glutInitWindowPosition(0, 0);

    GlutWindow* glut = new GlutWindow;  // lives until the process ends
    theViewer = viewer;
    viewer->createRenderer(*glut);
    viewer->windowOpened(glut->open("KALDERINO 01- Visualiza\xE7\xE3"
                                    "o de Triangulos"),
                         640, 480);

    // The loader has said what is wrong; nothing of a half-read file is drawn.
    if (!viewer->loadDataFile(MeshLoader::kFileName, stdout)) return 1;
    viewer->handOver(stdout);

    registerViewerCallbacks();
    viewer->initGL();
    glutMainLoop();
    return 0;
}

int runModelViewer(Viewer& viewer, std::vector<char*> glutArgs, const std::string& title,
                   const WindowPlace& place) {
    // Set before glutInit, so that GLUT's own options, which glutInit reads, have the last word.
    glutInitWindowSize(place.width, place.height);
    glutInitWindowPosition(place.x, place.y);
    int glutArgc = static_cast<int>(glutArgs.size());
    glutArgs.push_back(nullptr);
    glutInit(&glutArgc, glutArgs.data());
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);

    GlutWindow* glut = new GlutWindow;  // lives until the process ends
    theViewer = &viewer;
    const int window = glut->open(title.c_str());
    viewer.start(*glut, window, glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
    registerViewerCallbacks();
    glutKeyboardFunc(onModelKeyboard);
    glutSpecialFunc(onModelSpecial);
    glutMouseFunc(onMouse);
    glutMotionFunc(onMotion);
    setTimer();
    glutMainLoop();
    return 0;
}

}  // namespace kalderino
