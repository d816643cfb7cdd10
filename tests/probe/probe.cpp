// Preloaded into the real program (LD_PRELOAD) so the window tests can watch and steer it
// from outside: each wrapper logs what it saw, then hands the call on to the real library.
//
//   VORLANE_PROBE_LOG=<file>      appends one line per event, written at once
//   VORLANE_PROBE_HOLD_IDLE=1     the idle callback never reaches GLUT, so frames come only
//                                 from expose events and keys
//   VORLANE_PROBE_STOP_AFTER=<N>  stops the process (SIGSTOP) right after the N-th swap
//   VORLANE_PROBE_ERROR_AT=<N>    the N-th glGetError reports GL_INVALID_OPERATION
#include <GL/glut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace
{

constexpr int no_log = -1;
constexpr long unset = 0;
constexpr int max_line = 256;
constexpr GLenum injected_error = GL_INVALID_OPERATION;

long swap_count = 0;
long error_check_count = 0;

long setting(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::strtol(value, nullptr, 10) : unset;
}

int log_descriptor()
{
    static const int descriptor = [] {
        const char* path = std::getenv("VORLANE_PROBE_LOG");
        return path != nullptr ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)
                               : no_log;
    }();
    return descriptor;
}

// One write per line, straight to the file: a test reads the log while the program runs, and
// the program may be stopped or killed right after any line.
void log_line(const char* format, ...)
{
    const int descriptor = log_descriptor();
    if (descriptor == no_log)
        return;
    char line[max_line];
    std::va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length > 0 && length < max_line && write(descriptor, line, length) != length)
        std::perror("vorlane probe: log");
}

template <typename Function> Function next_definition(const char* name)
{
    void* symbol = dlsym(RTLD_NEXT, name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "vorlane probe: %s not found\n", name);
        std::abort();
    }
    return reinterpret_cast<Function>(symbol);
}

} // namespace

extern "C" {

int glutCreateWindow(const char* title)
{
    static const auto next = next_definition<int (*)(const char*)>("glutCreateWindow");
    const int glut_window = next(title);
    // GLUT makes the new window current, and its GLX drawable is the X window itself.
    log_line("window %lu\n", static_cast<unsigned long>(glXGetCurrentDrawable()));
    return glut_window;
}

void glutSwapBuffers()
{
    static const auto next = next_definition<void (*)()>("glutSwapBuffers");
    static const long stop_after = setting("VORLANE_PROBE_STOP_AFTER");
    next();
    ++swap_count;
    log_line("swap %ld\n", swap_count);
    if (swap_count == stop_after) {
        // The server must have the whole frame before the process freezes, or a screenshot
        // could catch it half drawn.
        XSync(glXGetCurrentDisplay(), False);
        std::raise(SIGSTOP);
    }
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    static const auto next =
        next_definition<void (*)(GLint, GLint, GLsizei, GLsizei)>("glViewport");
    log_line("viewport %d %d %d %d\n", x, y, width, height);
    next(x, y, width, height);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble near, GLdouble far)
{
    static const auto next =
        next_definition<void (*)(GLdouble, GLdouble, GLdouble, GLdouble)>("gluPerspective");
    log_line("perspective %.17g %.17g %.17g %.17g\n", fovy, aspect, near, far);
    next(fovy, aspect, near, far);
}

void glutIdleFunc(void (*callback)())
{
    static const auto next = next_definition<void (*)(void (*)())>("glutIdleFunc");
    static const bool hold = setting("VORLANE_PROBE_HOLD_IDLE") != unset;
    log_line(callback != nullptr ? "idle set\n" : "idle clear\n");
    next(hold ? nullptr : callback);
}

GLenum glGetError()
{
    static const auto next = next_definition<GLenum (*)()>("glGetError");
    static const long error_at = setting("VORLANE_PROBE_ERROR_AT");
    const GLenum reported = next();
    ++error_check_count;
    const GLenum returned = error_check_count == error_at ? injected_error : reported;
    log_line("glerror %ld %u\n", error_check_count, returned);
    return returned;
}

} // extern "C"
