// A linear congruential generator of our own, so that every platform draws the same colours.
#include "geometry/geometry.h"

namespace
{

constexpr std::uint32_t colour_multiplier = 214013u;
constexpr std::uint32_t colour_increment = 2531011u;

std::uint32_t colour_state = first_colour_seed;

} // namespace

void seed_colours(std::uint32_t seed)
{
    colour_state = seed;
}

int next_colour_value()
{
    colour_state = colour_state * colour_multiplier + colour_increment;
    return static_cast<int>((colour_state >> 16) & 0x7FFFu);
}
