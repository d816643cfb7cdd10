// Windows: the multimedia timer and the system message box.
#include "platform/platform.h"

#include <windows.h>

#include <mmsystem.h>

#include <GL/freeglut.h>

#include <cstdlib>

namespace
{

// OK button only, no icon.
constexpr UINT notice_style = 0;

} // namespace

// freeglut answers the screen size from the primary monitor here already.
void find_primary_monitor(int, char**) {}

ScreenArea primary_monitor(ScreenArea whole_screen)
{
    return whole_screen;
}

std::uint32_t read_millisecond_clock()
{
    return timeGetTime();
}

// The taskbar matches a window to its program by the executable; nothing needs setting.
void describe_window_to_desktop() {}

void show_error_notice(const char* text)
{
    MessageBoxA(nullptr, text, notice_caption, notice_style);
}

// GLUT is taken down before the exit handlers run, as on every other desktop.
void end_program(int status)
{
    glutExit();
    std::exit(status);
}
