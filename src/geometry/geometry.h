// The elongated sphere and the seeded colour generator that picks its strips' vertex colours.
#pragma once

#include <cstdint>

// The most slices a shape may have: each call keeps its columns' sines and cosines in a
// table on the stack.
constexpr int max_slices = 1024;

// Emits the whole surface in immediate mode: top cap fan, upper bands, middle band, lower
// bands, bottom cap fan. Draws nothing for slices or stacks below 1, slices above
// max_slices, or a radius that is not a positive finite number.
void draw_elongated_sphere(double radius, int slices, int stacks);

// The generator's state when the program starts.
constexpr std::uint32_t first_colour_seed = 1;
void seed_colours(std::uint32_t seed);
int next_colour_value();
