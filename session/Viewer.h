// Viewer: one running view, whatever shows it: it opens the files, owns the meshes, the renderer
// and the camera, and takes input as plain events. Window systems are drivers that feed it (a
// GLUT window, an offscreen surface replaying a script); it knows neither.
//
// It serves two programs' ways of viewing. The viewer's: every key goes to the renderer as the
// viewer's window delivers it, and the meshes keep the viewer's fixed placement. The model
// viewer's (kalderino-view, and kalderino-shot drawing what it would show): the keys and pointer
// gestures of the bindings table first, the viewer's keys after them. Files that are all model
// files open in a view of their own, through a camera that frames them and turns about them,
// in their own coordinates; any data file among them keeps the viewer's placement for all, the
// model files fitted into it, and the pointer then turns and moves the model through the view
// values, about the middle of the meshes.
//
// The model viewer's keys also switch what the renderer draws besides the model (edges, axes,
// grid, box, a measurement, the overlay of facts and the help panel), and its pointer picks
// points of the model from the depth of the frame.
#pragma once

#include "mesh/Camera.h"
#include "mesh/Vector3.h"
#include "session/BackgroundOpen.h"
#include "session/Bindings.h"
#include "session/Event.h"
#include "session/FileWatch.h"
#include "session/Session.h"
#include "session/SimplifiedCopies.h"

#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kalderino {

class ModelFiles;
class Renderer;
class Window;

class Viewer {
public:
    // The pointer turns the view by this many degrees a pixel.
    static constexpr double kDegreesPerPixel = 0.4;
    // One wheel step brings the eye this much closer.
    static constexpr double kZoomStep = 1.1;
    // The most points the framing of a view looks at: enough to find a model's outline, few
    // enough to take no time.
    static constexpr std::size_t kOutlinePoints = 100000;
    // Two presses of the left button make a double click within this many seconds and pixels.
    static constexpr double kDoubleClickSeconds = 0.3;
    static constexpr int kDoubleClickPixels = 4;
    // Frames a second are measured over this many frames drawn.
    static constexpr std::size_t kFramesTimed = 20;
    // While the view moves, a model of more triangles than this is drawn from a copy of about
    // this many: on Mesa's software renderer on two cores such a frame takes some 40 ms, where
    // the 2 M terrain's takes 200 (bench/frame-times).
    static constexpr std::size_t kSimplifyAbove = 200000;
    // The wheel's steps count as one move until this many seconds pass without one.
    static constexpr double kWheelSettle = 0.1;
    // The widest the points of point clouds get, in pixels.
    static constexpr float kMaxPointSize = 16.0f;

    // Creates the session, and with it the loader, first of all, as the viewer's start-up has
    // it. Model files are read through modelFiles; without it every file is a data file.
    explicit Viewer(ModelFiles* modelFiles = nullptr);
    virtual ~Viewer();  // the renderer and the meshes live until the process ends
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    // Before any window: the viewer's data file, with its report lines on report; or the files
    // given. Both return false after a diagnostic on stderr.
    bool loadDataFile(const std::string& path, std::FILE* report);
    bool open(const std::vector<std::string>& paths, ModelOptions options);
    // As open, on a thread, waiting patience seconds at most: files read by then are as open
    // leaves them; files still being read go on being read while the window opens, which shows
    // their progress until they are read (loading), and ends the process with the diagnostic
    // and status 1 if they cannot be.
    bool open(const std::vector<std::string>& paths, ModelOptions options, double patience);
    bool loading() const { return reading && readingKind == Reading::first; }

    // The viewer's start-up, a step at a time, for a driver that interleaves the window system's
    // steps: the renderer, drawing through window; the window's identifier and size once it is
    // open; the meshes handed over (a line each on report) and linked; the GL state.
    Renderer& createRenderer(Window& window);
    void windowOpened(int id, int width, int height);
    void handOver(std::FILE* report);
    void initGL();
    // All of that at once, for a window already open.
    void start(Window& window, int id, int width, int height);

    // Input, and the frames it calls for. A driver delivers a resize before the first frame.
    void handle(const Event& event);
    void display();
    // Seconds from now until the core wants a tick (the time passing by itself: a file to
    // watch, work going on in the background), or a negative number when it wants none. A
    // driver asks after every event and frame.
    double tickDelay() const;
    // Waits for the work going on in the background (files being read) and takes its result,
    // as the ticks would once it is done: for a driver that replays input with no time passing
    // between events, so that every event meets the view the events before it left.
    void settle();

    // The model viewer's bindings and views; off for the viewer.
    bool modelViewer = false;
    // The view model files open in, and go back to with the reset key.
    ViewPreset startView = ViewPreset::threeQuarter;
    // Model files in the viewer's placement, fitted into it, as with a data file among them.
    bool placeModels = false;
    // Sets the two from a name: "three-quarter", "front", "right", "top", "isometric", or
    // "viewer" for the viewer's placement. False for any other name.
    bool chooseView(const std::string& name);
    static constexpr const char* kViewNames = "three-quarter, front, right, top, isometric, viewer";
    // The axis model files stand on, in place of the one their format suggests (z for STL, y
    // for the rest): "+X", "-X", "+Y", "-Y", "+Z" or "-Z" ("X" is "+X"; either case). False for
    // anything else.
    bool chooseUp(const std::string& name);
    static constexpr const char* kUpNames = "+X, -X, +Y, -Y, +Z, -Z";
    // Both from the command line's words (up left to the formats when empty): "" when both are
    // known, else what is wrong, as a usage error says it.
    std::string chooseViewing(const std::string& viewName, const std::string& upName);
    // Frames are drawn as they are shown, so the overlay gives their rate; where frames are
    // drawn only for pictures it gives none.
    bool timeFrames = false;
    // Called once each frame showing the files (not their progress) is shown, with whether it
    // showed simplified copies; none when unset.
    std::function<void(bool coarse)> frameShown;
    // The simplified copies of big models are made as soon as the first frame is shown, ready
    // for the first move (kalderino-view); otherwise at the first move, and waited for by settle
    // (kalderino-shot, which mostly draws one picture and never needs them).
    bool simplifyAtStart = false;
    std::size_t simplifyAbove = kSimplifyAbove;  // triangles
    // A drag or the wheel is under way, and the frames drawn meanwhile show the simplified
    // copies of big models once they are made.
    bool moving() const { return dragging.binding != nullptr || wheelEnds >= 0.0; }
    bool drawsSimplified() const;
    // Where the renderer writes a line for each unbound key; none when null.
    std::FILE* keyReport = stdout;
    // Reads the files again whenever one of them changes (set before open).
    bool watchFiles = false;
    // What the keep-frame key does with the frame shown, drawn and read before it is shown:
    // writes it as a picture named after stem, and returns the picture's name, or "" after a
    // line on stderr. Unset, the key does nothing (kalderino-shot, whose pictures are its own).
    std::function<std::string(const std::vector<unsigned char>& rgba, int width, int height,
                              const std::string& stem)>
        saveFrame;

    // The window's title: the first file's name, without its folder, and how many more there
    // are.
    std::string title() const;

    Renderer* renderer = nullptr;  // once created; lives until the process ends
    Camera camera;                 // the model files' view, when usesCamera

    bool usesCamera() const { return cameraView; }
    bool trackballTurns() const { return trackball; }
    // The panel's lines for the frame to come: the help's, or the overlay's and the measurement's.
    std::vector<std::string> panelText() const;

private:
    struct Drag {
        const Binding* binding = nullptr;  // null when no drag is under way
        Button button = Button::left;
        int x = 0;  // where it started
        int y = 0;
        Camera camera;  // the view then
        Vector3 rotation;
        Vector3 translation;
    };

    void key(const Event& event);
    void press(const Event& event);
    void drag(const Event& event);
    void scroll(const Event& event);
    void perform(Action action, const Event& event);
    // The aids and the point size; false for any other action.
    bool changeDrawing(Action action);
    void lookFrom(ViewPreset preset);
    void redraw();
    double aspect() const;

    // The pointer's gestures at the point of the model under it. Where it shows none the zoom
    // goes toward the point at the depth of the pivot, and a recentre does nothing.
    void zoomToPoint(const Event& event, double factor);
    void recentre(const Event& event);
    void measure(const Event& event);
    // Where the pointer points at the depth of the point the view turns about, in the eye's space.
    Vec3 pointerAtPivotDepth(const Event& event) const;
    // The camera's space, for a point in the eye's, once the view values are folded in.
    Vec3 cameraSpaceOf(const Vec3& eye) const;
    void foldViewValues();

    // The viewer's placement, moved by the view values: turns about the middle of the meshes,
    // moves and zooms along the eye's axes.
    void orbitPlaced(const Drag& from, double dx, double dy);
    void panPlaced(const Drag& from, double dx, double dy);
    void zoomPlaced(const Drag& from, double factor);
    Vector3 pivotInEye(const Vector3& rotation, const Vector3& translation) const;

    // The files' side (ViewerFiles.cpp): reading them again, the files beside them, watching
    // them, and keeping the frame shown.
    enum class Reading { again, beside, first };
    bool performOnFiles(Action action);
    void passTime();
    void startReading(const std::vector<std::string>& paths, Reading kind);
    void finishReading();
    void openBeside(int step);
    void replaceSession(std::unique_ptr<Session> fresh, bool keepView);
    void sceneChanged(bool keepView);
    void displayKeepingFrame();
    void displayProgress();
    std::string progressLine() const;
    void quitNow();
    void startSimplifying();
    bool ownView(const std::vector<std::string>& paths) const;
    void decideView(const std::vector<std::string>& paths);  // cameraView and up
    // Says lines to the user: on stderr, and the last of them in the overlay.
    void tell(const std::string& lines);

    ModelFiles* modelFiles;               // not owned; outlives the viewer
    std::unique_ptr<Session> session;     // replaced whole when the files are read again
    std::vector<std::string> shownPaths;  // the files shown, as given
    ModelOptions givenOptions;
    std::string besidePath;  // where Page Up and Down stand: the file they last went to
    std::unique_ptr<BackgroundOpen> reading;  // files being read, when they are
    Reading readingKind = Reading::again;
    unsigned long readingChanges = 0;       // the watch's count of changes when the reading began
    bool againWanted = false;               // reading the files again was asked for meanwhile
    std::vector<std::string> besideWanted;  // as was another file, which comes first
    double retryAt = -1.0;                  // when to read again what changed as it was read
    Reading retryKind = Reading::again;
    std::vector<std::string> retryPaths;
    FileWatch watch;
    int framesWanted = 0;       // pictures of the next frame to keep
    std::string lastTold;       // the last line told, which the overlay shows
    double readingSince = 0.0;  // when the first reading began, on secondsNow's clock
    std::string progressShown;  // the progress line of the last frame drawn while loading

    std::unique_ptr<SimplifiedCopies> copies;  // of the models handed over, once asked for
    double clock = 0.0;        // the latest time an event carried, on the driver's clock
    double wheelEnds = -1.0;   // when the wheel's move ends on that clock; -1: none under way
    bool coarseShown = false;  // the last frame drawn showed simplified copies

    bool cameraView = false;  // all files were model files: they open in a view of their own
    UpAxis up;
    std::array<double, 3> sceneLow{};  // every mesh's points, when there are any
    std::array<double, 3> sceneHigh{};
    Drag dragging;
    struct Click {
        bool pending = false;  // a left press that a second may make a double click
        double time = 0.0;
        int x = 0;
        int y = 0;
    };
    Click lastClick;
    bool hasPoints = false;  // the meshes have points, which sceneLow and sceneHigh bound
    bool trackball = false;
    bool showOverlay = false;
    bool showHelp = false;
    std::optional<UpAxis> chosenUp;
    // For the overlay: the files' names as the window's title gives them, what they hold and
    // the seconds they took to read.
    std::string filesName;
    long long pointCount = 0;
    long long triangleCount = 0;
    double loadSeconds = 0.0;
    std::deque<double> frameSeconds;  // the last frames' drawing times
};

}  // namespace kalderino
