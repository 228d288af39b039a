// Renderer: the viewer's one long-lived object: view state, the mesh list, GL set-up, drawing
// and keyboard commands.
#pragma once

#include "mesh/Vector3.h"
#include "render/SceneAids.h"

#include <cstdio>
#include <vector>

namespace kalderino {

class Camera;
class Mesh;
class Window;
struct TriangleMesh;

class Renderer {
public:
    explicit Renderer(Window& windowSystem);
    virtual ~Renderer() = default;  // releases the list, not the meshes
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    void addMesh(Mesh* mesh);
    // Draws mesh after the meshes of objects, and after the models added before it.
    void addModel(const TriangleMesh& mesh) { models.push_back(&mesh); }
    void linkMeshes();
    void initGL();
    void reshape(int w, int h);
    void display();
    // The frame display shows, drawn but not yet shown: display is draw, then the swap.
    void draw();
    void keyboard(unsigned char key, int x, int y);
    void special(int key, int x, int y);
    // The model point the pixel at (x, y) from the window's top left corner shows, found in the
    // depth of the frame drawn again as it is shown but not shown: in model units (as the meshes'
    // coordinates) and in the eye's space. False when the pixel shows no model. Asks for the
    // frame to be drawn again.
    bool pick(int x, int y, Vec3& model, Vec3& eye);

    int window = 0;  // the window system's identifier of the window drawn in
    float lightDiffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float lightAmbient[4] = {0.8f, 0.8f, 0.5f, 0.3f};
    float lightEmission[4] = {0.0f, 0.0f, 0.0f, 1.0f};  // kept as data; a light takes none
    float specularColor[4] = {0.7f, 0.6f, 0.7f, 0.8f};  // of light 0 and of the material
    float lightPosition[4] = {0.0f, 300.0f, -200.0f,
                              1.0f};  // kept as data; light 0 stays a headlight
    int width = 0;                    // pixels
    int height = 0;                   // pixels
    Vector3 rotation;                 // degrees about x, y, z
    Vector3 translation;              // model units along the eye's axes
    bool orthographic = false;
    bool wireframe = false;
    bool cullFaces = false;
    bool flatShading = false;
    float pointSize = 1.0f;  // pixels, of the meshes of points alone
    // What the renderer asks of the window system: GLUT's in the viewer, an offscreen one in
    // kalderino-shot. Not owned; outlives the renderer.
    Window& windowSystem;
    std::vector<Mesh*> meshes;  // drawn in this order; destroyed by the quit key
    // Meshes held as arrays, as model files are read, drawn after meshes in this order; not
    // owned: they outlive the renderer.
    std::vector<const TriangleMesh*> models;
    std::FILE* keyReport = stdout;  // the unbound-key lines; none when null
    // The model viewer's camera, which gives the projection and the placement, the view values
    // then turning the model about its target and moving it in steps of its size. Null in the
    // viewer, which keeps the fixed placement. Not owned.
    const Camera* camera = nullptr;
    // Drawn with the model, each only when asked for: nothing by default.
    SceneAids aids;

private:
    void drawModel();
    // The meshes held as arrays, each in its own colour when ownColours.
    void drawModels(bool ownColours);
    void drawAids();
    void loadProjection();
    void placeModel();
    void setProjection();
    void askWindowSize(int w, int h);
    void quit();
    void reportUnboundKey(int code);

    // A size asked for while in full screen, asked again once full screen is left; 0 when none.
    int pendingWidth = 0;
    int pendingHeight = 0;
};

}  // namespace kalderino
