#ifdef _WIN32
// Standing in for opengl32.dll, the functions this file defines are not imported.
#define _GDI32_
#endif
#include "gl_double.h"

#include "app/app.h"
#include "platform/platform.h"
#include "render/render.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>

using namespace gl_double;

namespace
{

// Start-up, three frames and the handlers make 38,497 calls, whose lines average 40 characters.
constexpr std::size_t max_calls = 40000, max_text = 48 * max_calls;

gl_double::Call recorded[max_calls];
char text[max_text];
std::size_t recorded_count = 0, text_used = 0;

// Each letter of kinds says how the next argument is written: 'f' a float and 'd' a double as
// the hex of their bits, so that -0 and every rounding show; 'e' an enumerant in hex; 'i' and 'u'
// a signed and an unsigned integer; 's' a string, 'q' one in quotes. When full, it stops the test.
void record(const char* name, const char* kinds = "", ...)
{
    gl_double::Call call{name, text + text_used, 0, {}};
    auto used = text_used + std::snprintf(text + text_used, max_text - text_used, "%s", name);
    std::va_list args;
    va_start(args, kinds);
    for (const char* kind = kinds; *kind != '\0' && used < max_text; ++kind) {
        if (*kind == 'f' || *kind == 'd') {
            const double value = call.args[call.count++] = va_arg(args, double);
            used += *kind == 'f' ? std::snprintf(text + used, max_text - used, " %08x",
                                                 __builtin_bit_cast(std::uint32_t, float(value)))
                                 : std::snprintf(text + used, max_text - used, " %016llx",
                                                 __builtin_bit_cast(unsigned long long, value));
        } else if (*kind == 'i' || *kind == 'e' || *kind == 'u') {
            const int value = va_arg(args, int);
            call.args[call.count++] = *kind == 'i' ? value : double(static_cast<unsigned>(value));
            const char* format = *kind == 'i' ? " %d" : *kind == 'e' ? " 0x%x" : " %u";
            used += std::snprintf(text + used, max_text - used, format, value);
        } else {
            used += std::snprintf(text + used, max_text - used, *kind == 'q' ? " \"%s\"" : " %s",
                                  va_arg(args, const char*));
        }
    }
    va_end(args);
    if (recorded_count == max_calls || used >= max_text) {
        std::fprintf(stderr, "tests/gl_double.cpp: full at %zu calls\n", recorded_count);
        std::abort();
    }
    text_used = used + 1;
    recorded[recorded_count++] = call;
    if (echo)
        std::fprintf(stderr, "%s\n", call.line);
}

} // namespace

void gl_double::reset()
{
    recorded_count = text_used = allocations = clock_ms = 0;
    screen_width = 800, screen_height = 900, next_error = GL_NO_ERROR, skip_shape = echo = false;
}

std::span<const Call> gl_double::calls()
{
    return {recorded, recorded_count};
}

// Callbacks are written by name, so a wrong one shows. Every form of new and delete is replaced,
// so that a block goes back to the allocator it came from, whichever pair a library picks.
// clang-format off
static void* counted_block(std::size_t size) noexcept { ++allocations; return std::malloc(size > 0 ? size : 1); }
void* operator new(std::size_t size) { if (void* block = counted_block(size)) return block; throw std::bad_alloc(); }
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return counted_block(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return counted_block(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
std::uint32_t read_millisecond_clock() { record("clock", "u", clock_ms); return clock_ms; }
void describe_window_to_desktop() {} // not a call to OpenGL, GLU or GLUT
void find_primary_monitor(int, char**) {} // nor these: one screen, one monitor
ScreenArea primary_monitor(ScreenArea whole_screen) { return whole_screen; }
void show_error_notice(const char* text) { record("notice", "q", text); }
void end_program(int status) { record("end_program", "i", status); std::exit(status); }

void glBegin(GLenum mode) { if (!skip_shape) record("glBegin", "e", mode); }
void glEnd() { if (!skip_shape) record("glEnd"); }
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) { if (!skip_shape) record("glNormal3f", "fff", x, y, z); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { if (!skip_shape) record("glVertex3f", "fff", x, y, z); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { if (!skip_shape) record("glColor4f", "ffff", r, g, b, a); }

void glMatrixMode(GLenum mode) { record("glMatrixMode", "e", mode); }
void glLoadIdentity() { record("glLoadIdentity"); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { record("glTranslatef", "fff", x, y, z); }
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { record("glRotatef", "ffff", angle, x, y, z); }
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) { record("glViewport", "iiii", x, y, width, height); }
void glClear(GLbitfield mask) { record("glClear", "e", mask); }
void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { record("glClearColor", "ffff", r, g, b, a); }
void glClearDepth(GLclampd depth) { record("glClearDepth", "d", depth); }
void glEnable(GLenum capability) { record("glEnable", "e", capability); }
void glDepthFunc(GLenum function) { record("glDepthFunc", "e", function); }
void glShadeModel(GLenum mode) { record("glShadeModel", "e", mode); }
void glHint(GLenum target, GLenum mode) { record("glHint", "ee", target, mode); }
void glLightfv(GLenum light, GLenum pname, const GLfloat* v) { record("glLightfv", "eeffff", light, pname, v[0], v[1], v[2], v[3]); }
void glLightModeli(GLenum pname, GLint param) { record("glLightModeli", "ei", pname, param); }
void glMaterialfv(GLenum face, GLenum pname, const GLfloat* v) { if (pname == GL_SHININESS) record("glMaterialfv", "eef", face, pname, v[0]); else record("glMaterialfv", "eeffff", face, pname, v[0], v[1], v[2], v[3]); }
GLenum glGetError() { const GLenum e = next_error; next_error = GL_NO_ERROR; record("glGetError", "se", "=", e); return e; }

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble z_near, GLdouble z_far) { record("gluPerspective", "dddd", fovy, aspect, z_near, z_far); }
const GLubyte* gluErrorString(GLenum error) { record("gluErrorString", "e", error); return reinterpret_cast<const GLubyte*>(error == GL_INVALID_OPERATION ? "invalid operation" : nullptr); }

void glutInit(int* argc, char** argv) { record("glutInit", "iq", *argc, argv[0]); } // the scenario has no options
void glutInitDisplayMode(unsigned int mode) { record("glutInitDisplayMode", "e", mode); }
void glutInitWindowPosition(int x, int y) { record("glutInitWindowPosition", "ii", x, y); }
void glutInitWindowSize(int width, int height) { record("glutInitWindowSize", "ii", width, height); }
int glutCreateWindow(const char* title) { record("glutCreateWindow", "q", title); return 1; }
int glutGet(GLenum query) { const int a = query == GLUT_SCREEN_WIDTH ? screen_width : screen_height; record("glutGet", "esi", query, "=", a); return a; }
void glutKeyboardFunc(void (*f)(unsigned char, int, int)) { record("glutKeyboardFunc", "s", f == on_keyboard ? "on_keyboard" : "another"); }
void glutDisplayFunc(void (*f)()) { record("glutDisplayFunc", "s", f == on_display ? "on_display" : "another"); }
void glutVisibilityFunc(void (*f)(int)) { record("glutVisibilityFunc", "s", f == on_visibility ? "on_visibility" : "another"); }
void glutReshapeFunc(void (*f)(int, int)) { record("glutReshapeFunc", "s", f == on_reshape ? "on_reshape" : "another"); }
void glutIdleFunc(void (*f)()) { record("glutIdleFunc", "s", f == on_idle ? "on_idle" : f ? "another" : "null"); }
void glutPostRedisplay() { record("glutPostRedisplay"); }
void glutSwapBuffers() { record("glutSwapBuffers"); }
void glutMainLoop() { record("glutMainLoop"); } // returns, unlike the real one, so a test goes on

#ifdef _WIN32
// The program calls opengl32.dll through import slots, which here point at the recorders above.
// A 32-bit name starts with an underscore, and a __stdcall one ends in its arguments' bytes.
#ifdef _WIN64
#define SLOT_NAME(function, argument_bytes) "__imp_" #function
#else
#define SLOT_NAME(function, argument_bytes) "__imp__" #function "@" #argument_bytes
#endif
#define SLOT(function, argument_bytes) extern "C" const void* const function##_import_slot \
    __asm__(SLOT_NAME(function, argument_bytes)) = reinterpret_cast<const void*>(&function);
SLOT(glBegin, 4) SLOT(glEnd, 0) SLOT(glNormal3f, 12) SLOT(glVertex3f, 12) SLOT(glColor4f, 16)
SLOT(glMatrixMode, 4) SLOT(glLoadIdentity, 0) SLOT(glTranslatef, 12) SLOT(glRotatef, 16)
SLOT(glViewport, 16) SLOT(glClear, 4) SLOT(glClearColor, 16) SLOT(glClearDepth, 8) SLOT(glEnable, 4)
SLOT(glDepthFunc, 4) SLOT(glShadeModel, 4) SLOT(glHint, 8) SLOT(glLightfv, 12)
SLOT(glLightModeli, 8) SLOT(glMaterialfv, 12) SLOT(glGetError, 0)
// clang-format on
#endif
