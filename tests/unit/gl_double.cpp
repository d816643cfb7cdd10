#ifdef _WIN32
// This file stands in for opengl32.dll, so its view of the OpenGL header must not mark the
// functions it defines as imported.
#define _GDI32_
#endif
#include "gl_double.h"

#include "platform/platform.h"

#include <cstdio>
#include <initializer_list>

namespace
{

std::vector<gl_double::Call> recorded;
int screen_width = 800;
int screen_height = 900;
GLenum pending_error = GL_NO_ERROR;
bool echo = false;
std::uint32_t clock_now = 0;
std::vector<std::string> shown_notices;

void record(const char* name, std::initializer_list<double> args)
{
    recorded.push_back({name, args, {}, nullptr});
}

void record_callback(const char* name, const void* callback)
{
    recorded.push_back({name, {}, {}, callback});
}

void record_vector(const char* name, GLenum target, GLenum pname, const GLfloat* params)
{
    const int size = pname == GL_SHININESS ? 1 : 4;
    gl_double::Call call{name, {static_cast<double>(target), static_cast<double>(pname)}, {}, {}};
    for (int i = 0; i < size; ++i)
        call.args.push_back(params[i]);
    recorded.push_back(call);
}

template <typename F> const void* as_pointer(F* function)
{
    return reinterpret_cast<const void*>(function);
}

} // namespace

namespace gl_double
{

void reset()
{
    recorded.clear();
    screen_width = 800;
    screen_height = 900;
    pending_error = GL_NO_ERROR;
    echo = false;
}

const std::vector<Call>& calls()
{
    return recorded;
}

std::vector<Call> calls_named(const std::string& name)
{
    std::vector<Call> found;
    for (const Call& call : recorded)
        if (call.name == name)
            found.push_back(call);
    return found;
}

std::size_t count(const std::string& name)
{
    return calls_named(name).size();
}

void set_screen_size(int width, int height)
{
    screen_width = width;
    screen_height = height;
}

void set_next_error(GLenum error)
{
    pending_error = error;
}

void set_echo(bool on)
{
    echo = on;
}

} // namespace gl_double

namespace fake_platform
{

void set_clock(std::uint32_t milliseconds)
{
    clock_now = milliseconds;
}

const std::vector<std::string>& notices()
{
    return shown_notices;
}

void reset()
{
    clock_now = 0;
    shown_notices.clear();
}

} // namespace fake_platform

std::uint32_t read_millisecond_clock()
{
    return clock_now;
}

void show_error_notice(const char* text)
{
    shown_notices.emplace_back(text);
    std::fprintf(stderr, "notice: %s\n", text);
}

// OpenGL
void glBegin(GLenum mode)
{
    record("glBegin", {double(mode)});
}
void glEnd()
{
    record("glEnd", {});
}
void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    record("glNormal3f", {x, y, z});
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    record("glVertex3f", {x, y, z});
}
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    record("glColor4f", {r, g, b, a});
}
void glMatrixMode(GLenum mode)
{
    record("glMatrixMode", {double(mode)});
}
void glLoadIdentity()
{
    record("glLoadIdentity", {});
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    record("glTranslatef", {x, y, z});
}
void glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z)
{
    record("glRotatef", {a, x, y, z});
}
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h)
{
    record("glViewport", {double(x), double(y), double(w), double(h)});
}
void glClear(GLbitfield mask)
{
    record("glClear", {double(mask)});
}
void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    record("glClearColor", {r, g, b, a});
}
void glClearDepth(GLclampd depth)
{
    record("glClearDepth", {depth});
}
void glEnable(GLenum cap)
{
    record("glEnable", {double(cap)});
}
void glDepthFunc(GLenum func)
{
    record("glDepthFunc", {double(func)});
}
void glShadeModel(GLenum mode)
{
    record("glShadeModel", {double(mode)});
}
void glHint(GLenum target, GLenum mode)
{
    record("glHint", {double(target), double(mode)});
}
void glLightfv(GLenum light, GLenum pname, const GLfloat* params)
{
    record_vector("glLightfv", light, pname, params);
}
void glLightModeli(GLenum pname, GLint param)
{
    record("glLightModeli", {double(pname), double(param)});
}
void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params)
{
    record_vector("glMaterialfv", face, pname, params);
}
GLenum glGetError()
{
    record("glGetError", {});
    const GLenum error = pending_error;
    pending_error = GL_NO_ERROR;
    return error;
}

// GLU
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble z_near, GLdouble z_far)
{
    record("gluPerspective", {fovy, aspect, z_near, z_far});
}
const GLubyte* gluErrorString(GLenum error)
{
    record("gluErrorString", {double(error)});
    const char* text = error == GL_INVALID_OPERATION ? "invalid operation"
                       : error == GL_OUT_OF_MEMORY   ? "out of memory"
                                                     : nullptr;
    return reinterpret_cast<const GLubyte*>(text);
}

// GLUT
void glutInit(int* argc, char** argv)
{
    gl_double::Call call{"glutInit", {double(*argc)}, {}, {}};
    for (int i = 0; i < *argc; ++i)
        call.text += std::string(argv[i]) + " ";
    recorded.push_back(call);
}
void glutInitDisplayMode(unsigned int mode)
{
    record("glutInitDisplayMode", {double(mode)});
}
void glutInitWindowPosition(int x, int y)
{
    record("glutInitWindowPosition", {double(x), double(y)});
}
void glutInitWindowSize(int w, int h)
{
    record("glutInitWindowSize", {double(w), double(h)});
}
int glutCreateWindow(const char* title)
{
    recorded.push_back({"glutCreateWindow", {}, title, nullptr});
    return 1;
}
int glutGet(GLenum query)
{
    record("glutGet", {double(query)});
    return query == GLUT_SCREEN_WIDTH    ? screen_width
           : query == GLUT_SCREEN_HEIGHT ? screen_height
                                         : 0;
}
void glutKeyboardFunc(void (*f)(unsigned char, int, int))
{
    record_callback("glutKeyboardFunc", as_pointer(f));
}
void glutDisplayFunc(void (*f)())
{
    record_callback("glutDisplayFunc", as_pointer(f));
}
void glutVisibilityFunc(void (*f)(int))
{
    record_callback("glutVisibilityFunc", as_pointer(f));
}
void glutReshapeFunc(void (*f)(int, int))
{
    record_callback("glutReshapeFunc", as_pointer(f));
}
void glutIdleFunc(void (*f)())
{
    record_callback("glutIdleFunc", as_pointer(f));
}
void glutPostRedisplay()
{
    record("glutPostRedisplay", {});
    if (echo)
        std::fprintf(stderr, "redisplay\n");
}
void glutSwapBuffers()
{
    record("glutSwapBuffers", {});
    if (echo)
        std::fprintf(stderr, "swap\n");
}
// The real loop never returns; this one lets main finish so a test can read what it did.
void glutMainLoop()
{
    record("glutMainLoop", {});
}

#ifdef _WIN32
// The program's code is compiled against opengl32.dll and calls through import slots, the
// pointers the loader would fill in; in the test binary they point at the recorders above.
// A __stdcall name ends in the byte size of its arguments.
#define IMPORT_SLOT(function, argument_bytes)                                                      \
    extern "C" const void* const function##_import_slot __asm__(                                   \
        "__imp__" #function "@" #argument_bytes) = reinterpret_cast<const void*>(&function);
IMPORT_SLOT(glBegin, 4)
IMPORT_SLOT(glEnd, 0)
IMPORT_SLOT(glNormal3f, 12)
IMPORT_SLOT(glVertex3f, 12)
IMPORT_SLOT(glColor4f, 16)
IMPORT_SLOT(glMatrixMode, 4)
IMPORT_SLOT(glLoadIdentity, 0)
IMPORT_SLOT(glTranslatef, 12)
IMPORT_SLOT(glRotatef, 16)
IMPORT_SLOT(glViewport, 16)
IMPORT_SLOT(glClear, 4)
IMPORT_SLOT(glClearColor, 16)
IMPORT_SLOT(glClearDepth, 8)
IMPORT_SLOT(glEnable, 4)
IMPORT_SLOT(glDepthFunc, 4)
IMPORT_SLOT(glShadeModel, 4)
IMPORT_SLOT(glHint, 8)
IMPORT_SLOT(glLightfv, 12)
IMPORT_SLOT(glLightModeli, 8)
IMPORT_SLOT(glMaterialfv, 12)
IMPORT_SLOT(glGetError, 0)
#endif
