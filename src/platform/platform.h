// The two things the program needs from the operating system.
#pragma once

#include <cstdint>

// Milliseconds from an arbitrary start, as a 32-bit count that wraps.
std::uint32_t read_millisecond_clock();

// Shows text in a modal notice captioned "ERROR" and returns once the user has dismissed it.
void show_error_notice(const char* text);
