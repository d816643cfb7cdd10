// A recording stand-in for OpenGL, GLU and GLUT, linked in place of the real libraries.
#pragma once

#include <GL/glut.h>

#include <cstdint>
#include <string>
#include <vector>

namespace gl_double
{

struct Call {
    std::string name;
    // Every numeric argument in order; a float widens to double exactly, so its bits survive.
    std::vector<double> args;
    std::string text;               // the window title
    const void* callback = nullptr; // what a glut*Func registration installed
};

void reset();
const std::vector<Call>& calls();
std::vector<Call> calls_named(const std::string& name);
std::size_t count(const std::string& name);

void set_screen_size(int width, int height);
// The next glGetError returns this once, then GL_NO_ERROR again.
void set_next_error(GLenum error);
// Writes "swap" and "redisplay" lines to stderr, for death tests that must see what the
// dying child did.
void set_echo(bool echo);

} // namespace gl_double

namespace fake_platform
{

void set_clock(std::uint32_t milliseconds);
const std::vector<std::string>& notices();
void reset();

} // namespace fake_platform
