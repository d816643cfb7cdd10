// The floor: the same frame with the shape's calls captured once into arrays and replayed.
#pragma once

// Stands in for draw_elongated_sphere in the floor's copy of the frame: the first call (and
// any call with other arguments) captures what the real tessellation sends; every call then
// replays the same glBegin, glColor4f, glNormal3f, glVertex3f and glEnd calls from the capture.
void replay_elongated_sphere(double radius, int slices, int stacks);

// The program's own frame, compiled once more with replay_elongated_sphere in place of the
// tessellation; floor_last_tick is its own copy of the animation clock.
void floor_on_display();
