// draw_bench: the ways to feed a mesh of arrays to OpenGL, each timed on this machine's GL, so
// that the renderer's choice rests on figures: one model file, read and fitted as the programs
// read it, drawn offscreen at 640 x 480 in the viewer's light and view, one way per process (a
// process's first frame includes the shaders the GL compiles for it). Prints one line per frame:
// its number and seconds, the last with the memory resident before the first frame and the
// process's peak, in MiB.
//
// Usage: draw_bench WAY FILE [FRAMES] [KEYS]
//   WAY: objects (the viewer's objects from FILE, a data file, one begin and end per triangle,
//   as the viewer draws), immediate (one begin
//   and end for all), elements (client vertex arrays, one glDrawElements), buffers (buffer
//   objects, one glDrawElements), list (a display list recorded in immediate mode), or
//   renderer (what Renderer::display does with the arrays). KEYS: "wire", "flat", "cull".
#define GL_GLEXT_PROTOTYPES
#include "import/Importer.h"
#include "io/MeshLoader.h"
#include "mesh/Mesh.h"
#include "mesh/PointNormals.h"
#include "mesh/StartView.h"
#include "render/OffscreenWindow.h"
#include "render/Renderer.h"
#include "render/TriangleDrawing.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace kalderino;

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void immediate(const TriangleMesh& mesh) {
    const auto* points = mesh.points.data();
    const auto* normals = mesh.normals.data();
    glBegin(GL_TRIANGLES);
    for (const auto& triangle : mesh.triangles) {
        for (int index : triangle) {
            glNormal3fv(normals[index].data());
            glVertex3fv(points[index].data());
        }
    }
    glEnd();
}

void arrays(const TriangleMesh& mesh, bool buffers) {
    static GLuint names[3];
    const void* points = mesh.points.data();
    const void* normals = mesh.normals.data();
    const void* indices = mesh.triangles.data();
    if (buffers) {
        if (names[0] == 0) {
            glGenBuffers(3, names);
            glBindBuffer(GL_ARRAY_BUFFER, names[0]);
            glBufferData(GL_ARRAY_BUFFER, 12 * mesh.points.size(), points, GL_STATIC_DRAW);
            glBindBuffer(GL_ARRAY_BUFFER, names[1]);
            glBufferData(GL_ARRAY_BUFFER, 12 * mesh.points.size(), normals, GL_STATIC_DRAW);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, names[2]);
            glBufferData(GL_ELEMENT_ARRAY_BUFFER, 12 * mesh.triangles.size(), indices,
                         GL_STATIC_DRAW);
        }
        points = normals = indices = nullptr;
        glBindBuffer(GL_ARRAY_BUFFER, names[0]);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, points);
    if (buffers) glBindBuffer(GL_ARRAY_BUFFER, names[1]);
    glNormalPointer(GL_FLOAT, 0, normals);
    if (buffers) glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, names[2]);
    const char* chunkText = std::getenv("CHUNK");
    const std::size_t chunk = chunkText != nullptr ? std::strtoul(chunkText, nullptr, 10) : 0;
    if (chunk == 0 || buffers) {
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * mesh.triangles.size()),
                       GL_UNSIGNED_INT, indices);
    } else {
        const char* windowText = std::getenv("WINDOW");
        const std::size_t window =
            windowText != nullptr ? std::strtoul(windowText, nullptr, 10) : 0;
        std::vector<GLsync> fences;
        for (std::size_t first = 0; first < mesh.triangles.size(); first += chunk) {
            const std::size_t count = std::min(chunk, mesh.triangles.size() - first);
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * count), GL_UNSIGNED_INT,
                           mesh.triangles[first].data());
            if (window == 0) {
                glFlush();
                continue;
            }
            if (std::getenv("FINISH") != nullptr) {
                if ((first / chunk + 1) % window == 0) {
                    glFinish();
                } else {
                    glFlush();
                }
                continue;
            }
            fences.push_back(glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0));
            glFlush();
            if (fences.size() > window) {
                GLsync oldest = fences[fences.size() - 1 - window];
                glClientWaitSync(oldest, 0, GL_TIMEOUT_IGNORED);
            }
        }
        for (GLsync fence : fences) glDeleteSync(fence);
    }
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (buffers) {
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    }
}

// Resident now, from /proc/self/statm.
long residentKiB() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long peakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: draw_bench WAY FILE [FRAMES] [KEYS]\n");
        return 2;
    }
    const std::string way = argv[1];
    const int frames = argc > 3 ? std::atoi(argv[3]) : 5;
    const std::string keys = argc > 4 ? argv[4] : "";
    std::vector<TriangleMesh> meshes;
    MeshLoader loader;
    loader.report = nullptr;
    if (way == "objects") {
        if (!loader.loadFile(argv[2])) return 1;
    } else {
        Importer importer;
        if (!importer.read(argv[2], meshes)) return 1;
        fitToView(meshes);
        for (TriangleMesh& mesh : meshes) computePointNormals(mesh);
    }
    OffscreenWindow window;
    if (!window.open(640, 480)) {
        std::fprintf(stderr, "%s\n", window.error.c_str());
        return 1;
    }
    Renderer renderer(window);
    renderer.width = 640;
    renderer.height = 480;
    std::vector<Mesh*> objects(loader.meshes, loader.meshes + loader.meshCount);
    for (Mesh* mesh : objects) mesh->linkTriangles();
    if (way == "renderer")
        for (const TriangleMesh& mesh : meshes) renderer.addModel(mesh);
    renderer.initGL();
    renderer.reshape(640, 480);
    if (keys.find("wire") != std::string::npos) renderer.special(2, 0, 0);  // GLUT_KEY_F2
    if (keys.find("flat") != std::string::npos) renderer.keyboard('m', 0, 0);
    if (keys.find("cull") != std::string::npos) renderer.keyboard(' ', 0, 0);
    GLuint list = 0;
    const long before = residentKiB() / 1024;
    for (int frame = 0; frame < frames; ++frame) {
        const double start = now();
        if (way == "list" && list == 0) {
            list = glGenLists(1);
            glNewList(list, GL_COMPILE);
            for (const TriangleMesh& mesh : meshes) immediate(mesh);
            glEndList();
        }
        renderer.display();  // clears and sets the view; draws the arrays for "renderer" only
        for (const Mesh* mesh : objects) drawTriangles(*mesh);
        for (const TriangleMesh& mesh : meshes) {
            if (way == "immediate") immediate(mesh);
            if (way == "elements" || way == "buffers") arrays(mesh, way == "buffers");
        }
        if (list != 0) glCallList(list);
        glFinish();
        renderer.rotation.y += 10.0f;
        std::printf("%d %.4f", frame, now() - start);
        if (frame + 1 == frames) std::printf(" %ld %ld", before, peakKiB() / 1024);
        std::printf("\n");
    }
    return 0;
}
