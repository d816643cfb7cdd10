// Writes the calls that the frame's shape makes, as the recording double sees them, as C++
// statements for the floor to replay (floor_shape.cpp): vorlane_capture_shape OUTPUT.
#include "gl_double.h"

#include "render/render.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

int main(int, char** argv)
{
    gl_double::reset();
    draw_scene();
    // The scene's transform comes first; the shape starts at its first glBegin.
    const auto calls = gl_double::calls();
    const auto first =
        std::ranges::find(calls, std::string_view("glBegin"), &gl_double::Call::name);
    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr || first == calls.end())
        return 1;
    // Seventeen digits give back the very double, which holds the float exactly.
    for (auto call = first; call != calls.end(); ++call) {
        std::fprintf(out, "%s(", call->name);
        for (int n = 0; n < call->count; ++n)
            std::fprintf(out, "%s%.17g", n > 0 ? ", " : "", call->args[n]);
        std::fputs(");\n", out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
