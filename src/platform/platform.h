// What the program needs from the operating system and the desktop.
#pragma once

#include <cstdint>

// Milliseconds from an arbitrary start, as a 32-bit count that wraps.
std::uint32_t read_millisecond_clock();

// Tells the desktop which program the current window belongs to, so that taskbars can match
// it to the desktop entry and show its icon. Called once, after the window is made.
void describe_window_to_desktop();

// Shows text in a modal notice captioned with notice_caption and returns once the user has
// dismissed it.
inline constexpr const char* notice_caption = "ERROR";
void show_error_notice(const char* text);
