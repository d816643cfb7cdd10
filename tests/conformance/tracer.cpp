// A call recorder loaded into the real program with LD_PRELOAD. Every OpenGL, GLU and GLUT
// call that the program itself makes is written to a log, one line a call, with floats and
// doubles as the hex of their bits, so a checker can compare them exactly. Calls that the
// libraries make among themselves are passed through unrecorded.
//
// Environment:
//   VORLANE_TRACE_FILE         where the log goes (required; without it nothing is recorded)
//   VORLANE_TRACE_FULL_FRAMES  frames recorded call by call; after them the calls between
//                              glBegin and glEnd are folded into one "= count hash" line
//                              (FNV-1a 64 of the lines they would have written)
//   VORLANE_TRACE_STOP_FRAMES  ends the process (status 0) after this many swaps
//   VORLANE_TRACE_ERROR_FRAME  makes a real GL error just before that frame's glGetError
//
// The program's reads of the monotonic clock (through the standard library or directly) are
// recorded too, as "clock" with the nanoseconds it was given.
//
// Lines: "name arg ..." for a call (enums 0x.., ints decimal, floats 8 hex digits, doubles
// 16, strings quoted, callbacks fn/null, a returned value after "="); "@name args" when GLUT
// enters one of the program's callbacks; "# ..." for notes, such as "# frame N" after a swap.
#include <GL/glu.h>
#include <GL/glut.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{

constexpr std::size_t output_capacity = 1 << 22;
constexpr std::size_t line_capacity = 4096;
constexpr std::uint64_t fnv_offset = 0xcbf29ce484222325ull;
constexpr std::uint64_t fnv_prime = 0x100000001b3ull;
constexpr char hex_digits[] = "0123456789abcdef";
// An enum that glEnable rejects, to provoke GL_INVALID_ENUM.
constexpr GLenum rejected_capability = 0;

// A run that never ends its frames must not fill the disk.
constexpr std::size_t max_log_bytes = std::size_t{1} << 30;
constexpr int runaway_exit_status = 3;

int log_fd = -1;
std::size_t total_written = 0;
char output[output_capacity];
std::size_t output_length = 0;
char line[line_capacity];
std::size_t line_length = 0;

// Only calls returning into the program's own code are recorded. A callback that ends in a
// tail call returns straight into our entry point that called it, so our own code counts
// as the program's too: nothing of ours calls a wrapped function except through those.
struct CodeRange {
    std::uintptr_t start;
    std::uintptr_t end;
};
CodeRange program_code{};
CodeRange tracer_code{};

long full_frames = -1; // -1: every frame in full
long stop_frames = -1;
long error_frame = -1;
long frames = 0;

bool in_primitive = false;
long folded_count = 0;
std::uint64_t folded_hash = fnv_offset;

void (*program_display)() = nullptr;
void (*program_idle)() = nullptr;
void (*program_visibility)(int) = nullptr;
void (*program_reshape)(int, int) = nullptr;
void (*program_keyboard)(unsigned char, int, int) = nullptr;

template <typename Function> Function next_symbol(const char* name)
{
    void* symbol = dlsym(RTLD_NEXT, name);
    if (symbol == nullptr)
        std::abort();
    return reinterpret_cast<Function>(symbol);
}

bool from_program(const void* caller)
{
    const auto address = reinterpret_cast<std::uintptr_t>(caller);
    return log_fd >= 0 && ((address >= program_code.start && address < program_code.end) ||
                           (address >= tracer_code.start && address < tracer_code.end));
}

void flush()
{
    total_written += output_length;
    if (total_written > max_log_bytes) {
        static constexpr char runaway[] = "# log too large, stopped\n";
        [[maybe_unused]] const ssize_t n = write(log_fd, runaway, sizeof runaway - 1);
        _exit(runaway_exit_status);
    }
    std::size_t written = 0;
    while (written < output_length) {
        const ssize_t n = write(log_fd, output + written, output_length - written);
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    output_length = 0;
}

void put_char(char c)
{
    if (line_length < line_capacity)
        line[line_length++] = c;
}

void put_text(const char* text)
{
    while (*text != '\0')
        put_char(*text++);
}

void put_hex(std::uint64_t value, int digits)
{
    put_char(' ');
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        put_char(hex_digits[(value >> shift) & 0xF]);
}

void put_float(GLfloat value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    put_hex(bits, 8);
}

void put_double(GLdouble value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    put_hex(bits, 16);
}

void put_int(long long value)
{
    char digits[24];
    int count = 0;
    unsigned long long magnitude =
        value < 0 ? 0ull - static_cast<unsigned long long>(value) : value;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    put_char(' ');
    if (value < 0)
        put_char('-');
    while (count > 0)
        put_char(digits[--count]);
}

void put_enum(unsigned value)
{
    put_char(' ');
    put_char('0');
    put_char('x');
    bool started = false;
    for (int shift = 28; shift >= 0; shift -= 4) {
        const unsigned digit = (value >> shift) & 0xF;
        started = started || digit != 0 || shift == 0;
        if (started)
            put_char(hex_digits[digit]);
    }
}

// Printable ASCII as it is; quotes, backslashes and anything else as \xNN.
void put_string(const char* text)
{
    put_char(' ');
    put_char('"');
    if (text != nullptr) {
        for (; *text != '\0'; ++text) {
            const auto c = static_cast<unsigned char>(*text);
            if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
                put_char(static_cast<char>(c));
            } else {
                put_text("\\x");
                put_char(hex_digits[c >> 4]);
                put_char(hex_digits[c & 0xF]);
            }
        }
    }
    put_char('"');
}

void put_callback(const void* callback)
{
    put_text(callback != nullptr ? " fn" : " null");
}

void start(const char* name)
{
    line_length = 0;
    put_text(name);
}

void write_output(const char* text, std::size_t length)
{
    if (output_length + length > output_capacity)
        flush();
    std::memcpy(output + output_length, text, length);
    output_length += length;
}

// Inside a folded primitive the line only feeds the hash.
void finish()
{
    put_char('\n');
    if (in_primitive && full_frames >= 0 && frames >= full_frames) {
        for (std::size_t i = 0; i < line_length; ++i)
            folded_hash = (folded_hash ^ static_cast<unsigned char>(line[i])) * fnv_prime;
        ++folded_count;
        return;
    }
    write_output(line, line_length);
}

void note(const char* text, long long number)
{
    start("#");
    put_char(' ');
    put_text(text);
    put_int(number);
    finish();
}

// One argument each, by type: floats and doubles as bits, GLenum and GLbitfield (unsigned)
// as hex, signed counts and positions in decimal, strings quoted.
void put(GLfloat value)
{
    put_float(value);
}

void put(GLdouble value)
{
    put_double(value);
}

void put(int value)
{
    put_int(value);
}

void put(unsigned value)
{
    put_enum(value);
}

void put(const char* text)
{
    put_string(text);
}

template <typename... Args> void record(const char* name, Args... args)
{
    start(name);
    (put(args), ...);
    finish();
}

// A call is recorded only when it came from the program.
template <typename... Args> void trace(const void* caller, const char* name, Args... args)
{
    if (from_program(caller))
        record(name, args...);
}

int light_value_count(GLenum pname)
{
    switch (pname) {
    case GL_SPOT_DIRECTION:
        return 3;
    case GL_SPOT_EXPONENT:
    case GL_SPOT_CUTOFF:
    case GL_CONSTANT_ATTENUATION:
    case GL_LINEAR_ATTENUATION:
    case GL_QUADRATIC_ATTENUATION:
        return 1;
    default:
        return 4;
    }
}

int material_value_count(GLenum pname)
{
    switch (pname) {
    case GL_SHININESS:
        return 1;
    case GL_COLOR_INDEXES:
        return 3;
    default:
        return 4;
    }
}

void record_vector(const char* name, GLenum target, GLenum pname, const GLfloat* values, int count)
{
    start(name);
    put_enum(target);
    put_enum(pname);
    for (int i = 0; i < count && values != nullptr; ++i)
        put_float(values[i]);
    finish();
}

// Registers our entry point in place of the program's callback (none for none), so that
// GLUT's calls into the program are seen.
template <typename Callback>
void hand_on(const void* caller, const char* name, void (*next)(Callback), Callback callback,
             Callback& program_callback, Callback entry)
{
    if (!from_program(caller))
        return next(callback);
    start(name);
    put_callback(reinterpret_cast<const void*>(callback));
    finish();
    program_callback = callback;
    next(callback != nullptr ? entry : nullptr);
}

void display_entered()
{
    record("@display");
    program_display();
}

void idle_entered()
{
    record("@idle");
    program_idle();
}

void visibility_entered(int state)
{
    record("@visibility", state);
    program_visibility(state);
}

void reshape_entered(int width, int height)
{
    record("@reshape", width, height);
    program_reshape(width, height);
}

void keyboard_entered(unsigned char key, int x, int y)
{
    record("@keyboard", static_cast<int>(key), x, y);
    program_keyboard(key, x, y);
}

CodeRange executable_segments(const dl_phdr_info* info)
{
    CodeRange range{};
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || (segment.p_flags & PF_X) == 0)
            continue;
        const std::uintptr_t start_address = info->dlpi_addr + segment.p_vaddr;
        const std::uintptr_t end_address = start_address + segment.p_memsz;
        if (range.start == 0 || start_address < range.start)
            range.start = start_address;
        if (end_address > range.end)
            range.end = end_address;
    }
    return range;
}

// The first object in the list is the program; ours is the one loaded at our own base.
int find_code(dl_phdr_info* info, std::size_t, void* tracer_base)
{
    if (program_code.end == 0)
        program_code = executable_segments(info);
    else if (reinterpret_cast<void*>(info->dlpi_addr) == tracer_base)
        tracer_code = executable_segments(info);
    return 0;
}

long number_from_environment(const char* name)
{
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtol(text, nullptr, 10) : -1;
}

void flush_at_exit()
{
    if (log_fd >= 0)
        flush();
}

__attribute__((constructor)) void open_log()
{
    const char* path = std::getenv("VORLANE_TRACE_FILE");
    if (path == nullptr || *path == '\0')
        return;
    Dl_info tracer{};
    if (dladdr(reinterpret_cast<void*>(&open_log), &tracer) == 0)
        return;
    dl_iterate_phdr(find_code, tracer.dli_fbase);
    full_frames = number_from_environment("VORLANE_TRACE_FULL_FRAMES");
    stop_frames = number_from_environment("VORLANE_TRACE_STOP_FRAMES");
    error_frame = number_from_environment("VORLANE_TRACE_ERROR_FRAME");
    log_fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::atexit(flush_at_exit);
}

} // namespace

#define NEXT(name) static const auto next = next_symbol<decltype(&name)>(#name)

// Drawing.

void glBegin(GLenum mode)
{
    NEXT(glBegin);
    if (from_program(__builtin_return_address(0))) {
        record("glBegin", mode);
        in_primitive = true;
        folded_count = 0;
        folded_hash = fnv_offset;
    }
    next(mode);
}

void glEnd()
{
    NEXT(glEnd);
    if (from_program(__builtin_return_address(0))) {
        const bool folded = full_frames >= 0 && frames >= full_frames;
        in_primitive = false;
        if (folded) {
            start("=");
            put_int(folded_count);
            put_hex(folded_hash, 16);
            finish();
        }
        record("glEnd");
    }
    next();
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    NEXT(glNormal3f);
    trace(__builtin_return_address(0), "glNormal3f", x, y, z);
    next(x, y, z);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    NEXT(glVertex3f);
    trace(__builtin_return_address(0), "glVertex3f", x, y, z);
    next(x, y, z);
}

void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    NEXT(glColor4f);
    trace(__builtin_return_address(0), "glColor4f", red, green, blue, alpha);
    next(red, green, blue, alpha);
}

// Matrices.

void glMatrixMode(GLenum mode)
{
    NEXT(glMatrixMode);
    trace(__builtin_return_address(0), "glMatrixMode", mode);
    next(mode);
}

void glLoadIdentity()
{
    NEXT(glLoadIdentity);
    trace(__builtin_return_address(0), "glLoadIdentity");
    next();
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    NEXT(glTranslatef);
    trace(__builtin_return_address(0), "glTranslatef", x, y, z);
    next(x, y, z);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    NEXT(glRotatef);
    trace(__builtin_return_address(0), "glRotatef", angle, x, y, z);
    next(angle, x, y, z);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    NEXT(glViewport);
    trace(__builtin_return_address(0), "glViewport", x, y, width, height);
    next(x, y, width, height);
}

// State.

void glClear(GLbitfield mask)
{
    NEXT(glClear);
    trace(__builtin_return_address(0), "glClear", mask);
    next(mask);
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha)
{
    NEXT(glClearColor);
    trace(__builtin_return_address(0), "glClearColor", red, green, blue, alpha);
    next(red, green, blue, alpha);
}

void glClearDepth(GLclampd depth)
{
    NEXT(glClearDepth);
    trace(__builtin_return_address(0), "glClearDepth", depth);
    next(depth);
}

void glEnable(GLenum capability)
{
    NEXT(glEnable);
    trace(__builtin_return_address(0), "glEnable", capability);
    next(capability);
}

void glDepthFunc(GLenum function)
{
    NEXT(glDepthFunc);
    trace(__builtin_return_address(0), "glDepthFunc", function);
    next(function);
}

void glShadeModel(GLenum model)
{
    NEXT(glShadeModel);
    trace(__builtin_return_address(0), "glShadeModel", model);
    next(model);
}

void glHint(GLenum target, GLenum mode)
{
    NEXT(glHint);
    trace(__builtin_return_address(0), "glHint", target, mode);
    next(target, mode);
}

GLenum glGetError()
{
    NEXT(glGetError);
    const bool traced = from_program(__builtin_return_address(0));
    if (traced && frames + 1 == error_frame) {
        static const auto enable = next_symbol<decltype(&glEnable)>("glEnable");
        enable(rejected_capability);
        note("provoked an invalid enum in frame", error_frame);
    }
    const GLenum error = next();
    if (traced) {
        start("glGetError");
        put_text(" =");
        put_enum(error);
        finish();
    }
    return error;
}

// Lights and materials.

void glLightfv(GLenum light, GLenum pname, const GLfloat* params)
{
    NEXT(glLightfv);
    if (from_program(__builtin_return_address(0)))
        record_vector("glLightfv", light, pname, params, light_value_count(pname));
    next(light, pname, params);
}

void glLightModeli(GLenum pname, GLint param)
{
    NEXT(glLightModeli);
    trace(__builtin_return_address(0), "glLightModeli", pname, param);
    next(pname, param);
}

void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params)
{
    NEXT(glMaterialfv);
    if (from_program(__builtin_return_address(0)))
        record_vector("glMaterialfv", face, pname, params, material_value_count(pname));
    next(face, pname, params);
}

// GLU.

void gluPerspective(GLdouble field_of_view, GLdouble aspect, GLdouble near, GLdouble far)
{
    NEXT(gluPerspective);
    trace(__builtin_return_address(0), "gluPerspective", field_of_view, aspect, near, far);
    next(field_of_view, aspect, near, far);
}

const GLubyte* gluErrorString(GLenum error)
{
    NEXT(gluErrorString);
    const GLubyte* text = next(error);
    if (from_program(__builtin_return_address(0))) {
        start("gluErrorString");
        put_enum(error);
        put_text(" =");
        put_string(reinterpret_cast<const char*>(text));
        finish();
    }
    return text;
}

// GLUT.

void glutInit(int* argc, char** argv)
{
    NEXT(glutInit);
    if (from_program(__builtin_return_address(0))) {
        start("glutInit");
        put_int(argc != nullptr ? *argc : -1);
        for (int i = 0; argc != nullptr && argv != nullptr && i < *argc; ++i)
            put_string(argv[i]);
        finish();
    }
    next(argc, argv);
}

int glutGet(GLenum query)
{
    NEXT(glutGet);
    const int value = next(query);
    if (from_program(__builtin_return_address(0))) {
        start("glutGet");
        put_enum(query);
        put_text(" =");
        put_int(value);
        finish();
    }
    return value;
}

void glutInitDisplayMode(unsigned int mode)
{
    NEXT(glutInitDisplayMode);
    trace(__builtin_return_address(0), "glutInitDisplayMode", mode);
    next(mode);
}

void glutInitWindowPosition(int x, int y)
{
    NEXT(glutInitWindowPosition);
    trace(__builtin_return_address(0), "glutInitWindowPosition", x, y);
    next(x, y);
}

void glutInitWindowSize(int width, int height)
{
    NEXT(glutInitWindowSize);
    trace(__builtin_return_address(0), "glutInitWindowSize", width, height);
    next(width, height);
}

int glutCreateWindow(const char* title)
{
    NEXT(glutCreateWindow);
    trace(__builtin_return_address(0), "glutCreateWindow", title);
    return next(title);
}

// Each registration hands GLUT an entry point of ours that notes the event and then calls
// the program's callback.

void glutDisplayFunc(void (*callback)())
{
    NEXT(glutDisplayFunc);
    hand_on(__builtin_return_address(0), "glutDisplayFunc", next, callback, program_display,
            display_entered);
}

void glutIdleFunc(void (*callback)())
{
    NEXT(glutIdleFunc);
    hand_on(__builtin_return_address(0), "glutIdleFunc", next, callback, program_idle,
            idle_entered);
}

void glutVisibilityFunc(void (*callback)(int))
{
    NEXT(glutVisibilityFunc);
    hand_on(__builtin_return_address(0), "glutVisibilityFunc", next, callback, program_visibility,
            visibility_entered);
}

void glutReshapeFunc(void (*callback)(int, int))
{
    NEXT(glutReshapeFunc);
    hand_on(__builtin_return_address(0), "glutReshapeFunc", next, callback, program_reshape,
            reshape_entered);
}

void glutKeyboardFunc(void (*callback)(unsigned char, int, int))
{
    NEXT(glutKeyboardFunc);
    hand_on(__builtin_return_address(0), "glutKeyboardFunc", next, callback, program_keyboard,
            keyboard_entered);
}

void glutPostRedisplay()
{
    NEXT(glutPostRedisplay);
    trace(__builtin_return_address(0), "glutPostRedisplay");
    next();
}

void glutSwapBuffers()
{
    NEXT(glutSwapBuffers);
    const bool traced = from_program(__builtin_return_address(0));
    if (traced)
        record("glutSwapBuffers");
    next();
    if (!traced)
        return;
    ++frames;
    note("frame", frames);
    flush();
    if (frames == stop_frames) {
        note("stopped after frames", frames);
        flush();
        _exit(0);
    }
}

// The program's millisecond clock is read through the standard library's monotonic clock;
// the raw nanoseconds are recorded and the checker reduces them as the program must.
std::chrono::steady_clock::time_point std::chrono::steady_clock::now() noexcept
{
    static const auto next = next_symbol<std::chrono::steady_clock::time_point (*)() noexcept>(
        "_ZNSt6chrono3_V212steady_clock3nowEv");
    const auto now = next();
    if (from_program(__builtin_return_address(0))) {
        start("clock");
        put_int(now.time_since_epoch().count());
        finish();
    }
    return now;
}

// The same clock read directly, for a program that does so.
int clock_gettime(clockid_t clock, timespec* time) noexcept
{
    NEXT(clock_gettime);
    const int result = next(clock, time);
    if (from_program(__builtin_return_address(0)) && result == 0) {
        start("clock");
        put_int(static_cast<long long>(time->tv_sec) * 1000000000ll + time->tv_nsec);
        finish();
    }
    return result;
}

void glutMainLoop()
{
    NEXT(glutMainLoop);
    if (from_program(__builtin_return_address(0))) {
        record("glutMainLoop");
        flush();
    }
    next();
}
