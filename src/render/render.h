// Frame display and the animation it drives.
#pragma once

#include <cstdint>

// Time of the last animation step in milliseconds; start-up stores the start time here.
extern std::uint32_t last_tick;

void on_display();
