// The floor's shape: the very calls that the program's own shape makes, recorded once at build
// time (capture_shape.cpp) and replayed here as straight-line code. It does none of the
// program's own work, which no immediate-mode program can beat.
#include "geometry/geometry.h"

#include <GL/gl.h>

void draw_elongated_sphere(double, int, int)
{
#include "shape_calls.inc"
}
