// What the program needs from the operating system and the desktop.
#pragma once

#include <cstdint>

// A part of the screen, in pixels from its top left corner.
struct ScreenArea {
    int x, y, width, height;
};

// Finds the primary monitor of the display GLUT is about to open: the one that GLUT's -display
// option names, or the default. Called before glutInit, which takes that option out of argv.
void find_primary_monitor(int argc, char** argv);
// The part of the screen a new window is centred on: the primary monitor found, or
// whole_screen where there was none to find.
ScreenArea primary_monitor(ScreenArea whole_screen);

// Milliseconds from an arbitrary start, as a 32-bit count that wraps.
std::uint32_t read_millisecond_clock();

// Tells the desktop which program the current window belongs to, so that taskbars can match
// it to the desktop entry and show its icon. Called once, after the window is made.
void describe_window_to_desktop();

// Shows text in a modal notice captioned with notice_caption and returns once the user has
// dismissed it.
inline constexpr const char* notice_caption = "ERROR";
void show_error_notice(const char* text);

// Ends the program with status. GLUT closes its window, context and display first, while
// every library is still loaded: the exit handlers run after that.
[[noreturn]] void end_program(int status);
