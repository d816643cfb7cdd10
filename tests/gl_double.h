// A recording stand-in for OpenGL, GLU, GLUT and the platform layer, linked in place of the
// real libraries. It allocates nothing: every call becomes one line of text with the exact
// bits of its arguments, which is hashed into a digest, and the first calls since the last
// reset are also kept with their arguments as numbers.
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
    double args[6]; // numeric arguments in order; a float widens to double exactly
};

void reset();
std::span<const Call> calls();
std::size_t count(const char* name);
// FNV-1a 64 of every line since the last reset, each with its newline.
std::uint64_t digest();
// The same lines with each primitive's calls folded into "= count hash", as in calls.txt.
const char* folded();

void set_screen_size(int width, int height);
void set_clock(std::uint32_t milliseconds);
// The next glGetError returns this once, then GL_NO_ERROR again.
void set_next_error(GLenum error);
// The shape's calls are neither kept nor hashed, so that thousands of frames take little time.
void skip_shape(bool skip);
// Every line also goes to standard error, for death tests that must see what the child did.
void echo(bool on);

} // namespace gl_double
