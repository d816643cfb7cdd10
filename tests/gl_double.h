// A recording stand-in for OpenGL, GLU, GLUT and the platform layer, allocating nothing: every
// call becomes a line with the exact bits of its arguments, hashed into one digest (FNV-1a 64 of
// the lines, each with its newline), and the first calls since a reset are also kept as numbers.
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

void reset(); // forgets the calls; every setting below goes back to where each test starts
std::span<const Call> calls();
inline constexpr std::uint64_t fnv_offset = 0xcbf29ce484222325u;
inline std::uint64_t digest = fnv_offset;

// What the stand-ins answer: the clock, the screen's size and the next glGetError (once).
inline std::uint32_t clock_ms;
inline int screen_width, screen_height;
inline GLenum next_error;
inline bool skip_shape;             // the shape's calls are neither kept nor hashed: quick frames
inline bool echo;                   // every line also goes to standard error, for death tests
inline std::size_t allocations = 0; // counted by the test binary's operator new

} // namespace gl_double
