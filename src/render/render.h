// The scene and the frame that draws and animates it.
#pragma once

// Depth, shading, lights and the front material, set once for the whole run.
void set_render_state();
// Starts the animation at the given angle with the starting colours; the first step comes
// more than 5 ms from now.
void start_animation(float angle = 0.0f);
// Places the shape at the current angle and draws it.
void draw_scene();
// One frame: clear, draw the scene, take at most one animation step, check for an OpenGL
// error and swap.
void on_display();
