// A recording stand-in for OpenGL, GLU, GLUT and the platform layer, allocating nothing: every
// call since a reset is kept as a line with the exact bits of its arguments, and as numbers.
#pragma once

#include <GL/glut.h>

#include <cstddef>
#include <cstdint>
#include <span>

namespace gl_double
{

struct Call {
    const char* name;
    const char* line; // the call as the model of the calls writes it, without the newline
    int count;
    double args[6]; // the numeric arguments in order; a float widens to double exactly
};

void reset(); // forgets the calls; every setting below goes back to where each test starts
std::span<const Call> calls();

// What the stand-ins answer: the clock, the screen's size and the next glGetError (once).
inline std::uint32_t clock_ms;
inline int screen_width, screen_height;
inline GLenum next_error;
inline bool skip_shape;         // the shape's calls are not kept: quick frames
inline bool echo;               // every line also goes to standard error, for death tests
inline std::size_t allocations; // since the reset, counted by the test binary's operator new

} // namespace gl_double
