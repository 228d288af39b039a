// LibraryReader: the Open Asset Import Library's scene into triangle meshes.
#include "import/LibraryReader.h"

#include "io/file/FileContents.h"

#include <assimp/DefaultIOSystem.h>
#include <assimp/Importer.hpp>
#include <assimp/MemoryIOWrapper.h>
#include <assimp/ProgressHandler.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstring>
#include <functional>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalderino {

namespace {

// A million triangles take some 20 MB even in compact binary formats; smaller files load in
// about a second and need no progress line.
constexpr off_t kProgressFileSize = 16 << 20;

// Welding is MeshBuilder's, on positions alone: the library's own joins only corners that agree
// in every component, and takes seconds on millions of them.
constexpr unsigned kSteps =
    aiProcess_ValidateDataStructure | aiProcess_Triangulate | aiProcess_SortByPType;

// The library's messages may span lines; the diagnostic is one line.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text.empty() ? "unknown error" : text;
}

class ReadProgress : public Assimp::ProgressHandler {
public:
    ReadProgress(std::FILE* out, std::string path) : out(out), path(std::move(path)) {}
    bool Update(float fraction) override {
        const int percent = static_cast<int>(fraction * 100.0f);
        if (percent > shown && percent <= 100) {
            shown = percent;
            std::fprintf(out, "\rreading %s: %d%%", path.c_str(), percent);
            std::fflush(out);
        }
        return true;
    }
    // Ends the progress line: at 100% when the file was read, where it stopped otherwise.
    void finish(bool read) const {
        if (shown >= 0 && read) std::fprintf(out, "\rreading %s: 100%%\n", path.c_str());
        if (shown >= 0 && !read) std::fputc('\n', out);
    }

private:
    std::FILE* out;
    std::string path;
    int shown = -1;
};

// The library's files: the one already read, from memory, under the name the library is given;
// any other it asks for (a glTF's buffers, an OBJ's materials) from disk.
class OneFileInMemory : public Assimp::DefaultIOSystem {
public:
    OneFileInMemory(std::string name, const char* data, std::size_t size)
        : name(std::move(name)), data(data), size(size) {}
    bool Exists(const char* file) const override {
        return name == file || Assimp::DefaultIOSystem::Exists(file);
    }
    Assimp::IOStream* Open(const char* file, const char* mode) override {
        if (name != file) return Assimp::DefaultIOSystem::Open(file, mode);
        return new Assimp::MemoryIOStream(reinterpret_cast<const uint8_t*>(data), size);
    }

private:
    std::string name;
    const char* data;
    std::size_t size;
};

// The library walks a scene's node hierarchy by recursion, in parsing, validating and freeing
// it; a glTF of 460 KB nests 20,000 nodes. It runs on a thread with this much stack (address
// space, used only as deep as a file goes), and a file that nests deeper still ends the run
// with one line instead of SIGSEGV.
constexpr std::size_t kLibraryStack = std::size_t{1} << 30;
constexpr std::size_t kStackGuard = std::size_t{1} << 20;

struct LargeStack {
    std::function<void()> work;
};
std::atomic<char*> stackLow{nullptr};
const char* overflowLine = "";  // the line said when the library overruns the stack

void onStackOverflow(int, siginfo_t* info, void*) {
    char* const address = static_cast<char*>(info->si_addr);
    char* const low = stackLow.load();
    if (low != nullptr && address < low + 65536 && address + kStackGuard + 65536 >= low) {
        const ssize_t ignored = ::write(STDERR_FILENO, overflowLine, std::strlen(overflowLine));
        static_cast<void>(ignored);
        ::_exit(1);
    }
    ::signal(SIGSEGV, SIG_DFL);  // not an overflow of ours: the access faults again and kills
}

void* runLargeStack(void* argument) {
    auto* stack = static_cast<LargeStack*>(argument);
    pthread_attr_t attributes;
    void* low = nullptr;
    std::size_t size = 0;
    if (::pthread_getattr_np(::pthread_self(), &attributes) == 0) {
        ::pthread_attr_getstack(&attributes, &low, &size);
        ::pthread_attr_destroy(&attributes);
    }
    // The handler runs on a stack of its own: the thread's is the one that ran out.
    static char alternate[1 << 16];
    stack_t handlerStack{};
    handlerStack.ss_sp = alternate;
    handlerStack.ss_size = sizeof alternate;
    stack_t previousStack{};
    ::sigaltstack(&handlerStack, &previousStack);
    stackLow.store(static_cast<char*>(low));
    stack->work();
    stackLow.store(nullptr);
    // The thread's own alternate stack back, for whoever frees it when the thread ends (a
    // sanitizer does).
    ::sigaltstack(&previousStack, nullptr);
    return nullptr;
}

// Runs work on a thread with kLibraryStack of stack; false when no such thread can be had.
bool onLargeStack(const std::string& line, std::function<void()> work) {
    LargeStack stack{std::move(work)};
    pthread_attr_t attributes;
    ::pthread_attr_init(&attributes);
    ::pthread_attr_setstacksize(&attributes, kLibraryStack);
    ::pthread_attr_setguardsize(&attributes, kStackGuard);
    overflowLine = line.c_str();
    struct sigaction action {
    }, previous{};
    action.sa_sigaction = onStackOverflow;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGSEGV, &action, &previous);
    pthread_t thread;
    const bool started = ::pthread_create(&thread, &attributes, runLargeStack, &stack) == 0;
    ::pthread_attr_destroy(&attributes);
    if (started) ::pthread_join(thread, nullptr);
    ::sigaction(SIGSEGV, &previous, nullptr);
    return started;
}

}  // namespace

bool LibraryReader::onLibraryStack(const std::function<bool()>& work) {
    bool result = false;
    const std::string line = path + ": nests its nodes too deep for the library's " +
                             std::to_string(kLibraryStack >> 20) + " MiB stack\n";
    if (onLargeStack(line, [&] { result = work(); })) return result;
    return fail(0, "cannot read: no thread with a stack of " + std::to_string(kLibraryStack >> 20) +
                       " MiB to be had");
}

bool LibraryReader::read(const char* data, std::size_t size, std::vector<TriangleMesh>& meshes) {
    const std::size_t dot = path.find_last_of('.');
    const std::string hint = !format.empty()            ? format
                             : dot == std::string::npos ? ""
                                                        : path.substr(dot + 1);
    return onLibraryStack([&] {
        Assimp::Importer library;
        return collectScene(library, library.ReadFileFromMemory(data, size, kSteps, hint.c_str()),
                            meshes);
    });
}

bool LibraryReader::readFile(const std::string& file, std::vector<TriangleMesh>& meshes) {
    path = file;
    // Opened and read once, here, whatever the file is (a FIFO has no second reading); the
    // library reads it from memory under its own name, the format named by its extension or by
    // format, and the files it refers to beside it.
    FileContents contents;
    if (!contents.load(path, diagnostics)) return false;
    const std::string name = format.empty() ? path : path + "." + format;

    return onLibraryStack([&] {
        Assimp::Importer library;
        library.SetIOHandler(new OneFileInMemory(name, contents.data(), contents.size()));
        ReadProgress* progress = nullptr;
        if (showProgress && diagnostics != nullptr &&
            contents.size() >= static_cast<std::size_t>(kProgressFileSize)) {
            progress = new ReadProgress(diagnostics, path);
            library.SetProgressHandler(progress);  // the library deletes it
        }
        const aiScene* scene = library.ReadFile(name, kSteps);
        if (progress != nullptr) progress->finish(scene != nullptr);
        if (scene != nullptr && !contents.intact()) return false;
        return collectScene(library, scene, meshes);
    });
}

bool LibraryReader::collectScene(Assimp::Importer& library, const aiScene* scene,
                                 std::vector<TriangleMesh>& meshes) {
    if (scene == nullptr) return fail(0, "cannot read: " + oneLine(library.GetErrorString()));
    std::vector<TriangleMesh> found;
    if (scene->mRootNode != nullptr && !collect(*scene, *scene->mRootNode, aiMatrix4x4(), found))
        return false;
    return keep(found, meshes);
}

// Appends the triangles of every mesh the node and its children use, in world coordinates. The
// nodes are walked depth first, in order, on a stack of their own: a hierarchy tens of thousands
// of nodes deep must not exhaust the thread's.
bool LibraryReader::collect(const aiScene& scene, const aiNode& root, const aiMatrix4x4& top,
                            std::vector<TriangleMesh>& meshes) {
    struct Visit {
        const aiNode* node;
        aiMatrix4x4 parent;
    };
    std::vector<Visit> pending{{&root, top}};
    while (!pending.empty()) {
        const aiNode& node = *pending.back().node;
        const aiMatrix4x4 transform = pending.back().parent * node.mTransformation;
        pending.pop_back();
        if (!collectNode(scene, node, transform, meshes)) return false;
        for (unsigned i = node.mNumChildren; i-- > 0;)
            pending.push_back({node.mChildren[i], transform});
    }
    return true;
}

// Appends the triangles of the meshes of node, with transform.
bool LibraryReader::collectNode(const aiScene& scene, const aiNode& node,
                                const aiMatrix4x4& transform, std::vector<TriangleMesh>& meshes) {
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh& source = *scene.mMeshes[node.mMeshes[i]];
        if ((source.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) == 0) continue;
        MeshBuilder builder;
        builder.points.resize(source.mNumVertices);
        for (unsigned v = 0; v < source.mNumVertices; ++v) {
            const aiVector3D p = transform * source.mVertices[v];
            builder.points[v] = {p.x + 0.0f, p.y + 0.0f, p.z + 0.0f};
        }
        for (unsigned f = 0; f < source.mNumFaces; ++f) {
            const aiFace& face = source.mFaces[f];
            if (face.mNumIndices != 3) continue;
            for (unsigned k = 0; k < 3; ++k) {
                const auto& p = builder.points[face.mIndices[k]];
                if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
                    return fail(0, "mesh \"" + std::string(source.mName.C_Str()) +
                                       "\" has a point that is not a finite number");
            }
            builder.addTriangle(face.mIndices[0], face.mIndices[1], face.mIndices[2]);
        }
        // The OBJ reader names meshes of files without 'o' or 'g' lines "defaultobject".
        const std::string ownName = source.mName.C_Str();
        if (!finishMesh(builder, ownName == "defaultobject" ? "" : ownName, meshes)) return false;
    }
    return true;
}

}  // namespace kalderino
