// A recording stand-in for OpenGL, GLU, GLUT and the platform layer, linked in place of the
// real ones. It allocates nothing: every call becomes a line of text with the exact bits of its
// arguments, hashed into one digest, and the first calls since a reset are also kept with
// their arguments as numbers.
#pragma once

#include <GL/glut.h>

#include <cstddef>
#include <cstdint>
#include <span>

namespace gl_double
{

struct Call {
    const char* name;
    int count;
    double args[6]; // the numeric arguments in order; a float widens to double exactly
};

void reset();
std::span<const Call> calls();
std::size_t count(const char* name);
// FNV-1a 64 of every line since the last reset, each with its newline.
std::uint64_t digest();
// The same lines with the calls inside each primitive folded into "= count hash".
const char* folded();

// What the stand-ins answer: the screen size, the clock, and the next glGetError (once).
inline int screen_width = 800;
inline int screen_height = 900;
inline std::uint32_t clock_ms = 0;
inline GLenum next_error = GL_NO_ERROR;
// skip_shape: the shape's calls are neither kept nor hashed, so that thousands of frames take
// little time. echo: every line also goes to standard error, for death tests.
inline bool skip_shape = false;
inline bool echo = false;
// Counted by the test binary's operator new.
inline std::size_t allocations = 0;

} // namespace gl_double
