// Preloaded (LD_PRELOAD) to watch and steer the real program. VORLANE_PROBE_LOG=<file> gets lines
// "window <X id>" and "swap <n> <monotonic ns> <CPU ns>", once the server has the frame.
// _STOP_AFTER=<N>, _EXIT_AFTER=<N>: SIGSTOP, exit(0) after the N-th swap; _ERROR_AT=<N>: the N-th
// glGetError fails; _HOLD_IDLE=1: frames only when asked for. An exit out of order ends in 70.
#include <GL/freeglut.h>
#include <GL/glx.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace
{

long swaps = 0, error_checks = 0;
Display* glut_display = nullptr; // until GLUT closes it

long setting(const char* name)
{
    return std::getenv(name) != nullptr ? std::atol(std::getenv(name)) : 0;
}

// One write a line: a test reads the log while the program runs, and may stop it after any.
template <typename... Args> void note(const char* format, Args... args)
{
    static const char* path = std::getenv("VORLANE_PROBE_LOG");
    static const int log = path ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    if (log >= 0)
        dprintf(log, format, args...);
}

long long nanoseconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

template <typename Function> Function real(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// Set at the first swap, as a driver's would be, which would find its context in use here, or
// GLUT about to close a display whose context it has already torn down.
void check_exit_order()
{
    if (glXGetCurrentContext() != nullptr || glut_display != nullptr) {
        dprintf(STDERR_FILENO, "probe: at exit, a GL context is current or GLUT's display open\n");
        _exit(70);
    }
}

} // namespace

extern "C" {

int glutCreateWindow(const char* title)
{
    const int window = real<int (*)(const char*)>("glutCreateWindow")(title);
    // GLUT makes the new window current, and its GLX drawable is the X window itself.
    glut_display = glXGetCurrentDisplay();
    note("window %lu\n", static_cast<unsigned long>(glXGetCurrentDrawable()));
    return window;
}

void glutSwapBuffers()
{
    static const long stop_after = setting("VORLANE_PROBE_STOP_AFTER");
    static const long exit_after = setting("VORLANE_PROBE_EXIT_AFTER");
    static const auto swap = real<void (*)()>("glutSwapBuffers");
    swap();
    if (++swaps == 1)
        std::atexit(check_exit_order);
    // The server must have the frame before it is timed, held or left behind.
    if (swaps == 1 || swaps == stop_after || swaps == exit_after)
        XSync(glXGetCurrentDisplay(), False);
    note("swap %ld %lld %lld\n", swaps, nanoseconds(CLOCK_MONOTONIC),
         nanoseconds(CLOCK_PROCESS_CPUTIME_ID));
    if (swaps == stop_after)
        std::raise(SIGSTOP);
    if (swaps == exit_after) {
        glutExit();
        std::exit(0);
    }
}

int XCloseDisplay(Display* display)
{
    glut_display = display == glut_display ? nullptr : glut_display;
    return real<int (*)(Display*)>("XCloseDisplay")(display);
}

GLenum glGetError()
{
    static const long error_at = setting("VORLANE_PROBE_ERROR_AT");
    static const auto get_error = real<GLenum (*)()>("glGetError");
    return ++error_checks == error_at ? GL_INVALID_OPERATION : get_error();
}

void glutIdleFunc(void (*callback)())
{
    static const bool hold = setting("VORLANE_PROBE_HOLD_IDLE") != 0;
    real<void (*)(void (*)())>("glutIdleFunc")(hold ? nullptr : callback);
}

} // extern "C"
