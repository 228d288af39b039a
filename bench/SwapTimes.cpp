// SwapTimes: a preloaded library for bench/measure that logs when each buffer swap of the viewer
// ends, so frames are timed exactly instead of by polling screenshots.
//
// LD_PRELOAD it and name a log in SWAP_TIMES_LOG: every glXSwapBuffers is passed on, then one
// line with the wall-clock time in microseconds since the epoch (the shell's EPOCHREALTIME) and
// the processor time the process has had so far, all its threads', in microseconds, is appended
// to the log. The GL has finished the frame once the swap returns: the swap copies the finished
// back buffer to the window. The processor time tells builds apart on a machine too busy for
// the wall-clock time to.
#include <GL/glx.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

using SwapFunction = void (*)(Display*, GLXDrawable);

int logFile() {
    static const int fd = [] {
        const char* path = std::getenv("SWAP_TIMES_LOG");
        return path != nullptr ? ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    }();
    return fd;
}

}  // namespace

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    static const auto next = reinterpret_cast<SwapFunction>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    if (next != nullptr) next(display, drawable);
    timespec now{};
    timespec processor{};
    clock_gettime(CLOCK_REALTIME, &now);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &processor);
    char line[48];
    const int length = std::snprintf(
        line, sizeof line, "%lld %lld\n",
        static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000,
        static_cast<long long>(processor.tv_sec) * 1000000 + processor.tv_nsec / 1000);
    if (logFile() >= 0 && length > 0) {
        const ssize_t written = ::write(logFile(), line, static_cast<std::size_t>(length));
        static_cast<void>(written);
    }
}
