// Prints the OpenGL, GLU and GLUT calls the desktop program makes from start-up through its
// first two frames, as the unit tests' recording double sees them: one call a line, its name
// and then every numeric argument printed so that it reads back to the same bits. The page's
// tests compare the browser build's calls with these.
#include "app/app.h"
#include "gl_double.h"
#include "render/render.h"

#include <cstdint>
#include <cstdio>

int vorlane_main(int argc, char** argv);

namespace
{

constexpr std::uint32_t start_time = 1000;
constexpr std::uint32_t step_time = start_time + 6; // the first time a step is due
constexpr int window_size = 700;

} // namespace

int main()
{
    char program_name[] = "vorlane";
    char* arguments[] = {program_name, nullptr};
    fake_platform::set_clock(start_time);
    vorlane_main(1, arguments);

    // What GLUT does once its loop runs: the first reshape, the window shown, then frames.
    on_reshape(window_size, window_size);
    on_visibility(GLUT_VISIBLE);
    on_display(); // no time has passed: no animation step
    fake_platform::set_clock(step_time);
    on_display();

    for (const gl_double::Call& call : gl_double::calls()) {
        std::printf("%s", call.name.c_str());
        for (const double argument : call.args)
            std::printf(" %.17g", argument);
        std::printf("\n");
    }
    return 0;
}
